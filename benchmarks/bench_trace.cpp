// What the trace costs when an e-script is opened: LoadScript of a generated e-script of
// 10,000 URLs x 4 parameters from an embedded store, then SetScript into the tab view (one
// trace line per URL), with the default trace level writing to a file, and with the trace off.
// Prints the ratio default/off at the end.
//
// Run: ./bench_trace --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
//      --benchmark_report_aggregates_only=true
// (offscreen by default; the trace goes to a temporary folder and rotates there)

#include "benchhost.h"
#include "benchstore.h"
#include "escriptlayout.h"
#include "mongodb.h"
#include "qjtrace.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"
#include "xalscripteditview.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {
const QString kId = QStringLiteral("bench-trace");

CScriptObj MakeScript() {
    CScriptObj script;
    script.m_strID = kId;
    script.m_strRootURL = QStringLiteral("http://host0.example.com/");
    script.m_strLogonUser = QStringLiteral("bench.user");
    script.m_strLogonPW = QStringLiteral("secret");
    CSubscriptObj main;
    for (int u = 0; u < 10000; ++u) {
        CURLObj url;
        url.m_strServer = QStringLiteral("host%1.example.com").arg(u % 25);
        url.m_strURL = QStringLiteral("/app/section%1/page%2.html").arg(u % 40).arg(u);
        url.m_nMethod = u % 3 == 0 ? 1 : 0;
        url.m_nPort = u % 7 == 0 ? 8080 : 0;
        url.m_strOrgValue = QStringLiteral("http://") + url.m_strServer + url.m_strURL;
        for (int p = 0; p < 4; ++p) {
            CURLParamObj param;
            param.m_strName = QStringLiteral("field%1").arg(p);
            param.m_strValue = QStringLiteral("value%1").arg(u * 4 + p);
            param.m_nSpecialVariable = 0x40;
            url.m_lstParams.push_back(param);
        }
        main.m_lstURLs.push_back(std::move(url));
    }
    script.m_lstScripts.push_back(std::move(main));
    return script;
}

struct Fixture {
    QTemporaryDir dir;
    CMongoDB db{QStringLiteral("embedded:") + dir.filePath(QStringLiteral("bench.db")), QString()};
    CBenchHost host;
    CXALScripEditView view{host, host.m_doc};

    Fixture() {
        SeedEmbeddedStore(db, kId, MakeScript());
        qputenv("XAL_TRACE_FILE", QFile::encodeName(dir.filePath(QStringLiteral("trace.log"))));
        // One open before measuring, so neither side pays for first-time set-up.
        CScriptObj script;
        script.m_strID = kId;
        if (!LoadScript(db, script))
            std::abort();
        view.SetScript(script);
    }
};

Fixture& Bench() {
    static Fixture fixture;
    return fixture;
}

void OpenEScript(benchmark::State& state, const char* level) {
    Fixture& f = Bench();
    if (level != nullptr)
        qputenv("XAL_TRACE_LEVEL", level);
    else
        qunsetenv("XAL_TRACE_LEVEL");
    QJTraceReconfigure();
    for (auto _ : state) {
        CScriptObj script;
        script.m_strID = kId;
        if (!LoadScript(f.db, script))
            state.SkipWithError("load failed");
        f.view.SetScript(script);
    }
    QJTraceFlush();
}

void BM_Open_TraceOff(benchmark::State& state) {
    OpenEScript(state, "0");
}
void BM_Open_TraceDefault(benchmark::State& state) {
    OpenEScript(state, nullptr);
}
BENCHMARK(BM_Open_TraceOff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_TraceDefault)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred)
                m_times[run.benchmark_name()] = {run.GetAdjustedRealTime(),
                                                 run.GetAdjustedCPUTime()};
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        // With repetitions the means count.
        auto on = m_times.find("BM_Open_TraceDefault_mean");
        if (on == m_times.end())
            on = m_times.find("BM_Open_TraceDefault");
        auto off = m_times.find("BM_Open_TraceOff_mean");
        if (off == m_times.end())
            off = m_times.find("BM_Open_TraceOff");
        if (on != m_times.end() && off != m_times.end() && off->second.first > 0)
            std::printf("ratio open with default trace / trace off: real %.3fx  cpu %.3fx\n",
                        on->second.first / off->second.first,
                        on->second.second / off->second.second);
    }

private:
    std::map<std::string, std::pair<double, double>> m_times; // real, cpu
};
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
