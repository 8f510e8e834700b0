// The module libxalprint.so: printing with QtPrintSupport, opened by the editor's window when
// the user first prints (see printing.h).

#include "printing.h"

#include <QDialog>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QWidget>

#include <algorithm>

namespace {
// Paints widget onto printer, keeping its proportions; false when the printer cannot be started
// (no device, file not writable) or there is nothing to print.
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

class CPrinting final : public IPrinting {
public:
    PrintOutcome Print(QWidget& target, QWidget* parent, bool withDialog,
                       const ChoosePrinter& choose) override {
        PrintOutcome outcome;
        if (withDialog) {
            if (choose) {
                outcome.cancelled = !choose(m_printer);
            } else {
                QPrintDialog dialog(&m_printer, parent);
                outcome.cancelled = dialog.exec() != QDialog::Accepted;
            }
            if (outcome.cancelled)
                return outcome;
        }
        outcome.printed = PrintWidget(target, m_printer);
        outcome.printerName = m_printer.printerName();
        outcome.outputFile = m_printer.outputFileName();
        return outcome;
    }

    void Preview(QWidget& target, QWidget* parent) override {
        QPrintPreviewDialog preview(&m_printer, parent);
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&target](QPrinter* printer) { PrintWidget(target, *printer); });
        preview.exec();
    }

    void PageSetup(QWidget* parent) override {
        QPageSetupDialog dialog(&m_printer, parent);
        dialog.exec();
    }

private:
    QPrinter m_printer;
};
} // namespace

extern "C" __attribute__((visibility("default"))) IPrinting* XalCreatePrinting() {
    return new CPrinting;
}
