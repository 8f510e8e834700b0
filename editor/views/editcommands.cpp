// The editing commands both script views share: Create, Edit, Delete, Up, Down, Browser and
// Exclude domain from recording. The conditional-script view differs in a few rules (marks of
// its URL rows, the amber condition URL, no root URL check), asked through IsConditional().

#include "admtools.h"
#include "basescriptview.h"
#include "commandids.h"
#include "dialediturl.h"
#include "dialediturlparams.h"
#include "messages.h"
#include "specialvars.h"
#include "subscriptview.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <algorithm>
#include <utility>

namespace {
constexpr std::uint32_t kURLMarks = RowBits::kConditionURL | RowBits::kScriptURL;
constexpr std::uint32_t kFlexibleBits = RowBits::kFlexByValue | RowBits::kFlexByNameValue;

// Icon of a parameter the dialog added or edited. A parameter of a GET URL stays a query
// parameter: the dialog offers "send in the URL anyway" only for POST methods, so without it
// a GET parameter would silently move into a POST body.
int ParamImage(int nMethodMark, bool bSendInURL) {
    if (nMethodMark == 0)
        return GridImage::kParamGet;
    return bSendInURL ? GridImage::kMethod2 : GridImage::kParamPost;
}

// Placeholders a text shows, each once.
void AddPlaceholdersOf(const QString& strText, QStringList& lstPlaceholders) {
    qsizetype nAt = strText.indexOf(kXalUrlPrefix);
    while (nAt >= 0) {
        const QString strPlaceholder = CAdmTools::ExtractSpecialVariable(strText.mid(nAt));
        if (FlexibleParameterNumber(strPlaceholder) >= 0 &&
            !lstPlaceholders.contains(strPlaceholder))
            lstPlaceholders.append(strPlaceholder);
        nAt = strText.indexOf(kXalUrlPrefix, nAt + kXalUrlPrefix.size());
    }
}

// Whether a parameter collected before the URL dialog and one it handed back are the same for
// the user (the dialog gives back kinds, not the loaded flag words).
bool SameParams(const std::vector<CURLParamObj>& before, const std::vector<CURLParamObj>& after) {
    return std::equal(before.begin(), before.end(), after.begin(), after.end(),
                      [](const CURLParamObj& a, const CURLParamObj& b) {
                          const int nFlagsA = CDialEditURLParams::FlagsFromKind(
                              CDialEditURLParams::KindFromFlags(a.m_nSpecialVariable));
                          return a.m_strName == b.m_strName && a.m_strValue == b.m_strValue &&
                                 a.m_strRawValue == b.m_strRawValue && a.m_nMethod == b.m_nMethod &&
                                 nFlagsA == b.m_nSpecialVariable;
                      });
}
} // namespace

int ConditionalURLFlags(const QString& strLabel) {
    if (strLabel.contains(u'*') || strLabel.contains(kXalUrlConditionTemplate))
        return static_cast<int>(RowBits::kFlexCondition);
    return strLabel.contains(kXalUrlPrefix) ? kURLFlexibleFlags : 0;
}

int CBaseScriptView::NewURLRecordFlags(const QString& strLabel) const {
    // The same value a loaded URL with this label carries, so that what is saved does not
    // depend on whether the URL was loaded or typed in.
    if (IsConditional())
        return ConditionalURLFlags(strLabel);
    return strLabel.contains(kXalUrlPrefix) ? kURLFlexibleFlags : 0;
}

int CBaseScriptView::URLOrdinal(int nURLRow) const {
    int nOrdinal = 0;
    for (int i = 0; i < nURLRow; ++i) {
        if (m_grid.IsURLRow(i))
            ++nOrdinal;
    }
    return nOrdinal;
}

void CBaseScriptView::SelectOnly(int nRow) {
    m_grid.DeselectAllRows();
    if (!m_grid.IsValidRow(nRow))
        return;
    m_grid.SelectRow(nRow);
    m_grid.SetCurrentRow(nRow);
}

