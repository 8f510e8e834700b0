#include "basescriptview.h"

#include "admtools.h"
#include "commandids.h"
#include "flexibletext.h"
#include "specialvars.h"
#include "urlparser.h"
#include "viewhost.h"
#include "viewrules.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

QString URLLabel(const CURLObj& url) {
    return CAdmTools::GetProtocolPrefix(url.m_strServer, url.m_nInternetProtocol) +
           CAdmTools::GetPortSuffix(url.m_nPort) + url.m_strURL;
}

QString DisplayValue(const QString& strValue, int nSpecialVariable, int nKeepBits) {
    if ((nSpecialVariable & nKeepBits) != 0)
        return strValue;
    return CAdmTools::URLDecodeRepeated(strValue, 10);
}

CLabelParts SplitLabel(const QString& strLabel) {
    CLabelParts parts;
    XalParsedURL parsed;
    parsed.port = 80;
    if (XalParseURL(strLabel, parsed)) {
        parts.strServer = parsed.server;
        parts.strAddress = parsed.object;
        parts.nPort = parsed.port;
        return parts;
    }
    // A label the parser refuses (a "*" in the host, say) still keeps its server and address:
    // drop the scheme, cut at the first "/", and take a trailing numeric ":port" off the host.
    QString strRest = strLabel;
    const qsizetype nScheme = strRest.indexOf(QStringLiteral("://"));
    if (nScheme >= 0)
        strRest = strRest.mid(nScheme + 3);
    const qsizetype nSlash = strRest.indexOf(u'/');
    QString strHost = nSlash >= 0 ? strRest.left(nSlash) : strRest;
    parts.strAddress = nSlash >= 0 ? strRest.mid(nSlash) : QStringLiteral("/");
    const qsizetype nColon = strHost.lastIndexOf(u':');
    if (nColon >= 0) {
        bool bOk = false;
        const int nPort = strHost.mid(nColon + 1).toInt(&bOk);
        if (bOk && nPort >= 0 && nPort <= 65535) {
            parts.nPort = nPort;
            strHost.truncate(nColon);
        }
    }
    parts.strServer = strHost;
    return parts;
}

int PlaceholderNumber(const QString& strText) {
    const qsizetype nAt = strText.indexOf(kXalUrlPrefix);
    if (nAt < 0)
        return -1;
    qsizetype i = nAt + kXalUrlPrefix.size();
    qint64 nNumber = 0;
    bool bDigits = false;
    for (; i < strText.size() && strText[i].isDigit() && strText[i].unicode() < 128; ++i) {
        nNumber = nNumber * 10 + (strText[i].unicode() - u'0');
        if (nNumber > 1000000000)
            return -1; // no e-script has that many; treat as no number
        bDigits = true;
    }
    // "_XALURL_1abc" (a flexible condition on a parameter named "1abc") is no placeholder.
    if (!bDigits || i >= strText.size() || strText[i] != u'_')
        return -1;
    return static_cast<int>(nNumber);
}

CBaseScriptView::CBaseScriptView(CXALScripEditView& tabView, int nViewKind) : m_tabView(tabView) {
    m_grid.m_nViewKind = nViewKind;
    m_grid.m_pOwnerView = this;
}

CGridRow CBaseScriptView::MakeURLRow(const CURLObj& url) {
    CGridRow row;
    const QString strLabel = URLLabel(url);
    row.m_cells[0].strText = strLabel;
    row.m_cells[0].nImage = GridImage::ForURL(url.m_nMethod);
    row.m_pRecord->m_nFlags = strLabel.contains(kXalUrlPrefix) ? kURLFlexibleFlags : 0;
    // A URL's org value is mostly its label: one text then serves both.
    row.m_pRecord->m_strOrgValue = url.m_strOrgValue == strLabel ? strLabel : url.m_strOrgValue;
    row.m_pRecord->m_baExtraFields = url.m_baExtraFields;
    row.m_nData = RowBits::kURL;
    row.m_crBackground = m_tabView.GetServerColor(url.m_strServer);
    return row;
}

