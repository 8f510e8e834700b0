#pragma once
// The editor's main window: the ribbon on top, the tab view in the middle. It owns the
// command router through which the ribbon, the accelerators and the context menus run
// commands, handles the shell's own commands (New e-script, recently opened e-scripts,
// XAL Tools, Diagnostics, Information, Help, Close) and keeps every command's enabled state
// current. The application and the views plug their commands into the router.

#include "commands.h"
#include "commands_shell.h"
#include "printing.h"

#include <QMainWindow>
#include <QUrl>

#include <functional>
#include <memory>
#include <vector>

class CMongoDB;
class CMyRecentFileList;
class CRibbonBar;
class QLabel;
class CSettingsWndTopListener;
class IDataDialogs;
class IMessageSink;
class QMenu;
class QShortcut;
class QTimer;

struct FrameServices {
    IMessageSink* messages = nullptr;         // Not owned; required.
    CMyRecentFileList* recentFiles = nullptr; // Not owned; may be null.
    CMongoDB* database = nullptr;             // Not owned; for the suite's dialogs
    IDataDialogs* dialogs = nullptr;          // Not owned; the Qt forms over the frame when null
    std::unique_ptr<ISuiteLauncher> launcher; // the tools library when null
    NewEScriptDialog newEScript;              // the suite's new-e-script dialog when empty
    std::function<void()> information;        // the suite's information dialog when empty
    std::function<ShellState()> shellState;   // state for the shell's enabling rules
    std::function<bool(const QUrl&)> openUrl; // default browser when empty
    std::function<bool()> closeGuard;         // asked before the window closes
    // Lets the user choose the printer before printing; the print dialog when empty.
    ChoosePrinter choosePrinter;
    QString programDir; // where the help file is looked for
    // Entries of the utilities and language lists, and what their commands do. A list that
    // is empty leaves its button out of the application menu.
    std::vector<QString> utilities;
    std::vector<QString> languages;
    std::function<void(int command)> utilityCommand;
    std::function<void(int command)> languageCommand;
};

class CMainFrame final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)

public:
    explicit CMainFrame(FrameServices services, QWidget* parent = nullptr);
    ~CMainFrame() override;

    [[nodiscard]] CCommandRouter& Router() { return m_router; }
    [[nodiscard]] CRibbonBar* Ribbon() const { return m_pRibbon; }

    // Registers the handler of a command. The shell's commands (Save, Save and close,
    // Properties, New e-script, ...) keep their enabling rules on top of any enabler given.
    void SetCommandHandler(int command, CCommandRouter::Handler handler,
                           CCommandRouter::Enabler enabler = {});
    void SetCommandRange(int first, int last, CCommandRouter::Handler handler,
                         CCommandRouter::Enabler enabler = {});
    // Runs a command as a button would; false when it is disabled or has no handler.
    bool OnCommand(int command);
    // Re-evaluates every button, menu entry, key tip and accelerator.
    void UpdateCommandUI();

    // The tab view; the frame takes ownership.
    void SetCentralView(QWidget* view);
    // Shows context menu menuId at a global position and runs the chosen command; returns it
    // (0 when nothing was chosen or the menu is unknown).
    int ShowContextMenu(int menuId, const QPoint& globalPos);
    // The menu ShowContextMenu shows, with each entry enabled as the router says; null for an
    // unknown menu.
    [[nodiscard]] std::unique_ptr<QMenu> BuildContextMenu(int menuId);
    // The "Create conditional script" button shows the delete label when bDelete is set.
    void SetConditionalScriptButton(bool bDelete);
    // Restores a minimised window and brings it to the front (another suite program asks for
    // that; on this platform by sending SIGUSR1 to the editor's process).
    void OnSettingsWndTop();

    // Shortcut objects of the accelerator table, one per effective key.
    [[nodiscard]] std::vector<std::pair<QShortcut*, int>> Accelerators() const {
        return m_accelerators;
    }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RegisterShellCommands();
    void CreateAccelerators();
    std::optional<bool> ShellRule(int command) const;
    void ShowNotSavable(const QString& reason);
    void OnHelp();
    void RegisterPrintCommands();
    // Prints the active tab; withDialog lets the user choose the printer first.
    void OnPrint(bool withDialog);
    void OnPrintPreview();
    // The window's printer, its module opened at the first use; null (the user told) when the
    // module cannot be loaded.
    IPrinting* Printing();

    FrameServices m_services;
    CCommandRouter m_router;
    CRibbonBar* m_pRibbon = nullptr; // Owned by the Qt parent.
    // Says in the status bar why Save is greyed for good; null until needed. Owned by Qt.
    QLabel* m_pNotSavable = nullptr;
    QString m_strShownNotSavable;
    QTimer* m_pUpdateTimer = nullptr;
    std::vector<std::pair<QShortcut*, int>> m_accelerators;
    std::unique_ptr<CSettingsWndTopListener> m_pWndTopListener;
    // The Qt forms, when the services bring no dialogs.
    std::unique_ptr<IDataDialogs> m_ownDialogs;
    std::unique_ptr<IPrinting> m_printing; // kept so that print setup applies to later prints
};
