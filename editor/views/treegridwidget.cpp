#include "treegridwidget.h"

#include "basescriptview.h"
#include "commandids.h"
#include "viewhost.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <QBrush>
#include <QColor>
#include <QContextMenuEvent>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QSet>
#include <QStyle>

#include <algorithm>
#include <array>

namespace {
QColor FromCOLORREF(COLORREF crColor) {
    return QColor(static_cast<int>(crColor & 0xFF), static_cast<int>((crColor >> 8) & 0xFF),
                  static_cast<int>((crColor >> 16) & 0xFF));
}

// URLs are page symbols, parameters small dots; blue for GET, green for POST, grey for the
// third kind (a diamond, shared by URLs and query parameters of POST URLs).
QPixmap DrawIcon(int nImage) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor get(0x2a, 0x62, 0xc9);
    const QColor post(0x2e, 0x8b, 0x3a);
    const QColor other(0x80, 0x80, 0x80);
    switch (nImage) {
    case GridImage::kURLGet:
    case GridImage::kURLPost: {
        const QColor color = nImage == GridImage::kURLGet ? get : post;
        painter.setPen(QPen(color.darker(140), 1));
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 2, 2);
        painter.setPen(QPen(Qt::white, 1.5));
        for (int y = 5; y <= 11; y += 3)
            painter.drawLine(QPointF(5, y), QPointF(11, y));
        break;
    }
    case GridImage::kParamGet:
    case GridImage::kParamPost: {
        const QColor color = nImage == GridImage::kParamGet ? get : post;
        painter.setPen(QPen(color.darker(140), 1));
        painter.setBrush(color);
        painter.drawEllipse(QRectF(4.5, 4.5, 7, 7));
        break;
    }
    case GridImage::kMethod2: {
        painter.setPen(QPen(other.darker(140), 1));
        painter.setBrush(other);
        const QPolygon diamond({QPoint(8, 2), QPoint(14, 8), QPoint(8, 14), QPoint(2, 8)});
        painter.drawPolygon(diamond);
        break;
    }
    default:
        break;
    }
    return pixmap;
}
// Views hash a model index as row * 16 + column + internal id, without mixing, and keep large
// sets of them (expanded rows, spanned rows). Plain ids (0, or the parent's number) put
// thousands of rows into a few hash buckets and made every layout of a large script
// quadratic, so the ids carry scrambled low bits: bit 62 marks a top-level row, a child keeps
// its URL row's top-level number in bits 32..61.
constexpr quintptr kTopLevelMark = quintptr(1) << 62;

quintptr Scramble(quintptr nValue) {
    quintptr z = nValue * 0x9E3779B97F4A7C15ULL;
    z ^= z >> 29;
    return z & 0x0FFFFFFF;
}

quintptr TopLevelId(int nRow) {
    return kTopLevelMark | Scramble(quintptr(nRow));
}

quintptr ChildId(int nTop) {
    return (quintptr(nTop) << 32) | Scramble(quintptr(nTop) + 0x5bd1e995);
}

bool IsTopLevelId(quintptr nId) {
    return (nId & kTopLevelMark) != 0;
}

int ParentOfId(quintptr nId) {
    return static_cast<int>((nId >> 32) & 0x3FFFFFFF);
}
} // namespace

QIcon GridMethodIcon(int nImage) {
    static const std::array<QIcon, 5> icons = {QIcon(DrawIcon(0)), QIcon(DrawIcon(1)),
                                               QIcon(DrawIcon(2)), QIcon(DrawIcon(3)),
                                               QIcon(DrawIcon(4))};
    if (nImage < 0 || nImage >= static_cast<int>(icons.size()))
        return {};
    return icons[static_cast<std::size_t>(nImage)];
}

int VariableColumnWidth(const CMyTreeGridCtrl& grid, const QFontMetrics& metrics, int nExtra) {
    // Measuring every name would cost more than the rest of the first paint in a script of
    // 10,000 URLs, so only names near the longest character count are measured: those are the
    // widest in any ordinary font. Repeated names are measured once.
    qsizetype nLongest = 0;
    for (int i = 0; i < grid.GetRowCount(); ++i) {
        const CGridRow& row = grid.Row(i);
        if (!row.IsURLRow())
            nLongest = std::max(nLongest, row.m_cells[0].strText.size());
    }
    constexpr qsizetype kMaxMeasured = 256;
    QSet<QString> candidates;
    for (int i = 0; i < grid.GetRowCount() && candidates.size() < kMaxMeasured; ++i) {
        const CGridRow& row = grid.Row(i);
        if (!row.IsURLRow() && row.m_cells[0].strText.size() * 2 >= nLongest)
            candidates.insert(row.m_cells[0].strText);
    }
    int nWidest = 0;
    for (const QString& strName : candidates)
        nWidest = std::max(nWidest, metrics.horizontalAdvance(strName));
    return std::clamp(nWidest + nExtra, kVariableColumnMin, kVariableColumnMax);
}

