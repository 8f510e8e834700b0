// The main window as the application builds it: the frame with the application's services and
// commands plugged in, behind the IMainFrame interface the application uses.

#include "mainframe.h"
#include "mongodb.h"
#include "mytreegridctrl.h"
#include "recordingcommands.h"
#include "scriptview.h"
#include "undohistory.h"
#include "xaldatadlg.h"
#include "xalscripeditapp.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <QCoreApplication>

#include <optional>

namespace {
// Commands the script views carry out on their active tab.
constexpr int kViewCommands[] = {
    XalCmd::Browser,
    XalCmd::Create,
    XalCmd::Edit,
    XalCmd::Delete,
    XalCmd::Up,
    XalCmd::Down,
    XalCmd::ConditionalScript,
    XalCmd::ExpandAll,
    XalCmd::CollapseAll,
    XalCmd::DeleteConditionalScript,
    XalCmd::ExcludeDomain,
    XalCmd::FlexibleParameter,
    XalCmd::ResetFlexibleParameter,
    XalCmd::FlexibleCondition,
    XalCmd::ResetFlexibleCondition,
    XalCmd::Undo,
    XalCmd::Redo,
    XalCmd::Cut,
    XalCmd::Copy,
    XalCmd::Paste,
};

class CAppMainFrame final : public IMainFrame {
public:
    explicit CAppMainFrame(std::unique_ptr<CMainFrame> frame) : m_frame(std::move(frame)) {}

    QMainWindow* Window() override { return m_frame.get(); }
    void ShowContextMenu(int nMenuId, const QPoint& globalPos) override {
        m_frame->ShowContextMenu(nMenuId, globalPos);
    }
    void SetConditionalScriptButton(bool bDelete) override {
        m_frame->SetConditionalScriptButton(bDelete);
    }
    void UpdateCommandUI() override { m_frame->UpdateCommandUI(); }
    CMainFrame& Frame() { return *m_frame; }

private:
    std::unique_ptr<CMainFrame> m_frame;
};

void RegisterAppCommands(CXALScripEditApp& app, CMainFrame& frame) {
    frame.SetCommandHandler(XalCmd::Save, [&app](int) { app.SaveAccount(); });
    frame.SetCommandHandler(XalCmd::SaveAndClose, [&app](int) { app.OnSaveAndClose(); });
    frame.SetCommandHandler(XalCmd::Properties, [&app](int) { app.OnProperties(); });

    // Recording and test exist only with the recording area plugged in.
    const auto enabled = [&app](int command) {
        RecordingCommandState state;
        state.bAvailable = app.GetRecordingController() != nullptr;
        state.bHasID = app.IsLoaded() && !app.GetXalID().isEmpty();
        state.bStarted = app.IsRecordingStarted();
        state.bRunning = app.IsRecordingRunning();
        return RecordingCommandEnabled(command, state);
    };
    const auto start = [&app](bool urlFiltering) {
        if (auto* r = app.GetRecordingController()) {
            // What a start changes in the e-script is one undo step.
            std::optional<CUndoStepGuard> step;
            if (auto* view = app.GetView())
                step.emplace(view->History());
            r->StartRecording(urlFiltering);
        }
    };
    frame.SetCommandHandler(
        XalCmd::RecordStart, [start](int) { start(true); }, enabled);
    frame.SetCommandHandler(
        XalCmd::RecordStartUnfiltered, [start](int) { start(false); }, enabled);
    frame.SetCommandHandler(
        XalCmd::RecordStop,
        [&app](int) {
            if (auto* r = app.GetRecordingController())
                r->StopRecording();
        },
        enabled);
    frame.SetCommandHandler(
        XalCmd::Test,
        [&app](int) {
            if (auto* r = app.GetRecordingController())
                r->TestScript();
        },
        enabled);

    for (const int command : kViewCommands) {
        frame.SetCommandHandler(
            command,
            [&app](int c) {
                if (auto* view = app.GetView())
                    view->OnCommand(c);
            },
            [&app](int c) { return app.GetView() && app.GetView()->IsCommandEnabled(c); });
    }
}
} // namespace

std::unique_ptr<IMainFrame> CreateMainFrame(CXALScripEditApp& app, QWidget* pCentral) {
    FrameServices services;
    services.messages = &app.Messages();
    services.dialogs = &app.Dialogs();
    // The suite's dialogs work on the editor's own session; a session that cannot be
    // re-opened now is not handed on, and they then open one of their own.
    if (app.ReopenDatabase())
        services.database = app.GetDatabase();
    services.recentFiles = app.GetRecentFileList();
    services.shellState = [&app] {
        ShellState state;
        state.modified = app.IsModified();
        if (auto* view = app.GetView())
            state.mainScriptRows = view->GetMainView().Grid().GetRowCount();
        state.recordingStarted = app.IsRecordingStarted();
        state.recordingPaused = state.recordingStarted && !app.IsRecordingRunning();
        state.notSavable = app.NotSavableReason();
        return state;
    };
    services.closeGuard = [&app] {
        auto* view = app.GetView();
        return !view || view->SaveModified();
    };
    services.programDir = QCoreApplication::applicationDirPath();
    services.newEScript = [&app, db = services.database](QStringList& array) {
        app.ClearRecordingRunning();
        return XALDlgEScriptNew(array, db, app.Dialogs(), app.Messages());
    };
    services.information = [&app] {
        const CMongoDB* db = app.GetDatabase();
        XALDlgInformation(ProgramInformation(db ? db->GetServerMasked() : QString()),
                          app.Dialogs());
    };

    auto frame = std::make_unique<CMainFrame>(std::move(services));
    RegisterAppCommands(app, *frame);
    frame->SetCentralView(pCentral);
    return std::make_unique<CAppMainFrame>(std::move(frame));
}
