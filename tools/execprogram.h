#pragma once
// Starting programs without waiting for them.

#include <QString>
#include <QStringList>

namespace ExecuteProgram {

class CExec {
public:
    CExec() = default;
    virtual ~CExec() = default;
    CExec(const CExec&) = delete;
    CExec& operator=(const CExec&) = delete;

    // Starts the command line (the first word names the program); the current directory
    // may be empty for the caller's own.
    virtual bool Execute(const QString& commandLine, const QString& currentDirectory) = 0;

    [[nodiscard]] int LastError() const { return m_nLastError; }
    [[nodiscard]] const QString& ErrorText() const { return m_strErrorText; }

protected:
    void SetError(int error);

    int m_nLastError = 0;
    QString m_strErrorText;
};

class CExecCreateProcess final : public CExec {
public:
    bool Execute(const QString& commandLine, const QString& currentDirectory) override;
    bool Execute(const QString& program, const QStringList& arguments,
                 const QString& currentDirectory);
};

} // namespace ExecuteProgram

// Starts program (a path, or a name looked up in PATH) as a process of its own session
// that inherits no open file besides standard input, output and error, and is not a child
// of the caller (no zombie is left). 0 when the program runs, else the errno of the failure.
int SpawnDetached(const QString& program, const QStringList& arguments,
                  const QString& currentDirectory);

// Quotes text so that QProcess::splitCommand gives it back as one word.
QString QuoteCommandWord(const QString& text);