CTreeGridModel::CTreeGridModel(const CMyTreeGridCtrl& grid, QObject* pParent)
    : QAbstractItemModel(pParent), m_grid(grid) {
    Rebuild();
}

void CTreeGridModel::Rebuild() {
    m_urlRows.clear();
    m_topOf.assign(static_cast<std::size_t>(m_grid.GetRowCount()), -1);
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        if (m_grid.Row(i).IsURLRow())
            m_urlRows.push_back(i);
        m_topOf[static_cast<std::size_t>(i)] = static_cast<int>(m_urlRows.size()) - 1;
    }
}

void CTreeGridModel::Reset() {
    beginResetModel();
    Rebuild();
    endResetModel();
}

void CTreeGridModel::RowChanged(int nGridRow) {
    const QModelIndex first = IndexOfGridRow(nGridRow, 0);
    if (first.isValid())
        emit dataChanged(first, IndexOfGridRow(nGridRow, 1));
}

QModelIndex CTreeGridModel::index(int nRow, int nColumn, const QModelIndex& parent) const {
    if (nRow < 0 || nColumn < 0 || nColumn > 1 || nRow >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(nRow, nColumn, TopLevelId(nRow));
    return createIndex(nRow, nColumn, ChildId(parent.row()));
}

QModelIndex CTreeGridModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || IsTopLevelId(child.internalId()))
        return {};
    const int nTop = ParentOfId(child.internalId());
    return createIndex(nTop, 0, TopLevelId(nTop));
}

int CTreeGridModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(m_urlRows.size());
    if (!IsTopLevelId(parent.internalId()) || parent.column() != 0)
        return 0;
    const auto nTop = static_cast<std::size_t>(parent.row());
    return nTop < m_urlRows.size() ? m_grid.GetSubRowCount(m_urlRows[nTop]) : 0;
}

int CTreeGridModel::columnCount(const QModelIndex&) const {
    return 2;
}

int CTreeGridModel::GridRow(const QModelIndex& index) const {
    if (!index.isValid())
        return -1;
    if (IsTopLevelId(index.internalId())) {
        const auto nTop = static_cast<std::size_t>(index.row());
        return nTop < m_urlRows.size() ? m_urlRows[nTop] : -1;
    }
    const auto nTop = static_cast<std::size_t>(ParentOfId(index.internalId()));
    if (nTop >= m_urlRows.size())
        return -1;
    const int nRow = m_urlRows[nTop] + 1 + index.row();
    return m_grid.IsValidRow(nRow) ? nRow : -1;
}

int CTreeGridModel::TopRowOf(int nGridRow) const {
    if (!m_grid.IsURLRow(nGridRow) || static_cast<std::size_t>(nGridRow) >= m_topOf.size())
        return -1;
    return m_topOf[static_cast<std::size_t>(nGridRow)];
}

QModelIndex CTreeGridModel::IndexOfGridRow(int nGridRow, int nColumn) const {
    if (nGridRow < 0 || static_cast<std::size_t>(nGridRow) >= m_topOf.size())
        return {};
    const int nTop = m_topOf[static_cast<std::size_t>(nGridRow)];
    if (nTop < 0)
        return {};
    const int nURLRow = m_urlRows[static_cast<std::size_t>(nTop)];
    if (nURLRow == nGridRow)
        return createIndex(nTop, nColumn, TopLevelId(nTop));
    return createIndex(nGridRow - nURLRow - 1, nColumn, ChildId(nTop));
}

QVariant CTreeGridModel::data(const QModelIndex& index, int nRole) const {
    const int nRow = GridRow(index);
    if (nRow < 0)
        return {};
    const CGridRow& row = m_grid.Row(nRow);
    const auto nCell = static_cast<std::size_t>(index.column());
    switch (nRole) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.m_cells[nCell].strText;
    case Qt::DecorationRole:
        if (nCell == 0 && row.m_cells[0].nImage >= 0)
            return GridMethodIcon(row.m_cells[0].nImage);
        return {};
    case Qt::BackgroundRole:
        return QBrush(FromCOLORREF(row.m_crBackground));
    case Qt::FontRole:
        if (row.IsURLRow()) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags CTreeGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags nFlags = QAbstractItemModel::flags(index);
    // Parameter rows never have rows below them. Saying so spares the view an expanded-state
    // entry and a layout pass for each of them when it expands all rows.
    if (index.isValid() && !IsTopLevelId(index.internalId()))
        nFlags |= Qt::ItemNeverHasChildren;
    return nFlags;
}

