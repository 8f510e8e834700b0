#include "xalscripteditdoc.h"

#include "admtools.h"
#include "escriptlayout.h"
#include "mongodb.h"
#include "qjtrace.h"
#include "scriptload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {
// Unsaved changes are written at most this often.
constexpr int kRecoveryIntervalMs = 30'000;

void Trace(const QString& format, std::initializer_list<QString> args) {
    QJTrace(6, QString::fromUtf16(kTraceSource), format, args);
}

// Creates folder and its missing parents readable by the user only; the folder itself is
// made 0700 even when it existed, as its files hold logon passwords.
bool MakePrivateFolder(const QString& folder, QString& error) {
    const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
    QString path;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(path);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
            error =
                QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    if (::chmod(QFile::encodeName(clean).constData(), 0700) != 0) {
        error = QStringLiteral("%1: %2").arg(clean, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}
} // namespace

CXALScripEditDoc::CXALScripEditDoc(QObject* parent) : QObject(parent) {
    m_recoveryTimer.setSingleShot(true);
    m_recoveryTimer.setInterval(kRecoveryIntervalMs);
    connect(&m_recoveryTimer, &QTimer::timeout, this, &CXALScripEditDoc::OnRecoveryTimer);
}

CXALScripEditDoc::~CXALScripEditDoc() = default;

// ---------------------------------------------------------------------------------------------
// Load and save

DocLoadStatus CXALScripEditDoc::Load(CMongoDB& db, const QString& id, CScriptObj& script,
                                     QString* error) {
    script = CScriptObj();
    script.m_strID = id;
    QStringList remembered;
    if (!LoadScript(db, script, &remembered)) {
        const QString cause = db.GetLastError();
        if (error != nullptr)
            *error = cause;
        return cause.isEmpty() ? DocLoadStatus::NotFound : DocLoadStatus::Failed;
    }
    // The store's cache still holds the pages just read; the rows are about to take their place.
    db.ReleaseMemory();
    m_lstDomainRemembered = remembered;
    SetFromScript(script);
    return DocLoadStatus::Loaded;
}

void CXALScripEditDoc::SetFromScript(const CScriptObj& script, bool recovered) {
    const QString loadedRoot = m_strLoadedRootURL;
    m_strID = script.m_strID;
    m_strTitle = script.m_strTitle;
    m_strRootURL = script.m_strRootURL;
    m_strServer = script.m_strServer;
    m_nInternetProtocol = script.m_nInternetProtocol;
    m_nPort = script.m_nPort;
    m_strLogonUser = script.m_strLogonUser;
    m_strLogonPW = script.m_strLogonPW;
    m_lstDomainAvailable = script.m_lstDomainAvailable;
    m_lstDomain = script.m_lstDomain;
    m_lstFlexibleParameters = script.m_lstURLParameter;
    m_nFlexibleCount = static_cast<int>(m_lstFlexibleParameters.size());
    m_bLoaded = true;
    if (recovered) {
        // The stored e-script still has its own root URL: a different kept one must be
        // written by the next save.
        m_strLoadedRootURL = loadedRoot;
        m_strRootURL = loadedRoot;
        if (script.m_strRootURL != loadedRoot)
            SetRootURL(script.m_strRootURL);
        SetModified(true);
    } else {
        m_strLoadedRootURL = script.m_strRootURL;
        m_strNewRootURL.clear();
        m_bRootChanged = false;
    }
    emit TitleChanged(m_strTitle);
    emit Changed();
}

void CXALScripEditDoc::CollectScript(CScriptObj& script) const {
    Trace(QStringLiteral("GetScriptList: User '%s' PWD: '%s'"),
          {m_strLogonUser, QJTraceMaskPassword(m_strLogonPW)});
    script.m_strID = m_strID;
    script.m_strTitle = m_strTitle;
    script.m_strRootURL = m_strRootURL;
    script.m_strServer = m_strServer;
    script.m_nInternetProtocol = m_nInternetProtocol;
    script.m_nPort = m_nPort;
    if (!m_strLogonUser.isEmpty())
        script.m_strLogonUser = m_strLogonUser;
    if (!m_strLogonPW.isEmpty())
        script.m_strLogonPW = m_strLogonPW;
    if (m_collector)
        m_collector(script);
    script.m_lstDomainAvailable += m_lstDomainAvailable;
    script.m_lstDomain += m_lstDomain;
}

ScriptSaveResult CXALScripEditDoc::Save(CMongoDB& db, CScriptObj* saved) {
    CScriptObj script;
    CollectScript(script);
    const ScriptSaveResult result = SaveScript(
        db, ScriptSaveAccount{m_strID, m_bRootChanged, m_strNewRootURL}, script, false, nullptr);
    if (!result.Succeeded())
        return result; // the e-script stays modified and its recovery file stays
    m_strLoadedRootURL = script.m_strRootURL;
    if (!script.m_strLogonUser.isEmpty())
        m_strLogonUser = script.m_strLogonUser;
    if (!script.m_strLogonPW.isEmpty())
        m_strLogonPW = script.m_strLogonPW;
    SetModified(false);
    RemoveRecovery();
    if (saved != nullptr)
        *saved = std::move(script);
    return result;
}

bool CXALScripEditDoc::TakeStoredProperties(CMongoDB& db) {
    CScriptObj reloaded;
    reloaded.m_strID = m_strID;
    QStringList domains;
    if (!LoadScript(db, reloaded, &domains))
        return false;
    // The remembered domains are those of the e-script as stored now; appending them to the
    // earlier ones would keep the domain question from ever being asked again.
    m_lstDomainRemembered = domains;
    // Every save writes these values; unless the document holds what the dialog stored, the
    // next save would quietly undo the dialog's changes.
    m_strLogonUser = reloaded.m_strLogonUser;
    m_strLogonPW = reloaded.m_strLogonPW;
    m_lstDomain = reloaded.m_lstDomain;
    QStringList available = reloaded.m_lstDomainAvailable;
    for (const QString& domain : std::as_const(m_lstDomainAvailable))
        if (!available.contains(domain))
            available.append(domain);
    m_lstDomainAvailable = available;
    if (reloaded.m_strTitle != m_strTitle) {
        m_strTitle = reloaded.m_strTitle;
        emit TitleChanged(m_strTitle);
    }
    emit Changed();
    return true;
}

QDateTime CXALScripEditDoc::StoredLastChanged(CMongoDB& db) const {
    const QStringList fields{escript::kLastChanged};
    CMDBRecord record;
    if (!db.SeekReference(escript::kNsEScript, m_strID.toLower(), record, false, &fields))
        return {};
    const std::int64_t ms = record.GetDateInMilliSecs(escript::kLastChanged, 0);
    return ms > 0 ? QDateTime::fromMSecsSinceEpoch(ms) : QDateTime();
}

// ---------------------------------------------------------------------------------------------
// Values

QString CXALScripEditDoc::EffectiveRootURL() const {
    QString root = m_bRootChanged ? m_strNewRootURL : m_strRootURL;
    if (!CAdmTools::HasProtocol(root))
        root.prepend(QStringLiteral("http://"));
    return root;
}

void CXALScripEditDoc::SetRootURL(const QString& rootURL) {
    m_strNewRootURL = rootURL;
    m_bRootChanged = true;
    emit Changed();
}

void CXALScripEditDoc::SetLogon(const QString& user, const QString& password) {
    m_strLogonUser = user;
    m_strLogonPW = password;
    emit Changed();
}

void CXALScripEditDoc::AddAvailableDomain(const QString& server) {
    if (server.isEmpty() || m_lstDomainAvailable.contains(server))
        return;
    m_lstDomainAvailable.append(server);
    emit Changed();
}

void CXALScripEditDoc::SetAvailableDomains(const QStringList& domains) {
    m_lstDomainAvailable = domains;
    emit Changed();
}

void CXALScripEditDoc::SetDomains(const QStringList& domains) {
    m_lstDomain = domains;
    emit Changed();
}

void CXALScripEditDoc::SetFlexibleCount(int count) {
    m_nFlexibleCount = std::max(count, 0);
    emit Changed();
}

void CXALScripEditDoc::AddFlexibleParameter(const QString& parameter, const QString& variable) {
    CFindReplaceObj entry;
    entry.m_strFind = parameter;
    entry.m_strReplace = variable;
    m_lstFlexibleParameters.push_back(std::move(entry));
    emit Changed();
}

void CXALScripEditDoc::SetFlexibleParameters(std::vector<CFindReplaceObj> parameters, int count) {
    m_lstFlexibleParameters = std::move(parameters);
    m_nFlexibleCount = std::max(count, 0);
    emit Changed();
}

void CXALScripEditDoc::RemoveFlexibleParameter(const QString& variable) {
    const auto it =
        std::find_if(m_lstFlexibleParameters.begin(), m_lstFlexibleParameters.end(),
                     [&](const CFindReplaceObj& entry) { return entry.m_strReplace == variable; });
    if (it == m_lstFlexibleParameters.end())
        return;
    m_lstFlexibleParameters.erase(it);
    emit Changed();
}

void CXALScripEditDoc::RenameFlexibleParameter(const QString& oldName, const QString& newName) {
    for (CFindReplaceObj& entry : m_lstFlexibleParameters) {
        if (entry.m_strReplace == oldName)
            entry.m_strReplace = newName;
    }
    emit Changed();
}

QByteArray CXALScripEditDoc::FlexibleExtraFields(const QString& variable) const {
    for (const CFindReplaceObj& entry : m_lstFlexibleParameters) {
        if (entry.m_strReplace == variable)
            return entry.m_baExtraFields;
    }
    return {};
}

void CXALScripEditDoc::SetModified(bool modified) {
    m_bModified = modified;
    if (!modified)
        m_recoveryTimer.stop();
    else if (!m_strRecoveryFolder.isEmpty() && !m_recoveryTimer.isActive())
        m_recoveryTimer.start();
    emit ModifiedChanged(modified);
}

// ---------------------------------------------------------------------------------------------
// Recovery

QString CXALScripEditDoc::RecoveryFilePath() const {
    if (m_strRecoveryFolder.isEmpty() || m_strID.isEmpty())
        return {};
    // The ID comes from the command line: encoded, it can name no other folder.
    const QString name = QString::fromLatin1(QUrl::toPercentEncoding(m_strID.toLower()));
    return m_strRecoveryFolder + QLatin1Char('/') + name + QStringLiteral(".json");
}

bool CXALScripEditDoc::WriteRecovery(QString* error) {
    const QString path = RecoveryFilePath();
    QString cause;
    const auto fail = [&](const QString& text) {
        Trace(QStringLiteral("Recovery file not written: %s"), {text});
        if (error != nullptr)
            *error = text;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no recovery folder"));
    if (!MakePrivateFolder(m_strRecoveryFolder, cause))
        return fail(cause);

    CScriptObj script;
    CollectScript(script);
    const QString rootUrl = m_bRootChanged ? m_strNewRootURL : script.m_strRootURL;
    const QByteArray json = BuildScriptDocument(script, rootUrl).ToJson().toUtf8();

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // The temporary file is private before anything is written to it.
    if (::fchmod(file.handle(), 0600) != 0) {
        file.cancelWriting();
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    file.write(json);
    file.write("\n");
    if (!file.commit())
        return fail(file.errorString());
    Trace(QStringLiteral("Recovery file written: %s"), {path});
    return true;
}

bool CXALScripEditDoc::HasRecovery() const {
    const QString path = RecoveryFilePath();
    return !path.isEmpty() && QFileInfo::exists(path);
}

QDateTime CXALScripEditDoc::RecoveryTime() const {
    return QFileInfo(RecoveryFilePath()).lastModified();
}

bool CXALScripEditDoc::ReadRecovery(CScriptObj& script, QString* error) const {
    QFile file(RecoveryFilePath());
    if (!file.open(QIODevice::ReadOnly)) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    CMDBRecord record;
    QString cause;
    if (!CMDBRecord::FromJson(QString::fromUtf8(file.readAll()), record, &cause)) {
        if (error != nullptr)
            *error = cause;
        return false;
    }
    script = CScriptObj();
    script.m_strID = m_strID;
    ReadScriptDocument(record, script);
    return true;
}

void CXALScripEditDoc::RemoveRecovery() {
    m_recoveryTimer.stop();
    const QString path = RecoveryFilePath();
    if (!path.isEmpty())
        QFile::remove(path);
}

void CXALScripEditDoc::OnRecoveryTimer() {
    if (m_bModified)
        WriteRecovery();
}

QString DefaultRecoveryFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/xal/recovery");
}
