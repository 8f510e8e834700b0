// Spreading and resetting flexible parameters over 10,000 URLs x 8 parameters in 4 tabs. The
// baseline is one plain pass over every row of every tab looking for a text, which is the
// least any spread or renumbering has to do.
//
// Run: XAL_TRACE_FILE=- ./bench_flexible

#include "basescriptview.h"
#include "benchhost.h"
#include "scriptmodel.h"
#include "scriptview.h"
#include "specialvars.h"
#include "xalscripteditview.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {
constexpr int kTabs = 4;
constexpr int kURLsPerTab = 2500;
constexpr int kParams = 8;
constexpr int kPlaceholders = 50;

// Placeholders 0..49 each shown once, in parameter "field0" of the first URLs of the main
// script; every other value is plain.
CScriptObj LargeScript() {
    CScriptObj script;
    for (int n = 0; n < kPlaceholders; ++n) {
        CFindReplaceObj entry;
        entry.m_strFind = QStringLiteral("field0");
        entry.m_strReplace = FlexibleParameterName(n);
        script.m_lstURLParameter.push_back(entry);
    }
    for (int t = 0; t < kTabs; ++t) {
        CSubscriptObj sub;
        sub.m_nKind = t == 0 ? 0 : 1;
        sub.m_strName = QStringLiteral("tab%1").arg(t);
        for (int u = 0; u < kURLsPerTab; ++u) {
            CURLObj url;
            url.m_strServer = QStringLiteral("host%1.example.com").arg(u % 25);
            url.m_strURL = QStringLiteral("/app/section%1/page%2.html").arg(u % 40).arg(u);
            url.m_strOrgValue = QStringLiteral("http://") + url.m_strServer + url.m_strURL;
            for (int p = 0; p < kParams; ++p) {
                CURLParamObj param;
                param.m_strName = QStringLiteral("field%1").arg(p);
                const bool bFlexible = t == 0 && p == 0 && u < kPlaceholders;
                param.m_strValue = bFlexible ? FlexibleParameterName(u)
                                             : QStringLiteral("v/%1/x").arg((u + p) % 97);
                param.m_strOrgValue = QStringLiteral("org%2F%1").arg(u);
                param.m_nSpecialVariable = bFlexible ? 0x8000 : 0x40;
                url.m_lstParams.push_back(param);
            }
            sub.m_lstURLs.push_back(std::move(url));
        }
        script.m_lstScripts.push_back(std::move(sub));
    }
    return script;
}

const CScriptObj& Script() {
    static const CScriptObj script = LargeScript();
    return script;
}

void BM_PlainPassBaseline(benchmark::State& state) {
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    view.SetScript(Script());
    for (auto _ : state) {
        int nHits = 0;
        for (int t = 0; t < view.GetTabCount(); ++t) {
            const CMyTreeGridCtrl& grid = view.GetTabView(t)->Grid();
            for (int i = 0; i < grid.GetRowCount(); ++i)
                nHits +=
                    grid.Row(i).m_cells[grid.IsURLRow(i) ? 0 : 1].strText.contains(kXalUrlPrefix)
                        ? 1
                        : 0;
        }
        benchmark::DoNotOptimize(nHits);
    }
}
BENCHMARK(BM_PlainPassBaseline)->Unit(benchmark::kMillisecond);

// A value spread into every script, into addresses and into values with a separator; the
// next round spreads it back, so that every round replaces as much as the first.
void BM_SpreadByValue(benchmark::State& state) {
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    view.SetScript(Script());
    CSpreadRequest request;
    request.nMode = 2;
    request.bInAddresses = true;
    request.bInValues = true;
    request.strSeparator = QStringLiteral("/");
    request.templ.m_nFlags = 0x8000;
    QString strValue = QStringLiteral("section7");
    QString strPlaceholder = FlexibleParameterName(kPlaceholders);
    for (auto _ : state) {
        request.strValue = strValue;
        request.strPlaceholder = strPlaceholder;
        request.templ.m_strRawValue = strPlaceholder;
        request.templ.m_strValue = strPlaceholder;
        view.UpdateAllScripts(request);
        std::swap(strValue, strPlaceholder);
    }
}
BENCHMARK(BM_SpreadByValue)->Unit(benchmark::kMillisecond);

// Resetting the row of placeholder 0: the number is freed and 1..49 move down in every tab.
void BM_ResetWithRenumbering(benchmark::State& state) {
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    for (auto _ : state) {
        state.PauseTiming();
        view.SetScript(Script());
        state.ResumeTiming();
        view.GetMainView().ResetFlexibleRow(1);
    }
    if (view.Document().FlexibleCount() != kPlaceholders - 1)
        state.SkipWithError("the reset did not free the number");
}
BENCHMARK(BM_ResetWithRenumbering)->Unit(benchmark::kMillisecond)->Iterations(10);
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
