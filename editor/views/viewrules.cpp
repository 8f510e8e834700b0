#include "viewrules.h"

#include "commandids.h"
#include "specialvars.h"

namespace {
struct Marks {
    bool bFlexCondition = false;
    bool bFlexParameter = false;
    bool bInternal = false;
};

Marks FindMarks(const CMyTreeGridCtrl& grid, int nRow) {
    Marks marks;
    const CGridRow& row = grid.Row(nRow);
    const CGridItemRecord& record = *row.m_pRecord;
    if ((row.m_nData & RowBits::kURL) != 0) {
        if ((record.m_nFlags & RowBits::kFlexCondition) != 0)
            marks.bFlexCondition = true;
        else if (record.m_nFlags == kURLFlexibleFlags)
            marks.bFlexParameter = true;
    } else if ((record.m_nFlags & (RowBits::kFlexByValue | RowBits::kFlexByNameValue)) != 0) {
        marks.bFlexParameter = true;
    } else if ((record.m_nFlags & RowBits::kFlexCondition) != 0) {
        marks.bFlexCondition = true;
    } else if (record.m_strValue == kXalUrlUser || record.m_strValue == kXalUrlPassword) {
        marks.bInternal = true;
    }
    return marks;
}
} // namespace

int ContextMenuForRow(const CMyTreeGridCtrl& grid, int nRow, bool bConditional) {
    if (!grid.IsValidRow(nRow))
        return ViewMenu::kExpandCollapseOnly;
    const Marks marks = FindMarks(grid, nRow);
    if (!bConditional) {
        if (marks.bFlexParameter)
            return ViewMenu::kResetFlexibleParameter;
        if (marks.bInternal)
            return ViewMenu::kNoFlexibleEntry;
        return ViewMenu::kFlexibleParameter;
    }
    const bool bFirst = grid.GetURLRowOf(nRow) == 0;
    if (marks.bFlexCondition)
        return ViewMenu::kCondResetFlexibleCondition;
    if (bFirst)
        return ViewMenu::kCondFlexibleCondition;
    if (marks.bInternal)
        return ViewMenu::kCondNoFlexibleEntry;
    if (marks.bFlexParameter)
        return ViewMenu::kCondResetFlexibleParameter;
    return ViewMenu::kCondFlexibleParameter;
}

bool IsViewCommandEnabled(const CMyTreeGridCtrl& grid, const CCommandState& state, int nCommand) {
    const bool bReady = state.bLoaded && !state.bRecording;
    const bool bSelection = grid.GetSelectedRowCount() > 0;
    switch (nCommand) {
    case XalCmd::Create:
    case XalCmd::Browser:
    case XalCmd::FlexibleParameter:
    case XalCmd::ResetFlexibleParameter:
    case XalCmd::ExcludeDomain:
        return bReady && bSelection;
    case XalCmd::ConditionalScript:
        // In a conditional view the same id deletes the conditional script.
        return state.bConditional ? bReady : bReady && bSelection;
    case XalCmd::Edit: {
        if (!bReady || !bSelection)
            return false;
        if (!state.bConditional)
            return true;
        const int nFirst = grid.GetFirstSelectedRow();
        const CGridRow& row = grid.Row(nFirst);
        return row.IsURLRow() || (row.m_pRecord->m_nFlags & RowBits::kFlexCondition) == 0;
    }
    case XalCmd::Delete:
        if (state.bConditional)
            return !state.bRecording && grid.CanDeleteSelection(true);
        return bReady && grid.CanDeleteSelection(false);
    case XalCmd::Up:
        return state.bCanMoveUp && !state.bRecording && grid.GetSelectedRowCount() < 2;
    case XalCmd::Down:
        return state.bCanMoveDown && !state.bRecording && grid.GetSelectedRowCount() < 2;
    case XalCmd::FlexibleCondition:
    case XalCmd::ResetFlexibleCondition:
        return state.bConditional && bReady && bSelection;
    case XalCmd::DeleteConditionalScript:
        return state.bConditional && bReady;
    case XalCmd::ExpandAll:
    case XalCmd::CollapseAll:
        return state.bLoaded && grid.GetRowCount() > 0;
    default:
        return false;
    }
}
