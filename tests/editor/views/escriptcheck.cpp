#include "escriptcheck.h"

#include "basescriptview.h"
#include "fakehost.h"
#include "mongodb.h"
#include "scriptload.h"
#include "scriptsave.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <QRegularExpression>

#include <map>
#include <set>

QString CheckFlexibleInvariant(const CXALScripEditView& view) {
    static const QRegularExpression placeholder(QStringLiteral("_XALURL_(\\d+)_"));
    std::set<int> shown;
    for (int t = 0; t < view.GetTabCount(); ++t) {
        const CMyTreeGridCtrl& grid = view.GetTabView(t)->Grid();
        for (int i = 0; i < grid.GetRowCount(); ++i) {
            const CGridRow& row = grid.Row(i);
            const QString& text = row.m_cells[row.IsURLRow() ? 0 : 1].strText;
            for (auto it = placeholder.globalMatch(text); it.hasNext();)
                shown.insert(it.next().captured(1).toInt());
        }
    }
    const CXALScripEditDoc& doc = view.Document();
    std::map<int, int> entries;
    for (const CFindReplaceObj& entry : doc.FlexibleParameters()) {
        const auto match = placeholder.match(entry.m_strReplace);
        if (!match.hasMatch())
            return QStringLiteral("list entry without a number: ") + entry.m_strReplace;
        ++entries[match.captured(1).toInt()];
    }
    const int count = doc.FlexibleCount();
    QString problems;
    for (int n = 0; n < count; ++n) {
        if (!shown.contains(n))
            problems += QStringLiteral("number %1 shown by no row; ").arg(n);
        if (entries[n] != 1)
            problems += QStringLiteral("number %1 has %2 list entries; ").arg(n).arg(entries[n]);
    }
    for (const int n : shown) {
        if (n >= count)
            problems += QStringLiteral("row shows %1 at count %2; ").arg(n).arg(count);
    }
    for (const auto& [n, times] : entries) {
        if (n >= count && times > 0)
            problems += QStringLiteral("list entry %1 at count %2; ").arg(n).arg(count);
    }
    return problems;
}

QString DescribeScript(const CScriptObj& script) {
    // Joined, not formatted: stored texts may hold "%1".
    const auto n = [](qint64 value) { return QString::number(value); };
    QString text = QStringLiteral("root ") + script.m_strRootURL + QStringLiteral(" server ") +
                   script.m_strServer + QStringLiteral(" p") + n(script.m_nInternetProtocol) +
                   QStringLiteral(" port ") + n(script.m_nPort) + QStringLiteral(" logon ") +
                   script.m_strLogonUser + u'/' + script.m_strLogonPW + u'\n';
    text += QStringLiteral("domains ") + script.m_lstDomainAvailable.join(u',') +
            QStringLiteral(" | ") + script.m_lstDomain.join(u',') + u'\n';
    for (const CFindReplaceObj& entry : script.m_lstURLParameter)
        text += QStringLiteral("flex ") + entry.m_strFind + QStringLiteral(" -> ") +
                entry.m_strReplace + QStringLiteral(" (") + n(entry.m_nNoEqualSign) +
                QStringLiteral(")\n");
    for (const CSubscriptObj& sub : script.m_lstScripts) {
        text += QStringLiteral("script ") + n(sub.m_nKind) + QStringLiteral(" '") + sub.m_strName +
                QStringLiteral("' x") + QString::fromLatin1(sub.m_baExtraFields.toHex()) + u'\n';
        for (const CURLObj& url : sub.m_lstURLs) {
            text += QStringLiteral("  ") + url.m_strServer + u' ' + url.m_strURL +
                    QStringLiteral(" m") + n(url.m_nMethod) + QStringLiteral(" f") +
                    n(url.m_nFlags) + QStringLiteral(" p") + n(url.m_nInternetProtocol) +
                    QStringLiteral(" port") + n(url.m_nPort) + QStringLiteral(" org=") +
                    url.m_strOrgValue + u':';
            for (const CURLParamObj& p : url.m_lstParams)
                text += QStringLiteral(" [") + p.m_strName + u'=' + p.m_strValue +
                        QStringLiteral(" raw=") + p.m_strRawValue + QStringLiteral(" org=") +
                        p.m_strOrgValue + QStringLiteral(" m") + n(p.m_nMethod) +
                        QStringLiteral(" s") + QString::number(p.m_nSpecialVariable, 16) + u']';
            text += u'\n';
        }
    }
    return text;
}

QString CheckRoundTrip(CXALScripEditView& view) {
    CScriptObj first;
    view.GetScriptList(first);
    const CMDBRecord document = BuildScriptDocument(first, first.m_strRootURL);
    CScriptObj read;
    ReadScriptDocument(document, read);
    CFakeHost host;
    CXALScripEditView again(host, host.m_doc);
    again.SetScript(read);
    CScriptObj second;
    again.GetScriptList(second);
    // What the save writes is compared: it settles texts the rows keep only for the session
    // (original values of URLs and plain parameters).
    const QString strFirst = document.ToJson();
    const QString strSecond = BuildScriptDocument(second, second.m_strRootURL).ToJson();
    if (strFirst == strSecond)
        return {};
    qsizetype nAt = 0;
    while (nAt < strFirst.size() && nAt < strSecond.size() && strFirst[nAt] == strSecond[nAt])
        ++nAt;
    return QStringLiteral("collected:\n%1\nafter the round trip:\n%2\nstored: ...%3\nagain: ...%4")
        .arg(DescribeScript(first), DescribeScript(second), strFirst.mid(nAt - 80, 200),
             strSecond.mid(nAt - 80, 200));
}
