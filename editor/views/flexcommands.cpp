// Flexible parameters: making a URL section or a parameter value flexible, resetting it, and
// the text rules these commands share.
#include "admtools.h"
#include "basescriptview.h"
#include "dialurlparameter.h"
#include "dialurlparamsflex.h"
#include "editdialogs.h"
#include "flexibletext.h"
#include "messages.h"
#include "specialvars.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <algorithm>

namespace {
constexpr std::uint32_t kFlexibleBits = RowBits::kFlexByNameValue | RowBits::kFlexByValue;

bool IsHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool HasEntry(const CXALScripEditDoc& doc, const QString& strPlaceholder) {
    const auto& list = doc.FlexibleParameters();
    return std::any_of(list.begin(), list.end(), [&](const CFindReplaceObj& entry) {
        return entry.m_strReplace == strPlaceholder;
    });
}
} // namespace

bool ReplaceWholePieces(QString& strText, const QString& strSeparator, const QString& strValue,
                        const QString& strReplacement, qsizetype nFrom, qsizetype nEnd) {
    if (strSeparator.isEmpty() || strValue.isEmpty())
        return false;
    const QString strNeedle = strSeparator + strValue;
    qsizetype nLimit = nEnd < 0 ? strText.size() : std::min(nEnd, strText.size());
    bool bChanged = false;
    qsizetype nPos = strText.indexOf(strNeedle, nFrom);
    while (nPos >= 0 && nPos + strNeedle.size() <= nLimit) {
        const qsizetype nAfter = nPos + strNeedle.size();
        const bool bWhole =
            nAfter == nLimit || QStringView(strText).mid(nAfter).startsWith(strSeparator);
        if (!bWhole) {
            nPos = strText.indexOf(strNeedle, nPos + 1);
            continue;
        }
        strText.replace(nPos + strSeparator.size(), strValue.size(), strReplacement);
        nLimit += strReplacement.size() - strValue.size();
        bChanged = true;
        // Go on at the separator that ended the piece: it may start the next one.
        nPos = strText.indexOf(strNeedle, nPos + strSeparator.size() + strReplacement.size());
    }
    return bChanged;
}

bool ReplaceInURLPath(QString& strLabel, const QString& strValue, const QString& strReplacement) {
    const qsizetype nScheme = strLabel.indexOf(QStringLiteral("://"));
    const qsizetype nPath = strLabel.indexOf(u'/', nScheme < 0 ? 0 : nScheme + 3);
    if (nPath < 0)
        return false;
    const qsizetype nQuery = strLabel.indexOf(u'?', nPath);
    return ReplaceWholePieces(strLabel, QStringLiteral("/"), strValue, strReplacement, nPath,
                              nQuery);
}

QString EncodeUnencoded(const QString& strText) {
    QString strOut;
    QString strRun;
    for (qsizetype i = 0; i < strText.size();) {
        if (strText[i] == u'%' && i + 2 < strText.size() && IsHexDigit(strText[i + 1]) &&
            IsHexDigit(strText[i + 2])) {
            strOut += CAdmTools::URLEncode(strRun);
            strRun.clear();
            strOut += strText.mid(i, 3);
            i += 3;
            continue;
        }
        strRun += strText[i];
        ++i;
    }
    strOut += CAdmTools::URLEncode(strRun);
    return strOut;
}

std::vector<int> PlaceholderNumbersIn(const QString& strText) {
    std::vector<int> numbers;
    for (qsizetype nAt = strText.indexOf(kXalUrlPrefix); nAt >= 0;
         nAt = strText.indexOf(kXalUrlPrefix, nAt + 1)) {
        const qsizetype nEnd = strText.indexOf(u'_', nAt + kXalUrlPrefix.size());
        if (nEnd < 0)
            break;
        const int nNumber = FlexibleParameterNumber(strText.mid(nAt, nEnd - nAt + 1));
        if (nNumber >= 0 && std::find(numbers.begin(), numbers.end(), nNumber) == numbers.end())
            numbers.push_back(nNumber);
    }
    std::sort(numbers.begin(), numbers.end(), std::greater<>());
    return numbers;
}

