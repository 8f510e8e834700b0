#include "xalrecord.h"

#include "certauthority.h"
#include "recordingproxy.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

extern char** environ;

namespace {

QString EnvText(const char* name) {
    return qEnvironmentVariable(name);
}

std::string AuthorityFolder() {
    const QString dir = EnvText("XAL_RECORDER_CA_DIR");
    return dir.isEmpty() ? CCertAuthority::DefaultFolder() : dir.toStdString();
}

// Hands reports to the caller's callback on a thread of its own, so a slow caller never stalls
// the proxy; the end report is always the last one.
class CReporter {
public:
    explicit CReporter(XRCallback callback) : m_callback(callback), m_thread([this] { Run(); }) {}
    ~CReporter() { Finish(); }

    void Push(CRecordedRequest&& request) {
        {
            std::lock_guard guard(m_mutex);
            if (m_finishing)
                return;
            m_queue.push_back(std::move(request));
        }
        m_wake.notify_one();
    }

    // Delivers what is queued, then the end report (unless a failed start is being undone);
    // returns when it was delivered.
    void Finish(bool bEndReport = true) {
        {
            std::lock_guard guard(m_mutex);
            if (!m_finishing)
                m_endReport = bEndReport;
            m_finishing = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void Run() {
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_finishing || !m_queue.empty(); });
            if (m_queue.empty())
                break;
            CRecordedRequest r = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            if (m_callback) {
                const std::uint32_t kind = (r.nMethod | (r.bHttps ? kXRHttpsBit : 0u)) + 1u;
                m_callback(r.nSequence, kind, r.nStatus, r.strHost.c_str(), r.strPath.c_str(),
                           r.strContentType.c_str(), r.nPort,
                           reinterpret_cast<const unsigned char*>(r.strBody.data()),
                           static_cast<std::uint32_t>(r.strBody.size()));
            }
        }
        if (m_callback && m_endReport)
            m_callback(0, kXREndOfRecording, 0, "", "", "", 0, nullptr, 0);
    }

    XRCallback m_callback;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<CRecordedRequest> m_queue;
    bool m_finishing = false;
    bool m_endReport = true;
    std::thread m_thread; // last: starts after the other members exist
};

class CRecording {
public:
    CRecording(CProxyOptions options, XRCallback callback,
               std::unique_ptr<CCertAuthority> authority)
        : m_authority(std::move(authority)), m_reporter(std::make_unique<CReporter>(callback)) {
        options.pAuthority = m_authority.get();
        m_proxy = std::make_unique<CRecordingProxy>(
            std::move(options), [this](CRecordedRequest&& r) { m_reporter->Push(std::move(r)); });
    }
    ~CRecording() { Stop(); }

    // On failure nothing keeps running and no end report is made.
    bool Start(const QString& rootURL, std::string& error) {
        bool ok = m_authority->IsValid() || (error = m_authority->Error(), false);
        ok = ok && m_proxy->Start(error);
        if (ok && EnvText("XAL_RECORDER_NO_BROWSER") != QLatin1String("1"))
            ok = StartBrowser(rootURL, error);
        if (!ok) {
            m_proxy->Stop();
            m_reporter->Finish(false);
        }
        return ok;
    }

    [[nodiscard]] std::uint16_t Port() const { return m_proxy->Port(); }

    void Stop() {
        if (m_browser > 0) {
            ::kill(m_browser, SIGTERM);
            std::unique_lock lock(m_mutex);
            if (!m_exited.wait_for(lock, std::chrono::seconds(3), [this] { return m_reaped; }))
                ::kill(m_browser, SIGKILL);
        }
        if (m_watcher.joinable())
            m_watcher.join();
        End();
        if (!m_profile.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(m_profile, ec);
            m_profile.clear();
        }
    }

private:
    // Stops the proxy and delivers the end report, once.
    void End() {
        std::call_once(m_ended, [this] {
            m_proxy->Stop();
            m_reporter->Finish();
        });
    }

