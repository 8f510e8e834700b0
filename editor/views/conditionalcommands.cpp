// Conditional scripts: creating one from a URL of the main script, and the flexible
// conditions of a conditional-script view.
#include "admtools.h"
#include "basescriptview.h"
#include "dialflexcondurl.h"
#include "dialnewsubscript.h"
#include "editdialogs.h"
#include "flexibletext.h"
#include "messages.h"
#include "specialvars.h"
#include "subscriptview.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

namespace {
constexpr int kFlexConditionFlag = static_cast<int>(RowBits::kFlexCondition);
// "The XAL-internal variable '%s' could not be removed ..."
constexpr int kStrVariableNotRemoved = 62560;

bool HasFlexCondition(const CMyTreeGridCtrl& grid, int nRow) {
    return (grid.Record(nRow).m_nFlags & kFlexConditionFlag) != 0;
}

// The URL row's label and all its parameters, POST-body ones included: a logon variable in
// the body of a condition URL is as wrong as one in its query.
QString BlockText(const CMyTreeGridCtrl& grid, int nURLRow) {
    QString strText = grid.Row(nURLRow).m_cells[0].strText;
    for (int i = nURLRow + 1; i < grid.GetRowCount() && !grid.IsURLRow(i); ++i)
        strText += u'\n' + grid.Row(i).m_cells[0].strText + u'=' + grid.Row(i).m_cells[1].strText;
    return strText;
}
} // namespace

void CBaseScriptView::CreateConditionalScript() {
    if (IsConditional())
        return;
    const int nURLRow = m_grid.GetURLRowOf(m_grid.GetFirstSelectedRow());
    if (nURLRow < 0)
        return;
    IViewHost& host = m_tabView.Host();
    const QString strURL = GetURLWithQuery(nURLRow);
    const bool bInternal = BlockText(m_grid, nURLRow).contains(kXalUrlPrefix);
    if (bInternal && host.Messages().Ask(XalFormat(35, strURL), MsgButtons::YesNo,
                                         MsgIcon::Question) != MsgAnswer::Yes)
        return;
    CDialNewSubscript dialog(host.Messages());
    dialog.m_strURL = strURL;
    for (int i = 1; i < m_tabView.GetTabCount(); ++i)
        dialog.m_lstExistingNames.append(m_tabView.GetTabView(i)->GetName());
    if (!host.EditDialogs().NewSubscript(dialog))
        return;

    m_grid.UnmergeAll();
    if (bInternal) {
        const QString strLeft = RemoveInternalVariables(nURLRow);
        if (!strLeft.isEmpty())
            host.Messages().Inform(
                XalFormat(kStrVariableNotRemoved, strLeft, GetURLWithQuery(nURLRow)),
                MsgIcon::Warning);
    }
    m_tabView.Document().SetModified(true);
    CSubscriptObj subscript;
    subscript.m_nKind = 1;
    subscript.m_strName = dialog.m_strName;
    CollectRows(nURLRow, false, true, subscript);
    m_tabView.AddConditionalTab(dialog.m_strName, subscript);

    // The URLs now belong to the conditional script; the main script keeps its first URL.
    {
        const CGridUpdateBlock block(m_grid);
        const int nFrom = nURLRow == 0 ? 1 + m_grid.GetSubRowCount(0) : nURLRow;
        while (m_grid.GetRowCount() > nFrom)
            m_grid.RemoveRowWithSubRows(nFrom);
        m_grid.MergeURLRows(0);
        m_grid.DeselectAllRows();
        m_grid.SelectRow(0);
        m_grid.SetCurrentRow(0);
    }
    m_tabView.ReleaseUnshownPlaceholders();
}