QVariant CTreeGridModel::headerData(int nSection, Qt::Orientation orientation, int nRole) const {
    if (orientation != Qt::Horizontal || nRole != Qt::DisplayRole)
        return {};
    if (nSection == 0)
        return XalString(7);
    if (nSection == 1)
        return XalString(120);
    return {};
}

CTreeGridWidget::CTreeGridWidget(CBaseScriptView& view, QWidget* pParent)
    : QTreeView(pParent), m_view(view), m_pModel(new CTreeGridModel(view.Grid(), this)) {
    setModel(m_pModel);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setExpandsOnDoubleClick(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(true);
    setColumnWidth(1, 300);
    connect(header(), &QHeaderView::sectionResized, this, [this](int nSection) {
        // Only a drag (or double click) on the header counts as the user's choice; resets and
        // layout passes resize sections too.
        if (nSection == 0 && !m_bFittingVariable && QGuiApplication::mouseButtons() != Qt::NoButton)
            m_bVariableSizedByUser = true;
    });
    FitVariableColumn();
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CTreeGridWidget::SelectionToGrid);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!m_bSyncing)
                    m_view.Grid().SetCurrentRow(m_pModel->GridRow(current));
            });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!m_bSyncing)
            m_view.Grid().SetExpanded(m_pModel->GridRow(index), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!m_bSyncing)
            m_view.Grid().SetExpanded(m_pModel->GridRow(index), false);
    });
    m_view.Grid().SetObserver(this);
    ApplyRowStates();
}

CTreeGridWidget::~CTreeGridWidget() {
    m_view.Grid().SetObserver(nullptr);
}

void CTreeGridWidget::OnGridReset() {
    m_bSyncing = true;
    // A reset during a double click (Edit) must not count as the user sizing the column.
    m_bFittingVariable = true;
    m_pModel->Reset();
    m_bFittingVariable = false;
    m_bSyncing = false;
    ApplyRowStates();
    FitVariableColumn();
}

void CTreeGridWidget::FitVariableColumn() {
    if (m_bVariableSizedByUser)
        return;
    // Parameter names sit one indentation step in, behind the 16-pixel icon; the rest is the
    // cell's margins and a little air before the "Value" column.
    const int nExtra =
        indentation() + 16 + 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 24;
    m_bFittingVariable = true;
    setColumnWidth(0, VariableColumnWidth(m_view.Grid(), fontMetrics(), nExtra));
    m_bFittingVariable = false;
}

void CTreeGridWidget::OnRowChanged(int nRow) {
    m_pModel->RowChanged(nRow);
    const CMyTreeGridCtrl& grid = m_view.Grid();
    if (grid.IsURLRow(nRow)) {
        m_bSyncing = true;
        const int nTop = m_pModel->TopRowOf(nRow);
        setFirstColumnSpanned(nTop, QModelIndex(), grid.Row(nRow).m_bMerged);
        setExpanded(m_pModel->index(nTop, 0), grid.Row(nRow).m_bExpanded);
        m_bSyncing = false;
    }
}

void CTreeGridWidget::OnSelectionChanged() {
    SelectionFromGrid();
}

void CTreeGridWidget::ApplyRowStates() {
    const CMyTreeGridCtrl& grid = m_view.Grid();
    // With uniform row heights the view gives every row the height of the first. Rows with a
    // method icon need more than rows without one (a method the editor does not know), so the
    // rule only holds while the first row has an icon or no row has one.
    int nFirstIcon = 0;
    while (nFirstIcon < grid.GetRowCount() && grid.Row(nFirstIcon).m_cells[0].nImage < 0)
        ++nFirstIcon;
    setUniformRowHeights(nFirstIcon == 0 || nFirstIcon == grid.GetRowCount());
    m_bSyncing = true;
    bool bAllExpanded = true;
    for (int i = 0; i < grid.GetRowCount() && bAllExpanded; ++i)
        bAllExpanded = !grid.Row(i).IsURLRow() || grid.Row(i).m_bExpanded;
    // Rows are expanded before any is spanned: the view's layout looks every row up in its set
    // of spanned rows, which costs a persistent index per row once the set is not empty. One
    // expandAll is far cheaper than one call per URL row in large scripts.
    if (bAllExpanded) {
        expandAll();
    } else {
        for (int i = 0; i < grid.GetRowCount(); ++i) {
            if (grid.Row(i).IsURLRow())
                setExpanded(m_pModel->IndexOfGridRow(i), grid.Row(i).m_bExpanded);
        }
    }
    for (int i = 0; i < grid.GetRowCount(); ++i) {
        const CGridRow& row = grid.Row(i);
        if (row.IsURLRow())
            setFirstColumnSpanned(m_pModel->TopRowOf(i), QModelIndex(), row.m_bMerged);
    }
    m_bSyncing = false;
    SelectionFromGrid();
}

