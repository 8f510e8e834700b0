#include "mytreegridctrl.h"

#include <algorithm>
#include <utility>

namespace GridImage {
int ForURL(int nMethod) {
    switch (nMethod) {
    case 0:
        return kURLGet;
    case 1:
        return kURLPost;
    case 2:
        return kMethod2;
    default:
        return -1;
    }
}

int ForParam(int nMethod) {
    switch (nMethod) {
    case 0:
        return kParamGet;
    case 1:
        return kParamPost;
    case 2:
        return kMethod2;
    default:
        return -1;
    }
}

int Method(int nImage) {
    switch (nImage) {
    case kURLGet:
    case kParamGet:
        return 0;
    case kURLPost:
    case kParamPost:
        return 1;
    case kMethod2:
        return 2;
    default:
        return -1;
    }
}
} // namespace GridImage

int CMyTreeGridCtrl::GetURLRowOf(int nRow) const {
    if (!IsValidRow(nRow))
        return -1;
    while (nRow > 0 && Row(nRow).m_bSubRow)
        --nRow;
    return nRow;
}

int CMyTreeGridCtrl::GetParentRow(int nRow) const {
    if (!IsValidRow(nRow) || Row(nRow).IsURLRow())
        return -1;
    const int nURL = GetURLRowOf(nRow);
    return nURL == nRow ? -1 : nURL;
}

int CMyTreeGridCtrl::GetSubRowCount(int nURLRow) const {
    if (!IsURLRow(nURLRow))
        return 0;
    int nCount = 0;
    for (int i = nURLRow + 1; i < GetRowCount() && Row(i).m_bSubRow; ++i)
        ++nCount;
    return nCount;
}

int CMyTreeGridCtrl::AddURLRow(CGridRow row) {
    return InsertURLRow(GetRowCount(), std::move(row));
}

int CMyTreeGridCtrl::InsertURLRow(int nRow, CGridRow row) {
    // Inserting in front of a sub-row would steal the sub-rows of the block above.
    if (nRow < 0 || nRow > GetRowCount() || (nRow < GetRowCount() && Row(nRow).m_bSubRow))
        return -1;
    row.m_bSubRow = false;
    row.m_nRecordCell = 0;
    m_rows.insert(m_rows.begin() + nRow, std::move(row));
    if (m_nCurrentRow >= nRow)
        ++m_nCurrentRow;
    NotifyReset();
    return nRow;
}

int CMyTreeGridCtrl::AddSubRow(int nURLRow, CGridRow row) {
    if (!IsURLRow(nURLRow))
        return -1;
    const int nAt = nURLRow + 1 + GetSubRowCount(nURLRow);
    row.m_bSubRow = true;
    row.m_nRecordCell = 1;
    m_rows.insert(m_rows.begin() + nAt, std::move(row));
    if (m_nCurrentRow >= nAt)
        ++m_nCurrentRow;
    NotifyReset();
    return nAt;
}

void CMyTreeGridCtrl::RemoveAll() {
    m_rows.clear();
    m_nCurrentRow = -1;
    NotifyReset();
}

int CMyTreeGridCtrl::RemoveRowWithSubRows(int nRow) {
    if (!IsValidRow(nRow))
        return 0;
    const int nCount = 1 + (Row(nRow).IsURLRow() ? GetSubRowCount(nRow) : 0);
    m_rows.erase(m_rows.begin() + nRow, m_rows.begin() + nRow + nCount);
    if (m_nCurrentRow >= nRow + nCount)
        m_nCurrentRow -= nCount;
    else if (m_nCurrentRow >= nRow)
        m_nCurrentRow = -1;
    NotifyReset();
    return nCount;
}

void CMyTreeGridCtrl::ReplaceRows(int nAt, int nRemove, std::vector<CGridRow> rows) {
    nAt = std::clamp(nAt, 0, GetRowCount());
    nRemove = std::clamp(nRemove, 0, GetRowCount() - nAt);
    const auto itAt = m_rows.begin() + nAt;
    const auto nInserted = static_cast<int>(rows.size());
    if (m_rows.empty()) {
        // Filling an empty grid takes the rows as built, without a second copy of them.
        m_rows = std::move(rows);
    } else if (nRemove == nInserted) {
        std::move(rows.begin(), rows.end(), itAt);
    } else {
        m_rows.erase(itAt, itAt + nRemove);
        m_rows.insert(m_rows.begin() + nAt, std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
    }
    if (m_nCurrentRow >= nAt + nRemove)
        m_nCurrentRow += nInserted - nRemove;
    else if (m_nCurrentRow >= nAt)
        m_nCurrentRow = -1;
    NotifyReset();
}

int CMyTreeGridCtrl::GetFirstSelectedRow() const {
    const auto it = std::find_if(m_rows.begin(), m_rows.end(),
                                 [](const CGridRow& row) { return row.m_bSelected; });
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

int CMyTreeGridCtrl::GetSelectedRowCount() const {
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(),
                                          [](const CGridRow& row) { return row.m_bSelected; }));
}

void CMyTreeGridCtrl::SelectRow(int nRow, bool bSelect) {
    if (!IsValidRow(nRow) || Row(nRow).m_bSelected == bSelect)
        return;
    Row(nRow).m_bSelected = bSelect;
    NotifySelection();
}

void CMyTreeGridCtrl::DeselectAllRows() {
    bool bChanged = false;
    for (CGridRow& row : m_rows) {
        bChanged = bChanged || row.m_bSelected;
        row.m_bSelected = false;
    }
    if (bChanged)
        NotifySelection();
}