CGridRow CBaseScriptView::MakeParamRow(CURLParamObj param, COLORREF crColor,
                                       bool bUndecodedFlexible) {
    int nKeep = RowBits::kLogonUser | RowBits::kLogonPassword;
    if (bUndecodedFlexible)
        nKeep |= RowBits::kFlexByNameValue | RowBits::kSpecialValue | RowBits::kFlexByValue;
    CGridRow row;
    // Rows collected from another grid carry their stored value as raw value and the shown one
    // as value; a loaded parameter has only the stored one.
    QString strStored =
        std::move(param.m_strRawValue.isEmpty() ? param.m_strValue : param.m_strRawValue);
    QString strDisplay = DisplayValue(strStored, param.m_nSpecialVariable, nKeep);
    row.m_cells[0].strText = std::move(param.m_strName);
    row.m_cells[0].nImage = GridImage::ForParam(param.m_nMethod);
    row.m_cells[1].strText = strDisplay;
    CGridItemRecord& record = *row.m_pRecord;
    record.m_nFlags = param.m_nSpecialVariable;
    // Stored parameters mostly keep their value as org value: one text then serves both.
    if (param.m_strOrgValue == strStored)
        record.m_strOrgValue = strStored;
    else
        record.m_strOrgValue = std::move(param.m_strOrgValue);
    record.m_strRawValue = std::move(strStored);
    record.m_strValue = std::move(strDisplay);
    record.m_baExtraFields = std::move(param.m_baExtraFields);
    row.m_nData = static_cast<std::uint32_t>(param.m_nSpecialVariable) | RowBits::kParam;
    row.m_crBackground = crColor;
    return row;
}

void CBaseScriptView::FillRows(const CSubscriptObj& subscript, CSubscriptObj* pOwned) {
    std::size_t nRows = subscript.m_lstURLs.size();
    for (const CURLObj& url : subscript.m_lstURLs)
        nRows += url.m_lstParams.size();
    std::vector<CGridRow> rows;
    rows.reserve(nRows);
    const bool bConditional = IsConditional();
    // URLs mostly repeat the parameter names of the URL before them: equal names at the same
    // place share one text instead of one each.
    std::vector<QString> names;
    for (std::size_t u = 0; u < subscript.m_lstURLs.size(); ++u) {
        const CURLObj& url = subscript.m_lstURLs[u];
        CGridRow urlRow = MakeURLRow(url);
        PrepareURLRow(url, urlRow, u == 0);
        urlRow.m_bSubRow = false;
        urlRow.m_nRecordCell = 0;
        urlRow.m_bMerged = true;
        const COLORREF crColor = urlRow.m_crBackground;
        rows.push_back(std::move(urlRow));
        for (std::size_t p = 0; p < url.m_lstParams.size(); ++p) {
            CGridRow paramRow = pOwned != nullptr
                                    ? MakeParamRow(std::move(pOwned->m_lstURLs[u].m_lstParams[p]),
                                                   crColor, bConditional)
                                    : MakeParamRow(url.m_lstParams[p], crColor, bConditional);
            paramRow.m_bSubRow = true;
            paramRow.m_nRecordCell = 1;
            QString& strName = paramRow.m_cells[0].strText;
            if (p >= names.size())
                names.push_back(strName);
            else if (names[p] == strName)
                strName = names[p];
            else
                names[p] = strName;
            rows.push_back(std::move(paramRow));
        }
        if (pOwned != nullptr)
            pOwned->m_lstURLs[u] = CURLObj();
    }
    if (pOwned != nullptr)
        pOwned->m_lstURLs = {};
    m_grid.ReplaceRows(m_grid.GetRowCount(), 0, std::move(rows));
}

CURLObj CBaseScriptView::URLFromRow(int nRow) const {
    const CGridRow& row = m_grid.Row(nRow);
    const QString& strLabel = row.m_cells[0].strText;
    const CLabelParts parts = SplitLabel(strLabel);
    CURLObj url;
    url.m_strServer = parts.strServer;
    url.m_strURL = parts.strAddress;
    url.m_nPort = parts.nPort;
    url.m_nInternetProtocol = CAdmTools::GetProtocolIndex(strLabel);
    url.m_nMethod = GridImage::Method(row.m_cells[0].nImage);
    url.m_strOrgValue = row.m_pRecord->m_strOrgValue;
    url.m_baExtraFields = row.m_pRecord->m_baExtraFields;
    return url;
}

