#pragma once
// Command numbers of the editor, the keyboard accelerators, the context menus that the views
// show and the enabling rules of the shell's own commands. Pure data and functions: the frame
// turns them into shortcuts and menus, tests read them without a screen.

#include <QKeyCombination>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace XalCmd {
// Application menu and shell.
constexpr int XalTools = 32879;
constexpr int Save = 32861;
constexpr int SaveAndClose = 32771;
constexpr int Utilities = 338;
constexpr int Diagnostics = 32773;
constexpr int Language = 337;
constexpr int Information = 57664;
constexpr int Help = 57670;
constexpr int Close = 57665;
constexpr int NewEScript = 32852;
constexpr int DeleteEScript = 32853;
constexpr int LoadEScript = 32854;
constexpr int Properties = 32855;
constexpr int DataEditor = 32862;
constexpr int Test = 32880;
constexpr int FileNew = 57600;
constexpr int FileOpen = 57601;
constexpr int PrintSetup = 57606;
constexpr int Print = 57607;
constexpr int PrintDirect = 57608;
constexpr int PrintPreview = 57609;
constexpr int RecentFirst = 57616;
constexpr int RecentLast = 57631;
constexpr int UtilitiesFirst = 322;
constexpr int UtilitiesLast = 331;
constexpr int LanguageFirst = 332;
constexpr int LanguageLast = 336;

// Recording.
constexpr int RecordStart = 32850; // with URL filtering
constexpr int RecordStartUnfiltered = 32792;
constexpr int RecordStop = 32812;

// Script views.
constexpr int Browser = 32863;
constexpr int Create = 32864;
constexpr int Edit = 32866;
constexpr int Delete = 32867;
constexpr int Up = 32868;
constexpr int Down = 32869;
constexpr int ConditionalScript = 32870;
constexpr int ExpandAll = 32871;
constexpr int CollapseAll = 32872;
constexpr int DeleteConditionalScript = 32881;
constexpr int ExcludeDomain = 32776;
constexpr int FlexibleParameter = 32780;
constexpr int ResetFlexibleParameter = 32786;
constexpr int FlexibleCondition = 32788;
constexpr int ResetFlexibleCondition = 32790;

// Editing and panes (routed to the focused widget).
constexpr int EnterKey = 32797;
constexpr int Copy = 57634;
constexpr int Cut = 57635;
constexpr int Paste = 57637;
constexpr int Undo = 57643;
constexpr int NextPane = 57680;
constexpr int PrevPane = 57681;
} // namespace XalCmd

// Menu numbers of the recording split button and of the view's edit menu.
constexpr int kRecordingMenu = 343;

// ---- Keyboard accelerators ----------------------------------------------------------------

struct Accelerator {
    QKeyCombination key;
    int command;
};

// The accelerator table in its stored order (keys may repeat).
const std::vector<Accelerator>& AcceleratorTable();
// One command per key: for a key listed twice the first entry applies.
std::vector<Accelerator> EffectiveAccelerators();
// The command a key runs, if any.
std::optional<int> CommandForKey(QKeyCombination key);

// ---- Context menus ------------------------------------------------------------------------

struct ContextMenuItem {
    int command = 0; // 0 is a separator
    QString text;
};

struct ContextMenuDef {
    QString name;
    int menuId = 0;
    std::vector<ContextMenuItem> items;
};

// Every context menu the script views may show, in registration order.
const std::vector<ContextMenuDef>& ContextMenuRegistry();
const ContextMenuDef* FindContextMenu(const QString& name);
const ContextMenuDef* FindContextMenu(int menuId);

// ---- Enabling rules -----------------------------------------------------------------------

struct ShellState {
    bool modified = false;
    int mainScriptRows = 0;
    bool recordingStarted = false;
    bool recordingPaused = false;

    // A recording "runs" when it has been started and is not paused.
    [[nodiscard]] bool RecordingRuns() const { return recordingStarted && !recordingPaused; }
};

// Whether the shell enables command id in the given state; nullopt for commands whose
// enabling belongs elsewhere (views, recording, test).
std::optional<bool> ShellCommandEnabled(int id, const ShellState& state);

// ---- Routing ------------------------------------------------------------------------------

// Maps command numbers to the code that handles them. A command without a handler is
// disabled, so buttons of features not wired in yet cannot pretend to work.
class CCommandRouter {
public:
    using Handler = std::function<void(int command)>;
    using Enabler = std::function<bool(int command)>;

    void SetHandler(int command, Handler handler, Enabler enabler = {});
    void SetRangeHandler(int first, int last, Handler handler, Enabler enabler = {});
    void RemoveHandler(int command);

    [[nodiscard]] bool HasHandler(int command) const;
    [[nodiscard]] bool IsEnabled(int command) const;
    // Runs the handler when the command is enabled; false when nothing ran.
    bool Execute(int command) const;

private:
    struct Entry {
        int last = 0;
        Handler handler;
        Enabler enabler;
    };
    [[nodiscard]] const Entry* Find(int command) const;

    std::map<int, Entry> m_entries; // keyed by the first command of a range
};
