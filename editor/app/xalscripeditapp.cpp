#include "xalscripeditapp.h"

#include "admtools.h"
#include "dbsession.h"
#include "domainexclusion.h"
#include "escriptprops.h"
#include "messages.h"
#include "mongodb.h"
#include "qjenvironment.h"
#include "qjinifile.h"
#include "qjtrace.h"
#include "qteditdialogs.h"
#include "recentfilelist.h"
#include "recordingcontroller.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"
#include "sessionrules.h"
#include "undohistory.h"
#include "xallanguage.h"
#include "xallock.h"
#include "xalscripteditdoc.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QSettings>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {
CXALScripEditApp* g_app = nullptr;

constexpr int kStringLocked = 24;
constexpr int kStringDomainQuestion = 56;
constexpr int kStringPropertiesSave = 51;
constexpr int kStringTitle = 136;
constexpr int kStringBadCommandLine = 137;
constexpr int kStringDatabaseDown = 148;
constexpr int kStringNotFound = 61191;
constexpr int kStringRestore = 160;
constexpr int kStringRestoreStoredLater = 161;

// The database message with its cause (the wrapper's text names the file or the server, with
// any password masked) as detail.
QString DatabaseDownText(const QString& cause) {
    const QString text = XalString(kStringDatabaseDown);
    return cause.isEmpty() ? text : text + QStringLiteral("\n\n") + cause;
}

void Trace(int level, const QString& format, std::initializer_list<QString> args) {
    QJTrace(level, QString::fromUtf16(kTraceSource), format, args);
}
} // namespace

