#pragma once
// The large e-script of the benchmarks, and seeding an embedded store.
//
// Seeds an embedded store for a benchmark: connects, creates the e-script's document and
// saves the given e-script into it. A benchmark cannot go on without its data, so a failure
// ends the program with the reason.

#include "escriptlayout.h"
#include "mongodb.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <cstdio>
#include <cstdlib>

inline void SeedEmbeddedStore(CMongoDB& db, const QString& id, const CScriptObj& script) {
    QString error;
    if (!db.Connect(error)) {
        std::fprintf(stderr, "embedded store: %s\n", qPrintable(error));
        std::abort();
    }
    CMDBRecord doc;
    doc.SetStr(escript::kId, id);
    db.Insert(escript::kNsEScript, doc);
    QString savedId = id;
    bool rootChanged = false;
    if (!SaveScript(db, {savedId, rootChanged, QString()}, script, false, nullptr).Succeeded()) {
        std::fprintf(stderr, "embedded store: the e-script could not be saved\n");
        std::abort();
    }
}

// 10,000 URLs x 8 parameters in the main script and 3 conditional scripts of 5 URLs each;
// hosts, ports, methods and protocols vary from URL to URL.
constexpr int kLargeURLs = 10000;
constexpr int kLargeParams = 8;
constexpr int kLargeConditional = 3;
constexpr int kLargeConditionalURLs = 5;

inline CScriptObj MakeLargeEScript(const QString& id) {
    CScriptObj s;
    s.m_strID = id;
    s.m_strLogonUser = QStringLiteral("bench.user");
    s.m_strLogonPW = QStringLiteral("bench-pw");
    s.m_lstDomain = QStringList{".example.com"};
    s.m_lstDomainAvailable = QStringList{".example.com", ".example.net"};
    s.m_lstURLParameter.push_back({QStringLiteral("sid"), QStringLiteral("_XALURL_0_"), 0, {}});
    auto makeScript = [](int kind, int urls, const QString& name) {
        CSubscriptObj sub;
        sub.m_nKind = kind;
        sub.m_strName = name;
        for (int u = 0; u < urls; ++u) {
            CURLObj url;
            url.m_strServer = QStringLiteral("host%1.example.com").arg(u % 7);
            url.m_strURL = QStringLiteral("/app/section%1/page%2.html").arg(u % 13).arg(u);
            url.m_nInternetProtocol = u % 2;
            url.m_nMethod = u % 3 == 0 ? 1 : 0;
            url.m_nPort = u % 5 == 0 ? 8080 : 0;
            for (int p = 0; p < kLargeParams; ++p) {
                CURLParamObj param;
                param.m_strName = QStringLiteral("param%1").arg(p);
                param.m_strRawValue = QStringLiteral("value-%1-%2%%20x").arg(u).arg(p);
                param.m_strValue = param.m_strRawValue;
                param.m_nMethod = url.m_nMethod;
                param.m_nSpecialVariable = 0x40;
                url.m_lstParams.push_back(std::move(param));
            }
            sub.m_lstURLs.push_back(std::move(url));
        }
        return sub;
    };
    s.m_lstScripts.push_back(makeScript(0, kLargeURLs, QString()));
    for (int c = 0; c < kLargeConditional; ++c) {
        s.m_lstScripts.push_back(
            makeScript(1, kLargeConditionalURLs, QStringLiteral("condition %1").arg(c)));
    }
    return s;
}