    bool StartBrowser(const QString& rootURL, std::string& error) {
        // Only web addresses reach the browser's command line, never something it takes for a
        // switch.
        if (!rootURL.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
            !rootURL.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
            error = "the root URL is not an http or https address";
            return false;
        }
        const QString program = XRBrowserProgram();
        if (program.isEmpty()) {
            error = "no browser program found";
            return false;
        }
        QString tempRoot = QDir::tempPath();
        std::string pattern = (tempRoot + QStringLiteral("/xal-recorder-XXXXXX")).toStdString();
        if (!::mkdtemp(pattern.data())) {
            error = "cannot create the browser's temporary profile";
            return false;
        }
        m_profile = pattern;

        std::vector<std::string> args{program.toStdString()};
        args.push_back("--proxy-server=http://127.0.0.1:" + std::to_string(Port()));
        args.push_back("--proxy-bypass-list=<-loopback>");
        args.push_back("--ignore-certificate-errors-spki-list=" + m_authority->LeafKeyHash());
        args.push_back("--user-data-dir=" + m_profile);
        for (const char* flag : {"--no-first-run", "--disable-background-networking",
                                 "--disable-component-update", "--disable-sync"})
            args.emplace_back(flag);
        if (::geteuid() == 0)
            args.emplace_back("--no-sandbox");
        for (const QString& extra :
             EnvText("XAL_RECORDER_BROWSER_ARGS").split(QLatin1Char(' '), Qt::SkipEmptyParts))
            args.push_back(extra.toStdString());
        args.push_back(rootURL.toStdString());

        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        // The browser's own diagnostics would flood the editor's terminal.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            error = "cannot start " + args[0];
            return false;
        }
        m_browser = pid;
        // The browser closed by the user ends the recording.
        m_watcher = std::thread([this, pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            {
                std::lock_guard guard(m_mutex);
                m_reaped = true;
            }
            m_exited.notify_all();
            End();
        });
        return true;
    }

    std::unique_ptr<CCertAuthority> m_authority;
    std::unique_ptr<CReporter> m_reporter;
    std::unique_ptr<CRecordingProxy> m_proxy;
    std::once_flag m_ended;
    pid_t m_browser = 0;
    std::thread m_watcher;
    std::mutex m_mutex;
    std::condition_variable m_exited;
    bool m_reaped = false;
    std::string m_profile;
};

std::mutex g_mutex; // guards g_recording and g_lastError
std::unique_ptr<CRecording> g_recording;
QString g_lastError;

} // namespace

QString XRBrowserProgram() {
    QString program = EnvText("XAL_RECORDER_BROWSER");
    if (program.isEmpty())
        program = QStringLiteral("chromium");
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

XALRECORD_API bool XRStartRecording(const QString& /*strReserved*/, const QString& strRootURL,
                                    const QString& strHttpPorts, const QString& strHttpsPorts,
                                    XRCallback callback, int /*nFlags*/) {
    XRStopRecording(1);
    auto authority = std::make_unique<CCertAuthority>(AuthorityFolder());
    CProxyOptions options;
    options.httpPorts = ParsePortList(strHttpPorts.toStdString());
    options.httpsPorts = ParsePortList(strHttpsPorts.toStdString());
    options.strTrustFile = EnvText("XAL_RECORDER_TRUST_FILE").toStdString();
    auto recording =
        std::make_unique<CRecording>(std::move(options), callback, std::move(authority));
    std::string error;
    const bool ok = recording->Start(strRootURL, error);
    std::lock_guard guard(g_mutex);
    g_lastError = QString::fromStdString(error);
    if (ok)
        g_recording = std::move(recording);
    return ok;
}

XALRECORD_API void XRStopRecording(int /*nFlags*/) {
    std::unique_ptr<CRecording> recording;
    {
        std::lock_guard guard(g_mutex);
        recording = std::move(g_recording);
    }
    if (recording)
        recording->Stop();
}

XALRECORD_API QString XRLastError() {
    std::lock_guard guard(g_mutex);
    return g_lastError;
}

XALRECORD_API std::uint16_t XRProxyPort() {
    std::lock_guard guard(g_mutex);
    return g_recording ? g_recording->Port() : 0;
}

XALRECORD_API QString XRLeafKeyHash() {
    const CCertAuthority authority(AuthorityFolder());
    return QString::fromStdString(authority.LeafKeyHash());
}

XALRECORD_API int IsInstalledLspW(const QString& /*strModule32*/, const QString& /*strModule64*/,
                                  int* pnInstalled) {
    if (!pnInstalled)
        return -1;
    const CCertAuthority authority(AuthorityFolder());
    *pnInstalled = authority.IsValid() && !XRBrowserProgram().isEmpty() ? 1 : 0;
    return 0;
}
