#include "firstpaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

CFirstPaintAction::CFirstPaintAction(QWidget& window, std::function<void()> action)
    : m_window(&window), m_action(std::move(action)) {
    // The grid's viewport, not the window, receives most paint events: watch them all.
    QCoreApplication::instance()->installEventFilter(this);
}

CFirstPaintAction::~CFirstPaintAction() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool CFirstPaintAction::eventFilter(QObject* watched, QEvent* event) {
    if (m_bSeen || event->type() != QEvent::Paint || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (m_window == nullptr || (widget != m_window && !m_window->isAncestorOf(widget)))
        return false;
    m_bSeen = true;
    QCoreApplication::instance()->removeEventFilter(this);
    // Queued: the paint pass this event belongs to finishes first.
    QTimer::singleShot(0, this, [this] {
        m_bRun = true;
        if (m_action)
            m_action();
    });
    return false;
}
