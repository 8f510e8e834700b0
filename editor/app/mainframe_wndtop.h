#pragma once
// Stand-in for the registered window message "TovrelSettingsWndTop": the suite's Settings
// program asks every editor to come to the front. Here it sends SIGUSR1 to the editor's
// process (kill -USR1 <pid>); the signal is turned into a call on the user-interface thread.

#include <QObject>

#include <functional>

class QSocketNotifier;

class CSettingsWndTopListener final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSettingsWndTopListener)

public:
    explicit CSettingsWndTopListener(std::function<void()> onRequest);
    ~CSettingsWndTopListener() override;

    // False when the signal could not be hooked (the frame then simply has no stand-in).
    [[nodiscard]] bool IsListening() const { return m_pNotifier != nullptr; }

private:
    void Drain();

    std::function<void()> m_onRequest;
    QSocketNotifier* m_pNotifier = nullptr; // Owned by the Qt parent.
};
