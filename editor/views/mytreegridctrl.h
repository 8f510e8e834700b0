#pragma once
// The tree grid of a script view as a plain class: URL rows at the top level, parameter rows
// as their sub-rows. Every operation takes row indices over all rows, sub-rows included, in
// display order. CTreeGridWidget shows it; the views' commands work on this class only.

#include "gridrecord.h"
#include "scriptmodel.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CBaseScriptView;

struct CGridCell {
    QString strText;
    int nImage = -1; // icon index 0..4, -1 none
};

class CGridRow {
public:
    std::array<CGridCell, 2> m_cells;
    COLORREF m_crBackground = 0xFFFFFF;
    std::uint32_t m_nData = 0;
    // The record lives as long as the row; held by pointer so that record addresses stay
    // valid while rows around it are inserted or removed.
    std::unique_ptr<CGridItemRecord> m_pRecord = std::make_unique<CGridItemRecord>();
    int m_nRecordCell = 0; // 0 on URL rows, 1 on parameter rows
    bool m_bSubRow = false;
    bool m_bSelected = false;
    bool m_bExpanded = true;
    bool m_bMerged = false;

    [[nodiscard]] bool IsURLRow() const { return !m_bSubRow; }
};

// Told about changes so that a widget adapter can follow. Between BeginUpdate and EndUpdate
// only one OnGridReset is sent at the end.
class IGridObserver {
public:
    virtual ~IGridObserver() = default;
    virtual void OnGridReset() = 0;
    virtual void OnRowChanged(int nRow) = 0;
    virtual void OnSelectionChanged() = 0;
};

// Icons of the first cell, in binding order.
namespace GridImage {
inline constexpr int kURLGet = 0;
inline constexpr int kParamGet = 1;
inline constexpr int kURLPost = 2;
inline constexpr int kParamPost = 3;
inline constexpr int kMethod2 = 4;
[[nodiscard]] int ForURL(int nMethod);
[[nodiscard]] int ForParam(int nMethod);
// The method a row's icon stands for; -1 for no icon.
[[nodiscard]] int Method(int nImage);
} // namespace GridImage

class CMyTreeGridCtrl {
public:
    CMyTreeGridCtrl() = default;
    CMyTreeGridCtrl(const CMyTreeGridCtrl&) = delete;
    CMyTreeGridCtrl& operator=(const CMyTreeGridCtrl&) = delete;

    int m_nViewKind = 0;                     // 0 main-script view, 1 conditional-script view
    CBaseScriptView* m_pOwnerView = nullptr; // Not owned.

    [[nodiscard]] int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    [[nodiscard]] bool IsValidRow(int nRow) const { return nRow >= 0 && nRow < GetRowCount(); }
    [[nodiscard]] CGridRow& Row(int nRow) { return m_rows.at(static_cast<std::size_t>(nRow)); }
    [[nodiscard]] const CGridRow& Row(int nRow) const {
        return m_rows.at(static_cast<std::size_t>(nRow));
    }
    [[nodiscard]] CGridItemRecord& Record(int nRow) { return *Row(nRow).m_pRecord; }
    [[nodiscard]] const CGridItemRecord& Record(int nRow) const { return *Row(nRow).m_pRecord; }
    [[nodiscard]] bool IsURLRow(int nRow) const { return IsValidRow(nRow) && Row(nRow).IsURLRow(); }
    // The URL row of a parameter row, the row itself for a URL row, -1 for an invalid index.
    [[nodiscard]] int GetURLRowOf(int nRow) const;
    // -1 for URL rows.
    [[nodiscard]] int GetParentRow(int nRow) const;
    [[nodiscard]] int GetSubRowCount(int nURLRow) const;

    // Appends a URL row at the end; returns its index.
    int AddURLRow(CGridRow row);
    // Inserts a URL row so that it gets index nRow (nRow == count appends). nRow must start a
    // block or be the end; returns the index or -1.
    int InsertURLRow(int nRow, CGridRow row);
    // Appends a parameter row as the last sub-row of a URL row; returns its index or -1.
    int AddSubRow(int nURLRow, CGridRow row);
    void RemoveAll();
    // Removes the row and its sub-rows; returns the number of rows removed.
    int RemoveRowWithSubRows(int nRow);
    // Replaces nRemove rows from nAt by rows as they are (undo and redo put whole ranges back;
    // the caller leaves the blocks well formed). The current row is dropped when it went.
    void ReplaceRows(int nAt, int nRemove, std::vector<CGridRow> rows);

    [[nodiscard]] int GetFirstSelectedRow() const;
    [[nodiscard]] int GetSelectedRowCount() const;
    [[nodiscard]] bool IsRowSelected(int nRow) const {
        return IsValidRow(nRow) && Row(nRow).m_bSelected;
    }
    void SelectRow(int nRow, bool bSelect = true);
    void DeselectAllRows();
    [[nodiscard]] int GetCurrentRow() const { return m_nCurrentRow; }
    void SetCurrentRow(int nRow);

    // Whether the selection may be deleted; bConditional for a conditional-script view.
    [[nodiscard]] bool CanDeleteSelection(bool bConditional) const;
    // Records of the selected rows from row 1 on (row 0 never), in display order.
    [[nodiscard]] std::vector<CGridItemRecord*> GetSelectedRecords();
    // The row holding a record, -1 when no row does any more.
    [[nodiscard]] int FindRowOfRecord(const CGridItemRecord* pRecord) const;

    void ExpandAll();
    void CollapseAll();
    void SetExpanded(int nRow, bool bExpanded);
    void MergeURLRows(int nFrom);
    void UnmergeAll();
    void SetRowColor(int nRow, COLORREF crColor);
    // Whether a row shows the text (cell 1 of parameter rows, cell 0 of URL rows), skipping
    // rows that are being edited in a dialog.
    [[nodiscard]] bool FindTextInRows(const QString& strText) const;
    // Last row of the URL row's block when another URL row follows, else the row count.
    [[nodiscard]] int GetBlockEnd(int nURLRow) const;

    // Cell text changes made through this call reach the widget.
    void SetCellText(int nRow, int nCell, const QString& strText);
    void SetCellImage(int nRow, int nCell, int nImage);
    // Tells the widget that a row's data changed after direct edits through Row().
    void NotifyRowChanged(int nRow);

    void SetObserver(IGridObserver* pObserver) { m_pObserver = pObserver; }
    // Batches structural changes into one reset of the widget.
    void BeginUpdate() { ++m_nUpdateDepth; }
    void EndUpdate();

private:
    void NotifyReset();
    void NotifySelection();

    std::vector<CGridRow> m_rows;
    int m_nCurrentRow = -1;
    IGridObserver* m_pObserver = nullptr; // Not owned.
    int m_nUpdateDepth = 0;
    bool m_bResetPending = false;
};

// Scoped BeginUpdate/EndUpdate. The widget sees the rows as they were before the block until
// it ends, so no event loop (a message box, say) may run inside one.
class CGridUpdateBlock {
public:
    explicit CGridUpdateBlock(CMyTreeGridCtrl& grid) : m_grid(grid) { m_grid.BeginUpdate(); }
    ~CGridUpdateBlock() { m_grid.EndUpdate(); }
    CGridUpdateBlock(const CGridUpdateBlock&) = delete;
    CGridUpdateBlock& operator=(const CGridUpdateBlock&) = delete;

private:
    CMyTreeGridCtrl& m_grid;
};
