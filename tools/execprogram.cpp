#include "execprogram.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace {

// Everything the child needs is prepared before fork: after it, only async-signal-safe
// calls are allowed in a process that may have other threads.
struct CSpawnPlan {
    QByteArray path;
    QByteArray directory;
    std::vector<QByteArray> words;
    std::vector<char*> argv;
};

void WriteError(int fd, int error) {
    const char* data = reinterpret_cast<const char*>(&error);
    std::size_t left = sizeof(error);
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void MarkInheritedFilesCloseOnExec() {
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    long limit = ::sysconf(_SC_OPEN_MAX);
    if (limit < 0 || limit > 65536)
        limit = 65536;
    for (int fd = 3; fd < limit; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

[[noreturn]] void RunGrandchild(const CSpawnPlan& plan, int errorFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (!plan.directory.isEmpty() && ::chdir(plan.directory.constData()) != 0) {
        WriteError(errorFd, errno);
        ::_exit(127);
    }
    MarkInheritedFilesCloseOnExec(); // also closes errorFd once exec succeeds
    ::execve(plan.path.constData(), plan.argv.data(), environ);
    WriteError(errorFd, errno);
    ::_exit(127);
}

QString ResolveProgram(const QString& program) {
    if (program.contains(QLatin1Char('/')))
        return QFileInfo(program).absoluteFilePath();
    return QStandardPaths::findExecutable(program);
}

} // namespace

int SpawnDetached(const QString& program, const QStringList& arguments,
                  const QString& currentDirectory) {
    if (program.isEmpty())
        return ENOENT;
    const QString path = ResolveProgram(program);
    if (path.isEmpty())
        return ENOENT;
    if (!currentDirectory.isEmpty() && !QFileInfo(currentDirectory).isDir())
        return ENOTDIR;

    CSpawnPlan plan;
    plan.path = QFile::encodeName(path);
    plan.directory = QFile::encodeName(currentDirectory);
    plan.words.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        plan.words.push_back(argument.toLocal8Bit());
    for (QByteArray& word : plan.words)
        plan.argv.push_back(word.data());
    plan.argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return errno;
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return error;
    }
    if (middle == 0) {
        // The middle process ends at once, so the program is adopted by init and the
        // caller never has to reap it.
        ::close(pipeFds[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            WriteError(pipeFds[1], errno);
            ::_exit(1);
        }
        if (grandchild == 0)
            RunGrandchild(plan, pipeFds[1]);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(pipeFds[0], &error, sizeof(error));
    } while (got < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    return got == static_cast<ssize_t>(sizeof(error)) ? error : 0;
}

QString QuoteCommandWord(const QString& text) {
    if (!text.isEmpty() && !text.contains(QRegularExpression(QStringLiteral("[\\s\"']"))))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

namespace ExecuteProgram {

void CExec::SetError(int error) {
    m_nLastError = error;
    m_strErrorText = error == 0 ? QString() : qt_error_string(error);
}

bool CExecCreateProcess::Execute(const QString& commandLine, const QString& currentDirectory) {
    QStringList words = QProcess::splitCommand(commandLine);
    if (words.isEmpty()) {
        SetError(ENOENT);
        return false;
    }
    const QString program = words.takeFirst();
    return Execute(program, words, currentDirectory);
}

bool CExecCreateProcess::Execute(const QString& program, const QStringList& arguments,
                                 const QString& currentDirectory) {
    SetError(SpawnDetached(program, arguments, currentDirectory));
    return m_nLastError == 0;
}

} // namespace ExecuteProgram
