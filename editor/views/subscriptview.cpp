#include "subscriptview.h"

#include "admtools.h"
#include "commandids.h"
#include "flexibletext.h"
#include "specialvars.h"
#include "xalscripteditview.h"

#include <algorithm>
#include <vector>

namespace {
// Neither the first row nor the condition URL (a URL row without the script-URL mark) moves.
bool IsPinnedRow(const CMyTreeGridCtrl& grid, int nRow) {
    if (nRow < 1)
        return true;
    return grid.IsURLRow(nRow) && (grid.Row(nRow).m_nData & RowBits::kScriptURL) == 0;
}
} // namespace

void CSubscriptView::FillScript(const QString& strName, const CSubscriptObj& subscript) {
    Fill(strName, subscript, nullptr);
}

void CSubscriptView::FillScript(const QString& strName, CSubscriptObj&& subscript) {
    Fill(strName, subscript, &subscript);
}

void CSubscriptView::Fill(const QString& strName, const CSubscriptObj& subscript,
                          CSubscriptObj* pOwned) {
    const CGridUpdateBlock block(m_grid);
    m_strName = strName;
    m_baExtraFields = subscript.m_baExtraFields;
    FillRows(subscript, pOwned);
    if (m_grid.GetRowCount() > 0)
        m_grid.SelectRow(0);
}

void CSubscriptView::PrepareURLRow(const CURLObj& /*url*/, CGridRow& row, bool bFirst) {
    // Only the marks are taken from the URL's flags: a flag value such as 9999 is no set of
    // row bits.
    row.m_nData = RowBits::kURL | (bFirst ? RowBits::kConditionURL : RowBits::kScriptURL);
    row.m_pRecord->m_nFlags = ConditionalURLFlags(row.m_cells[0].strText);
    if (bFirst)
        row.m_crBackground = kConditionURLColor;
}

void CSubscriptView::CollectScript(CScriptObj& script, CSubscriptObj& subscript) {
    subscript.m_baExtraFields = m_baExtraFields;
    int nCurrent = -1;
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        const CGridRow& row = m_grid.Row(i);
        const CGridItemRecord& record = *row.m_pRecord;
        if (row.IsURLRow()) {
            m_tabView.NoteFlexibleNumber(row.m_cells[0].strText);
            CURLObj url = URLFromRow(i);
            url.m_nFlags = record.m_nFlags;
            subscript.m_lstURLs.push_back(std::move(url));
            nCurrent = static_cast<int>(subscript.m_lstURLs.size()) - 1;
            continue;
        }
        const QString& strName = row.m_cells[0].strText;
        if (strName.isEmpty() || nCurrent < 0)
            continue;
        CollectScriptParts(script, strName, record);
        subscript.m_lstURLs[static_cast<std::size_t>(nCurrent)].m_lstParams.push_back(
            ParamFromRow(i));
    }
}

void CSubscriptView::OnClose() {
    // May destroy this view: nothing may touch members afterwards.
    m_tabView.DeleteConditionalScript(*this);
}

bool CSubscriptView::OnCommand(int nCommand) {
    if (nCommand == XalCmd::DeleteConditionalScript || nCommand == XalCmd::ConditionalScript) {
        OnClose();
        return true;
    }
    if (nCommand == XalCmd::FlexibleCondition) {
        OnFlexibleCondition();
        return true;
    }
    if (nCommand == XalCmd::ResetFlexibleCondition) {
        OnResetFlexibleCondition();
        return true;
    }
    return CBaseScriptView::OnCommand(nCommand);
}

bool CSubscriptView::Implements(int nCommand) const {
    return nCommand == XalCmd::DeleteConditionalScript || nCommand == XalCmd::ConditionalScript ||
           nCommand == XalCmd::FlexibleCondition || nCommand == XalCmd::ResetFlexibleCondition ||
           CBaseScriptView::Implements(nCommand);
}

void CSubscriptView::ReleaseFlexibleParameters() {
    // Every placeholder of every cell is gathered first (a value may hold several), the cells
    // are emptied so that this view no longer counts as showing them, and the numbers are
    // freed highest first so that the ones still to come are not renumbered under us.
    std::vector<int> numbers;
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        const int nCell = m_grid.IsURLRow(i) ? 0 : 1;
        const QString strText = m_grid.Row(i).m_cells[static_cast<std::size_t>(nCell)].strText;
        if (!strText.contains(kXalUrlPrefix))
            continue;
        for (const int nNumber : PlaceholderNumbersIn(strText))
            numbers.push_back(nNumber);
        m_grid.SetCellText(i, nCell, QString());
    }
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (const int nNumber : numbers)
        m_tabView.ReleasePlaceholder(2, FlexibleParameterName(nNumber));
}

int CSubscriptView::SpreadStartRow() const {
    // The condition URL's block is the pattern the proxy matches against: a placeholder in it
    // would change which URLs the conditional script applies to.
    if (m_grid.GetRowCount() == 0)
        return 0;
    return m_grid.GetSubRowCount(0) + 1;
}

bool CSubscriptView::CanMoveUp() const {
    const int nRow = m_grid.GetCurrentRow();
    if (IsPinnedRow(m_grid, nRow))
        return false;
    if (m_grid.IsURLRow(nRow))
        return m_grid.GetURLRowOf(nRow - 1) != 0;
    return nRow - 1 >= 1 && !m_grid.IsURLRow(nRow - 1);
}

bool CSubscriptView::CanMoveDown() const {
    const int nRow = m_grid.GetCurrentRow();
    if (IsPinnedRow(m_grid, nRow))
        return false;
    if (m_grid.IsURLRow(nRow))
        return m_grid.GetBlockEnd(nRow) < m_grid.GetRowCount();
    return m_grid.IsValidRow(nRow + 1) && !m_grid.IsURLRow(nRow + 1);
}
