#include "xalscripeditapp.h"

#include "admtools.h"
#include "dbsession.h"
#include "escriptprops.h"
#include "messages.h"
#include "mongodb.h"
#include "qjenvironment.h"
#include "qjinifile.h"
#include "qjtrace.h"
#include "recentfilelist.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"
#include "sessionrules.h"
#include "xallock.h"
#include "xalscripteditdoc.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <QApplication>
#include <QMainWindow>
#include <QSettings>
#include <QTranslator>

namespace {
CXALScripEditApp* g_app = nullptr;

constexpr int kStringLocked = 24;
constexpr int kStringDomainQuestion = 56;
constexpr int kStringPropertiesSave = 51;
constexpr int kStringTitle = 136;
constexpr int kStringBadCommandLine = 137;
constexpr int kStringDatabaseDown = 148;
constexpr int kStringNotFound = 61191;

// The database message with its cause (the wrapper's text names the file or the server, with
// any password masked) as detail.
QString DatabaseDownText(const QString& cause) {
    const QString text = XalString(kStringDatabaseDown);
    return cause.isEmpty() ? text : text + QStringLiteral("\n\n") + cause;
}

void Trace(int level, const QString& format, std::initializer_list<QString> args) {
    QJTrace(level, QString::fromUtf16(kTraceSource), QJTraceFormat(format, args));
}
} // namespace

CXALScripEditApp::CXALScripEditApp(QApplication& qtApp, IMessageSink& messages)
    : m_qtApp(qtApp), m_messages(messages) {
    g_app = this;
}

CXALScripEditApp::~CXALScripEditApp() {
    ExitInstance();
    if (g_app == this)
        g_app = nullptr;
}

CXALScripEditApp* CXALScripEditApp::Instance() {
    return g_app;
}

// ---------------------------------------------------------------------------------------------
// Start-up

