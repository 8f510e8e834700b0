#pragma once
// Ends the event loop on SIGTERM, SIGINT and SIGHUP, so that the program leaves through its
// ordinary exit path (which releases the e-script lock). The signal handler only writes one
// byte to a pipe; the loop reads it and runs the handler.

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

class CSignalQuitter final : public QObject {
    Q_OBJECT
public:
    // onSignal runs on the event loop's thread; by default it quits the application.
    explicit CSignalQuitter(std::function<void(int signal)> onSignal = {});
    ~CSignalQuitter() override; // restores the default handlers
    Q_DISABLE_COPY_MOVE(CSignalQuitter)

    [[nodiscard]] bool IsInstalled() const { return m_notifier != nullptr; }

private:
    void OnReadable();

    std::function<void(int)> m_onSignal;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
