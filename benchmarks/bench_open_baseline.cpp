// The baseline of bench_open: a bare Qt program that shows the rows the editor would show for
// the generated e-script, reading no database. URL rows carry their address spanned across both
// columns and a background per server, parameter rows are their children with name and decoded
// value, everything expanded, in a QTreeView of 1000 x 700. It ends right after its first paint.
//
// Run: bench_open_baseline <urls> <parameters per URL>   (bench_open runs it)

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QStandardItemModel>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace {
// Ends the program once the first paint pass of the view is over.
class CQuitAfterPaint final : public QObject {
public:
    explicit CQuitAfterPaint(QWidget& window) : m_window(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            (watched == &m_window || m_window.isAncestorOf(static_cast<QWidget*>(watched)))) {
            QCoreApplication::instance()->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    QWidget& m_window;
};

// The same shape as the e-script of bench_open: server, address and values per URL.
void Fill(QStandardItemModel& model, int nURLs, int nParams) {
    model.setColumnCount(2);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    QStandardItem* root = model.invisibleRootItem();
    for (int u = 0; u < nURLs; ++u) {
        const QString server = QStringLiteral("host%1.example.com").arg(u % 7);
        const QString label =
            (u % 2 == 0 ? QStringLiteral("http://") : QStringLiteral("https://")) + server +
            (u % 5 == 0 ? QStringLiteral(":8080") : QString()) +
            QStringLiteral("/app/section%1/page%2.html").arg(u % 13).arg(u);
        const QBrush background(QColor::fromHsv((u % 7) * 50, 40, 255));
        auto* urlItem = new QStandardItem(label);
        urlItem->setBackground(background);
        urlItem->setEditable(false);
        auto* spanned = new QStandardItem;
        spanned->setBackground(background);
        root->appendRow({urlItem, spanned});
        for (int p = 0; p < nParams; ++p) {
            auto* name = new QStandardItem(QStringLiteral("param%1").arg(p));
            auto* value = new QStandardItem(QUrl::fromPercentEncoding(
                QStringLiteral("value-%1-%2%%20x").arg(u).arg(p).toUtf8()));
            name->setBackground(background);
            value->setBackground(background);
            urlItem->appendRow({name, value});
        }
    }
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_open_baseline <urls> <parameters per URL>\n");
        return 2;
    }
    const int nURLs = std::atoi(argv[1]);
    const int nParams = std::atoi(argv[2]);

    QStandardItemModel model;
    Fill(model, nURLs, nParams);
    QTreeView view;
    view.setModel(&model);
    for (int u = 0; u < nURLs; ++u)
        view.setFirstColumnSpanned(u, QModelIndex(), true);
    view.expandAll();
    view.resize(1000, 700);
    const CQuitAfterPaint quit(view);
    view.show();
    return QApplication::exec();
}