void CBaseScriptView::CheckRootURL(const QString& strBefore) {
    if (IsConditional())
        return;
    const QString strAfter = GetURLWithQuery(0);
    if (strAfter.isEmpty() || strAfter == strBefore)
        return;
    m_tabView.Document().SetRootURL(strAfter);
    IViewHost& host = m_tabView.Host();
    if (host.Messages().Ask(XalString(17), MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes)
        host.StartRecording();
}

void CBaseScriptView::ReleasePlaceholders(const QStringList& lstPlaceholders) {
    // Highest number first: a release renumbers only the numbers above it, so the texts still
    // to come keep naming what they named.
    QStringList lstSorted = lstPlaceholders;
    std::sort(lstSorted.begin(), lstSorted.end(), [](const QString& a, const QString& b) {
        return FlexibleParameterNumber(a) > FlexibleParameterNumber(b);
    });
    for (const QString& strPlaceholder : lstSorted)
        m_tabView.ReleasePlaceholder(kURLFlexibleFlags, strPlaceholder);
}

CGridRow CBaseScriptView::MakeDialogParamRow(const CURLParamObj& param, COLORREF crColor) {
    CGridRow row;
    row.m_cells[0].strText = param.m_strName;
    row.m_cells[0].nImage = GridImage::ForParam(param.m_nMethod);
    row.m_cells[1].strText = param.m_strValue;
    CGridItemRecord& record = *row.m_pRecord;
    record.m_nFlags = param.m_nSpecialVariable;
    record.m_strOrgValue = param.m_strOrgValue;
    record.m_strRawValue = param.m_strRawValue;
    record.m_strValue = param.m_strValue;
    record.m_baExtraFields = param.m_baExtraFields;
    row.m_nData = static_cast<std::uint32_t>(param.m_nSpecialVariable) | RowBits::kParam;
    row.m_crBackground = crColor;
    return row;
}

// ---------------------------------------------------------------------------------------------
// Create

void CBaseScriptView::OnCreate() {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (!m_grid.IsValidRow(nRow))
        return;
    if (m_grid.IsURLRow(nRow))
        CreateURL(nRow);
    else
        CreateParameter(m_grid.GetURLRowOf(nRow));
}

void CBaseScriptView::CreateURL(int nURLRow) {
    IViewHost& host = m_tabView.Host();
    CDialEditURL dialog(host.Messages(), host.EditDialogs(), host.DialogShell());
    dialog.m_nAdd = 1;
    dialog.m_bServerLocked = false;
    dialog.m_nNextFlexibleNumber = m_tabView.Document().FlexibleCount();
    if (!host.EditDialogs().EditURL(dialog) || dialog.m_lstURLs.m_lstURLs.empty()) {
        SelectOnly(nURLRow);
        return;
    }
    const CURLObj& url = dialog.m_lstURLs.m_lstURLs.front();
    const QString strLabel = URLLabel(url);
    const QString strServer = SplitLabel(strLabel).strServer;

    const CGridUpdateBlock block(m_grid);
    const int nEnd = m_grid.GetBlockEnd(nURLRow);
    const int nInsertAt = nEnd >= m_grid.GetRowCount() ? m_grid.GetRowCount() : nEnd + 1;
    m_grid.UnmergeAll();
    m_tabView.Document().SetModified(true);
    m_tabView.AddAvailableDomain(strLabel);

    CGridRow row;
    row.m_cells[0].strText = strLabel;
    row.m_cells[0].nImage = GridImage::ForURL(url.m_nMethod);
    row.m_pRecord->m_strOrgValue = strLabel;
    row.m_pRecord->m_nFlags = NewURLRecordFlags(strLabel);
    row.m_nData = RowBits::kURL | (IsConditional() ? RowBits::kScriptURL : 0);
    row.m_crBackground = m_tabView.GetServerColor(strServer);
    const COLORREF crColor = row.m_crBackground;
    const int nNew = m_grid.InsertURLRow(nInsertAt, std::move(row));
    for (const CURLParamObj& param : url.m_lstParams)
        m_grid.AddSubRow(nNew, MakeDialogParamRow(param, crColor));
    SelectOnly(nNew);
    m_grid.MergeURLRows(0);
}

void CBaseScriptView::CreateParameter(int nURLRow) {
    if (!m_grid.IsURLRow(nURLRow))
        return;
    IViewHost& host = m_tabView.Host();
    CDialEditURLParams dialog(host.Messages());
    dialog.m_bAdd = true;
    dialog.m_bKindLocked = IsConditional() && URLOrdinal(nURLRow) < 2;
    dialog.m_nMethodMark = GridImage::Method(m_grid.Row(nURLRow).m_cells[0].nImage);
    dialog.m_nNextFlexibleNumber = m_tabView.Document().FlexibleCount();
    if (!host.EditDialogs().EditURLParams(dialog)) {
        SelectOnly(nURLRow);
        return;
    }
    const CGridUpdateBlock block(m_grid);
    m_grid.UnmergeAll();
    m_tabView.Document().SetModified(true);
    CGridRow row;
    const QString strDisplay = CAdmTools::URLDecodeRepeated(dialog.m_strValue, 10);
    row.m_cells[0].strText = dialog.m_strName;
    row.m_cells[0].nImage = ParamImage(dialog.m_nMethodMark, dialog.m_bSendInURL);
    row.m_cells[1].strText = strDisplay;
    CGridItemRecord& record = *row.m_pRecord;
    record.m_strOrgValue = dialog.m_strValue;
    record.m_strRawValue = dialog.m_strValue;
    record.m_strValue = strDisplay;
    record.m_nFlags = dialog.m_nFlags;
    row.m_nData = static_cast<std::uint32_t>(dialog.m_nFlags) | RowBits::kParam;
    row.m_crBackground = m_grid.Row(nURLRow).m_crBackground;
    const int nNew = m_grid.AddSubRow(nURLRow, std::move(row));
    m_grid.SetExpanded(nURLRow, true);
    SelectOnly(nNew);
    m_grid.MergeURLRows(0);
}

// ---------------------------------------------------------------------------------------------
// Edit

// The URL dialog keeps an address only up to its "?". A stored address that carries a query
// hands its pairs to the dialog as the first parameter rows instead, so that OK does not drop
// them; a query with a piece that is no pair stays in the address as it was.
void CBaseScriptView::MoveQueryToRows(CDialEditURL& dialog) {
    const qsizetype nQuery = dialog.m_strAddress.indexOf(u'?');
    if (nQuery < 0 || dialog.m_lstURLs.m_lstURLs.empty())
        return;
    const QString strQuery = dialog.m_strAddress.mid(nQuery + 1);
    const QStringList pieces = strQuery.split(u'&', Qt::SkipEmptyParts);
    if (std::any_of(pieces.begin(), pieces.end(),
                    [](const QString& piece) { return !piece.contains(u'='); }))
        return;
    std::vector<CURLParamObj> pairs;
    CAdmTools::ParseParameters(pairs, strQuery, dialog.m_nMethod);
    for (CURLParamObj& pair : pairs) {
        pair.m_strRawValue = pair.m_strValue;
        pair.m_strOrgValue = pair.m_strValue;
        pair.m_strValue = CAdmTools::URLDecodeRepeated(pair.m_strRawValue, 10);
        pair.m_nSpecialVariable = RowBits::kParam;
    }
    std::vector<CURLParamObj>& params = dialog.m_lstURLs.m_lstURLs.front().m_lstParams;
    params.insert(params.begin(), pairs.begin(), pairs.end());
    dialog.m_strAddress.truncate(nQuery);
}

void CBaseScriptView::OnEdit() {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (!m_grid.IsValidRow(nRow))
        return;
    if (m_grid.IsURLRow(nRow))
        EditURL(nRow);
    else
        EditParameter(nRow);
}

bool CBaseScriptView::HasFlexibleCondition(int nURLRow) const {
    if ((m_grid.Record(nURLRow).m_nFlags & RowBits::kFlexCondition) != 0)
        return true;
    for (int i = nURLRow + 1; i < m_grid.GetRowCount() && !m_grid.IsURLRow(i); ++i) {
        if ((m_grid.Record(i).m_nFlags & RowBits::kFlexCondition) != 0)
            return true;
    }
    return false;
}

void CBaseScriptView::EditURL(int nRow) {
    // A flexible condition is a pattern the URL dialog would turn back into a plain URL.
    if (IsConditional() && HasFlexibleCondition(nRow))
        return;
    IViewHost& host = m_tabView.Host();
    CXALScripEditDoc& doc = m_tabView.Document();
    const QString strRootBefore = GetURLWithQuery(0);
    const QString strOldLabel = m_grid.Row(nRow).m_cells[0].strText;
    const CLabelParts parts = SplitLabel(strOldLabel);

    CDialEditURL dialog(host.Messages(), host.EditDialogs(), host.DialogShell());
    dialog.m_nAdd = 0;
    dialog.m_bServerLocked = false;
    dialog.m_strServer = parts.strServer + CAdmTools::GetPortSuffix(parts.nPort);
    dialog.m_strAddress = parts.strAddress;
    dialog.m_nProtocol = CAdmTools::GetProtocolIndex(strOldLabel);
    dialog.m_nMethod = GridImage::Method(m_grid.Row(nRow).m_cells[0].nImage);
    dialog.m_bKindLocked = IsConditional() && URLOrdinal(nRow) < 2;
    dialog.m_nNextFlexibleNumber = doc.FlexibleCount();
    CollectRows(nRow, true, false, dialog.m_lstURLs);
    const CSubscriptObj before = dialog.m_lstURLs;
    MoveQueryToRows(dialog);

    // The row's own texts must not count as "still in use" while the dialog releases.
    m_grid.Row(nRow).m_nData |= RowBits::kInDialog;
    const CGridItemRecord* pRecord = m_grid.Row(nRow).m_pRecord.get();
    const bool bOK = host.EditDialogs().EditURL(dialog);
    // The dialog ran an event loop: find the row again by its record.
    nRow = m_grid.FindRowOfRecord(pRecord);
    if (nRow < 0)
        return;
    m_grid.Row(nRow).m_nData &= ~RowBits::kInDialog;
    if (!bOK || dialog.m_lstURLs.m_lstURLs.empty()) {
        SelectOnly(nRow);
        return;
    }

    const CURLObj& edited = dialog.m_lstURLs.m_lstURLs.front();
    const QString strLabel =
        CAdmTools::GetProtocolPrefix(dialog.m_strServer, dialog.m_nProtocol) + dialog.m_strAddress;
    const CURLObj& old = before.m_lstURLs.front();
    if (strLabel == strOldLabel && dialog.m_nMethod == old.m_nMethod &&
        SameParams(old.m_lstParams, edited.m_lstParams) && dialog.m_lstReleased.isEmpty()) {
        SelectOnly(nRow);
        m_grid.MergeURLRows(0);
        return;
    }

    // Everything the old block showed, released below once the new rows are in place.
    QStringList lstReleased = dialog.m_lstReleased;
    AddPlaceholdersOf(strOldLabel, lstReleased);
    for (const CURLParamObj& param : old.m_lstParams)
        AddPlaceholdersOf(param.m_strValue, lstReleased);

    {
        const CGridUpdateBlock block(m_grid);
        m_grid.UnmergeAll();
        doc.SetModified(true);
        const CGridRow& oldRow = m_grid.Row(nRow);
        const std::uint32_t nMarks = oldRow.m_nData & kURLMarks;
        CGridRow row;
        row.m_cells[0].strText = strLabel;
        row.m_cells[0].nImage = GridImage::ForURL(dialog.m_nMethod);
        row.m_pRecord->m_strOrgValue = oldRow.m_pRecord->m_strOrgValue;
        row.m_pRecord->m_baExtraFields = oldRow.m_pRecord->m_baExtraFields;
        row.m_pRecord->m_nFlags = NewURLRecordFlags(strLabel);
        row.m_nData = RowBits::kURL | nMarks;
        row.m_crBackground = (nMarks & RowBits::kConditionURL) != 0
                                 ? kConditionURLColor
                                 : m_tabView.GetServerColor(SplitLabel(strLabel).strServer);
        row.m_bExpanded = oldRow.m_bExpanded;

        // Unknown stored fields of a parameter stay with the parameter of the same name.
        std::vector<bool> oldTaken(old.m_lstParams.size(), false);

        m_grid.RemoveRowWithSubRows(nRow);
        m_tabView.AddAvailableDomain(strLabel);
        if (dialog.m_nNextFlexibleNumber >= 0)
            doc.SetFlexibleCount(std::max(dialog.m_nNextFlexibleNumber, doc.FlexibleCount()));
        const COLORREF crColor = row.m_crBackground;
        const int nNew = m_grid.InsertURLRow(nRow, std::move(row));
        for (const CURLParamObj& edit : edited.m_lstParams) {
            CURLParamObj param = edit;
            for (std::size_t i = 0; i < old.m_lstParams.size(); ++i) {
                const CURLParamObj& was = old.m_lstParams[i];
                if (oldTaken[i] || was.m_strName != param.m_strName)
                    continue;
                param.m_baExtraFields = was.m_baExtraFields;
                // The dialog hands back kinds: a parameter left as it was keeps its loaded
                // flags (flexible by name and value, the ordinary-row bit).
                if (was.m_strRawValue == param.m_strRawValue &&
                    CDialEditURLParams::FlagsFromKind(CDialEditURLParams::KindFromFlags(
                        was.m_nSpecialVariable)) == param.m_nSpecialVariable)
                    param.m_nSpecialVariable = was.m_nSpecialVariable;
                oldTaken[i] = true;
                break;
            }
            m_grid.AddSubRow(nNew, MakeDialogParamRow(param, crColor));
            if ((param.m_nSpecialVariable & RowBits::kLogonUser) != 0 && doc.LogonUser().isEmpty())
                doc.SetLogon(param.m_strOrgValue, doc.LogonPW());
            if ((param.m_nSpecialVariable & RowBits::kLogonPassword) != 0 &&
                doc.LogonPW().isEmpty())
                doc.SetLogon(doc.LogonUser(), param.m_strOrgValue);
        }
        SelectOnly(nNew);
        m_grid.MergeURLRows(0);
    }
    ReleasePlaceholders(lstReleased);
    // The edit is in the rows before the question: answering Yes starts a recording, it does
    // not throw the edit away.
    CheckRootURL(strRootBefore);
}

void CBaseScriptView::EditParameter(int nRow) {
    CGridRow& current = m_grid.Row(nRow);
    const CGridItemRecord& oldRecord = *current.m_pRecord;
    if (IsConditional() && (oldRecord.m_nFlags & RowBits::kFlexCondition) != 0)
        return;
    IViewHost& host = m_tabView.Host();
    CXALScripEditDoc& doc = m_tabView.Document();
    const QString strRootBefore = GetURLWithQuery(0);
    const int nURLRow = m_grid.GetURLRowOf(nRow);
    const std::uint32_t nOldData = current.m_nData;
    const int nOldFlags = oldRecord.m_nFlags;
    const QString strOldText = current.m_cells[1].strText;

    CDialEditURLParams dialog(host.Messages());
    dialog.m_bAdd = false;
    dialog.m_bKindLocked = IsConditional() && URLOrdinal(nURLRow) < 2;
    dialog.m_strName = current.m_cells[0].strText;
    dialog.m_strValue = oldRecord.m_strRawValue;
    dialog.m_strPredefinedValue = oldRecord.m_strOrgValue;
    dialog.m_nNextFlexibleNumber = doc.FlexibleCount();
    if ((nOldData & kFlexibleBits) != 0)
        dialog.m_nKind = 9999;
    else if ((nOldData & RowBits::kLogonUser) != 0)
        dialog.m_nKind = 1;
    else if ((nOldData & RowBits::kLogonPassword) != 0)
        dialog.m_nKind = 2;
    else
        dialog.m_nKind = 0;
    dialog.m_nMethodMark = GridImage::Method(current.m_cells[0].nImage);
    const CGridItemRecord* pRecord = current.m_pRecord.get();
    const bool bOK = host.EditDialogs().EditURLParams(dialog);
    nRow = m_grid.FindRowOfRecord(pRecord);
    if (nRow < 0)
        return;
    if (!bOK) {
        SelectOnly(nRow);
        return;
    }

    {
        const CGridUpdateBlock block(m_grid);
        doc.SetModified(true);
        CGridRow& row = m_grid.Row(nRow);
        CGridItemRecord& record = *row.m_pRecord;
        row.m_cells[0].nImage = ParamImage(dialog.m_nMethodMark, dialog.m_bSendInURL);
        row.m_cells[0].strText = dialog.m_strName;
        row.m_cells[1].strText = dialog.m_strNonEncodedValue;
        int nFlags = dialog.m_nFlags;
        if (dialog.m_nKind == 0) {
            record.m_strOrgValue = dialog.m_strValue;
        } else if (dialog.m_nKind == 1 || dialog.m_nKind == 2) {
            const bool bUser = dialog.m_nKind == 1;
            if (bUser && doc.LogonUser().isEmpty())
                doc.SetLogon(strOldText, doc.LogonPW());
            else if (!bUser && doc.LogonPW().isEmpty())
                doc.SetLogon(doc.LogonUser(), strOldText);
        } else if (dialog.m_nKind == 9999) {
            // The kind was left as loaded: keep the loaded flags (flexible by name or by value).
            if ((nOldFlags & static_cast<int>(kFlexibleBits)) != 0)
                nFlags = nOldFlags;
        }
        record.m_strRawValue = dialog.m_strValue;
        record.m_strValue = dialog.m_strNonEncodedValue;
        record.m_nFlags = nFlags;
        row.m_nData = static_cast<std::uint32_t>(nFlags) | RowBits::kParam;
        SelectOnly(nRow);
    }
    // A placeholder the row no longer shows is given back (when no other row shows it).
    QStringList lstReleased;
    AddPlaceholdersOf(strOldText, lstReleased);
    ReleasePlaceholders(lstReleased);
    CheckRootURL(strRootBefore);
}

// ---------------------------------------------------------------------------------------------
// Delete

bool CBaseScriptView::CanRemoveURLRow(int nRow) const {
    if (!IsConditional())
        return nRow >= 1;
    // A conditional script keeps its condition URL and one script URL.
    const std::uint32_t nMark = m_grid.Row(nRow).m_nData & kURLMarks;
    if (nMark == 0)
        return false;
    int nSameMark = 0;
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        if (m_grid.IsURLRow(i) && (m_grid.Row(i).m_nData & nMark) != 0)
            ++nSameMark;
    }
    return nSameMark >= 2;
}

