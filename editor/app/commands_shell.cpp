#include "commands_shell.h"

#include "commands.h"
#include "messages.h"
#include "recentfilelist.h"
#include "xalstrings.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr int kStringProgramNotFound = 62501;
constexpr int kStringProgramNotStarted = 62502;

void TellScriptEditorNotStarted(ISuiteLauncher& launcher, IMessageSink& messages) {
    const QString detail = ProgramNotFoundText(launcher, QString::fromUtf16(kScriptEditorProgram));
    messages.Inform(detail.isEmpty() ? ScriptEditorNotStartedText()
                                     : ScriptEditorNotStartedText() + u'\n' + detail,
                    MsgIcon::Error);
}

bool RunProgram(bool started, const char16_t* fileName, ISuiteLauncher& launcher,
                IMessageSink& messages) {
    if (started)
        return true;
    const QString name = QString::fromUtf16(fileName);
    const QString detail = ProgramNotFoundText(launcher, name);
    messages.Inform(detail.isEmpty() ? XalFormat(kStringProgramNotStarted, name) : detail,
                    MsgIcon::Error);
    return false;
}
} // namespace

QString ScriptEditorNotStartedText() {
    return QStringLiteral("ScriptEditor can not be started!");
}

QString ProgramNotFoundText(ISuiteLauncher& launcher, const QString& fileName) {
    QString location;
    if (launcher.FindProgram(fileName, location))
        return {};
    return XalFormat(kStringProgramNotFound, fileName, location);
}

bool RunTools(ISuiteLauncher& launcher, IMessageSink& messages) {
    return RunProgram(launcher.StartTools(), kToolsProgram, launcher, messages);
}

bool RunDiagnostic(ISuiteLauncher& launcher, IMessageSink& messages) {
    return RunProgram(launcher.StartDiagnostic(), kDiagnosticProgram, launcher, messages);
}

std::optional<QString> NewEScriptCommandLine(int code, const QStringList& array) {
    if (code <= 1)
        return std::nullopt;
    // A dialog that reports success without an ID cannot be opened; starting an editor
    // without an ID would only end in that editor's parameter error.
    if (array.size() < 3 || array[2].trimmed().isEmpty())
        return std::nullopt;
    QString commandLine = QStringLiteral("/xalid:") + array[2];
    if (code == 2)
        commandLine += QStringLiteral(" /mode:showproperties");
    else if (code == 4)
        commandLine += QStringLiteral(" /mode:recording");
    return commandLine;
}

bool RunNewEScript(const NewEScriptDialog& dialog, ISuiteLauncher& launcher,
                   IMessageSink& messages) {
    if (!dialog)
        return false;
    QStringList array;
    const int code = dialog(array);
    if (code <= 1)
        return false;
    const std::optional<QString> commandLine = NewEScriptCommandLine(code, array);
    if (!commandLine) {
        messages.Inform(ScriptEditorNotStartedText(), MsgIcon::Error);
        return false;
    }
    if (!launcher.StartScriptEditor(*commandLine, QString())) {
        TellScriptEditorNotStarted(launcher, messages);
        return false;
    }
    return true;
}

bool RunOpenRecent(int command, const CMyRecentFileList& recent, ISuiteLauncher& launcher,
                   IMessageSink& messages) {
    const int index = command - XalCmd::RecentFirst;
    const QString id = recent.GetAt(index);
    if (command > XalCmd::RecentLast || id.isEmpty())
        return false;
    if (!launcher.StartScriptEditor(QStringLiteral("/xalid:") + id, QString())) {
        TellScriptEditorNotStarted(launcher, messages);
        return false;
    }
    return true;
}

QString FindHelpFile(const QString& programDir) {
    const QString fromEnv = qEnvironmentVariable("XAL_HELP_FILE");
    if (!fromEnv.isEmpty())
        return QFileInfo(fromEnv).isFile() ? QFileInfo(fromEnv).absoluteFilePath() : QString();
    const QDir dir(programDir);
    const QStringList candidates{
        QStringLiteral("README.md"),
        QStringLiteral("manual.html"),
        QStringLiteral("../share/doc/xal/manual.html"),
        QStringLiteral("../share/doc/xal/README.md"),
        // Running from a build folder inside the source tree.
        QStringLiteral("../README.md"),
        QStringLiteral("../../README.md"),
        QStringLiteral("../../../README.md"),
    };
    for (const QString& candidate : candidates) {
        const QFileInfo info(dir.filePath(candidate));
        if (info.isFile())
            return info.canonicalFilePath();
    }
    return {};
}