QString CBaseScriptView::RemoveInternalVariables(int nURLRow) {
    const int nEnd = nURLRow + 1 + m_grid.GetSubRowCount(nURLRow);
    // Logon variables first: they have no number to free.
    for (int i = nURLRow + 1; i < nEnd; ++i) {
        const QString& strShown = m_grid.Row(i).m_cells[1].strText;
        if (strShown != kXalUrlUser && strShown != kXalUrlPassword)
            continue;
        CGridItemRecord& record = m_grid.Record(i);
        record.m_strRawValue = record.m_strOrgValue;
        record.m_strValue = CAdmTools::URLDecodeRepeated(record.m_strOrgValue, 10);
        record.m_nFlags = static_cast<int>(RowBits::kParam);
        if (record.m_strRawValue == kXalUrlUser || record.m_strRawValue == kXalUrlPassword) {
            record.m_strRawValue.clear();
            record.m_strValue.clear();
        }
        m_grid.Row(i).m_nData = RowBits::kParam;
        m_grid.SetCellText(i, 1, record.m_strValue);
    }

    QString strBefore;
    for (QString strNow = BlockText(m_grid, nURLRow); strNow.contains(kXalUrlPrefix);
         strNow = BlockText(m_grid, nURLRow)) {
        // A pass that changed nothing would repeat for ever: a parameter name, or an org value
        // that itself holds a variable, cannot be taken back.
        if (strNow == strBefore)
            return CAdmTools::ExtractSpecialVariable(strNow);
        strBefore = strNow;
        const QString strLabel = m_grid.Row(nURLRow).m_cells[0].strText;
        if (strLabel.contains(kXalUrlPrefix)) {
            m_grid.SetCellText(nURLRow, 0, OriginalLabel(nURLRow));
            m_grid.Record(nURLRow).m_nFlags = 0;
            m_grid.Row(nURLRow).m_nData &= ~RowBits::kFlexByValue;
            m_tabView.ReleasePlaceholdersIn(strLabel);
        }
        for (int i = nURLRow + 1; i < m_grid.GetRowCount() && !m_grid.IsURLRow(i); ++i) {
            const QString strOld = m_grid.Row(i).m_cells[1].strText;
            if (!strOld.contains(kXalUrlPrefix))
                continue;
            ResetParameterValue(i);
            // Later rows showing the same text are the same flexible parameter.
            for (int j = i + 1; j < m_grid.GetRowCount(); ++j) {
                if (!m_grid.IsURLRow(j) && m_grid.Row(j).m_cells[1].strText.contains(strOld))
                    ResetParameterValue(j);
            }
            m_tabView.ReleasePlaceholdersIn(strOld);
        }
    }
    return {};
}

void CSubscriptView::OnFlexibleCondition() {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (!m_grid.IsValidRow(nRow))
        return;
    if (m_grid.IsURLRow(nRow))
        MakeURLConditionFlexible(nRow);
    else
        MakeParameterConditionFlexible(nRow);
}

void CSubscriptView::MakeURLConditionFlexible(int nRow) {
    IViewHost& host = m_tabView.Host();
    CDialFlexCondURL dialog(host.Messages());
    dialog.m_strConditionURL = m_grid.Row(nRow).m_cells[0].strText;
    if (!host.EditDialogs().FlexCondURL(dialog))
        return;
    m_tabView.Document().SetModified(true);
    m_grid.UnmergeAll();
    const QString& strCondition = dialog.m_strConditionURL;
    CGridItemRecord& record = m_grid.Record(nRow);
    record.m_nFlags |= kFlexConditionFlag;
    record.m_strRawValue = strCondition;
    record.m_strValue = strCondition;
    m_grid.SetCellText(nRow, 0, strCondition);

    const QString strPattern = ConditionAddressPattern(SplitLabel(strCondition).strAddress);
    for (int i = nRow + 1; i < m_grid.GetRowCount(); ++i) {
        if (!m_grid.IsURLRow(i))
            continue;
        const QString strLabel = m_grid.Row(i).m_cells[0].strText;
        // A URL that holds a variable keeps it: its placeholder number would lose its row,
        // and the template's org value would bring it back on reset.
        if (strLabel.contains(kXalUrlPrefix))
            continue;
        const CLabelParts parts = SplitLabel(strLabel);
        if (CAdmTools::IsNotMatching(strPattern, parts.strAddress) != 0)
            continue;
        const QString strTemplate =
            CAdmTools::GetProtocolPrefix(parts.strServer, CAdmTools::GetProtocolIndex(strLabel)) +
            CAdmTools::GetPortSuffix(parts.nPort) + u'/' + kXalUrlConditionTemplate;
        CGridItemRecord& later = m_grid.Record(i);
        later.m_nFlags |= kFlexConditionFlag;
        later.m_strOrgValue = strLabel;
        later.m_strRawValue = strTemplate;
        later.m_strValue = strTemplate;
        m_grid.SetCellText(i, 0, strTemplate);
    }
    m_grid.MergeURLRows(0);
}