void CBaseScriptView::OnDelete() {
    if (!m_grid.CanDeleteSelection(IsConditional()))
        return;
    const QString strRootBefore = GetURLWithQuery(0);
    const std::vector<CGridItemRecord*> records = m_grid.GetSelectedRecords();
    {
        const CGridUpdateBlock block(m_grid);
        m_grid.UnmergeAll();
        int nSelect = -1;
        for (const CGridItemRecord* pRecord : records) {
            const int nRow = m_grid.FindRowOfRecord(pRecord);
            if (nRow < 1)
                continue; // gone with its URL row, or row 0
            if (m_grid.IsURLRow(nRow) && !CanRemoveURLRow(nRow))
                continue;
            m_grid.RemoveRowWithSubRows(nRow);
            nSelect = std::min(nRow, m_grid.GetRowCount() - 1);
        }
        SelectOnly(nSelect);
        m_tabView.Document().SetModified(true);
        m_grid.MergeURLRows(0);
    }
    // Rows that went may have been the only ones showing a placeholder.
    m_tabView.ReleaseUnshownPlaceholders();
    CheckRootURL(strRootBefore);
}

// ---------------------------------------------------------------------------------------------
// Up and Down

int CBaseScriptView::MoveRow() const {
    return IsConditional() ? m_grid.GetCurrentRow() : m_grid.GetFirstSelectedRow();
}

