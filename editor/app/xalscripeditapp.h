#pragma once
// The editor's application object: one per process, owned by main(). It runs start-up (command
// line, language, database session, lock, load, window), owns the session, the document and the
// windows, wires them together and offers the application-level commands that the frame and the
// views call (save, save and close, properties, recording hooks). The e-script's values are the
// document's; the getters below only read them from there.
//
// Reach it from anywhere in the program through CXALScripEditApp::Instance() (null outside a
// run, e.g. in logic tests that do not create one).

#include "commandline.h"
#include "viewhost.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <memory>

class CMongoDB;
class CScriptObj;
class IDataDialogs;
class IMessageSink;
class QApplication;
class QMainWindow;
class QTranslator;
class QWidget;
class CDatabaseSession;
class CLockManager;
class CMyRecentFileList;
class CXALScripEditDoc;
class CXALScripEditView;
class CXALScripEditApp;

// Recording and testing live in their own area; it plugs in here. Without a controller the
// recording and test commands are unavailable (the frame disables them).
class IRecordingController {
public:
    virtual ~IRecordingController() = default;
    // The recording window of start-up; created hidden.
    virtual void CreateWindow() = 0;
    virtual void DestroyWindow() = 0;
    virtual void StartRecording(bool urlFiltering) = 0;
    virtual void StopRecording() = 0;
    virtual void TestScript() = 0;
    // Started and not paused.
    [[nodiscard]] virtual bool IsRunning() const = 0;
    // Started, paused included.
    [[nodiscard]] virtual bool IsStarted() const = 0;
    // The URL filtering of the start command chosen last (true before any).
    [[nodiscard]] virtual bool IsURLFiltering() const = 0;
    // The application's hidden-URL lists changed (read at start-up, a domain excluded): a
    // started recording filters with them from now on.
    virtual void HiddenURLsChanged() = 0;
    // Start-up and New e-script clear the "a recording runs" state without stopping anything.
    virtual void ClearRunning() = 0;
};

// What the application needs from its main window; the application creates it at start-up
// through CreateMainFrame.
class IMainFrame {
public:
    virtual ~IMainFrame() = default;
    [[nodiscard]] virtual QMainWindow* Window() = 0;
    virtual void ShowContextMenu(int nMenuId, const QPoint& globalPos) = 0;
    virtual void SetConditionalScriptButton(bool bDelete) = 0;
    // Re-evaluates which commands are enabled (after the modified or recording state changed).
    virtual void UpdateCommandUI() = 0;
};

// Builds the main window (CMainFrame) with the application's services and commands around
// pCentral, the tab view's widget, whose ownership passes to the window (appframe.cpp).
// Returns null when the frame cannot be built.
std::unique_ptr<IMainFrame> CreateMainFrame(CXALScripEditApp& app, QWidget* pCentral);

class CXALScripEditApp final : public IViewHost {
public:
    // qtApp, messages and dialogs are not owned; they must outlive this object.
    CXALScripEditApp(QApplication& qtApp, IMessageSink& messages, IDataDialogs& dialogs);
    ~CXALScripEditApp() override; // releases the lock when start-up took it
    CXALScripEditApp(const CXALScripEditApp&) = delete;
    CXALScripEditApp& operator=(const CXALScripEditApp&) = delete;

    [[nodiscard]] static CXALScripEditApp* Instance();

    // Start-up with the program's command line (arguments after the program name joined by
    // single blanks). True when the window shows the e-script; false after a failure, whose
    // message the user has already seen.
    bool InitInstance(const QString& commandLine);
    // Clean-up at exit; also safe after a failed start-up. Returns the process exit code.
    int ExitInstance();
    // After ExitInstance: whether the process may end without freeing its windows and
    // unloading its libraries one by one (see EndAtOnce).
    [[nodiscard]] bool CanEndAtOnce() const;
    // Closes the store (its last commit checkpointed, as at a normal end) and ends the process
    // with code. Everything the run keeps is on disk by then: the lock is released, the
    // settings were written when they changed, the trace is unbuffered.
    [[noreturn]] void EndAtOnce(int code);

    // --- database session (one for the whole run) ---
    bool OpenDatabase();
    bool ReopenDatabase();
    [[nodiscard]] CMongoDB* GetDatabase() const;

    // --- the e-script's key values (the document's) ---
    [[nodiscard]] const QString& GetXalID() const;
    [[nodiscard]] const QString& GetTitle() const;
    // The root URL in effect, with a protocol.
    [[nodiscard]] QString GetRootURL() const;
    [[nodiscard]] const QString& GetLoadedRootURL() const;
    [[nodiscard]] const QString& GetLogonUser() const;
    [[nodiscard]] const QString& GetLogonPW() const;
    [[nodiscard]] const QString& GetXalServer() const { return m_strXalServer; }
    [[nodiscard]] const QString& GetLsp32Path() const { return m_strLsp32Path; }
    [[nodiscard]] const QString& GetLsp64Path() const { return m_strLsp64Path; }
    [[nodiscard]] const CCommandLine& GetCommandLine() const { return m_commandLine; }

    // Hidden-URL lists of the settings documents (read at the end of start-up).
    [[nodiscard]] QStringList& HiddenURLs() { return m_lstHiddenURLs; }
    [[nodiscard]] QStringList& HiddenURLsLocal() { return m_lstHiddenURLsLocal; }
    // Available domains last loaded or saved.
    [[nodiscard]] const QStringList& RememberedDomains() const;

