#include "recordingcontroller.h"

#include "dialrecordingform.h"
#include "escriptlayout.h"
#include "messages.h"
#include "mongodb.h"
#include "qjtrace.h"
#include "scriptmodel.h"
#include "scripttest.h"
#include "scriptview.h"
#include "xalrecordmodule.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"
#include "xaltools.h"

#include <QMainWindow>
#include <QTabWidget>

#include <atomic>
#include <optional>

namespace {
constexpr int kStringNotInstalled = 25;
constexpr int kStringNotStarted = 162;
constexpr int kHandOverMs = 2000;

// The session the recorder reports to; the recorder's callback is a plain function.
std::atomic<CRecordingSession*> g_session{nullptr};

void OnRecorderReport(std::uint32_t nA, std::uint32_t nKind, std::uint32_t nB, const char* host,
                      const char* path, const char* contentType, std::uint16_t nC,
                      const unsigned char* body, std::uint32_t bodyLength) {
    if (CRecordingSession* session = g_session.load())
        session->OnRecorded(nA, nKind, nB, host, path, contentType, nC, body, bodyLength);
}

void Trace(int level, const QString& format, std::initializer_list<QString> args) {
    QJTrace(level, QString::fromUtf16(kTraceSource), format, args);
}

// The settings document's array, or nothing when the database could not be asked (a missing
// document gives an empty list).
std::optional<QStringList> ReadSettingsList(CMongoDB& db, const QString& id, const QString& field) {
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), id);
    CMDBRecordList found;
    if (!db.SeekToList(escript::kNsSettings, query, found))
        return std::nullopt;
    QStringList list;
    if (!found.IsEmpty())
        found.GetAt(0)->DataToArrayObj(field, list);
    return list;
}
} // namespace

CRecordingController::CRecordingController(CXALScripEditApp& app, QString strModule)
    : m_app(app), m_strModule(std::move(strModule)),
      m_dialog([this](bool bPaused) { OnPause(bPaused); }, [this] { OnExit(); }) {
    g_session = &m_session;
    // Runs on the recorder's thread: the window is dealt with on the user-interface thread.
    m_session.m_onEnded = [this] {
        QMetaObject::invokeMethod(
            &m_timer, [this] { OnEnded(); }, Qt::QueuedConnection);
    };
    m_timer.setInterval(kHandOverMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { HandOver(); });
}

CRecordingController::~CRecordingController() {
    DestroyWindow();
    // No report may reach the session once it is gone. A module never loaded has nothing running.
    if (m_recorder)
        m_recorder->XRStopRecording(1);
    g_session = nullptr;
}

void CRecordingController::CreateWindow() {
    if (m_pForm)
        return;
    m_pForm = new CDialRecordingForm(m_dialog, m_app.GetMainWindow());
    m_timer.start();
}

void CRecordingController::DestroyWindow() {
    if (m_session.IsStarted())
        StopRecording();
    m_timer.stop();
    delete m_pForm.data();
}

void CRecordingController::StartRecording(bool bURLFiltering) {
    m_bURLFiltering = bURLFiltering;

    if (!LoadRecorder())
        return;
    int nInstalled = 0;
    const int nResult =
        m_recorder->IsInstalledLspW(m_app.GetLsp32Path(), m_app.GetLsp64Path(), &nInstalled);
    Trace(6, QStringLiteral("IsInstalledLspW: %s"), {QString::number(nResult)});
    if (nInstalled == 0) {
        m_app.Messages().Ask(XalString(kStringNotInstalled), MsgButtons::Ok, MsgIcon::Warning);
        return;
    }
    // A recording started before ends first; its end report must not end the new one.
    if (m_session.IsStarted()) {
        m_recorder->XRStopRecording(1);
        m_session.Stop();
        HandOver(); // what it recorded goes with the main script it replaces
    }

    ReadHiddenLists();
    const CProxyPortLists ports = ReadProxyPorts();
    const QString strRootURL = m_app.GetRootURL();
    m_session.Start(bURLFiltering, strRootURL, m_app.HiddenURLs(), m_app.HiddenURLsLocal(),
                    m_lstHiddenMimeTypes);
    Trace(2, QStringLiteral("Set proxy ports: '%s' '%s'"), {ports.strHttp, ports.strHttps});
    if (!m_recorder->XRStartRecording(QString(), strRootURL, ports.strHttp, ports.strHttps,
                                      &OnRecorderReport, 1)) {
        // Nothing records: the main script stays as it was.
        const QString strError = m_recorder->XRLastError();
        Trace(2, QStringLiteral("XRStartRecording failed: %s"), {strError});
        m_session.Stop();
        (void)m_session.TakeQueue();
        m_app.Messages().Ask(XalFormat(kStringNotStarted, strError), MsgButtons::Ok,
                             MsgIcon::Error);
        UpdateCommands();
        return;
    }

    // The recording replaces the main script.
    EmptyMainScript();
    m_app.SetModified(true);

    m_dialog.Show(m_app.GetTitle(), strRootURL, bURLFiltering);
    if (m_pForm)
        m_pForm->ShowAtBottomRight();
    if (QMainWindow* window = m_app.GetMainWindow()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(window->centralWidget());
            tabs && tabs->currentWidget())
            tabs->currentWidget()->setFocus();
    }
    UpdateCommands();
}

