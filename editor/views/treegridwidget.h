#pragma once
// The Qt side of a script grid: CTreeGridModel adapts CMyTreeGridCtrl to a two-level item
// model (URL rows, parameter rows below them); CTreeGridWidget shows it in a QTreeView and
// feeds clicks, keys, selection and expansion back to the grid and its view.

#include "mytreegridctrl.h"

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QIcon>
#include <QTreeView>

#include <vector>

class CBaseScriptView;

class CTreeGridModel final : public QAbstractItemModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTreeGridModel)
public:
    explicit CTreeGridModel(const CMyTreeGridCtrl& grid, QObject* pParent = nullptr);

    [[nodiscard]] QModelIndex index(int nRow, int nColumn,
                                    const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int nRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    [[nodiscard]] QVariant headerData(int nSection, Qt::Orientation orientation,
                                      int nRole) const override;

    // Grid row (display order over all rows) of an index, -1 for an invalid one.
    [[nodiscard]] int GridRow(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex IndexOfGridRow(int nGridRow, int nColumn = 0) const;
    // Which top-level row a grid row is (URL rows only), -1 otherwise.
    [[nodiscard]] int TopRowOf(int nGridRow) const;

    // Follows the grid after a structural change.
    void Reset();
    void RowChanged(int nGridRow);

private:
    void Rebuild();

    const CMyTreeGridCtrl& m_grid;
    std::vector<int> m_urlRows; // grid row of each top-level row
    std::vector<int> m_topOf;   // top-level row of each grid row (its URL row's for parameters)
};

// The five method icons in binding order (drawn, 16x16).
[[nodiscard]] QIcon GridMethodIcon(int nImage);

// Width of the "Variable" column that shows the longest parameter name in full: the name's
// text width plus nExtra (indentation, icon, margins), kept within the limits below.
inline constexpr int kVariableColumnMin = 180;
inline constexpr int kVariableColumnMax = 420;
[[nodiscard]] int VariableColumnWidth(const CMyTreeGridCtrl& grid, const QFontMetrics& metrics,
                                      int nExtra);

// The undo, redo and clipboard command a key of the grid runs; 0 for none.
[[nodiscard]] int EditingCommandForKey(QKeyCombination key);

class CTreeGridWidget final : public QTreeView, private IGridObserver {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CTreeGridWidget)
public:
    // The view must outlive the widget.
    explicit CTreeGridWidget(CBaseScriptView& view, QWidget* pParent = nullptr);
    ~CTreeGridWidget() override;

    [[nodiscard]] CTreeGridModel& GridModel() const { return *m_pModel; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnGridReset() override;
    void OnRowChanged(int nRow) override;
    void OnSelectionChanged() override;
    void ApplyRowStates();
    void SelectionFromGrid();
    void SelectionToGrid(const QItemSelection& selected, const QItemSelection& deselected);
    // Fits the "Variable" column to the parameter names until the user sizes it by hand.
    void FitVariableColumn();

    CBaseScriptView& m_view;
    CTreeGridModel* m_pModel = nullptr; // Owned through the Qt parent.
    bool m_bSyncing = false;
    bool m_bVariableSizedByUser = false;
    bool m_bFittingVariable = false;
};