void CTreeGridWidget::SelectionFromGrid() {
    const CMyTreeGridCtrl& grid = m_view.Grid();
    QItemSelection selection;
    for (int i = 0; i < grid.GetRowCount(); ++i) {
        if (grid.Row(i).m_bSelected) {
            selection.select(m_pModel->IndexOfGridRow(i, 0), m_pModel->IndexOfGridRow(i, 1));
        }
    }
    m_bSyncing = true;
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex current = m_pModel->IndexOfGridRow(grid.GetCurrentRow());
    if (current.isValid())
        selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    m_bSyncing = false;
}

void CTreeGridWidget::SelectionToGrid(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
    if (m_bSyncing)
        return;
    m_bSyncing = true;
    CMyTreeGridCtrl& grid = m_view.Grid();
    for (const QModelIndex& index : deselected.indexes()) {
        if (index.column() == 0)
            grid.SelectRow(m_pModel->GridRow(index), false);
    }
    for (const QModelIndex& index : selected.indexes()) {
        if (index.column() == 0)
            grid.SelectRow(m_pModel->GridRow(index), true);
    }
    m_bSyncing = false;
}

void CTreeGridWidget::mouseDoubleClickEvent(QMouseEvent* pEvent) {
    QTreeView::mouseDoubleClickEvent(pEvent);
    // Commands from the mouse and the keyboard obey the same enabling as the ribbon.
    if (pEvent->button() == Qt::LeftButton && indexAt(pEvent->position().toPoint()).isValid() &&
        m_view.IsCommandEnabled(XalCmd::Edit))
        m_view.TabView().OnCommand(m_view, XalCmd::Edit);
}

int EditingCommandForKey(QKeyCombination key) {
    const Qt::KeyboardModifiers mods = key.keyboardModifiers() & ~Qt::KeypadModifier;
    const Qt::Key k = key.key();
    if (mods == Qt::ControlModifier) {
        switch (k) {
        case Qt::Key_Z:
            return XalCmd::Undo;
        case Qt::Key_Y:
            return XalCmd::Redo;
        case Qt::Key_C:
        case Qt::Key_Insert:
            return XalCmd::Copy;
        case Qt::Key_X:
            return XalCmd::Cut;
        case Qt::Key_V:
            return XalCmd::Paste;
        default:
            return 0;
        }
    }
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && k == Qt::Key_Z)
        return XalCmd::Redo;
    if (mods == Qt::AltModifier && k == Qt::Key_Backspace)
        return XalCmd::Undo;
    if (mods == Qt::ShiftModifier && k == Qt::Key_Delete)
        return XalCmd::Cut;
    if (mods == Qt::ShiftModifier && k == Qt::Key_Insert)
        return XalCmd::Paste;
    return 0;
}

void CTreeGridWidget::keyPressEvent(QKeyEvent* pEvent) {
    CXALScripEditView& tabView = m_view.TabView();
    if (const int nCommand = EditingCommandForKey(pEvent->keyCombination())) {
        if (tabView.IsCommandEnabled(nCommand))
            tabView.OnCommand(m_view, nCommand);
        pEvent->accept();
        return;
    }
    if (pEvent->key() == Qt::Key_Delete && m_view.IsCommandEnabled(XalCmd::Delete))
        tabView.OnCommand(m_view, XalCmd::Delete);
    QTreeView::keyPressEvent(pEvent);
}

void CTreeGridWidget::contextMenuEvent(QContextMenuEvent* pEvent) {
    int nHit = -1;
    if (pEvent->reason() == QContextMenuEvent::Mouse)
        nHit = m_pModel->GridRow(indexAt(pEvent->pos()));
    const int nMenu = m_view.PrepareContextMenu(nHit);
    setFocus();
    pEvent->accept();
    if (nMenu == 0)
        return;
    QPoint globalPos = pEvent->globalPos();
    if (pEvent->reason() != QContextMenuEvent::Mouse) {
        // The menu key: the menu opens under the row in question, not at the mouse.
        const QModelIndex index = m_pModel->IndexOfGridRow(m_view.Grid().GetFirstSelectedRow());
        const QRect rect = visualRect(index);
        if (index.isValid() && viewport()->rect().intersects(rect))
            globalPos = viewport()->mapToGlobal(rect.bottomLeft());
    }
    m_view.TabView().Host().ShowContextMenu(nMenu, globalPos);
}
