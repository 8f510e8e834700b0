#include "qjtrace.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr qint64 kDefaultMaxBytes = 10 * 1024 * 1024;
// Collected lines are written out once they reach this size, whatever the clock says.
constexpr qsizetype kBufferBytes = 64 * 1024;
constexpr int kLevelUnread = -1000;

// Read from the environment once (QJTraceReconfigure reads it again); a line then costs no
// look-up of its own.
std::atomic<int> g_levelLimit{kLevelUnread};
std::atomic<bool> g_toStderr{false};

int ReadLevelLimit() {
    bool ok = false;
    const int level = qEnvironmentVariableIntValue("XAL_TRACE_LEVEL", &ok);
    g_toStderr.store(qEnvironmentVariable("XAL_TRACE_STDERR") == u"1");
    const int limit = ok ? level : 6;
    g_levelLimit.store(limit);
    return limit;
}

int LevelLimit() {
    const int limit = g_levelLimit.load(std::memory_order_relaxed);
    return limit != kLevelUnread ? limit : ReadLevelLimit();
}

// Creates the missing folders of path (not its last part) with mode 0700; existing folders
// are left as they are.
void MakeParentFolders(const QByteArray& path) {
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
}

// "2026-12-07T13:01:18.123" in local time; the date and time are formatted once a second.
void AppendTimestamp(QByteArray& out) {
    thread_local time_t lastSecond = -1;
    thread_local char prefix[24];
    thread_local int prefixLength = 0;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec != lastSecond) {
        tm local{};
        ::localtime_r(&now.tv_sec, &local);
        prefixLength = std::snprintf(prefix, sizeof prefix, "%04d-%02d-%02dT%02d:%02d:%02d",
                                     local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                     local.tm_hour, local.tm_min, local.tm_sec);
        lastSecond = now.tv_sec;
    }
    const long ms = now.tv_nsec / 1000000;
    const char millis[4] = {'.', char('0' + ms / 100), char('0' + ms / 10 % 10),
                            char('0' + ms % 10)};
    out.append(prefix, prefixLength).append(millis, 4);
}

// Appends text as UTF-8 without a temporary.
void AppendUtf8(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + text.size() * 3);
    QStringEncoder encoder(QStringEncoder::Utf8);
    char* end = encoder.appendToBuffer(out.data() + start, text);
    out.resize(end - out.constData());
}

// The one trace file of the process. Never destroyed: lines may still come from other static
// destructors; an exit handler writes out what is left.
class CTraceWriter {
public:
    static CTraceWriter& Instance() {
        static CTraceWriter* writer = [] {
            auto* w = new CTraceWriter;
            std::atexit([] { Instance().Flush(); });
            return w;
        }();
        return *writer;
    }

    void Append(const QByteArray& line, bool urgent) {
        std::unique_lock lock(m_mutex);
        // A changed XAL_TRACE_FILE (a program that names its own log) takes effect at once.
        const char* file = std::getenv("XAL_TRACE_FILE");
        if (!m_configured || m_fileSetting != (file != nullptr ? file : ""))
            ConfigureLocked();
        if (m_path.isEmpty())
            return;
        const bool wasEmpty = m_buffer.isEmpty();
        m_buffer.append(line);
        if (urgent || m_buffer.size() >= kBufferBytes || m_size + m_buffer.size() >= m_maxBytes) {
            FlushLocked();
            return;
        }
        if (wasEmpty) {
            StartFlusher();
            m_wake.notify_one();
        }
    }

    void Flush() {
        const std::lock_guard lock(m_mutex);
        FlushLocked();
    }

    void Reconfigure() {
        const std::lock_guard lock(m_mutex);
        ConfigureLocked();
    }

private:
    CTraceWriter() = default;

    // A changed file or size limit closes the old file first.
    void ConfigureLocked() {
        FlushLocked();
        Close();
        m_configured = true;
        const char* file = std::getenv("XAL_TRACE_FILE");
        m_fileSetting = file != nullptr ? file : "";
        const bool configured = qEnvironmentVariableIsSet("XAL_TRACE_FILE") &&
                                !qEnvironmentVariableIsEmpty("XAL_TRACE_FILE");
        m_path = TracePath(configured);
        bool ok = false;
        const qint64 max = qEnvironmentVariableIntValue("XAL_TRACE_MAX_SIZE", &ok);
        m_maxBytes = ok && max > 0 ? max : kDefaultMaxBytes;
    }

