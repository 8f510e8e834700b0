#include "store_test_support.h"

#include <QFile>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace storetest {

int ClosedPort() {
    // Bind a free port, then close it: nothing listens there right after.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 1;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

namespace {
QString Quote(const QString& arg) {
    QString quoted = arg;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}
QString ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

int RunProgram(const QStringList& args, QString* out, QString* err) {
    QTemporaryDir dir;
    QStringList quoted;
    for (const auto& a : args)
        quoted.append(Quote(a));
    const QString outPath = dir.filePath(QStringLiteral("out"));
    const QString errPath = dir.filePath(QStringLiteral("err"));
    const QString command = quoted.join(u' ') + QStringLiteral(" >") + Quote(outPath) +
                            QStringLiteral(" 2>") + Quote(errPath) + QStringLiteral(" </dev/null");
    const int status = std::system(command.toLocal8Bit().constData());
    if (out)
        *out = ReadAll(outPath);
    if (err)
        *err = ReadAll(errPath);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace storetest
