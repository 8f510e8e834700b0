#include "icons.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {
// Button images in the order of the ribbon's image list.
enum Glyph {
    Tools,
    New,
    Save,
    SaveClose,
    Properties,
    Test,
    Create,
    Edit,
    Delete,
    Conditional,
    Up,
    Down,
    Browser,
    RecordStart,
    RecordStop,
    Utilities,
    Diagnostics,
    Language,
    Undo,
    Redo,
    GlyphCount
};

enum PanelGlyph { PanelClose, PanelHelp, PanelInfo, PanelCount };

const QColor kBlue(0x2a, 0x6f, 0xb8);
const QColor kDark(0x33, 0x3d, 0x47);
const QColor kRed(0xc8, 0x32, 0x32);
const QColor kGreen(0x2e, 0x8b, 0x3e);
const QColor kPaper(0xfb, 0xfb, 0xf4);

// Everything is drawn on a 32-unit canvas and scaled.
void Page(QPainter& p) {
    QPainterPath path;
    path.moveTo(7, 3);
    path.lineTo(20, 3);
    path.lineTo(26, 9);
    path.lineTo(26, 29);
    path.lineTo(7, 29);
    path.closeSubpath();
    p.setPen(QPen(kDark, 1.5));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.drawLine(QPointF(20, 3), QPointF(20, 9));
    p.drawLine(QPointF(20, 9), QPointF(26, 9));
}

void Disk(QPainter& p) {
    p.setPen(QPen(kDark, 1.5));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
    p.setBrush(kPaper);
    p.drawRect(QRectF(9, 4, 14, 9));
    p.setBrush(kDark);
    p.drawRect(QRectF(10, 19, 12, 9));
}

void Arrow(QPainter& p, bool up) {
    QPolygonF head;
    if (up)
        head << QPointF(16, 4) << QPointF(27, 16) << QPointF(20, 16) << QPointF(20, 28)
             << QPointF(12, 28) << QPointF(12, 16) << QPointF(5, 16);
    else
        head << QPointF(16, 28) << QPointF(27, 16) << QPointF(20, 16) << QPointF(20, 4)
             << QPointF(12, 4) << QPointF(12, 16) << QPointF(5, 16);
    p.setPen(QPen(kDark, 1.2));
    p.setBrush(kBlue);
    p.drawPolygon(head);
}