void CBaseScriptView::OnMove(bool bUp) {
    if (bUp ? !CanMoveUp() : !CanMoveDown())
        return;
    const int nRow = MoveRow();
    const CGridUpdateBlock block(m_grid);
    m_tabView.Document().SetModified(true);
    m_grid.UnmergeAll();
    int nSelect = -1;
    if (m_grid.IsURLRow(nRow)) {
        // The block moves as it is: records, colours and stored extras stay with their rows.
        const int nCount = 1 + m_grid.GetSubRowCount(nRow);
        std::vector<CGridRow> block;
        for (int i = nRow; i < nRow + nCount; ++i)
            block.push_back(std::move(m_grid.Row(i)));
        m_grid.RemoveRowWithSubRows(nRow);
        int nTarget = 0;
        if (bUp) {
            nTarget = m_grid.GetURLRowOf(nRow - 1);
        } else {
            const int nEnd = m_grid.GetBlockEnd(nRow);
            nTarget = nEnd >= m_grid.GetRowCount() ? m_grid.GetRowCount() : nEnd + 1;
        }
        nSelect = m_grid.InsertURLRow(nTarget, std::move(block.front()));
        for (std::size_t i = 1; i < block.size(); ++i)
            m_grid.AddSubRow(nSelect, std::move(block[i]));
    } else {
        nSelect = bUp ? nRow - 1 : nRow + 1;
        std::swap(m_grid.Row(nRow), m_grid.Row(nSelect));
        m_grid.SetExpanded(m_grid.GetURLRowOf(nSelect), true);
    }
    SelectOnly(nSelect);
    m_grid.MergeURLRows(0);
}

