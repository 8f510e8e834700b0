#include "qjtrace.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <mutex>

namespace {
std::mutex g_traceMutex;

int LevelLimit() {
    bool ok = false;
    const int level = qEnvironmentVariableIntValue("XAL_TRACE_LEVEL", &ok);
    return ok ? level : 6;
}

QString TraceFilePath() {
    const QString configured = qEnvironmentVariable("XAL_TRACE_FILE");
    if (!configured.isEmpty())
        return configured == u"-" ? QString() : configured;
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/xal/trace.log");
}
} // namespace

void QJTrace(int level, const QString& source, const QString& text) {
    if (level > LevelLimit())
        return;
    const QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + u' ' +
                         QString::number(level) + u' ' + source + QStringLiteral(": ") +
                         QString(text).replace(u'\n', QStringLiteral("\\n")) + u'\n';
    const QByteArray bytes = line.toUtf8();

    std::lock_guard lock(g_traceMutex);
    if (qEnvironmentVariable("XAL_TRACE_STDERR") == u"1") {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
    }
    const QString path = TraceFilePath();
    if (path.isEmpty())
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // Tracing never stops the program: a log that cannot be written is skipped.
    if (file.open(QIODevice::Append | QIODevice::WriteOnly))
        file.write(bytes);
}

QString QJTraceFormat(const QString& format, std::initializer_list<QString> args) {
    QString out;
    auto next = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's') {
            if (next != args.end())
                out += *next++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

QString QJTraceMaskPassword(const QString& password) {
    return password.isEmpty() ? QString() : QStringLiteral("***");
}
