// Editing a large e-script (10,000 URLs x 8 parameters over 4 tabs) with the undo history on:
// a spread over all tabs, a reset that renumbers placeholders in all tabs, the deletion of a
// URL block with renumbering, the undo and redo of each, and what 100 steps of history hold.
// The baseline is one plain pass over all rows of all tabs.
//
// Run: XAL_TRACE_FILE=- ./bench_undo

#include "benchhost.h"
#include "commandids.h"
#include "scriptmodel.h"
#include "specialvars.h"
#include "undohistory.h"
#include "xalscripteditview.h"

#include "basescriptview.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <malloc.h>
#include <memory>

namespace {
constexpr int kTabs = 4;
constexpr int kURLsPerTab = 2500;
constexpr int kParams = 8;
constexpr int kPlaceholders = 20;

// Placeholder 0 stands in one row of the main script only; 1..19 in the last parameter of 19 of
// every 20 URLs of every tab. Parameter 3 holds one of 100 values, so a spread by value reaches 1
// %.
CScriptObj LargeScript() {
    CScriptObj script;
    script.m_strID = QStringLiteral("bench");
    for (int n = 0; n < kPlaceholders; ++n) {
        CFindReplaceObj entry;
        entry.m_strFind = QStringLiteral("f%1").arg(n);
        entry.m_strReplace = FlexibleParameterName(n);
        script.m_lstURLParameter.push_back(entry);
    }
    for (int t = 0; t < kTabs; ++t) {
        CSubscriptObj sub;
        sub.m_nKind = t == 0 ? 0 : 1;
        sub.m_strName = t == 0 ? QString() : QStringLiteral("Cond %1").arg(t);
        for (int u = 0; u < kURLsPerTab; ++u) {
            CURLObj url;
            url.m_strServer = QStringLiteral("host%1.example.com").arg(u % 25);
            url.m_strURL = QStringLiteral("/app/s%1/page%2.html").arg(u % 40).arg(u);
            url.m_strOrgValue = QStringLiteral("http://") + url.m_strServer + url.m_strURL;
            for (int p = 0; p < kParams; ++p) {
                CURLParamObj param;
                param.m_strName = QStringLiteral("field%1").arg(p);
                param.m_strValue = QStringLiteral("value%1").arg((t * kURLsPerTab + u) * 8 + p);
                param.m_nSpecialVariable = 0x40;
                if (p == 3)
                    param.m_strValue = QStringLiteral("v%1").arg(u % 100);
                if (p == 7 && u % 20 != 0) {
                    const int n = 1 + u % (kPlaceholders - 1);
                    param.m_strValue = FlexibleParameterName(n);
                    param.m_strOrgValue = QStringLiteral("org%1").arg(n);
                    param.m_nSpecialVariable = 0x8040;
                }
                url.m_lstParams.push_back(param);
            }
            if (t == 0 && u == 1200) {
                url.m_lstParams[6].m_strValue = FlexibleParameterName(0);
                url.m_lstParams[6].m_strOrgValue = QStringLiteral("only");
                url.m_lstParams[6].m_nSpecialVariable = 0x8040;
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

struct Fixture {
    CBenchHost host;
    CXALScripEditView view{host, host.m_doc};
    Fixture() { view.SetScript(Script()); }
    CMyTreeGridCtrl& Main() { return view.GetTabView(0)->Grid(); }
    // Row of the only parameter showing placeholder 0, and its URL row.
    int OnlyRow() {
        for (int i = 0; i < Main().GetRowCount(); ++i)
            if (Main().Row(i).m_cells[1].strText == FlexibleParameterName(0))
                return i;
        return -1;
    }
};

using Operation = void (*)(Fixture&, int);

void Spread(Fixture& f, int nIteration) {
    CSpreadRequest request;
    request.strPlaceholder = FlexibleParameterName(f.host.m_doc.FlexibleCount());
    f.host.m_doc.SetFlexibleCount(f.host.m_doc.FlexibleCount() + 1);
    f.view.AddFlexibleParameter(QStringLiteral("field3"), request.strPlaceholder);
    request.nMode = 2;
    request.strValue = QStringLiteral("v%1").arg(nIteration % 100);
    request.templ.m_nFlags = 0x8000;
    request.templ.m_strRawValue = request.strPlaceholder;
    request.templ.m_strValue = request.strPlaceholder;
    f.view.UpdateAllScripts(request);
}

// Reset of the one row that shows placeholder 0: frees it and renumbers 1..19 in every tab.
void ResetWithRenumbering(Fixture& f, int) {
    const int nRow = f.OnlyRow();
    if (nRow < 0)
        return;
    CGridItemRecord& record = f.Main().Record(nRow);
    f.Main().SetCellText(nRow, 1, record.m_strOrgValue);
    record.m_strValue = record.m_strOrgValue;
    record.m_strRawValue = record.m_strOrgValue;
    record.m_nFlags = 0x40;
    f.Main().Row(nRow).m_nData = 0x40;
    f.view.ReleasePlaceholder(2, FlexibleParameterName(0));
}

// Deletion of the URL block that holds placeholder 0, with renumbering.
void DeleteWithRenumbering(Fixture& f, int) {
    if (f.OnlyRow() >= 0)
        f.Main().RemoveRowWithSubRows(f.Main().GetURLRowOf(f.OnlyRow()));
    f.view.ReleaseUnshownPlaceholders();
}

void Baseline(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        qsizetype nChars = 0;
        for (int t = 0; t < f.view.GetTabCount(); ++t) {
            const CMyTreeGridCtrl& grid = f.view.GetTabView(t)->Grid();
            for (int i = 0; i < grid.GetRowCount(); ++i)
                nChars +=
                    grid.Row(i).m_cells[0].strText.size() + grid.Row(i).m_cells[1].strText.size();
        }
        benchmark::DoNotOptimize(nChars);
    }
}
BENCHMARK(Baseline)->Name("BM_Baseline_PlainPass")->Unit(benchmark::kMillisecond);

// The operation with its step; the capture alone is reported as capture_ms.
void Edit(benchmark::State& state, Operation operation) {
    Fixture f;
    double dCapture = 0;
    int nIteration = 0;
    for (auto _ : state) {
        std::chrono::steady_clock::time_point tDone;
        {
            const CUndoStepGuard step(f.view.History());
            operation(f, nIteration++);
            tDone = std::chrono::steady_clock::now();
        }
        dCapture +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - tDone)
                .count();
        state.PauseTiming();
        f.view.OnCommand(XalCmd::Undo);
        state.ResumeTiming();
    }
    state.counters["capture_ms"] = benchmark::Counter(dCapture, benchmark::Counter::kAvgIterations);
}

// Undo (bUndo) or redo of the operation's step; the other direction restores untimed.
void UndoRedo(benchmark::State& state, Operation operation, bool bUndo) {
    Fixture f;
    {
        const CUndoStepGuard step(f.view.History());
        operation(f, 7);
    }
    if (!bUndo)
        f.view.OnCommand(XalCmd::Undo);
    for (auto _ : state) {
        f.view.OnCommand(bUndo ? XalCmd::Undo : XalCmd::Redo);
        state.PauseTiming();
        f.view.OnCommand(bUndo ? XalCmd::Redo : XalCmd::Undo);
        state.ResumeTiming();
    }
}

BENCHMARK_CAPTURE(Edit, Spread, Spread)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UndoRedo, Spread_Undo, Spread, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UndoRedo, Spread_Redo, Spread, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Edit, ResetRenumber, ResetWithRenumbering)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UndoRedo, ResetRenumber_Undo, ResetWithRenumbering, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UndoRedo, ResetRenumber_Redo, ResetWithRenumbering, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Edit, DeleteRenumber, DeleteWithRenumbering)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UndoRedo, DeleteRenumber_Undo, DeleteWithRenumbering, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(UndoRedo, DeleteRenumber_Redo, DeleteWithRenumbering, false)
    ->Unit(benchmark::kMillisecond);

// 100 steps, a third each of spreads, resets of a row showing placeholder 0 (the first one
// renumbers all tabs, later ones free the number once its last row goes) and block deletions:
// the history's own count of what it holds and the heap growth while it was built.
void History100Steps(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto f = std::make_unique<Fixture>();
        const std::size_t nHeapBefore = mallinfo2().uordblks;
        state.ResumeTiming();
        for (int i = 0; i < 100; ++i) {
            const CUndoStepGuard step(f->view.History());
            if (i % 3 == 0) {
                Spread(*f, i);
            } else if (i % 3 == 1) {
                ResetWithRenumbering(*f, i);
            } else {
                f->Main().RemoveRowWithSubRows(f->Main().GetURLRowOf(100 + i * 9));
                f->view.ReleaseUnshownPlaceholders();
            }
        }
        state.PauseTiming();
        state.counters["steps"] = f->view.History().StepCount();
        state.counters["held_KiB"] = static_cast<double>(f->view.History().HeldBytes()) / 1024;
        state.counters["heap_growth_KiB"] =
            static_cast<double>(mallinfo2().uordblks - nHeapBefore) / 1024;
        f.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(History100Steps)
    ->Name("BM_History100Steps")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
} // namespace

BENCHMARK_MAIN();
