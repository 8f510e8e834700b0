#include "clipboardurls.h"

#include "admtools.h"
#include "basescriptview.h"
#include "dialediturl.h"
#include "dialediturlparams.h"
#include "messages.h"
#include "undohistory.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <QCoreApplication>

#include <set>

namespace {
// Percent-encodes, as UTF-8 bytes, what would break a line up: blanks, controls, non-ASCII
// characters and the separators given.
QString Escaped(const QString& text, QStringView separators) {
    QString out;
    out.reserve(text.size());
    for (const char c : text.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || separators.contains(QChar(u)))
            out += QStringLiteral("%%1").arg(u, 2, 16, QChar(u'0')).toUpper();
        else
            out += QChar(u);
    }
    return out;
}

QString Pair(const CGridRow& row) {
    const QString& strRaw = row.m_pRecord->m_strRawValue;
    const QString& strValue = strRaw.isEmpty() ? row.m_cells[1].strText : strRaw;
    return Escaped(row.m_cells[0].strText, u"&=#") + u'=' + Escaped(strValue, u"&#");
}

QString Tr(const char* text) {
    return QCoreApplication::translate("XALScriptEdit", text);
}
} // namespace

QString URLBlockLine(const CMyTreeGridCtrl& grid, int nURLRow) {
    if (!grid.IsURLRow(nURLRow))
        return {};
    const CGridRow& urlRow = grid.Row(nURLRow);
    QString strLine = Escaped(urlRow.m_cells[0].strText, u"");
    QString strBody;
    bool bFirstQuery = !strLine.contains(u'?');
    for (int i = nURLRow + 1; i < grid.GetRowCount() && !grid.IsURLRow(i); ++i) {
        const CGridRow& row = grid.Row(i);
        if (row.m_cells[0].strText.isEmpty())
            continue;
        if (row.m_cells[0].nImage == GridImage::kParamPost) {
            strBody += (strBody.isEmpty() ? QString() : QStringLiteral("&")) + Pair(row);
            continue;
        }
        strLine += bFirstQuery ? u'?' : u'&';
        strLine += Pair(row);
        bFirstQuery = false;
    }
    const int nImage = urlRow.m_cells[0].nImage;
    if (nImage == GridImage::kURLPost || nImage == GridImage::kMethod2 || !strBody.isEmpty())
        strLine += u'\t' + strBody;
    return strLine;
}