QString ShiftPlaceholdersDown(const QString& strText, int nFrom, int nCount) {
    QString strOut;
    qsizetype nDone = 0;
    for (qsizetype nAt = strText.indexOf(kXalUrlPrefix); nAt >= 0;
         nAt = strText.indexOf(kXalUrlPrefix, nAt + 1)) {
        const qsizetype nEnd = strText.indexOf(u'_', nAt + kXalUrlPrefix.size());
        if (nEnd < 0)
            break;
        const int nNumber = FlexibleParameterNumber(strText.mid(nAt, nEnd - nAt + 1));
        if (nNumber < nFrom || nNumber >= nCount)
            continue;
        strOut += QStringView(strText).mid(nDone, nAt - nDone);
        strOut += FlexibleParameterName(nNumber - 1);
        nDone = nEnd + 1;
        nAt = nEnd;
    }
    if (nDone == 0)
        return strText;
    strOut += QStringView(strText).mid(nDone);
    return strOut;
}

QString ConditionAddressPattern(const QString& strAddress) {
    static const QString strSpecial = QStringLiteral("\\^$.|?+()[]{}/");
    QString strPattern;
    for (const QChar c : strAddress) {
        if (c == u'*')
            strPattern += QStringLiteral(".*");
        else if (strSpecial.contains(c))
            strPattern += u'\\' + QString(c);
        else
            strPattern += c;
    }
    return strPattern;
}

void CBaseScriptView::OnFlexibleParameter() {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (!m_grid.IsValidRow(nRow))
        return;
    // The condition URL's block and flexible conditions belong to the condition: a placeholder
    // there would change which URLs the conditional script applies to.
    if (IsConditional() &&
        (m_grid.GetURLRowOf(nRow) == 0 ||
         (m_grid.Record(nRow).m_nFlags & static_cast<int>(RowBits::kFlexCondition)) != 0))
        return;
    if (m_grid.IsURLRow(nRow))
        MakeURLSectionFlexible(nRow);
    else if ((m_grid.Row(nRow).m_nData & (RowBits::kParam | kFlexibleBits)) != 0)
        MakeParameterFlexible(nRow);
}

void CBaseScriptView::MakeURLSectionFlexible(int nRow) {
    CXALScripEditDoc& doc = m_tabView.Document();
    IViewHost& host = m_tabView.Host();
    const QString strPlaceholder = FlexibleParameterName(doc.FlexibleCount());
    CDialURLParameter dialog;
    dialog.m_strSourceURL = m_grid.Row(nRow).m_cells[0].strText;
    dialog.m_strParameter = strPlaceholder;
    if (!host.EditDialogs().URLParameter(dialog) || dialog.m_strNewURL.isEmpty() ||
        dialog.m_strValue.isEmpty())
        return;
    // A section that already is a variable has its own number: replacing it would leave that
    // number without a row.
    if (HoldsInternalVariable(dialog.m_strValue)) {
        host.Messages().Inform(XalFormat(55, kXalUrlPrefix, dialog.m_strSourceURL),
                               MsgIcon::Warning);
        return;
    }
    doc.SetModified(true);
    doc.SetFlexibleCount(doc.FlexibleCount() + 1);
    m_tabView.AddFlexibleParameter(dialog.m_strValue, strPlaceholder);
    m_grid.Record(nRow).m_nFlags = kURLFlexibleFlags;

    CSpreadRequest request;
    request.strPlaceholder = strPlaceholder;
    request.nMode = 2;
    request.bInAddresses = true;
    request.bInValues = true;
    request.strSeparator = dialog.m_strSeparator;
    request.strValue = dialog.m_strValue;
    // Parameters the spread reaches hold the placeholder as their value, flexible by value; the
    // URL's own flags (9999) would also mark them as logon user and password.
    request.templ.m_nFlags = static_cast<int>(RowBits::kFlexByValue);
    request.templ.m_strRawValue = strPlaceholder;
    request.templ.m_strValue = strPlaceholder;
    m_grid.UnmergeAll();
    m_tabView.UpdateAllScripts(request);
    CGridRow& row = m_grid.Row(nRow);
    row.m_nData |= RowBits::kFlexByValue;
    m_grid.SetCellText(nRow, 0, dialog.m_strNewURL);
    m_grid.MergeURLRows(0);
    m_tabView.ReleaseUnshownPlaceholders();
}