    // Fills the view (and through it the document) after a load. The view is filled also when
    // a recording is about to start, so that a later save keeps the e-script's stored scripts.
    void LoadAccount(CScriptObj script, bool recording);
    // Offers the changes a run that ended unsaved kept for this e-script: Yes restores them
    // (modified), No deletes them.
    void OfferRecovery();
    // SIGTERM, SIGINT, SIGHUP: keeps unsaved changes in the recovery file, releases the lock
    // and ends the process at once, without a question.
    [[noreturn]] void EndOnSignal(int signal);

    // --- commands ---
    // "Save and close": closes the main window only when the save succeeded.
    void OnSaveAndClose();
    // Properties command: may ask to save first, then runs the properties dialog.
    void OnProperties();
    // "Close": closes the main window (the document asks about unsaved changes).
    void OnAppExit();

    // --- IViewHost: what the views ask of the frame ---
    IMessageSink& Messages() override { return m_messages; }
    // The suite's data dialogs (properties, new e-script, information).
    [[nodiscard]] IDataDialogs& Dialogs() { return m_dialogs; }
    void CloseMainWindow() override;
    [[nodiscard]] bool IsRecording() const override { return IsRecordingRunning(); }
    // "Save e-script": true when the e-script was stored. A failure is shown to the user and
    // leaves the e-script marked modified.
    bool SaveAccount() override;
    void ShowContextMenu(int nMenuId, const QPoint& globalPos) override;
    void SetConditionalScriptButton(bool bDelete) override;
    // With the URL filtering of the start command chosen last (the root-URL question).
    void StartRecording() override;
    IEditDialogs& EditDialogs() override;
    IDialogShell& DialogShell() override;
    // Asks, then adds the pattern to the local hidden URLs under the Settings program's lock.
    void ExcludeDomain(const QString& strDisplayName, const QString& strPattern) override;

    // The document's state.
    [[nodiscard]] bool IsLoaded() const;
    [[nodiscard]] bool IsModified() const;
    // Why the loaded e-script cannot be saved; empty when it can.
    [[nodiscard]] const QString& NotSavableReason() const { return m_strNotSavable; }
    void SetModified(bool bModified);

    // --- recording (plugged in by the recording area) ---
    void SetRecordingController(std::unique_ptr<IRecordingController> controller);
    [[nodiscard]] IRecordingController* GetRecordingController() const {
        return m_pRecording.get();
    }
    [[nodiscard]] bool IsRecordingRunning() const;
    [[nodiscard]] bool IsRecordingStarted() const;
    void ClearRecordingRunning();

    // --- window parts created at start-up ---
    // Null before start-up created them (and after a failed start-up).
    [[nodiscard]] QMainWindow* GetMainWindow() const;
    [[nodiscard]] IMainFrame* GetMainFrame() const { return m_mainFrame.get(); }
    [[nodiscard]] CXALScripEditView* GetView() const { return m_view.get(); }
    // Exists from construction on.
    [[nodiscard]] CXALScripEditDoc* GetDocument() const { return m_document.get(); }
    [[nodiscard]] CMyRecentFileList* GetRecentFileList() const { return m_recentFiles.get(); }

    // Sets the window title to string 136 with the given ID and title.
    void UpdateMainTitle(const QString& xalID, const QString& title);

private:
    bool LoadLanguage();
    void ReadConfiguration();
    bool TakeLock();
    void SetLspPaths();
    bool CreateWindows();
    void UpdateRecentList();
    void ReadHiddenURLs();
    // Saves through the document; false with a text for the user when it failed.
    bool SaveDocument(CScriptObj* saved, QString& error);
    // After the properties dialog stored its changes: the document takes back what the editor
    // keeps of them (logon values, domain lists, title).
    void TakeStoredProperties();

    QApplication& m_qtApp;    // Not owned.
    IMessageSink& m_messages; // Not owned.
    IDataDialogs& m_dialogs;  // Not owned.

    CCommandLine m_commandLine;

    std::unique_ptr<CDatabaseSession> m_session;
    std::unique_ptr<CLockManager> m_locks;
    std::unique_ptr<QTranslator> m_translator;
    std::unique_ptr<QTranslator> m_qtTranslator;
    std::unique_ptr<CMyRecentFileList> m_recentFiles;
    std::unique_ptr<CXALScripEditDoc> m_document;
    std::unique_ptr<CXALScripEditView> m_view; // its widget belongs to the main window
    std::unique_ptr<IMainFrame> m_mainFrame;   // destroyed before the view
    std::unique_ptr<IRecordingController> m_pRecording;
    // Shown over the main window once it exists.
    std::unique_ptr<IEditDialogs> m_editDialogs;
    std::unique_ptr<IDialogShell> m_dialogShell;

    QString m_strXalServer;
    QString m_strLsp32Path;
    QString m_strLsp64Path;
    QString m_strLockKey;
    bool m_bLocked = false;
    bool m_bExited = false;

    QString m_strNotSavable; // why the loaded e-script cannot be saved; empty when it can
    QStringList m_lstHiddenURLs;
    QStringList m_lstHiddenURLsLocal;
};
