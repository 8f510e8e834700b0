#pragma once
// The keyboard accelerators, the context menus that the views
// show and the enabling rules of the shell's own commands. Pure data and functions: the frame
// turns them into shortcuts and menus, tests read them without a screen.

#include "commandids.h"

#include <QKeyCombination>
#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <vector>

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
    // Why the loaded e-script can never be saved (empty when it can): Save stays greyed.
    QString notSavable;

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