CURLParamObj CBaseScriptView::ParamFromRow(int nRow) const {
    const CGridRow& row = m_grid.Row(nRow);
    const CGridItemRecord& record = *row.m_pRecord;
    CURLParamObj param;
    param.m_strName = row.m_cells[0].strText;
    param.m_strValue = record.m_strValue;
    param.m_strRawValue = record.m_strRawValue;
    param.m_strOrgValue = record.m_strOrgValue;
    param.m_nMethod = GridImage::Method(row.m_cells[0].nImage);
    param.m_nSpecialVariable = record.m_nFlags;
    param.m_baExtraFields = record.m_baExtraFields;
    return param;
}

void CBaseScriptView::CollectScriptParts(CScriptObj& script, const QString& strName,
                                         const CGridItemRecord& record) {
    m_tabView.NoteFlexibleNumber(strName);
    m_tabView.NoteFlexibleNumber(record.m_strValue);
    if (script.m_strLogonUser.isEmpty() && (record.m_nFlags & RowBits::kLogonUser) != 0)
        script.m_strLogonUser = record.m_strOrgValue;
    if (script.m_strLogonPW.isEmpty() && (record.m_nFlags & RowBits::kLogonPassword) != 0)
        script.m_strLogonPW = record.m_strOrgValue;
    if ((record.m_nFlags & (RowBits::kFlexByValue | RowBits::kFlexByNameValue)) != 0 &&
        !script.m_lstVariables.contains(record.m_strRawValue)) {
        CFindReplaceObj entry;
        entry.m_strFind = strName;
        entry.m_strReplace = record.m_strRawValue;
        entry.m_baExtraFields = m_tabView.Document().FlexibleExtraFields(entry.m_strReplace);
        script.m_lstURLParameter.push_back(std::move(entry));
        script.m_lstVariables.append(record.m_strRawValue);
    }
}

QString CBaseScriptView::GetURLWithQuery(int nURLRow) const {
    if (!m_grid.IsURLRow(nURLRow))
        return {};
    QString strURL = m_grid.Row(nURLRow).m_cells[0].strText;
    // An address that already carries a query goes on with "&": a second "?" would make the
    // parameters part of the first one's value.
    bool bFirst = !strURL.contains(u'?');
    for (int i = nURLRow + 1; i < m_grid.GetRowCount() && !m_grid.IsURLRow(i); ++i) {
        const CGridRow& row = m_grid.Row(i);
        const int nImage = row.m_cells[0].nImage;
        // POST-body parameters do not travel in the URL.
        if (nImage == GridImage::kURLPost || nImage == GridImage::kParamPost ||
            row.m_cells[0].strText.isEmpty())
            continue;
        strURL += bFirst ? u'?' : u'&';
        strURL += row.m_cells[0].strText + u'=' + row.m_cells[1].strText;
        bFirst = false;
    }
    return strURL;
}

void CBaseScriptView::CollectRows(int nStartRow, bool bSingleURL, bool bSplit,
                                  CSubscriptObj& subscript) {
    const int nStart = m_grid.GetURLRowOf(nStartRow);
    if (nStart < 0)
        return;
    bool bFirstURL = true;
    // Index of the current URL in the list, and of its twin when the first URL was split.
    std::ptrdiff_t nCurrent = -1;
    std::ptrdiff_t nTwin = -1;
    for (int i = nStart; i < m_grid.GetRowCount(); ++i) {
        const CGridRow& row = m_grid.Row(i);
        if (row.IsURLRow()) {
            if (!bFirstURL && bSingleURL)
                break;
            CURLObj url = URLFromRow(i);
            nTwin = -1;
            if (bSplit) {
                url.m_nFlags = bFirstURL ? kSplitCondition : kSplitScript;
                subscript.m_lstURLs.push_back(url);
                nCurrent = static_cast<std::ptrdiff_t>(subscript.m_lstURLs.size()) - 1;
                if (bFirstURL) {
                    CURLObj twin = url;
                    twin.m_nFlags = kSplitScript;
                    subscript.m_lstURLs.push_back(std::move(twin));
                    nTwin = nCurrent + 1;
                }
            } else {
                subscript.m_lstURLs.push_back(std::move(url));
                nCurrent = static_cast<std::ptrdiff_t>(subscript.m_lstURLs.size()) - 1;
            }
            bFirstURL = false;
            continue;
        }
        if (row.m_cells[0].strText.isEmpty() || nCurrent < 0)
            continue;
        CURLParamObj param = ParamFromRow(i);
        m_tabView.NoteFlexibleNumber(param.m_strName);
        m_tabView.NoteFlexibleNumber(param.m_strValue);
        if (nTwin >= 0)
            subscript.m_lstURLs[static_cast<std::size_t>(nTwin)].m_lstParams.push_back(param);
        subscript.m_lstURLs[static_cast<std::size_t>(nCurrent)].m_lstParams.push_back(
            std::move(param));
    }
}