// ---------------------------------------------------------------------------------------------
// Browser and domain exclusion

QString CBaseScriptView::GetBrowserURL(int nRow) const {
    const int nURLRow = m_grid.GetURLRowOf(nRow);
    if (nURLRow < 0)
        return {};
    const CGridRow& urlRow = m_grid.Row(nURLRow);
    QString strURL = urlRow.m_cells[0].strText;
    if (GridImage::Method(urlRow.m_cells[0].nImage) != 0)
        return strURL; // POST data cannot travel in an address
    bool bFirst = !strURL.contains(u'?');
    for (int i = nURLRow + 1; i < m_grid.GetRowCount() && !m_grid.IsURLRow(i); ++i) {
        const CGridRow& row = m_grid.Row(i);
        if (row.m_cells[0].strText.isEmpty())
            continue;
        // The stored value is encoded: a shown "&" or blank would break the query apart.
        const QString& strRaw = row.m_pRecord->m_strRawValue;
        strURL += bFirst ? u'?' : u'&';
        strURL +=
            row.m_cells[0].strText + u'=' + (strRaw.isEmpty() ? row.m_cells[1].strText : strRaw);
        bFirst = false;
    }
    return strURL;
}

void CBaseScriptView::OnBrowser() {
    const QString strURL = GetBrowserURL(m_grid.GetFirstSelectedRow());
    if (strURL.isEmpty())
        return;
    IViewHost& host = m_tabView.Host();
    if (!host.DialogShell().OpenInBrowser(strURL))
        host.Messages().Inform(XalString(151) + QStringLiteral(":\n") + strURL, MsgIcon::Warning);
}

