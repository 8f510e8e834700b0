#pragma once
// The shell's commands that start other programs of the suite: New e-script, the recently
// opened e-scripts, XAL Tools and Diagnostics, plus the help file lookup. Every command that
// opens another e-script starts a further editor process.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class CMyRecentFileList;
class IMessageSink;

// The suite's program launchers (the tools library's exports in the real program).
class ISuiteLauncher {
public:
    virtual ~ISuiteLauncher() = default;
    virtual bool StartScriptEditor(const QString& id, const QString& arguments) = 0;
    virtual bool StartTools() = 0;
    virtual bool StartDiagnostic() = 0;
    // Where a program is looked for: true with its path in location, false with the folders
    // searched.
    virtual bool FindProgram(const QString& fileName, QString& location) = 0;
};

// File names of the programs the shell's commands start.
inline constexpr char16_t kScriptEditorProgram[] = u"XALScripEdit";
inline constexpr char16_t kToolsProgram[] = u"xaltools";
inline constexpr char16_t kDiagnosticProgram[] = u"xaldiag";

// Launcher over the tools library.
std::unique_ptr<ISuiteLauncher> MakeToolsLauncher();

// The new-e-script dialog: returns its code and fills the array (third element: the ID).
using NewEScriptDialog = std::function<int(QStringList& array)>;

// Text shown when a further editor cannot be started.
QString ScriptEditorNotStartedText();
// Why a program could not be started: which program and the folders it was looked for in
// when it is in none of them; empty when it is there.
QString ProgramNotFoundText(ISuiteLauncher& launcher, const QString& fileName);

// Command line for a new editor after the new-e-script dialog returned code with array;
// nullopt when nothing is to be started (code 1 or below, or no ID in the array).
std::optional<QString> NewEScriptCommandLine(int code, const QStringList& array);

// New e-script (32852). Returns true when a further editor was started.
bool RunNewEScript(const NewEScriptDialog& dialog, ISuiteLauncher& launcher,
                   IMessageSink& messages);

// A recently opened e-script (57616 to 57631). Returns true when an editor was started; a
// command outside the list, or of an empty slot, does nothing.
bool RunOpenRecent(int command, const CMyRecentFileList& recent, ISuiteLauncher& launcher,
                   IMessageSink& messages);

// XAL Tools (32879) and Diagnostics (32773). A program that does not start is told, with
// where it was looked for when it was found nowhere. True when it was started.
bool RunTools(ISuiteLauncher& launcher, IMessageSink& messages);
bool RunDiagnostic(ISuiteLauncher& launcher, IMessageSink& messages);

// The program's manual for the help command: $XAL_HELP_FILE when set, else the first
// README.md or manual found next to the program and in its share folder. Empty when none.
QString FindHelpFile(const QString& programDir);
