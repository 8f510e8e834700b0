// Program launchers of the suite.

#include "execprogram.h"
#include "toolsstrings.h"
#include "xalenv.h"
#include "xaltools.h"

#include <QStringList>

namespace {

constexpr int kProgramDirChars = 520;

QString ProgramDirectory() {
    char16_t buffer[kProgramDirChars] = {};
    XalEnvGet(QStringLiteral("zvbindir"), buffer, kProgramDirChars);
    return QString::fromUtf16(buffer);
}

// With "zvbindir" unset the file name stands alone, as an absolute name that will not
// be found rather than one looked up in PATH.
QString ProgramPath(const char* fileName) {
    return ProgramDirectory() + QLatin1Char('/') + QLatin1String(fileName);
}

bool StartProgram(const char* fileName, const QString& tail = QString()) {
    const QString commandLine = QuoteCommandWord(ProgramPath(fileName)) + tail;
    return XALStartExternalApp(ToUtf16(commandLine).c_str(), nullptr);
}

} // namespace

extern "C" {

bool XALStartExternalApp(const char16_t* commandLine, const char16_t* currentDirectory) {
    try {
        if (commandLine == nullptr)
            return false;
        ExecuteProgram::CExecCreateProcess exec;
        return exec.Execute(QString::fromUtf16(commandLine),
                            currentDirectory ? QString::fromUtf16(currentDirectory) : QString());
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
        ExecuteProgram::CExecCreateProcess exec;
        return exec.Execute(ProgramPath("XALScripEdit"), words, QString());
    } catch (...) {
        return false;
    }
}

} // extern "C"
