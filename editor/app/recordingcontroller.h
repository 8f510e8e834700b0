#pragma once
// The application's recording and test commands: starts and stops the recorder, keeps the
// recording window, hands the recorded requests to the main-script view every two seconds and
// runs the test command. Plugged into the application as its IRecordingController.

#include "dialrecording.h"
#include "dialrecordingform.h"
#include "recordingsession.h"
#include "xalrecordmodule.h"
#include "xalscripeditapp.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <optional>

class CRecordingController final : public IRecordingController {
public:
    // The application must outlive the controller. Only one controller may exist at a time:
    // the recorder reports through a plain function. The recorder's module (a library name or a
    // path) is opened when a recording first starts.
    explicit CRecordingController(CXALScripEditApp& app,
                                  QString strModule = QString::fromLatin1(kXRModuleName));
    ~CRecordingController() override; // stops a recording still started
    CRecordingController(const CRecordingController&) = delete;
    CRecordingController& operator=(const CRecordingController&) = delete;

    void CreateWindow() override;
    void DestroyWindow() override;
    // The whole start in one step: a caller may treat it as one undoable change.
    void StartRecording(bool bURLFiltering) override;
    void StopRecording() override;
    void TestScript() override;
    [[nodiscard]] bool IsRunning() const override { return m_session.IsRunning(); }
    [[nodiscard]] bool IsStarted() const override { return m_session.IsStarted(); }
    [[nodiscard]] bool IsURLFiltering() const override { return m_bURLFiltering; }
    void ClearRunning() override;
    void HiddenURLsChanged() override;

    // The recording window's timer tick: the queued requests go to the main-script view.
    void HandOver();
    // Null before CreateWindow and after DestroyWindow.
    [[nodiscard]] CDialRecordingForm* Window() const { return m_pForm; }

private:
    // Opens the recorder's module unless it is open; says why when it cannot be loaded.
    bool LoadRecorder();
    void OnPause(bool bPaused);
    void OnExit();
    // On the user-interface thread, after the recorder's end report.
    void OnEnded();
    // The proxy port lists of the settings document "system".
    CProxyPortLists ReadProxyPorts();
    void ReadHiddenLists();
    void EmptyMainScript();
    void UpdateCommands();

    CXALScripEditApp& m_app; // Not owned.
    QString m_strModule;
    std::optional<XRModule> m_recorder; // set once the module is loaded
    CRecordingSession m_session;
    CDialRecording m_dialog;
    QPointer<CDialRecordingForm> m_pForm; // Owned; its Qt parent is the main window.
    QTimer m_timer;
    QStringList m_lstHiddenMimeTypes;
    bool m_bURLFiltering = true;
};