bool CRecordingController::LoadRecorder() {
    if (m_recorder)
        return true;
    QString strError;
    m_recorder = XROpenModule(m_strModule, strError);
    if (m_recorder)
        return true;
    // The editor goes on without recording; the next start tries again.
    Trace(2, QStringLiteral("Recorder: %s"), {strError});
    m_app.Messages().Ask(XalFormat(kStringNotStarted, strError), MsgButtons::Ok, MsgIcon::Error);
    return false;
}

void CRecordingController::EmptyMainScript() {
    CXALScripEditView* view = m_app.GetView();
    if (!view)
        return;
    view->SetActiveTab(0);
    view->GetMainView().Grid().RemoveAll();
    // Placeholders the conditional scripts still show keep their numbers (renumbered to close
    // the gaps); only those no row shows any more are freed.
    view->ReleaseUnshownPlaceholders();
}

void CRecordingController::ReadHiddenLists() {
    // Without a session the lists keep what they held.
    if (!m_app.ReopenDatabase() || !m_app.GetDatabase())
        return;
    CMongoDB& db = *m_app.GetDatabase();
    if (auto local = ReadSettingsList(db, escript::settings::kIdHiddenUrlsLocal,
                                      escript::settings::kHiddenUrls))
        m_app.HiddenURLsLocal() = *local;
    if (auto types = ReadSettingsList(db, escript::settings::kIdHiddenMimeTypes,
                                      escript::settings::kHiddenMimeTypes))
        m_lstHiddenMimeTypes = *types;
}

CProxyPortLists CRecordingController::ReadProxyPorts() {
    QString strHttp = QStringLiteral("0");
    QString strHttps = QStringLiteral("0");
    CMongoDB* db = m_app.GetDatabase();
    CMDBRecord system;
    if (db && db->SeekReference(escript::kNsSettings, escript::settings::kIdSystem, system)) {
        strHttp = QString::number(system.GetLL(escript::settings::kProxyPort));
        strHttps = QString::number(system.GetLL(escript::settings::kProxyPortHttps));
    }
    Trace(2, QStringLiteral("Get proxy ports: '%s' '%s'"), {strHttp, strHttps});
    return MakeProxyPortLists(strHttp, strHttps);
}

void CRecordingController::StopRecording() {
    m_dialog.SetStopped();
    // Delivers what the browser requested before the stop, then the end report (the window
    // hides when it arrives); only then does the session stop taking requests.
    if (m_recorder)
        m_recorder->XRStopRecording(1);
    m_session.Stop();
    UpdateCommands();
}

void CRecordingController::OnPause(bool bPaused) {
    m_session.SetPaused(bPaused);
    UpdateCommands();
}

void CRecordingController::OnExit() {
    StopRecording();
    if (m_pForm)
        m_pForm->hide();
}

void CRecordingController::OnEnded() {
    // A recording started since then is not touched by the end of the one before.
    if (m_session.IsStarted())
        return;
    m_dialog.SetStopped();
    if (m_pForm)
        m_pForm->hide();
    UpdateCommands();
}

void CRecordingController::HandOver() {
    CXALScripEditView* view = m_app.GetView();
    if (!view)
        return;
    std::vector<CInsertURLObj> queue = m_session.TakeQueue();
    if (queue.empty())
        return;
    std::vector<CRecordedURL> list;
    list.reserve(queue.size());
    for (CInsertURLObj& entry : queue)
        list.push_back({std::move(entry.strURL), std::move(entry.strPostData), entry.nMethod});
    view->OnRecordedURLs(list);
    UpdateCommands();
}

void CRecordingController::ClearRunning() {
    // The state follows the recorder: started exactly while it records. Clearing the state
    // alone would leave the window telling of a recording whose requests are dropped, so a
    // started recording ends only by stop, "Exit" or the recorder's end report. (New e-script
    // is disabled while one runs; at start-up none is started.)
}

void CRecordingController::HiddenURLsChanged() {
    m_session.SetHiddenURLs(m_app.HiddenURLs());
    m_session.SetHiddenURLsLocal(m_app.HiddenURLsLocal());
}

void CRecordingController::TestScript() {
    const QString strID = m_app.GetXalID();
    CXALScripEditView* view = m_app.GetView();
    if (strID.isEmpty() || !view)
        return;
    CScriptObj script;
    view->GetScriptList(script);
    CMongoDB* db = m_app.ReopenDatabase() ? m_app.GetDatabase() : nullptr;
    RunScriptTest(db, strID, script, m_app.GetXalServer(), [](const QString& strAddress) {
        XALOpenBrowser(reinterpret_cast<const char16_t*>(strAddress.utf16()));
    });
}

void CRecordingController::UpdateCommands() {
    if (IMainFrame* frame = m_app.GetMainFrame())
        frame->UpdateCommandUI();
}
