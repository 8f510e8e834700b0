#pragma once
// Runs an action once, right after the first paint of a window: the first paint event of the
// window or any widget in it has been handled. Painting a window is one pass over all its dirty
// widgets, so the action comes after the whole first picture of the window. Used to end timed
// runs of the program (XAL_EXIT_AFTER_FIRST_PAINT).

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class CFirstPaintAction final : public QObject {
public:
    // Watches window from now on; a window that goes away is no longer watched.
    CFirstPaintAction(QWidget& window, std::function<void()> action);
    ~CFirstPaintAction() override;
    CFirstPaintAction(const CFirstPaintAction&) = delete;
    CFirstPaintAction& operator=(const CFirstPaintAction&) = delete;

    [[nodiscard]] bool HasRun() const { return m_bRun; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_action;
    bool m_bSeen = false;
    bool m_bRun = false;
};