void CMyTreeGridCtrl::SetCurrentRow(int nRow) {
    m_nCurrentRow = IsValidRow(nRow) ? nRow : -1;
    NotifySelection();
}

bool CMyTreeGridCtrl::CanDeleteSelection(bool bConditional) const {
    if (GetSelectedRowCount() == 0)
        return false;
    int nSelectedURLs = 0;
    int nURLsAfterFirst = 0;
    for (int i = 0; i < GetRowCount(); ++i) {
        if (!Row(i).IsURLRow())
            continue;
        if (Row(i).m_bSelected) {
            if (i == 0)
                return false; // the first URL of a script stays
            ++nSelectedURLs;
        }
        if (i >= 1)
            ++nURLsAfterFirst;
    }
    if (!bConditional)
        return true;
    // A conditional script keeps its condition URL and at least one further URL.
    return nURLsAfterFirst - nSelectedURLs >= 1;
}

std::vector<CGridItemRecord*> CMyTreeGridCtrl::GetSelectedRecords() {
    std::vector<CGridItemRecord*> records;
    for (int i = 1; i < GetRowCount(); ++i) {
        if (Row(i).m_bSelected)
            records.push_back(Row(i).m_pRecord.get());
    }
    return records;
}

int CMyTreeGridCtrl::FindRowOfRecord(const CGridItemRecord* pRecord) const {
    for (int i = 0; i < GetRowCount(); ++i) {
        if (Row(i).m_pRecord.get() == pRecord)
            return i;
    }
    return -1;
}

void CMyTreeGridCtrl::ExpandAll() {
    for (CGridRow& row : m_rows) {
        if (row.IsURLRow())
            row.m_bExpanded = true;
    }
    NotifyReset();
}

void CMyTreeGridCtrl::CollapseAll() {
    for (CGridRow& row : m_rows) {
        if (row.IsURLRow())
            row.m_bExpanded = false;
    }
    NotifyReset();
}

void CMyTreeGridCtrl::SetExpanded(int nRow, bool bExpanded) {
    if (!IsURLRow(nRow) || Row(nRow).m_bExpanded == bExpanded)
        return;
    Row(nRow).m_bExpanded = bExpanded;
    NotifyRowChanged(nRow);
}

void CMyTreeGridCtrl::MergeURLRows(int nFrom) {
    for (int i = std::max(nFrom, 0); i < GetRowCount(); ++i) {
        if (Row(i).IsURLRow())
            Row(i).m_bMerged = true;
    }
    NotifyReset();
}

void CMyTreeGridCtrl::UnmergeAll() {
    for (CGridRow& row : m_rows)
        row.m_bMerged = false;
    NotifyReset();
}

void CMyTreeGridCtrl::SetRowColor(int nRow, COLORREF crColor) {
    if (!IsValidRow(nRow))
        return;
    Row(nRow).m_crBackground = crColor;
    NotifyRowChanged(nRow);
}

bool CMyTreeGridCtrl::FindTextInRows(const QString& strText) const {
    bool bSkipBlock = false;
    for (const CGridRow& row : m_rows) {
        if (row.IsURLRow()) {
            bSkipBlock = (row.m_nData & RowBits::kInDialog) != 0;
            if (!bSkipBlock && row.m_cells[0].strText.contains(strText))
                return true;
        } else if (!bSkipBlock && (row.m_nData & RowBits::kInDialog) == 0 &&
                   row.m_cells[1].strText.contains(strText)) {
            return true;
        }
    }
    return false;
}

int CMyTreeGridCtrl::GetBlockEnd(int nURLRow) const {
    if (!IsValidRow(nURLRow))
        return GetRowCount();
    const int nURL = GetURLRowOf(nURLRow);
    const int nLast = nURL + GetSubRowCount(nURL);
    return nLast + 1 < GetRowCount() ? nLast : GetRowCount();
}

void CMyTreeGridCtrl::SetCellText(int nRow, int nCell, const QString& strText) {
    if (!IsValidRow(nRow) || nCell < 0 || nCell > 1)
        return;
    Row(nRow).m_cells[static_cast<std::size_t>(nCell)].strText = strText;
    NotifyRowChanged(nRow);
}

void CMyTreeGridCtrl::SetCellImage(int nRow, int nCell, int nImage) {
    if (!IsValidRow(nRow) || nCell < 0 || nCell > 1)
        return;
    Row(nRow).m_cells[static_cast<std::size_t>(nCell)].nImage = nImage;
    NotifyRowChanged(nRow);
}

void CMyTreeGridCtrl::NotifyRowChanged(int nRow) {
    if (m_nUpdateDepth > 0) {
        // Shown with the reset at the end of the block.
        m_bResetPending = true;
        return;
    }
    if (m_pObserver == nullptr)
        return;
    m_pObserver->OnRowChanged(nRow);
}

void CMyTreeGridCtrl::EndUpdate() {
    if (m_nUpdateDepth > 0 && --m_nUpdateDepth == 0 && m_bResetPending) {
        m_bResetPending = false;
        if (m_pObserver != nullptr)
            m_pObserver->OnGridReset();
    }
}

void CMyTreeGridCtrl::NotifyReset() {
    if (m_nUpdateDepth > 0) {
        m_bResetPending = true;
        return;
    }
    if (m_pObserver != nullptr)
        m_pObserver->OnGridReset();
}

void CMyTreeGridCtrl::NotifySelection() {
    if (m_nUpdateDepth > 0) {
        // The reset at the end brings the selection along.
        m_bResetPending = true;
        return;
    }
    if (m_pObserver != nullptr)
        m_pObserver->OnSelectionChanged();
}
