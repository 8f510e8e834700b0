#include "printing.h"

#include <QPainter>
#include <QPrinter>
#include <QWidget>

#include <algorithm>

bool PrintWidget(QWidget& widget, QPrinter& printer) {
    if (widget.width() <= 0 || widget.height() <= 0)
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    // Never enlarge: a small window printed at page size would only look blurred.
    const double scale =
        std::min({1.0 * page.width() / widget.width(), 1.0 * page.height() / widget.height(),
                  1.0 * printer.resolution() / std::max(widget.logicalDpiX(), 1)});
    painter.scale(scale, scale);
    widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return painter.end();
}