void CBaseScriptView::SpreadFlexibleParameter(const CSpreadRequest& request) {
    // An empty value would match every empty cell and every "/"; a placeholder spread over
    // itself (a flexible row made flexible again) has nothing to replace.
    if (request.strValue.isEmpty() || request.strValue == request.strPlaceholder)
        return;
    const CGridUpdateBlock block(m_grid);
    for (int i = std::max(SpreadStartRow(), 0); i < m_grid.GetRowCount(); ++i) {
        CGridRow& row = m_grid.Row(i);
        CGridItemRecord& record = *row.m_pRecord;
        // A flexible condition is the condition's own variable, no value to replace.
        if ((record.m_nFlags & static_cast<int>(RowBits::kFlexCondition)) != 0)
            continue;
        if (!row.IsURLRow()) {
            const QString& strName = row.m_cells[0].strText;
            QString strText = row.m_cells[1].strText;
            if (strName.isEmpty())
                continue;
            const bool bEqual = strText == request.strValue;
            if ((request.nMode == 1 && bEqual && strName == request.strName) ||
                (request.nMode == 2 && bEqual)) {
                row.m_cells[1].strText = request.strPlaceholder;
                // Every parameter row keeps its 0x40: the save writes the row bits, and a load
                // gives them back with it.
                row.m_nData = RowBits::kParam | (request.nMode == 1 ? RowBits::kFlexByNameValue
                                                                    : RowBits::kFlexByValue);
                record.m_strRawValue = request.templ.m_strRawValue;
                record.m_strValue = request.templ.m_strValue;
                record.m_nFlags = request.templ.m_nFlags;
                m_grid.NotifyRowChanged(i);
            } else if (request.nMode == 2 && request.bInValues &&
                       ReplaceWholePieces(strText, request.strSeparator, request.strValue,
                                          request.strPlaceholder)) {
                row.m_cells[1].strText = strText;
                row.m_nData = RowBits::kFlexByValue;
                record.m_strValue = strText;
                record.m_strRawValue = CAdmTools::URLEncode(strText);
                record.m_nFlags = request.templ.m_nFlags;
                m_grid.NotifyRowChanged(i);
            }
            continue;
        }
        QString strLabel = row.m_cells[0].strText;
        if (strLabel.isEmpty() || request.nMode != 2 || !request.bInAddresses)
            continue;
        // Whole path segments only: "123" must not turn "/1234/" into "/_XALURL_0_4/".
        if (ReplaceInURLPath(strLabel, request.strValue, request.strPlaceholder)) {
            record.m_nFlags = kURLFlexibleFlags;
            row.m_nData = RowBits::kFlexByValue | RowBits::kURL |
                          (row.m_nData & (RowBits::kConditionURL | RowBits::kScriptURL));
            row.m_cells[0].strText = strLabel;
            m_grid.NotifyRowChanged(i);
        }
    }
}

