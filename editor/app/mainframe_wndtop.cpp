#include "mainframe_wndtop.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalFds[2] = {-1, -1}; // [0] written by the handler, [1] read by the notifier

extern "C" void OnWndTopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full socket buffer only means that a request is already pending.
    [[maybe_unused]] const ssize_t written = ::write(g_signalFds[0], &byte, 1);
    errno = saved;
}

bool InstallOnce() {
    static std::once_flag once;
    static bool installed = false;
    std::call_once(once, [] {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalFds) != 0)
            return;
        for (const int fd : g_signalFds)
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        struct sigaction action {};
        action.sa_handler = OnWndTopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        installed = ::sigaction(SIGUSR1, &action, nullptr) == 0;
    });
    return installed;
}
} // namespace

CSettingsWndTopListener::CSettingsWndTopListener(std::function<void()> onRequest)
    : m_onRequest(std::move(onRequest)) {
    if (!InstallOnce())
        return;
    m_pNotifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] { Drain(); });
}

CSettingsWndTopListener::~CSettingsWndTopListener() = default;

void CSettingsWndTopListener::Drain() {
    char buffer[64];
    bool any = false;
    while (::read(g_signalFds[1], buffer, sizeof buffer) > 0)
        any = true;
    if (any && m_onRequest)
        m_onRequest();
}
