// Program launchers of the suite.

#include "execprogram.h"
#include "qjtrace.h"
#include "toolsstrings.h"
#include "xalenv.h"
#include "xaltools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

constexpr int kProgramDirChars = 520;
const QString kTraceName = QStringLiteral("XalTools");

QString ProgramDirectory() {
    char16_t buffer[kProgramDirChars] = {};
    XalEnvGet(QStringLiteral("zvbindir"), buffer, kProgramDirChars);
    return QString::fromUtf16(buffer);
}

// The folder of the running program: an installed or demo editor has its sibling programs
// there even when the suite's program folder is not set or holds none of them.
QString RunningProgramFolder() {
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationDirPath();
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return exe.isEmpty() ? QString() : QFileInfo(exe).absolutePath();
}

QStringList ProgramFolders() {
    QStringList folders;
    if (const QString configured = ProgramDirectory(); !configured.isEmpty())
        folders << QDir::cleanPath(configured);
    if (const QString own = RunningProgramFolder(); !own.isEmpty() && !folders.contains(own))
        folders << own;
    return folders;
}

// Full path of the program in the first folder that holds it; empty when none does.
QString LocateProgram(const QString& fileName, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + fileName;
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QString FoldersText(const QStringList& folders) {
    return folders.isEmpty() ? QStringLiteral("(no folder)") : folders.join(QStringLiteral(", "));
}

// The program's path; empty, with a trace line naming where it was looked for, when no
// folder holds it.
QString ProgramPath(const QString& fileName) {
    const QStringList folders = ProgramFolders();
    const QString path = LocateProgram(fileName, folders);
    if (path.isEmpty())
        QJTrace(
            2, kTraceName,
            QStringLiteral("Program '%1' not found in: %2").arg(fileName, FoldersText(folders)));
    return path;
}

bool StartProgram(const char* fileName, const QString& tail = QString()) {
    const QString path = ProgramPath(QLatin1String(fileName));
    if (path.isEmpty())
        return false;
    const QString commandLine = QuoteCommandWord(path) + tail;
    return XALStartExternalApp(ToUtf16(commandLine).c_str(), nullptr);
}

} // namespace

extern "C" {

bool XALStartExternalApp(const char16_t* commandLine, const char16_t* currentDirectory) {
    try {
        if (commandLine == nullptr)
            return false;
        const QString text = QString::fromUtf16(commandLine);
        ExecuteProgram::CExecCreateProcess exec;
        if (exec.Execute(text, currentDirectory ? QString::fromUtf16(currentDirectory) : QString()))
            return true;
        // No message box here (the show-errors flag stays off): the trace says why.
        QJTrace(2, kTraceName, QStringLiteral("Cannot start '%1': %2").arg(text, exec.ErrorText()));
        return false;
    } catch (...) {
        return false;
    }
}

bool XALStartTools() {
    try {
        return StartProgram("xaltools");
    } catch (...) {
        return false;
    }
}

bool XALStartDataEditor() {
    try {
        return StartProgram("xaldataed");
    } catch (...) {
        return false;
    }
}

bool XALStartDiagnostic() {
    try {
        return StartProgram("xaldiag");
    } catch (...) {
        return false;
    }
}

bool XALStartEZBImport(const char16_t* argument) {
    try {
        QString tail;
        if (argument != nullptr)
            tail = QLatin1Char(' ') + QString::fromUtf16(argument);
        return StartProgram("XALImpoEZB", tail);
    } catch (...) {
        return false;
    }
}

bool XALStartScriptEditor(const char16_t* xalId, const char16_t* arguments) {
    try {
        QString parameters;
        if (xalId != nullptr)
            parameters = QStringLiteral(" /xalid:") + QString::fromUtf16(xalId);
        if (arguments != nullptr)
            parameters += QLatin1Char(' ') + QString::fromUtf16(arguments);
        // The editor joins its arguments with single blanks and takes the text after
        // "/xalid:" as the ID, so the parameter text is cut at single blanks only: an ID
        // with quotes, backslashes or runs of blanks reaches it unchanged.
        const QString text = parameters.mid(1);
        const QStringList words = text.isEmpty() ? QStringList() : text.split(QLatin1Char(' '));
        const QString path = ProgramPath(QStringLiteral("XALScripEdit"));
        if (path.isEmpty())
            return false;
        ExecuteProgram::CExecCreateProcess exec;
        if (exec.Execute(path, words, QString()))
            return true;
        QJTrace(2, kTraceName, QStringLiteral("Cannot start '%1': %2").arg(path, exec.ErrorText()));
        return false;
    } catch (...) {
        return false;
    }
}

bool XALFindProgram(const char16_t* fileName, QString& location) {
    try {
        location.clear();
        if (fileName == nullptr || *fileName == 0)
            return false;
        const QString name = QString::fromUtf16(fileName);
        const QStringList folders = ProgramFolders();
        location = LocateProgram(name, folders);
        if (!location.isEmpty())
            return true;
        location = FoldersText(folders);
        return false;
    } catch (...) {
        return false;
    }
}

} // extern "C"