void CSubscriptView::MakeParameterConditionFlexible(int nRow) {
    const QString strName = m_grid.Row(nRow).m_cells[0].strText;
    if (strName.isEmpty())
        return;
    int nTarget = nRow;
    if (m_grid.GetURLRowOf(nRow) != 0) {
        const QString& strValue = m_grid.Row(nRow).m_cells[1].strText;
        for (int i = 1; i < m_grid.GetRowCount() && !m_grid.IsURLRow(i); ++i) {
            if (m_grid.Row(i).m_cells[0].strText == strName &&
                m_grid.Row(i).m_cells[1].strText == strValue) {
                nTarget = i;
                break;
            }
        }
    }
    // A value that is a variable already (a flexible parameter, the logon user) stays one.
    if (m_grid.Row(nTarget).m_cells[1].strText.contains(kXalUrlPrefix))
        return;
    m_tabView.Document().SetModified(true);
    const QString strAny = QStringLiteral("*");
    CGridItemRecord& record = m_grid.Record(nTarget);
    record.m_nFlags |= kFlexConditionFlag;
    record.m_strRawValue = strAny;
    record.m_strValue = strAny;
    m_grid.SetCellText(nTarget, 1, strAny);

    // The script URLs take the value the condition matched.
    const QString strPlaceholder = kXalUrlPrefix + strName;
    const int nFirstScriptRow = std::max(nTarget + 1, m_grid.GetSubRowCount(0) + 1);
    for (int i = nFirstScriptRow; i < m_grid.GetRowCount(); ++i) {
        if (m_grid.IsURLRow(i) || m_grid.Row(i).m_cells[0].strText != strName ||
            m_grid.Row(i).m_cells[1].strText.contains(kXalUrlPrefix))
            continue;
        CGridItemRecord& later = m_grid.Record(i);
        later.m_nFlags |= kFlexConditionFlag;
        later.m_strRawValue = strPlaceholder;
        later.m_strValue = strPlaceholder;
        m_grid.SetCellText(i, 1, strPlaceholder);
    }
}

void CSubscriptView::OnResetFlexibleCondition() {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (!m_grid.IsValidRow(nRow))
        return;
    m_tabView.Document().SetModified(true);
    if (m_grid.IsURLRow(nRow)) {
        int nConditions = 0;
        for (int i = 0; i < m_grid.GetRowCount(); ++i)
            nConditions += m_grid.IsURLRow(i) && HasFlexCondition(m_grid, i) ? 1 : 0;
        m_grid.UnmergeAll();
        if (nRow == 0 || nConditions == 2) {
            for (int i = 0; i < m_grid.GetRowCount(); ++i) {
                if (m_grid.IsURLRow(i) && HasFlexCondition(m_grid, i))
                    ResetURLCondition(i);
            }
        } else if (HasFlexCondition(m_grid, nRow)) {
            ResetURLCondition(nRow);
        }
        m_grid.MergeURLRows(0);
        return;
    }
    const QString strName = m_grid.Row(nRow).m_cells[0].strText;
    const QString strPlaceholder = kXalUrlPrefix + strName;
    const int nConditionEnd = m_grid.GetSubRowCount(0) + 1;
    int nInScripts = 0;
    for (int i = nConditionEnd; i < m_grid.GetRowCount(); ++i) {
        if (!m_grid.IsURLRow(i) && m_grid.Row(i).m_cells[1].strText == strPlaceholder)
            ++nInScripts;
    }
    if (nRow >= nConditionEnd && nInScripts >= 2) {
        if (HasFlexCondition(m_grid, nRow))
            ResetParameterCondition(nRow);
        return;
    }
    for (int i = 1; i < m_grid.GetRowCount(); ++i) {
        if (m_grid.IsURLRow(i) || !HasFlexCondition(m_grid, i))
            continue;
        const CGridRow& row = m_grid.Row(i);
        const bool bCondition = i < nConditionEnd && row.m_cells[0].strText == strName &&
                                row.m_cells[1].strText == u'*';
        const bool bScript = i >= nConditionEnd && row.m_cells[1].strText == strPlaceholder;
        // The selected row itself too: a script URL's parameter may carry the "*" when the
        // condition URL has no parameter like it.
        if (bCondition || bScript || i == nRow)
            ResetParameterCondition(i);
    }
}

void CSubscriptView::ResetURLCondition(int nRow) {
    CGridItemRecord& record = m_grid.Record(nRow);
    record.m_nFlags &= ~kFlexConditionFlag;
    // A URL with nothing recorded keeps its text rather than losing it.
    if (record.m_strOrgValue.isEmpty())
        return;
    record.m_strRawValue = record.m_strOrgValue;
    record.m_strValue = record.m_strOrgValue;
    m_grid.SetCellText(nRow, 0, record.m_strOrgValue);
}

void CSubscriptView::ResetParameterCondition(int nRow) {
    CGridItemRecord& record = m_grid.Record(nRow);
    record.m_nFlags &= ~kFlexConditionFlag;
    record.m_strRawValue = record.m_strOrgValue;
    record.m_strValue = CAdmTools::URLDecodeRepeated(record.m_strOrgValue, 10);
    m_grid.SetCellText(nRow, 1, record.m_strValue);
}