    static QByteArray TracePath(bool configured) {
        if (configured) {
            const QByteArray path = qgetenv("XAL_TRACE_FILE");
            return path == "-" ? QByteArray() : path;
        }
        QString state = qEnvironmentVariable("XDG_STATE_HOME");
        if (state.isEmpty())
            state = QDir::homePath() + QStringLiteral("/.local/state");
        return QFile::encodeName(state + QStringLiteral("/xal/trace.log"));
    }

    bool Open() {
        if (m_fd >= 0)
            return true;
        MakeParentFolders(m_path);
        m_fd = ::open(m_path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return false;
        struct stat st {};
        if (::fstat(m_fd, &st) == 0) {
            m_size = st.st_size;
            // A log left readable by others from earlier runs is closed to them now.
            if (S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
                ::fchmod(m_fd, 0600);
        }
        return true;
    }

    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_size = 0;
    }

    void FlushLocked() {
        if (m_buffer.isEmpty())
            return;
        // Tracing never stops the program: lines that cannot be written are dropped.
        if (Open())
            WriteAll();
        m_buffer.clear();
        if (m_fd >= 0 && m_size >= m_maxBytes)
            Rotate();
    }

    void WriteAll() {
        const char* data = m_buffer.constData();
        qsizetype left = m_buffer.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, data, static_cast<size_t>(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            data += n;
            left -= n;
            m_size += n;
        }
    }

    // Several programs may share the file; the one that finds it still under the name
    // renames it, the others only notice that the name is someone else's file now.
    void Rotate() {
        struct stat mine {};
        struct stat named {};
        if (::fstat(m_fd, &mine) == 0 && mine.st_size < m_maxBytes) {
            m_size = mine.st_size; // another program rotated and the size was stale
            return;
        }
        if (::stat(m_path.constData(), &named) == 0 && named.st_ino == mine.st_ino &&
            named.st_dev == mine.st_dev)
            ::rename(m_path.constData(), (m_path + ".1").constData());
        Close();
    }

    void StartFlusher() {
        if (m_flusherStarted)
            return;
        m_flusherStarted = true;
        std::thread([this] {
            std::unique_lock lock(m_mutex);
            for (;;) {
                m_wake.wait(lock, [this] { return !m_buffer.isEmpty(); });
                m_wake.wait_for(lock, std::chrono::seconds(1));
                FlushLocked();
            }
        }).detach();
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_flusherStarted = false;
    bool m_configured = false;
    std::string m_fileSetting;
    QByteArray m_path;
    QByteArray m_buffer;
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_maxBytes = kDefaultMaxBytes;
};
} // namespace

bool QJTraceEnabled(int level) {
    return level <= LevelLimit();
}

namespace {
QByteArray& LineBuffer(int level, QStringView source) {
    thread_local QByteArray line;
    line.resize(0);
    AppendTimestamp(line);
    line.append(' ').append(QByteArray::number(level)).append(' ');
    AppendUtf8(line, source);
    line.append(": ");
    return line;
}

void Emit(int level, QByteArray& line, qsizetype textStart) {
    // One line per entry: line breaks of the text are written as "\n".
    if (line.indexOf('\n', textStart) >= 0) {
        const QByteArray text = line.mid(textStart).replace('\n', "\\n");
        line.resize(textStart);
        line.append(text);
    }
    line.append('\n');
    if (g_toStderr.load(std::memory_order_relaxed)) {
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        std::fflush(stderr);
    }
    CTraceWriter::Instance().Append(line, level <= kTraceErrorLevel);
}
} // namespace

void QJTrace(int level, const QString& source, const QString& text) {
    if (!QJTraceEnabled(level))
        return;
    QByteArray& line = LineBuffer(level, source);
    const qsizetype textStart = line.size();
    AppendUtf8(line, text);
    Emit(level, line, textStart);
}

void QJTrace(int level, const QString& source, const QString& format,
             std::initializer_list<QString> args) {
    if (!QJTraceEnabled(level))
        return;
    QByteArray& line = LineBuffer(level, source);
    const qsizetype textStart = line.size();
    // As QJTraceFormat, straight into the line.
    auto next = args.begin();
    qsizetype literal = 0;
    for (qsizetype i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != u'%' || format[i + 1] != u's')
            continue;
        AppendUtf8(line, QStringView(format).mid(literal, i - literal));
        if (next != args.end())
            AppendUtf8(line, *next++);
        literal = ++i + 1;
    }
    AppendUtf8(line, QStringView(format).mid(literal));
    Emit(level, line, textStart);
}

void QJTraceReconfigure() {
    ReadLevelLimit();
    CTraceWriter::Instance().Reconfigure();
}

void QJTraceFlush() {
    CTraceWriter::Instance().Flush();
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