void CBaseScriptView::MakeParameterFlexible(int nRow) {
    CXALScripEditDoc& doc = m_tabView.Document();
    IViewHost& host = m_tabView.Host();
    const std::uint32_t nData = m_grid.Row(nRow).m_nData;
    const QString strPrevName = m_grid.Row(nRow).m_cells[0].strText;
    const QString strPrevValue = m_grid.Row(nRow).m_cells[1].strText;
    CDialURLParamsFlex dialog;
    dialog.m_strName = strPrevName;
    dialog.m_strValue = strPrevValue;
    dialog.m_nNextFlexibleNumber = doc.FlexibleCount();
    if ((nData & RowBits::kFlexByValue) != 0) {
        dialog.m_nMode = 2;
        dialog.m_strSavedValue = m_grid.Record(nRow).m_strOrgValue;
    } else if ((nData & RowBits::kLogonUser) != 0) {
        dialog.m_nMode = 1;
        dialog.m_strSavedValue = doc.LogonUser();
    } else if ((nData & RowBits::kLogonPassword) != 0) {
        dialog.m_nMode = 2;
        dialog.m_strSavedValue = doc.LogonPW();
    } else if ((nData & RowBits::kFlexByNameValue) != 0) {
        dialog.m_nMode = 1;
        dialog.m_strSavedValue = m_grid.Record(nRow).m_strOrgValue;
    }
    const int nPrevMode = dialog.m_nMode;
    if (!host.EditDialogs().URLParamsFlex(dialog))
        return;

    // A predefined value that stays as it was is no change.
    if (nPrevMode == 0 && dialog.m_nMode == 0 && dialog.m_strName == strPrevName &&
        dialog.m_strValue == strPrevValue)
        return;

    doc.SetModified(true);
    m_grid.UnmergeAll();
    CGridRow& row = m_grid.Row(nRow);
    CGridItemRecord& record = *row.m_pRecord;
    if (dialog.m_nMode == 0) {
        // The value comes back as stored (the saved value) or as typed: encode only what is
        // not encoded yet.
        record.m_strRawValue = EncodeUnencoded(dialog.m_strValue);
        record.m_strValue = CAdmTools::URLDecodeRepeated(record.m_strRawValue, 10);
        record.m_nFlags = dialog.m_nFlags | static_cast<int>(RowBits::kParam);
        row.m_nData = static_cast<std::uint32_t>(dialog.m_nFlags) | RowBits::kParam;
        row.m_cells[0].strText = dialog.m_strName;
        m_grid.SetCellText(nRow, 1, record.m_strValue);
        if (nPrevMode != 0)
            m_tabView.ReleasePlaceholdersIn(strPrevValue);
    } else {
        // A row that already shows a numbered placeholder keeps it (and its one list entry);
        // anything else (a logon variable, a placeholder inside other text) gets a new number.
        QString strPlaceholder = dialog.m_strVariable;
        const int nNumber = FlexibleParameterNumber(strPlaceholder);
        if (nPrevMode == 0 || nNumber < 0 || nNumber >= doc.FlexibleCount()) {
            strPlaceholder = FlexibleParameterName(doc.FlexibleCount());
            doc.SetFlexibleCount(doc.FlexibleCount() + 1);
        }
        if (!HasEntry(doc, strPlaceholder))
            m_tabView.AddFlexibleParameter(dialog.m_strName, strPlaceholder);
        record.m_strRawValue = strPlaceholder;
        record.m_strValue = strPlaceholder;
        record.m_nFlags = dialog.m_nFlags;
        row.m_nData = static_cast<std::uint32_t>(dialog.m_nFlags);
        row.m_cells[0].strText = dialog.m_strName;
        m_grid.SetCellText(nRow, 1, strPlaceholder);

        CSpreadRequest request;
        request.strPlaceholder = strPlaceholder;
        request.nMode = dialog.m_nMode;
        request.bInAddresses = dialog.m_bReplaceInURL;
        request.bInValues = dialog.m_bReplaceInParams;
        request.strSeparator = dialog.m_strSeparator;
        request.strName = strPrevName;
        request.strValue = strPrevValue;
        request.templ = record;
        m_tabView.UpdateAllScripts(request);
    }
    m_grid.MergeURLRows(0);
    m_tabView.ReleaseUnshownPlaceholders();
}