void CBaseScriptView::RenumberPlaceholders(const QString& strOld, const QString& strNew) {
    if (strOld.isEmpty())
        return;
    const CGridUpdateBlock block(m_grid);
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        CGridRow& row = m_grid.Row(i);
        const int nCell = row.IsURLRow() ? 0 : 1;
        QString strText = row.m_cells[static_cast<std::size_t>(nCell)].strText;
        if (strText.isEmpty() || !strText.contains(strOld))
            continue;
        strText.replace(strOld, strNew);
        row.m_cells[static_cast<std::size_t>(nCell)].strText = strText;
        if (nCell == 1) {
            // Each value is renamed in place: the stored one keeps its encoding
            // ("p%2F_XALURL_2_") while the shown one is decoded.
            CGridItemRecord& record = *row.m_pRecord;
            record.m_strRawValue = record.m_strRawValue.isEmpty()
                                       ? strText
                                       : QString(record.m_strRawValue).replace(strOld, strNew);
            record.m_strValue = strText;
        }
        m_grid.NotifyRowChanged(i);
    }
}

void CBaseScriptView::ShiftPlaceholders(int nFrom, int nCount) {
    const CGridUpdateBlock block(m_grid);
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        CGridRow& row = m_grid.Row(i);
        const std::size_t nCell = row.IsURLRow() ? 0 : 1;
        const QString& strText = row.m_cells[nCell].strText;
        if (!strText.contains(kXalUrlPrefix))
            continue;
        const QString strNew = ShiftPlaceholdersDown(strText, nFrom, nCount);
        if (strNew == strText)
            continue;
        if (nCell == 1) {
            CGridItemRecord& record = *row.m_pRecord;
            record.m_strRawValue = record.m_strRawValue.isEmpty()
                                       ? strNew
                                       : ShiftPlaceholdersDown(record.m_strRawValue, nFrom, nCount);
            record.m_strValue = strNew;
        }
        row.m_cells[nCell].strText = strNew;
        m_grid.NotifyRowChanged(i);
    }
}

int CBaseScriptView::PrepareContextMenu(int nHitRow) {
    if (m_tabView.Host().IsRecording())
        return 0;
    int nRow = -1;
    if (m_grid.IsValidRow(nHitRow)) {
        if (nHitRow != m_grid.GetFirstSelectedRow()) {
            m_grid.DeselectAllRows();
            m_grid.SelectRow(nHitRow);
            m_grid.SetCurrentRow(nHitRow);
        }
        nRow = nHitRow;
    } else {
        nRow = m_grid.GetFirstSelectedRow();
    }
    return ContextMenuForRow(m_grid, nRow, IsConditional());
}

bool CBaseScriptView::Implements(int nCommand) const {
    return nCommand == XalCmd::ExpandAll || nCommand == XalCmd::CollapseAll ||
           nCommand == XalCmd::FlexibleParameter || nCommand == XalCmd::ResetFlexibleParameter ||
           (nCommand == XalCmd::ConditionalScript && !IsConditional()) || IsEditCommand(nCommand);
}

bool CBaseScriptView::IsCommandEnabled(int nCommand) const {
    if (!Implements(nCommand))
        return false;
    CCommandState state;
    state.bLoaded = m_tabView.Document().IsLoaded();
    state.bRecording = m_tabView.Host().IsRecording();
    state.bConditional = IsConditional();
    state.bCanMoveUp = CanMoveUp();
    state.bCanMoveDown = CanMoveDown();
    return IsViewCommandEnabled(m_grid, state, nCommand);
}

bool CBaseScriptView::OnCommand(int nCommand) {
    switch (nCommand) {
    case XalCmd::ExpandAll:
        m_grid.ExpandAll();
        return true;
    case XalCmd::FlexibleParameter:
        OnFlexibleParameter();
        return true;
    case XalCmd::ResetFlexibleParameter:
        OnResetFlexibleParameter();
        return true;
    case XalCmd::ConditionalScript:
        CreateConditionalScript();
        return true;
    case XalCmd::CollapseAll: {
        // A selected parameter would vanish from sight: its URL row takes the selection.
        const CGridUpdateBlock block(m_grid);
        for (int i = 0; i < m_grid.GetRowCount(); ++i) {
            if (m_grid.IsRowSelected(i) && !m_grid.IsURLRow(i)) {
                m_grid.SelectRow(i, false);
                m_grid.SelectRow(m_grid.GetURLRowOf(i));
            }
        }
        m_grid.CollapseAll();
        return true;
    }
    default:
        return OnEditCommand(nCommand);
    }
}