bool CXALScripEditApp::InitInstance(const QString& commandLine) {
    // 1. Bringing the window to the front on request is the frame's own business here.
    QApplication::setApplicationDisplayName(QStringLiteral("XAL E-script Editor"));
    m_qtApp.setQuitOnLastWindowClosed(true);

    // 2-4. Command line.
    m_commandLine = ParseCommandLine(commandLine);
    if (!m_commandLine.IsValid()) {
        m_messages.Ask(XalString(kStringBadCommandLine), MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }

    // 5-7. Base initialisation and profile: the profile lives in QSettings under the
    //      organisation and application names set by main().

    // 8. Language resources.
    LoadLanguage();

    // 9-10. Recent list (replaces the profile's own four-entry list).
    m_recentFiles = MakeEditorRecentList();
    {
        QSettings settings;
        m_recentFiles->ReadList(settings);
    }

    // 11. Database session.
    if (!OpenDatabase()) {
        Trace(6, QStringLiteral("Database not available: %s"), {m_session->LastError()});
        m_messages.Ask(DatabaseDownText(m_session->LastError()), MsgButtons::Ok, MsgIcon::Error);
        return false;
    }

    // 12. Configuration file.
    ReadConfiguration();

    // 13. The e-script lock.
    if (!TakeLock())
        return false;

    // 14. Paths of the recorder's network modules.
    SetLspPaths();

    // 15. The XAL ID.
    m_account.m_strAccountID = m_commandLine.XalID();

    // 16. Load the e-script.
    CScriptObj script;
    script.m_strID = m_account.m_strAccountID;
    if (!LoadScript(*GetDatabase(), script, &m_lstDomainRemembered)) {
        const QString cause = GetDatabase()->GetLastError();
        if (!cause.isEmpty()) {
            // A failing query is not a missing e-script; saying so would mislead.
            Trace(6, QStringLiteral("Load failed: %s"), {cause});
            m_messages.Ask(DatabaseDownText(cause), MsgButtons::Ok, MsgIcon::Error);
        } else {
            m_messages.Ask(XalFormat(kStringNotFound, m_account.m_strAccountID), MsgButtons::Ok,
                           MsgIcon::Warning);
        }
        return false;
    }

    // A stored e-script the editor cannot write back unchanged is shown but never saved.
    m_strNotSavable = script.m_strNotSavable;
    if (!m_strNotSavable.isEmpty())
        m_messages.Ask(m_strNotSavable, MsgButtons::Ok, MsgIcon::Warning);

    // 17.
    Trace(6, QStringLiteral("After read: User '%s' PWD: '%s'"),
          {script.m_strLogonUser, QJTraceMaskPassword(script.m_strLogonPW)});

    // 18. Document, view and main frame.
    if (!CreateWindows())
        return false;

    // 19.
    LoadAccount(m_account, script, m_commandLine.bRecording);

    // 20.
    UpdateRecentList();

    // 21.
    m_mainFrame->Window()->show();

    // 22. The recording window, hidden until a recording starts.
    if (m_pRecording)
        m_pRecording->CreateWindow();

    // 23.
    if (m_commandLine.bRecording)
        StartRecording();

    // 24.
    UpdateMainTitle(m_strXalID, m_strTitle);

    // 25.
    if (m_commandLine.bShowProperties)
        OnProperties();

    // 26.
    ReadHiddenURLs();

    // 27.
    if (auto* tabs = qobject_cast<QTabWidget*>(m_mainFrame->Window()->centralWidget());
        tabs && tabs->currentWidget())
        tabs->currentWidget()->setFocus();
    return true;
}

bool CXALScripEditApp::LoadLanguage() {
    const QString language = CQJEnvironment::Get(QStringLiteral("zvlg"));
    if (language.isEmpty()) {
        m_messages.Ask(QStringLiteral("ZVLG is not definied"), MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    QString path;
    CQJEnvironment::StrToRealStr(
        QStringLiteral("%ZVHOME%/System/lg/%ZVLG%/res/XALScriptEdit.%ZVLG%"), path);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(path))
        return false; // the built-in texts stay, without a message
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);
    return true;
}

void CXALScripEditApp::ReadConfiguration() {
    QString path;
    CQJEnvironment::StrToRealStr(QStringLiteral("%ZVHOME%/system/cfg/xal.cfg"), path);
    CQJIniFile ini(path);
    ini.Read(); // a missing or unreadable file leaves the value as it is
    ini.GetValue(QStringLiteral("Settings"), QStringLiteral("XalServer"), m_strXalServer);
    ini.Close();
}

bool CXALScripEditApp::TakeLock() {
    m_locks = std::make_unique<CLockManager>(*GetDatabase());
    ZVSetLockManager(m_locks.get());
    m_strLockKey = m_commandLine.XalID();
    ZVLockInfo info;
    if (ZVLock(m_strLockKey.toUtf8(), kLockKindEScript, &info)) {
        m_bLocked = true;
        return true;
    }
    if (!info.strError.isEmpty()) {
        Trace(6, QStringLiteral("Lock failed: %s"), {info.strError});
        m_messages.Ask(XalString(kStringDatabaseDown), MsgButtons::Ok, MsgIcon::Error);
    } else {
        m_messages.Ask(XalFormat(kStringLocked, m_strLockKey, info.strUser, info.strStation),
                       MsgButtons::Ok, MsgIcon::Warning);
    }
    return false;
}

void CXALScripEditApp::SetLspPaths() {
    const QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty())
        return;
    m_strLsp32Path = dir + QStringLiteral("/XalLsp32.dll");
    m_strLsp64Path = dir + QStringLiteral("/XalLsp64.dll");
}

bool CXALScripEditApp::CreateWindows() {
    m_document = std::make_unique<CXALScripEditDoc>();
    m_view = std::make_unique<CXALScripEditView>(*this);
    auto* tabs = new CXALScripEditTabWidget(*m_view);
    m_mainFrame = CreateMainFrame(*this, tabs);
    if (!m_mainFrame) {
        delete tabs;
        return false;
    }
    return true;
}

void CXALScripEditApp::UpdateRecentList() {
    // An ID that can never stand in the list (too long) is left out, not fatal.
    m_recentFiles->RemoveEqual(m_strXalID);
    m_recentFiles->Add(m_strXalID);
    QSettings settings;
    m_recentFiles->WriteList(settings);
}

void CXALScripEditApp::ReadHiddenURLs() {
    const QString ns = QStringLiteral("xaldata.settings");
    const QStringList fields{QStringLiteral("hidden_urls")};
    const auto readList = [&](const QString& id, QStringList& target) {
        if (!ReopenDatabase() || !GetDatabase())
            return;
        CMDBRecord doc;
        if (!GetDatabase()->SeekReference(ns, id, doc, false, &fields))
            return;
        QStringList values;
        if (doc.DataToArrayObj(QStringLiteral("hidden_urls"), values))
            target = values;
    };
    readList(QStringLiteral("hidden_urls_local"), m_lstHiddenURLsLocal);
    readList(QStringLiteral("hidden_urls"), m_lstHiddenURLs);
}

