#include "scriptview.h"

#include "admtools.h"
#include "messages.h"
#include "qjtrace.h"
#include "specialvars.h"
#include "urlparser.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

void CScriptView::FillScript(const CSubscriptObj& subscript) {
    Fill(subscript, nullptr);
}

void CScriptView::FillScript(CSubscriptObj&& subscript) {
    Fill(subscript, &subscript);
}

void CScriptView::Fill(const CSubscriptObj& subscript, CSubscriptObj* pOwned) {
    const CGridUpdateBlock block(m_grid);
    FillRows(subscript, pOwned);
    if (m_grid.GetRowCount() > 0) {
        m_grid.SelectRow(0);
        m_grid.SetCurrentRow(0);
    }
}

void CScriptView::PrepareURLRow(const CURLObj& url, CGridRow& /*row*/, bool /*bFirst*/) {
    static const QString strSource = QString::fromUtf16(kTraceSource);
    if (QJTraceEnabled(6))
        QJTrace(6, strSource, QStringLiteral("%s pURLObj: '%s'"),
                {QString::number(url.m_nPort), url.m_strURL});
}

void CScriptView::AppendRecordedURLs(const std::vector<CRecordedURL>& list) {
    if (list.empty())
        return;
    const CGridUpdateBlock block(m_grid);
    const QString strSource = QString::fromUtf16(kTraceSource);
    int nFirstAppended = -1;
    for (const CRecordedURL& entry : list) {
        m_tabView.AddAvailableDomain(entry.strURL);
        XalParsedURL parsed;
        parsed.port = 80;
        if (!XalParseURL(entry.strURL, parsed)) {
            QJTrace(6, strSource, QStringLiteral("Recorded URL skipped: '%s'"), {entry.strURL});
            continue;
        }
        const qsizetype nQuery = parsed.object.indexOf(u'?');
        const QString strAddress = nQuery < 0 ? parsed.object : parsed.object.left(nQuery);
        const QString strQuery = nQuery < 0 ? QString() : parsed.object.mid(nQuery + 1);
        int nProtocol = kProtocolHttp;
        if (parsed.service == kServiceHttps)
            nProtocol = kProtocolHttps;
        else if (parsed.service == kServiceFtp)
            nProtocol = kProtocolFtp;
        const QString strLabel = CAdmTools::GetProtocolPrefix(parsed.server, nProtocol) +
                                 CAdmTools::GetPortSuffix(parsed.port) + strAddress;

        CGridRow row;
        row.m_cells[0].strText = strLabel;
        row.m_cells[0].nImage = GridImage::ForURL(entry.nMethod);
        row.m_pRecord->m_strOrgValue = strLabel;
        row.m_nData = RowBits::kURL;
        row.m_crBackground = m_tabView.GetServerColor(parsed.server);
        const COLORREF crColor = row.m_crBackground;
        const int nURLRow = m_grid.AddURLRow(std::move(row));
        if (nFirstAppended < 0)
            nFirstAppended = nURLRow;

        std::vector<CURLParamObj> params;
        CAdmTools::ParseParameters(params, strQuery, entry.nMethod, entry.strPostData);
        for (CURLParamObj& param : params) {
            param.m_strOrgValue = param.m_strValue;
            CGridRow paramRow = MakeParamRow(std::move(param), crColor, false);
            paramRow.m_pRecord->m_nFlags = RowBits::kParam;
            paramRow.m_nData = RowBits::kParam;
            m_grid.AddSubRow(nURLRow, std::move(paramRow));
        }
    }
    if (nFirstAppended < 0)
        return;
    m_grid.MergeURLRows(nFirstAppended);
    m_grid.DeselectAllRows();
    m_grid.SelectRow(m_grid.GetRowCount() - 1);
}

void CScriptView::CollectScript(CScriptObj& script, CSubscriptObj& subscript) {
    int nCurrent = -1;
    bool bRootHasQuery = false;
    for (int i = 0; i < m_grid.GetRowCount(); ++i) {
        const CGridRow& row = m_grid.Row(i);
        const CGridItemRecord& record = *row.m_pRecord;
        if (row.IsURLRow()) {
            const QString& strLabel = row.m_cells[0].strText;
            if (nCurrent < 0) {
                script.m_strRootURL = strLabel;
                bRootHasQuery = strLabel.contains(u'?');
            }
            m_tabView.NoteFlexibleNumber(strLabel);
            if (record.m_nFlags == kURLFlexibleFlags ||
                record.m_nFlags == static_cast<int>(RowBits::kFlexByValue)) {
                const QString strPlaceholder = CAdmTools::ExtractSpecialVariable(strLabel);
                if (!strPlaceholder.isEmpty() && !script.m_lstVariables.contains(strPlaceholder)) {
                    CFindReplaceObj entry;
                    entry.m_strFind = CAdmTools::GetAddressBefore(strLabel, strPlaceholder);
                    entry.m_strReplace = strPlaceholder;
                    entry.m_nNoEqualSign = 1;
                    entry.m_baExtraFields =
                        m_tabView.Document().FlexibleExtraFields(strPlaceholder);
                    script.m_lstURLParameter.push_back(std::move(entry));
                    script.m_lstVariables.append(strPlaceholder);
                }
            }
            subscript.m_lstURLs.push_back(URLFromRow(i));
            nCurrent = static_cast<int>(subscript.m_lstURLs.size()) - 1;
            continue;
        }
        const QString& strName = row.m_cells[0].strText;
        if (strName.isEmpty() || nCurrent < 0)
            continue;
        if (nCurrent == 0) {
            script.m_strRootURL += bRootHasQuery ? u'&' : u'?';
            script.m_strRootURL += strName + u'=' + row.m_cells[1].strText;
            bRootHasQuery = true;
        }
        CollectScriptParts(script, strName, record);
        CURLParamObj param = ParamFromRow(i);
        param.m_nSpecialVariable = static_cast<int>(row.m_nData);
        subscript.m_lstURLs[static_cast<std::size_t>(nCurrent)].m_lstParams.push_back(
            std::move(param));
    }
}

void CScriptView::OnClose() {
    IViewHost& host = m_tabView.Host();
    if (host.Messages().Ask(XalString(26), MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes)
        host.CloseMainWindow();
}

bool CScriptView::CanMoveUp() const {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (nRow < 1)
        return false;
    if (m_grid.IsURLRow(nRow)) {
        // Row 0 stays first, so a URL needs another URL between row 1 and itself.
        for (int i = nRow - 1; i >= 1; --i) {
            if (m_grid.IsURLRow(i))
                return true;
        }
        return false;
    }
    return nRow - 1 >= 1 && !m_grid.IsURLRow(nRow - 1);
}

bool CScriptView::CanMoveDown() const {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (nRow < 1)
        return false;
    if (m_grid.IsURLRow(nRow))
        return m_grid.GetBlockEnd(nRow) < m_grid.GetRowCount();
    return m_grid.IsValidRow(nRow + 1) && !m_grid.IsURLRow(nRow + 1);
}
