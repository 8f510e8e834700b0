// Moving a large e-script between the model and the grids. The baseline copies the same
// CScriptObj, so the difference is what building rows and collecting them costs.
//
// Run: QT_QPA_PLATFORM=offscreen XAL_TRACE_FILE=- ./bench_views

#include "benchhost.h"
#include "scriptmodel.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

namespace {
CScriptObj LargeScript(int nURLs, int nParams) {
    CScriptObj script;
    script.m_strID = QStringLiteral("bench");
    CSubscriptObj main;
    for (int u = 0; u < nURLs; ++u) {
        CURLObj url;
        url.m_strServer = QStringLiteral("host%1.example.com").arg(u % 25);
        url.m_strURL = QStringLiteral("/app/section%1/page%2.html").arg(u % 40).arg(u);
        url.m_nMethod = u % 3 == 0 ? 1 : 0;
        url.m_nPort = u % 7 == 0 ? 8080 : 0;
        url.m_strOrgValue = QStringLiteral("http://") + url.m_strServer + url.m_strURL;
        for (int p = 0; p < nParams; ++p) {
            CURLParamObj param;
            param.m_strName = QStringLiteral("field%1").arg(p);
            param.m_strValue = QStringLiteral("value%20%1%2Bmore%25%2541").arg(u * nParams + p);
            param.m_nMethod = url.m_nMethod == 1 && p % 2 == 0 ? 1 : 0;
            param.m_nSpecialVariable = 0x40;
            url.m_lstParams.push_back(param);
        }
        main.m_lstURLs.push_back(std::move(url));
    }
    script.m_lstScripts.push_back(std::move(main));
    return script;
}

const CScriptObj& Script10k() {
    static const CScriptObj script = LargeScript(10000, 8);
    return script;
}

void BM_CopyModelBaseline(benchmark::State& state) {
    const CScriptObj& source = Script10k();
    for (auto _ : state) {
        CScriptObj copy = source;
        benchmark::DoNotOptimize(copy.m_lstScripts.data());
    }
}
BENCHMARK(BM_CopyModelBaseline)->Unit(benchmark::kMillisecond);

void BM_SetScript(benchmark::State& state) {
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    for (auto _ : state)
        view.SetScript(Script10k());
}
BENCHMARK(BM_SetScript)->Unit(benchmark::kMillisecond);

// The editor's load hands its e-script over: the rows take its texts and free its URLs as
// they go. The copy handed over is made, and the rows of the round before are dropped (their
// texts are their own here, not shared with the source), outside the timing.
void BM_SetScriptTaken(benchmark::State& state) {
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    for (auto _ : state) {
        state.PauseTiming();
        view.SetScript(CScriptObj());
        CScriptObj copy = Script10k();
        state.ResumeTiming();
        view.SetScript(std::move(copy));
    }
}
BENCHMARK(BM_SetScriptTaken)->Unit(benchmark::kMillisecond);

void BM_GetScriptList(benchmark::State& state) {
    CBenchHost host;
    CXALScripEditView view(host, host.m_doc);
    view.SetScript(Script10k());
    for (auto _ : state) {
        CScriptObj out;
        view.GetScriptList(out);
        benchmark::DoNotOptimize(out.m_lstScripts.data());
    }
}
BENCHMARK(BM_GetScriptList)->Unit(benchmark::kMillisecond);

// Loading into a shown tab view and painting it once (offscreen).
void BM_FirstPaint(benchmark::State& state) {
    CBenchHost host;
    for (auto _ : state) {
        CXALScripEditView view(host, host.m_doc);
        CXALScripEditTabWidget widget(view);
        widget.resize(1024, 768);
        view.SetScript(Script10k());
        const QPixmap pixmap = widget.grab();
        benchmark::DoNotOptimize(pixmap.cacheKey());
    }
}
BENCHMARK(BM_FirstPaint)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