int CXALScripEditApp::ExitInstance() {
    // main() ends the run explicitly and the destructor makes sure of it; clean up once.
    if (m_bExited)
        return 0;
    m_bExited = true;
    if (m_pRecording)
        m_pRecording->DestroyWindow();
    // The recent list was stored at start-up and does not change during the run. Storing it
    // again here would drop the e-scripts that editors started from this one added since.
    if (m_bLocked) {
        ZVUnlock(m_strLockKey.toUtf8(), kLockKindEScript);
        m_bLocked = false;
    }
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Database session

bool CXALScripEditApp::OpenDatabase() {
    if (!m_session)
        m_session = std::make_unique<CDatabaseSession>(ReadDbSettingsFromTools);
    return m_session->Open();
}

bool CXALScripEditApp::ReopenDatabase() {
    return m_session && m_session->Reopen();
}

CMongoDB* CXALScripEditApp::GetDatabase() const {
    return m_session ? m_session->Database() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Account

void CXALScripEditApp::LoadAccount(const CAccountObj& account, const CScriptObj& script,
                                   bool /*recording*/) {
    ClearRecordingRunning();
    if (!m_view)
        return;
    // The view is filled in recording mode as well: leaving it empty would make the next save
    // replace the stored scripts of an existing e-script by the recorded URLs alone.
    m_view->SetScript(script);

    m_strXalID = account.m_strAccountID;
    m_strTitle = script.m_strTitle;
    m_strRootURL = script.m_strRootURL;
    m_strLoadedRootURL = script.m_strRootURL;
    m_strLogonUser = script.m_strLogonUser;
    m_strLogonPW = script.m_strLogonPW;
    if (!CAdmTools::HasProtocol(m_strRootURL))
        m_strRootURL.prepend(QStringLiteral("http://"));

    m_bLoaded = true;
    Trace(6, QStringLiteral("LoadAccount: User '%s' PWD: '%s'"),
          {script.m_strLogonUser, QJTraceMaskPassword(script.m_strLogonPW)});
}

bool CXALScripEditApp::SaveScriptFromView(CScriptObj& script, QString& error) {
    CMongoDB* db = GetDatabase();
    if (!db) {
        error = XalString(kStringDatabaseDown);
        return false;
    }
    script.m_strNotSavable = m_strNotSavable;
    const ScriptSaveResult result =
        SaveScript(*db,
                   ScriptSaveAccount{m_account.m_strAccountID, m_account.m_bRootChanged,
                                     m_account.m_strNewRootURL},
                   script, false, nullptr);
    if (result.Succeeded())
        return true;
    error = result.m_status == ScriptSaveStatus::DocumentMissing
                ? XalFormat(kStringNotFound, m_account.m_strAccountID)
                : result.m_strError;
    return false;
}

bool CXALScripEditApp::SaveAccount() {
    if (!m_view)
        return false;
    CScriptObj script;
    m_view->GetScriptList(script);

    QString error;
    if (!SaveScriptFromView(script, error)) {
        // Nothing is lost: the rows stay as they are and the e-script stays modified.
        Trace(6, QStringLiteral("SaveAccount failed: %s"), {error});
        m_messages.Ask(SaveFailedText(error), MsgButtons::Ok, MsgIcon::Error);
        return false;
    }

    m_strRootURL = script.m_strRootURL;
    Trace(6, QStringLiteral("SaveAccount: Root '%s'"), {m_strRootURL});
    m_strLoadedRootURL = script.m_strRootURL;
    if (!script.m_strLogonUser.isEmpty())
        m_strLogonUser = script.m_strLogonUser;
    if (!script.m_strLogonPW.isEmpty())
        m_strLogonPW = script.m_strLogonPW;

    SetModified(false);
    if (QMainWindow* window = GetMainWindow())
        window->setFocus();
    QCoreApplication::processEvents();

    Trace(6, QStringLiteral("SaveAccount: %s, %s"),
          {QString::number(script.m_lstDomainAvailable.size()),
           QString::number(m_lstDomainRemembered.size())});
    if (AskDomainQuestion(script.m_lstDomainAvailable, m_lstDomainRemembered) &&
        m_messages.Ask(XalString(kStringDomainQuestion), MsgButtons::YesNo, MsgIcon::Question) ==
            MsgAnswer::Yes) {
        RunEScriptProperties(*this, m_strXalID);
        TakeStoredProperties();
    }
    m_lstDomainRemembered = script.m_lstDomainAvailable;
    return true;
}

void CXALScripEditApp::OnSaveAndClose() {
    if (SaveAccount())
        CloseMainWindow();
}

void CXALScripEditApp::OnAppExit() {
    CloseMainWindow();
}

void CXALScripEditApp::OnProperties() {
    if (m_view) {
        CScriptObj script;
        script.m_strLogonUser = m_strLogonUser;
        script.m_strLogonPW = m_strLogonPW;
        m_view->GetScriptList(script);
        Trace(2, QStringLiteral("Roots: '%s' '%s'"), {m_strRootURL, script.m_strRootURL});

        if (script.m_strRootURL != m_strLoadedRootURL || script.m_strLogonUser != m_strLogonUser ||
            script.m_strLogonPW != m_strLogonPW) {
            if (m_messages.Ask(XalString(kStringPropertiesSave), MsgButtons::YesNo,
                               MsgIcon::Question) != MsgAnswer::Yes)
                return;
            QString error;
            if (!SaveScriptFromView(script, error)) {
                m_messages.Ask(SaveFailedText(error), MsgButtons::Ok, MsgIcon::Error);
                return;
            }
            SetModified(false);
            m_strLoadedRootURL = script.m_strRootURL;
        }
    }

    RunEScriptProperties(*this, m_strXalID);
    TakeStoredProperties();
}

void CXALScripEditApp::TakeStoredProperties() {
    CMongoDB* db = GetDatabase();
    if (!db)
        return;
    CScriptObj reloaded;
    reloaded.m_strID = m_account.m_strAccountID;
    QStringList domains;
    if (!LoadScript(*db, reloaded, &domains))
        return;
    // The remembered domains are those of the e-script as stored now; appending them to the
    // earlier ones would keep the domain question from ever being asked again.
    m_lstDomainRemembered = domains;
    m_strLogonUser = reloaded.m_strLogonUser;
    m_strLogonPW = reloaded.m_strLogonPW;
    if (m_view) {
        // Every save writes the view's domain lists and logon values; unless the view holds
        // what the dialog stored, the next save would quietly undo the dialog's changes.
        // Available domains found since the last save are kept.
        m_view->m_strLogonUser = reloaded.m_strLogonUser;
        m_view->m_strLogonPW = reloaded.m_strLogonPW;
        m_view->m_lstDomain = reloaded.m_lstDomain;
        QStringList available = reloaded.m_lstDomainAvailable;
        for (const QString& domain : m_view->m_lstDomainAvailable)
            if (!available.contains(domain))
                available.append(domain);
        m_view->m_lstDomainAvailable = available;
    }
    if (reloaded.m_strTitle != m_account.m_strAccountTitle) {
        m_account.m_strAccountTitle = reloaded.m_strTitle;
        m_strTitle = reloaded.m_strTitle;
        UpdateMainTitle(m_account.m_strAccountID, reloaded.m_strTitle);
    }
}

void CXALScripEditApp::UpdateMainTitle(const QString& xalID, const QString& title) {
    if (QMainWindow* window = GetMainWindow())
        window->setWindowTitle(XalFormat(kStringTitle, xalID, title));
}

// ---------------------------------------------------------------------------------------------
// View host

void CXALScripEditApp::SetModified(bool bModified) {
    m_bModified = bModified;
    if (m_document)
        m_document->SetModifiedFlag(bModified);
    if (m_mainFrame)
        m_mainFrame->UpdateCommandUI();
}

void CXALScripEditApp::CloseMainWindow() {
    if (QMainWindow* window = GetMainWindow())
        window->close();
}

void CXALScripEditApp::ShowContextMenu(int nMenuId, const QPoint& globalPos) {
    if (m_mainFrame)
        m_mainFrame->ShowContextMenu(nMenuId, globalPos);
}

void CXALScripEditApp::SetConditionalScriptButton(bool bDelete) {
    if (m_mainFrame)
        m_mainFrame->SetConditionalScriptButton(bDelete);
}

void CXALScripEditApp::SetRootURL(const QString& strRootURL) {
    m_strRootURL = strRootURL;
    m_account.m_strNewRootURL = strRootURL;
    m_account.m_bRootChanged = true;
}

void CXALScripEditApp::StartRecording() {
    if (m_pRecording)
        m_pRecording->StartRecording(true);
    if (m_mainFrame)
        m_mainFrame->UpdateCommandUI();
}

// ---------------------------------------------------------------------------------------------
// Recording hooks and window parts

void CXALScripEditApp::SetRecordingController(std::unique_ptr<IRecordingController> controller) {
    m_pRecording = std::move(controller);
}

bool CXALScripEditApp::IsRecordingRunning() const {
    return m_pRecording && m_pRecording->IsRunning();
}

void CXALScripEditApp::ClearRecordingRunning() {
    if (m_pRecording)
        m_pRecording->ClearRunning();
}

QMainWindow* CXALScripEditApp::GetMainWindow() const {
    return m_mainFrame ? m_mainFrame->Window() : nullptr;
}