CClipboardURLs URLsFromClipboardText(const QString& text) {
    CClipboardURLs result;
    const auto refuse = [&result](const QString& line, const QString& kind) {
        if (result.refused.isEmpty())
            result.strFirstRefusedKind = kind;
        result.refused.append(line);
    };
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype nTab = line.indexOf(u'\t');
        const QString strURL = line.left(nTab).trimmed();
        if (strURL.isEmpty())
            continue;
        const CPastedURL pasted = CheckPastedURL(strURL);
        if (pasted.status == CPastedURL::Status::InternalVariable) {
            refuse(pasted.strText, pasted.strKind);
            continue;
        }
        if (pasted.status != CPastedURL::Status::Ok || !pasted.bParsed) {
            refuse(pasted.strText, QString());
            continue;
        }
        const bool bPost = nTab >= 0;
        QString strBody;
        if (bPost) {
            strBody = CAdmTools::WideToUTF8Chars(line.mid(nTab + 1).trimmed());
            QString strKind;
            if (CAdmTools::GetSpecialVariableKind(strBody, strKind)) {
                refuse(pasted.strText + u' ' + strBody, strKind);
                continue;
            }
        }
        CURLObj url;
        url.m_strServer = pasted.strServer;
        url.m_strURL = pasted.strAddress;
        url.m_nInternetProtocol = pasted.nProtocol;
        url.m_nMethod = bPost ? 1 : 0;
        url.m_strOrgValue = URLLabel(url);
        for (const CURLParamObj& pair : pasted.pairs) {
            CURLParamObj param = pair;
            param.m_nMethod = bPost ? 2 : 0;
            url.m_lstParams.push_back(std::move(param));
        }
        CAdmTools::ParseParameters(url.m_lstParams, QString(), 1, strBody);
        for (CURLParamObj& param : url.m_lstParams) {
            param.m_strOrgValue = param.m_strValue;
            param.m_nSpecialVariable = CDialEditURLParams::FlagsFromKind(
                CDialEditURLParams::KindFromFlags(param.m_nSpecialVariable));
        }
        result.urls.push_back(std::move(url));
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// The tab view's clipboard commands

namespace {
// URL rows of the selected rows, in order.
std::vector<int> SelectedURLRows(const CMyTreeGridCtrl& grid) {
    std::set<int> rows;
    for (int i = 0; i < grid.GetRowCount(); ++i) {
        if (grid.IsRowSelected(i))
            rows.insert(grid.GetURLRowOf(i));
    }
    return {rows.begin(), rows.end()};
}

// The selected URL blocks Cut removes: all but the first URL, and in a conditional script
// only when a URL after the condition URL stays.
std::vector<int> CutURLRows(const CBaseScriptView& view) {
    std::vector<int> rows = SelectedURLRows(view.Grid());
    std::erase(rows, 0);
    if (rows.empty() || !view.IsConditional())
        return rows;
    int nURLs = 0;
    for (int i = 1; i < view.Grid().GetRowCount(); ++i)
        nURLs += view.Grid().IsURLRow(i) ? 1 : 0;
    if (nURLs - static_cast<int>(rows.size()) < 1)
        rows.clear();
    return rows;
}
} // namespace

bool CXALScripEditView::CanCopy() const {
    const CBaseScriptView* pView = ActiveView();
    return m_doc.IsLoaded() && pView != nullptr && pView->Grid().GetSelectedRowCount() > 0;
}

bool CXALScripEditView::CanCut() const {
    const CBaseScriptView* pView = ActiveView();
    return m_doc.IsLoaded() && !m_host.IsRecording() && !m_history->IsInStep() &&
           pView != nullptr && !CutURLRows(*pView).empty();
}

bool CXALScripEditView::CopyURLs() {
    const CBaseScriptView* pView = ActiveView();
    if (pView == nullptr)
        return false;
    QStringList lines;
    for (const int nRow : SelectedURLRows(pView->Grid()))
        lines.append(URLBlockLine(pView->Grid(), nRow));
    if (lines.isEmpty())
        return false;
    return m_host.DialogShell().SetClipboardText(lines.join(u'\n') + u'\n');
}

bool CXALScripEditView::CutURLs() {
    CBaseScriptView* pView = ActiveView();
    if (pView == nullptr || !CanCut() || !CopyURLs())
        return false;
    const CUndoStepGuard step(*m_history);
    const std::vector<int> rows = CutURLRows(*pView);
    CMyTreeGridCtrl& grid = pView->Grid();
    {
        const CGridUpdateBlock block(grid);
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            grid.RemoveRowWithSubRows(*it);
        grid.DeselectAllRows();
        const int nNext = std::min(rows.front(), grid.GetRowCount() - 1);
        if (nNext >= 0) {
            grid.SelectRow(grid.GetURLRowOf(nNext));
            grid.SetCurrentRow(grid.GetURLRowOf(nNext));
        }
    }
    ReleaseUnshownPlaceholders();
    m_doc.SetModified(true);
    return true;
}

bool CXALScripEditView::PasteURLs() {
    CBaseScriptView* pView = ActiveView();
    if (pView == nullptr)
        return false;
    const CClipboardURLs pasted =
        URLsFromClipboardText(m_host.DialogShell().ClipboardText().value_or(QString()));
    if (pasted.urls.empty()) {
        if (!pasted.strFirstRefusedKind.isEmpty())
            m_host.Messages().Inform(
                XalFormat(55, pasted.strFirstRefusedKind, pasted.refused.front()),
                MsgIcon::Warning);
        else
            m_host.Messages().Inform(
                Tr(QT_TRANSLATE_NOOP("XALScriptEdit",
                                     "The clipboard holds no URL to paste. Paste takes one "
                                     "complete URL a line.")),
                MsgIcon::Warning);
        return false;
    }
    const CUndoStepGuard step(*m_history);
    CMyTreeGridCtrl& grid = pView->Grid();
    int nRow = grid.GetFirstSelectedRow();
    if (nRow < 0)
        nRow = grid.GetCurrentRow();
    pView->InsertURLs(nRow, pasted.urls);
    for (const CURLObj& url : pasted.urls)
        AddAvailableDomain(url.m_strOrgValue);
    m_doc.SetModified(true);
    if (!pasted.refused.isEmpty())
        m_host.Messages().Inform(
            Tr(QT_TRANSLATE_NOOP("XALScriptEdit",
                                 "These lines of the clipboard hold no URL, or an internal XAL "
                                 "URL parameter, and were left out:\n%1"))
                .arg(pasted.refused.mid(0, 10).join(u'\n')),
            MsgIcon::Warning);
    return true;
}

void CBaseScriptView::InsertURLs(int nRow, const std::vector<CURLObj>& urls) {
    if (urls.empty())
        return;
    const CGridUpdateBlock block(m_grid);
    int nAt = m_grid.GetRowCount();
    if (m_grid.IsValidRow(nRow)) {
        const int nEnd = m_grid.GetBlockEnd(m_grid.GetURLRowOf(nRow));
        nAt = nEnd < m_grid.GetRowCount() ? nEnd + 1 : nEnd;
    }
    const int nFirst = nAt;
    m_grid.UnmergeAll();
    for (const CURLObj& url : urls) {
        CGridRow row = MakeURLRow(url);
        if (IsConditional() && nAt > 0)
            row.m_nData |= RowBits::kScriptURL;
        const COLORREF crColor = row.m_crBackground;
        const int nURLRow = m_grid.InsertURLRow(nAt, std::move(row));
        for (const CURLParamObj& param : url.m_lstParams)
            m_grid.AddSubRow(nURLRow, MakeParamRow(param, crColor, IsConditional()));
        nAt = nURLRow + 1 + m_grid.GetSubRowCount(nURLRow);
    }
    m_grid.MergeURLRows(0);
    m_grid.DeselectAllRows();
    m_grid.SelectRow(nFirst);
    m_grid.SetCurrentRow(nFirst);
}