void CBaseScriptView::OnExcludeDomain() {
    const int nURLRow = m_grid.GetURLRowOf(m_grid.GetFirstSelectedRow());
    if (nURLRow < 0)
        return;
    const QString& strURL = m_grid.Row(nURLRow).m_cells[0].strText;
    const QString strServer = CAdmTools::GetServer(strURL);
    if (strServer.isEmpty())
        return;
    // The domain starts with the dot in front of it; a host without a parent domain comes
    // whole, and cutting its first character would exclude hosts that merely end alike.
    QString strDomain = CAdmTools::GetDomain(strURL);
    if (strDomain.startsWith(u'.'))
        strDomain.remove(0, 1);
    const QString strPattern = QStringLiteral(".*") + strDomain + QStringLiteral(".*");
    m_tabView.Host().ExcludeDomain(strServer, strPattern);
}

bool CBaseScriptView::OnEditCommand(int nCommand) {
    switch (nCommand) {
    case XalCmd::Create:
        OnCreate();
        return true;
    case XalCmd::Edit:
        OnEdit();
        return true;
    case XalCmd::Delete:
        OnDelete();
        return true;
    case XalCmd::Up:
        OnMove(true);
        return true;
    case XalCmd::Down:
        OnMove(false);
        return true;
    case XalCmd::Browser:
        OnBrowser();
        return true;
    case XalCmd::ExcludeDomain:
        OnExcludeDomain();
        return true;
    default:
        return false;
    }
}

bool CBaseScriptView::IsEditCommand(int nCommand) {
    return nCommand == XalCmd::Create || nCommand == XalCmd::Edit || nCommand == XalCmd::Delete ||
           nCommand == XalCmd::Up || nCommand == XalCmd::Down || nCommand == XalCmd::Browser ||
           nCommand == XalCmd::ExcludeDomain;
}