void CBaseScriptView::OnResetFlexibleParameter() {
    const int nRow = m_grid.GetFirstSelectedRow();
    if (m_grid.IsValidRow(nRow))
        ResetFlexibleRow(nRow);
}

bool CBaseScriptView::ResetFlexibleRow(int nRow) {
    if (!m_grid.IsValidRow(nRow))
        return false;
    CGridRow& row = m_grid.Row(nRow);
    CGridItemRecord& record = *row.m_pRecord;
    if (row.IsURLRow()) {
        if (record.m_nFlags != kURLFlexibleFlags)
            return false;
        const QString strOld = row.m_cells[0].strText;
        m_grid.SetCellText(nRow, 0, OriginalLabel(nRow));
        record.m_nFlags = 0;
        row.m_nData &= ~RowBits::kFlexByValue;
        m_tabView.Document().SetModified(true);
        m_tabView.ReleasePlaceholdersIn(strOld);
        return true;
    }
    if (((static_cast<std::uint32_t>(record.m_nFlags) | row.m_nData) & kFlexibleBits) == 0)
        return false;
    const QString strOld = row.m_cells[1].strText;
    ResetParameterValue(nRow);
    m_tabView.Document().SetModified(true);
    m_tabView.ReleasePlaceholdersIn(strOld);
    return true;
}

QString CBaseScriptView::OriginalLabel(int nURLRow) const {
    const QString& strOrg = m_grid.Record(nURLRow).m_strOrgValue;
    if (!strOrg.isEmpty() && !HoldsInternalVariable(strOrg))
        return strOrg;
    // Without a usable recorded URL, each placeholder goes back to the section it replaced.
    QString strLabel = m_grid.Row(nURLRow).m_cells[0].strText;
    for (const CFindReplaceObj& entry : m_tabView.Document().FlexibleParameters()) {
        if (FlexibleParameterNumber(entry.m_strReplace) >= 0 && !entry.m_strFind.isEmpty())
            strLabel.replace(entry.m_strReplace, entry.m_strFind);
    }
    return strLabel;
}

void CBaseScriptView::ResetParameterValue(int nRow) {
    CGridRow& row = m_grid.Row(nRow);
    CGridItemRecord& record = *row.m_pRecord;
    // Stored org values may be encoded already ("https%3A%2F%2F..."): encoding them again
    // would change the value the proxy sends.
    const QString strOrg = record.m_strOrgValue;
    record.m_strValue = CAdmTools::URLDecodeRepeated(strOrg, 10);
    record.m_strRawValue = EncodeUnencoded(strOrg);
    record.m_nFlags = static_cast<int>(RowBits::kParam);
    row.m_nData = RowBits::kParam;
    m_grid.SetCellText(nRow, 1, record.m_strValue);
}