// A curved arrow turning back to the left (undo) or, mirrored, to the right (redo).
void TurnArrow(QPainter& p, bool back) {
    p.save();
    if (!back) {
        p.translate(32, 0);
        p.scale(-1, 1);
    }
    QPainterPath bow;
    bow.moveTo(10, 12);
    bow.lineTo(19, 12);
    bow.cubicTo(30, 12, 30, 27, 19, 27);
    bow.lineTo(12, 27);
    p.setPen(QPen(kBlue, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bow);
    QPolygonF head;
    head << QPointF(3, 12) << QPointF(12, 4) << QPointF(12, 20);
    p.setPen(QPen(kBlue.darker(130), 1));
    p.setBrush(kBlue);
    p.drawPolygon(head);
    p.restore();
}

void Cross(QPainter& p, const QRectF& box, qreal width) {
    p.setPen(QPen(kRed, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(box.topLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomLeft());
}

// Capital letters, "i" and "?" as strokes in a cell one unit high, centred in box at
// scale of its height: drawing them as text would set up a font engine for every size of
// every image, which cost the start more than all other drawing of the icons together.
void Letter(QPainter& p, const QRectF& box, QStringView text, const QColor& color,
            qreal scale = 0.8) {
    const qreal height = box.height() * scale * 0.73; // a bold capital's share of the font size
    const qreal gap = height * 0.22;
    const auto widthOf = [](QChar letter) {
        switch (letter.unicode()) {
        case 'i':
            return 0.0;
        case 'L':
            return 0.48;
        case '?':
            return 0.55;
        default:
            return 0.66;
        }
    };
    qreal total = 0;
    for (const QChar letter : text)
        total += widthOf(letter) * height;
    total += gap * static_cast<qreal>(std::max<qsizetype>(0, text.size() - 1));

    p.save();
    p.setPen(QPen(color, height * 0.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    qreal left = box.center().x() - total / 2;
    const qreal top = box.center().y() - height / 2;
    for (const QChar letter : text) {
        const qreal width = widthOf(letter) * height;
        const auto at = [&](qreal x, qreal y) {
            return QPointF(left + x * width, top + y * height);
        };
        QPainterPath path;
        switch (letter.unicode()) {
        case 'X':
            path.moveTo(at(0, 0));
            path.lineTo(at(1, 1));
            path.moveTo(at(1, 0));
            path.lineTo(at(0, 1));
            break;
        case 'A':
            path.moveTo(at(0, 1));
            path.lineTo(at(0.5, 0));
            path.lineTo(at(1, 1));
            path.moveTo(at(0.2, 0.66));
            path.lineTo(at(0.8, 0.66));
            break;
        case 'L':
            path.moveTo(at(0, 0));
            path.lineTo(at(0, 1));
            path.lineTo(at(1, 1));
            break;
        case 'i':
            path.moveTo(at(0, 0.38));
            path.lineTo(at(0, 1));
            p.drawPoint(at(0, 0.04));
            break;
        case '?':
            path.moveTo(at(0, 0.26));
            path.cubicTo(at(0, -0.06), at(1, -0.06), at(1, 0.26));
            path.cubicTo(at(1, 0.46), at(0.5, 0.46), at(0.5, 0.7));
            p.drawPoint(at(0.5, 0.98));
            break;
        default:
            break;
        }
        p.drawPath(path);
        left += width + gap;
    }
    p.restore();
}

void DrawGlyph(QPainter& p, int glyph) {
    switch (glyph) {
    case Tools: {
        p.setPen(QPen(kDark, 1.5));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(16, 16), 11, 11);
        Letter(p, QRectF(4, 4, 24, 24), QStringLiteral("X"), Qt::white);
        break;
    }
    case New:
        Page(p);
        p.setPen(QPen(kGreen, 3));
        p.drawLine(QPointF(16.5, 13), QPointF(16.5, 25));
        p.drawLine(QPointF(10.5, 19), QPointF(22.5, 19));
        break;
    case Save:
        Disk(p);
        break;
    case SaveClose:
        Disk(p);
        Cross(p, QRectF(18, 18, 11, 11), 3);
        break;
    case Properties:
        Page(p);
        p.setPen(QPen(kDark, 1.5));
        for (int y = 13; y <= 25; y += 4)
            p.drawLine(QPointF(11, y), QPointF(22, y));
        break;
    case Test: {
        QPolygonF play;
        play << QPointF(9, 5) << QPointF(27, 16) << QPointF(9, 27);
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(kGreen);
        p.drawPolygon(play);
        break;
    }
    case Create:
        p.setPen(QPen(kGreen, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 6), QPointF(16, 26));
        p.drawLine(QPointF(6, 16), QPointF(26, 16));
        break;
    case Edit: {
        QPolygonF pencil;
        pencil << QPointF(6, 26) << QPointF(8, 19) << QPointF(21, 6) << QPointF(26, 11)
               << QPointF(13, 24);
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(QColor(0xe8, 0xb0, 0x30));
        p.drawPolygon(pencil);
        break;
    }
    case Delete:
        Cross(p, QRectF(7, 7, 18, 18), 5);
        break;
    case Conditional:
        p.setPen(QPen(kDark, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9, 6), QPointF(9, 26));
        p.drawLine(QPointF(9, 14), QPointF(22, 14));
        p.drawLine(QPointF(22, 14), QPointF(22, 22));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(22, 24), 3.5, 3.5);
        p.drawEllipse(QPointF(9, 6), 3, 3);
        break;
    case Up:
    case Down:
        Arrow(p, glyph == Up);
        break;
    case Browser:
        p.setPen(QPen(kBlue, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 16), 12, 12);
        p.drawEllipse(QPointF(16, 16), 5, 12);
        p.drawLine(QPointF(4, 16), QPointF(28, 16));
        break;
    case RecordStart:
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(kRed);
        p.drawEllipse(QPointF(16, 16), 11, 11);
        break;
    case RecordStop:
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(kDark);
        p.drawRect(QRectF(7, 7, 18, 18));
        break;
    case Utilities:
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(kBlue);
        for (int x = 0; x < 2; ++x)
            for (int y = 0; y < 2; ++y)
                p.drawRect(QRectF(5 + x * 12, 5 + y * 12, 10, 10));
        break;
    case Diagnostics: {
        QPolygonF pulse;
        pulse << QPointF(3, 17) << QPointF(10, 17) << QPointF(13, 8) << QPointF(18, 26)
              << QPointF(21, 17) << QPointF(29, 17);
        p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(pulse);
        break;
    }
    case Language:
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(kPaper);
        p.drawRoundedRect(QRectF(4, 5, 24, 18), 4, 4);
        Letter(p, QRectF(4, 5, 24, 18), QStringLiteral("A"), kBlue);
        break;
    case Undo:
    case Redo:
        TurnArrow(p, glyph == Undo);
        break;
    default:
        break;
    }
}

void DrawPanelGlyph(QPainter& p, int glyph) {
    switch (glyph) {
    case PanelClose:
        Cross(p, QRectF(8, 8, 16, 16), 5);
        break;
    case PanelHelp:
    case PanelInfo:
        p.setPen(QPen(kDark, 1.2));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(16, 16), 13, 13);
        Letter(p, QRectF(3, 3, 26, 26),
               glyph == PanelHelp ? QStringLiteral("?") : QStringLiteral("i"), Qt::white);
        break;
    default:
        DrawGlyph(p, glyph - PanelCount);
        break;
    }
}

void DrawAppButton(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
    Letter(p, QRectF(1, 5, 30, 22), QStringLiteral("XAL"), Qt::white, 0.5);
}

QPixmap Render(XalImageList list, int index, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    switch (list) {
    case XalImageList::Panel:
        DrawPanelGlyph(p, index);
        break;
    case XalImageList::Ribbon:
        DrawGlyph(p, index);
        break;
    case XalImageList::AppButton:
        DrawAppButton(p);
        break;
    }
    return pixmap;
}

// Draws an image when a size of it is first asked for: a window shows one or two sizes of
// each image, and drawing every size of every ribbon image up front slowed the start.
class CDrawnIconEngine final : public QIconEngine {
public:
    CDrawnIconEngine(XalImageList list, int index) : m_list(list), m_index(index) {}

    QIconEngine* clone() const override { return new CDrawnIconEngine(m_list, m_index); }
    QString key() const override { return QStringLiteral("XalDrawnIcon"); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
        const int extent = std::min(size.width(), size.height());
        return extent > 0 ? QSize(extent, extent) : QSize();
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
        return {QSize(16, 16), QSize(32, 32), QSize(48, 48)};
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        const int extent = std::min(size.width(), size.height());
        if (extent <= 0)
            return {};
        const int key = extent * 4 + static_cast<int>(mode);
        if (const auto it = m_cache.constFind(key); it != m_cache.cend())
            return *it;
        QPixmap drawn = Render(m_list, m_index, extent);
        // Disabled, active and selected forms as the style makes them from the drawn one.
        if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            drawn = QApplication::style()->generatedIconPixmap(mode, drawn, &option);
        }
        m_cache.insert(key, drawn);
        return drawn;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

private:
    XalImageList m_list;
    int m_index;
    QHash<int, QPixmap> m_cache;
};
} // namespace

QIcon XalRibbonIcon(XalImageList list, int index) {
    if (index < 0 || index >= XalImageCount(list))
        return {};
    return QIcon(new CDrawnIconEngine(list, index));
}

int XalImageCount(XalImageList list) {
    switch (list) {
    case XalImageList::Panel:
        return static_cast<int>(PanelCount) + static_cast<int>(GlyphCount);
    case XalImageList::Ribbon:
        return GlyphCount;
    case XalImageList::AppButton:
        return 1;
    }
    return 0;
}