CXALScripEditApp::CXALScripEditApp(QApplication& qtApp, IMessageSink& messages,
                                   IDataDialogs& dialogs)
    : m_qtApp(qtApp), m_messages(messages), m_dialogs(dialogs),
      m_document(std::make_unique<CXALScripEditDoc>()) {
    g_app = this;
    m_document->SetRecoveryFolder(DefaultRecoveryFolder());
    QObject::connect(m_document.get(), &CXALScripEditDoc::ModifiedChanged, [this](bool) {
        if (m_mainFrame)
            m_mainFrame->UpdateCommandUI();
    });
    QObject::connect(m_document.get(), &CXALScripEditDoc::TitleChanged,
                     [this](const QString& title) { UpdateMainTitle(GetXalID(), title); });
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
    const QString xalID = m_commandLine.XalID();
    m_document->SetXalID(xalID);

    // 16. Load the e-script.
    CScriptObj script;
    QString cause;
    switch (m_document->Load(*GetDatabase(), xalID, script, &cause)) {
    case DocLoadStatus::Loaded:
        break;
    case DocLoadStatus::Failed:
        // A failing query is not a missing e-script; saying so would mislead.
        Trace(6, QStringLiteral("Load failed: %s"), {cause});
        m_messages.Ask(DatabaseDownText(cause), MsgButtons::Ok, MsgIcon::Error);
        return false;
    case DocLoadStatus::NotFound:
        m_messages.Ask(XalFormat(kStringNotFound, xalID), MsgButtons::Ok, MsgIcon::Warning);
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
    // The view takes the model read from the store into its rows and frees it as it goes:
    // it is gone before the window is built up and painted.
    LoadAccount(std::move(script), m_commandLine.bRecording);
    OfferRecovery();

    // 20.
    UpdateRecentList();

    // 21.
    m_mainFrame->Window()->show();

    // 22. The recording window, hidden until a recording starts.
    if (!m_pRecording)
        m_pRecording = std::make_unique<CRecordingController>(*this);
    m_pRecording->CreateWindow();

    // 23.
    if (m_commandLine.bRecording)
        StartRecording();

    // 24.
    UpdateMainTitle(GetXalID(), GetTitle());

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
    // An installation without a suite home keeps its languages in its share folder.
    if (!translator->load(path) && !translator->load(XalInstalledLanguageFile(
                                       QCoreApplication::applicationDirPath(), language)))
        return false; // the built-in texts stay, without a message
    QCoreApplication::installTranslator(translator.get());
    m_translator = std::move(translator);

    // Qt's own texts (the buttons of message boxes and dialogs), when Qt's translations are
    // installed.
    auto qtTexts = std::make_unique<QTranslator>();
    if (qtTexts->load(QStringLiteral("qtbase_") + language,
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtTexts.get());
        m_qtTranslator = std::move(qtTexts);
    }
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
    m_view = std::make_unique<CXALScripEditView>(*this, *m_document);
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
    m_recentFiles->RemoveEqual(GetXalID());
    m_recentFiles->Add(GetXalID());
    QSettings settings;
    m_recentFiles->WriteList(settings);
    // The profile names the e-scripts the user edits: the user's alone, also when an older
    // version created it readable by everyone.
    settings.sync();
    QFile::setPermissions(settings.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(QFileInfo(settings.fileName()).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    // A recording of "/mode:recording" started before the lists were read.
    if (m_pRecording)
        m_pRecording->HiddenURLsChanged();
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
    for (std::unique_ptr<QTranslator>* translator : {&m_qtTranslator, &m_translator}) {
        if (*translator) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
    }
    return 0;
}

bool CXALScripEditApp::CanEndAtOnce() const {
#if defined(__SANITIZE_ADDRESS__)
    return false; // the leak check runs while the process ends normally
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#endif
#endif
    if (!m_bExited)
        return false;
    // Text the user copied from the editor lives in this process until Qt hands it to the
    // desktop's clipboard keeper on the way out.
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard == nullptr || (!clipboard->ownsClipboard() && !clipboard->ownsSelection());
}

void CXALScripEditApp::EndAtOnce(int code) {
    m_locks.reset();
    ZVSetLockManager(nullptr);
    m_session.reset();
    Trace(6, QStringLiteral("End of run, exit code %s"), {QString::number(code)});
    std::fflush(nullptr);
    std::_Exit(code);
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
// The e-script

const QString& CXALScripEditApp::GetXalID() const {
    return m_document->XalID();
}
const QString& CXALScripEditApp::GetTitle() const {
    return m_document->Title();
}
QString CXALScripEditApp::GetRootURL() const {
    return m_document->EffectiveRootURL();
}
const QString& CXALScripEditApp::GetLoadedRootURL() const {
    return m_document->LoadedRootURL();
}
const QString& CXALScripEditApp::GetLogonUser() const {
    return m_document->LogonUser();
}
const QString& CXALScripEditApp::GetLogonPW() const {
    return m_document->LogonPW();
}
const QStringList& CXALScripEditApp::RememberedDomains() const {
    return m_document->RememberedDomains();
}
bool CXALScripEditApp::IsLoaded() const {
    return m_document->IsLoaded();
}
bool CXALScripEditApp::IsModified() const {
    return m_document->IsModified();
}

void CXALScripEditApp::LoadAccount(CScriptObj script, bool /*recording*/) {
    ClearRecordingRunning();
    if (!m_view)
        return;
    const QString strUser = script.m_strLogonUser;
    const QString strPW = script.m_strLogonPW;
    // The view is filled in recording mode as well: leaving it empty would make the next save
    // replace the stored scripts of an existing e-script by the recorded URLs alone. It takes
    // the e-script's texts, so a large one is not held twice.
    m_view->SetScript(std::move(script));
    Trace(6, QStringLiteral("LoadAccount: User '%s' PWD: '%s'"),
          {strUser, QJTraceMaskPassword(strPW)});
}

void CXALScripEditApp::OfferRecovery() {
    if (!m_view || !m_document->HasRecovery())
        return;
    const QLocale locale;
    const QDateTime kept = m_document->RecoveryTime();
    QString text =
        XalFormat(kStringRestore, locale.toString(kept, QLocale::ShortFormat), GetXalID());
    if (CMongoDB* db = GetDatabase()) {
        // Restoring would overwrite whatever was stored since: say so.
        const QDateTime stored = m_document->StoredLastChanged(*db);
        if (stored.isValid() && stored > kept)
            text +=
                XalFormat(kStringRestoreStoredLater, locale.toString(stored, QLocale::ShortFormat));
    }
    if (m_messages.Ask(text, MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
        m_document->RemoveRecovery();
        return;
    }
    CScriptObj recovered;
    QString error;
    if (!m_document->ReadRecovery(recovered, &error)) {
        // The file stays for a later try; the stored e-script is shown as it is.
        Trace(6, QStringLiteral("Recovery file unreadable: %s"), {error});
        m_messages.Ask(error, MsgButtons::Ok, MsgIcon::Error);
        return;
    }
    recovered.m_strID = GetXalID();
    m_view->SetScript(recovered, true);
}

void CXALScripEditApp::EndOnSignal(int signal) {
    Trace(6, QStringLiteral("Ending on signal %s"), {QString::number(signal)});
    if (m_document->IsModified())
        m_document->WriteRecovery();
    ExitInstance(); // releases the lock
    std::fflush(nullptr);
    // No question and no event loop: a run answered by script must not keep it alive.
    std::_Exit(128 + signal);
}

bool CXALScripEditApp::SaveDocument(CScriptObj* saved, QString& error) {
    CMongoDB* db = GetDatabase();
    if (!db) {
        error = XalString(kStringDatabaseDown);
        return false;
    }
    if (!m_strNotSavable.isEmpty()) {
        // Loaded from a document the save could not write back unchanged: nothing is sent.
        error = m_strNotSavable;
        return false;
    }
    const ScriptSaveResult result = m_document->Save(*db, saved);
    if (result.Succeeded())
        return true;
    error = result.m_status == ScriptSaveStatus::DocumentMissing
                ? XalFormat(kStringNotFound, GetXalID())
                : result.m_strError;
    return false;
}

bool CXALScripEditApp::SaveAccount() {
    if (!m_view)
        return false;
    CScriptObj script;
    QString error;
    if (!SaveDocument(&script, error)) {
        // Nothing is lost: the rows stay as they are and the e-script stays modified.
        Trace(6, QStringLiteral("SaveAccount failed: %s"), {error});
        m_messages.Ask(SaveFailedText(error), MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    Trace(6, QStringLiteral("SaveAccount: Root '%s'"), {script.m_strRootURL});

    if (QMainWindow* window = GetMainWindow())
        window->setFocus();
    QCoreApplication::processEvents();

    Trace(6, QStringLiteral("SaveAccount: %s, %s"),
          {QString::number(script.m_lstDomainAvailable.size()),
           QString::number(RememberedDomains().size())});
    if (AskDomainQuestion(script.m_lstDomainAvailable, RememberedDomains()) &&
        m_messages.Ask(XalString(kStringDomainQuestion), MsgButtons::YesNo, MsgIcon::Question) ==
            MsgAnswer::Yes) {
        RunEScriptProperties(*this, GetXalID());
        TakeStoredProperties();
    }
    m_document->SetRememberedDomains(script.m_lstDomainAvailable);
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
        m_view->GetScriptList(script);
        Trace(2, QStringLiteral("Roots: '%s' '%s'"), {GetRootURL(), script.m_strRootURL});

        // The dialog shows the stored e-script: a root URL not yet stored is saved first.
        if (script.m_strRootURL != GetLoadedRootURL() || m_document->IsRootChanged()) {
            if (m_messages.Ask(XalString(kStringPropertiesSave), MsgButtons::YesNo,
                               MsgIcon::Question) != MsgAnswer::Yes)
                return;
            QString error;
            if (!SaveDocument(nullptr, error)) {
                m_messages.Ask(SaveFailedText(error), MsgButtons::Ok, MsgIcon::Error);
                return;
            }
        }
    }

    RunEScriptProperties(*this, GetXalID());
    TakeStoredProperties();
}

void CXALScripEditApp::TakeStoredProperties() {
    if (CMongoDB* db = GetDatabase())
        m_document->TakeStoredProperties(*db);
    // The dialog stored them itself: undo does not take them back.
    if (m_view)
        m_view->History().TakeDocumentValues();
}

void CXALScripEditApp::UpdateMainTitle(const QString& xalID, const QString& title) {
    if (QMainWindow* window = GetMainWindow())
        window->setWindowTitle(XalFormat(kStringTitle, xalID, title));
}

// ---------------------------------------------------------------------------------------------
// View host

void CXALScripEditApp::SetModified(bool bModified) {
    m_document->SetModified(bModified);
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

IEditDialogs& CXALScripEditApp::EditDialogs() {
    if (!m_editDialogs)
        m_editDialogs = std::make_unique<CQtEditDialogs>(GetMainWindow());
    return *m_editDialogs;
}

IDialogShell& CXALScripEditApp::DialogShell() {
    if (!m_dialogShell)
        m_dialogShell = std::make_unique<CQtDialogShell>();
    return *m_dialogShell;
}

void CXALScripEditApp::ExcludeDomain(const QString& strDisplayName, const QString& strPattern) {
    if (CDomainExclusion(m_messages, GetDatabase(), m_lstHiddenURLsLocal)
            .ExcludeDomain(strDisplayName, strPattern) &&
        m_pRecording)
        m_pRecording->HiddenURLsChanged();
}

void CXALScripEditApp::StartRecording() {
    if (m_pRecording) {
        // What a start changes in the e-script is one undo step.
        std::optional<CUndoStepGuard> step;
        if (m_view)
            step.emplace(m_view->History());
        m_pRecording->StartRecording(m_pRecording->IsURLFiltering());
    }
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

bool CXALScripEditApp::IsRecordingStarted() const {
    return m_pRecording && m_pRecording->IsStarted();
}

void CXALScripEditApp::ClearRecordingRunning() {
    if (m_pRecording)
        m_pRecording->ClearRunning();
}

QMainWindow* CXALScripEditApp::GetMainWindow() const {
    return m_mainFrame ? m_mainFrame->Window() : nullptr;
}
