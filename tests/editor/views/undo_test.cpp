// Undo and redo through the tab view: every kind of change is one step, undone and redone
// exactly, the modified flag follows the saved position, and a step keeps only what changed.

#include "commandids.h"
#include "escriptcheck.h"
#include "fakehost.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "undohistory.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
// Placeholder 0 in the main script's address, 1 in the conditional script "Cond" only, 2 in
// both.
CScriptObj Sample() {
    CScriptObj script;
    script.m_strID = QStringLiteral("undo");
    script.m_lstDomainAvailable = {QStringLiteral("h")};
    script.m_lstURLParameter = {Flex(QStringLiteral("a"), QStringLiteral("_XALURL_0_")),
                                Flex(QStringLiteral("b"), QStringLiteral("_XALURL_1_")),
                                Flex(QStringLiteral("c"), QStringLiteral("_XALURL_2_"))};
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/r/_XALURL_0_"), 0,
                    {Param(QStringLiteral("c"), QStringLiteral("_XALURL_2_"), 0, 0x8040,
                           QStringLiteral("7"))}),
                Url(QStringLiteral("h"), QStringLiteral("/s"), 0,
                    {Param(QStringLiteral("x"), QStringLiteral("1"), 0, 0x40)}),
                Url(QStringLiteral("h"), QStringLiteral("/t"), 1,
                    {Param(QStringLiteral("y"), QStringLiteral("2"), 1, 0x40)})}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Cond"),
               {Url(QStringLiteral("h"), QStringLiteral("/c")),
                Url(QStringLiteral("h"), QStringLiteral("/d"), 0,
                    {Param(QStringLiteral("b"), QStringLiteral("_XALURL_1_"), 0, 0x8000),
                     Param(QStringLiteral("c"), QStringLiteral("_XALURL_2_"), 0, 0x8000)})}));
    script.m_lstScripts.push_back(Script(1, QStringLiteral("Other"),
                                         {Url(QStringLiteral("h"), QStringLiteral("/o")),
                                          Url(QStringLiteral("h"), QStringLiteral("/p"))}));
    return script;
}

// A big main script: URLs /u0../u(n-1), each with two parameters.
CScriptObj Big(int nURLs) {
    CScriptObj script;
    std::vector<CURLObj> urls;
    for (int i = 0; i < nURLs; ++i)
        urls.push_back(Url(QStringLiteral("h"), QStringLiteral("/u%1").arg(i), 0,
                           {Param(QStringLiteral("p"), QString::number(i % 7), 0, 0x40),
                            Param(QStringLiteral("q"), QStringLiteral("v"), 0, 0x40)}));
    script.m_lstScripts.push_back(Script(0, {}, std::move(urls)));
    return script;
}

int HeldRows(const CUndoStep& step) {
    int nRows = 0;
    for (const auto& [nTab, hunks] : step.rows)
        for (const CRowHunk& hunk : hunks)
            nRows += static_cast<int>(hunk.removed.size() + hunk.inserted.size());
    return nRows;
}

class Undo : public ::testing::Test {
protected:
    void Load(const CScriptObj& script) {
        view.SetScript(script);
        host.m_doc.SetModified(false);
        loaded = Collect();
    }
    void SetUp() override { Load(Sample()); }
    QString Collect() {
        CScriptObj script;
        view.GetScriptList(script);
        return DescribeScript(script);
    }
    CMyTreeGridCtrl& Grid(int nTab) { return view.GetTabView(nTab)->Grid(); }
    CUndoHistory& History() { return view.History(); }
    void Paste(const QString& text) {
        host.m_shell.m_clipboard = text;
        view.OnCommand(XalCmd::Paste);
    }
    void UndoAll() {
        while (view.IsCommandEnabled(XalCmd::Undo))
            view.OnCommand(XalCmd::Undo);
    }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
    QString loaded;
};
} // namespace

TEST_F(Undo, nothing_to_undo_after_a_load_and_no_step_without_a_change) {
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Undo));
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Redo));
    view.OnCommand(XalCmd::ExpandAll);
    view.OnCommand(XalCmd::CollapseAll);
    {
        const CUndoStepGuard step(History());
        Grid(0).SelectRow(2);
    }
    EXPECT_EQ(History().StepCount(), 0);
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(Undo, a_spread_over_all_tabs_is_one_step_undone_and_redone_exactly) {
    const QString before = Collect();
    {
        const CUndoStepGuard step(History());
        const CUndoStepGuard nested(History());
        host.m_doc.AddFlexibleParameter(QStringLiteral("v"), QStringLiteral("_XALURL_3_"));
        host.m_doc.SetFlexibleCount(4);
        CSpreadRequest request;
        request.strPlaceholder = QStringLiteral("_XALURL_3_");
        request.nMode = 2;
        request.strValue = QStringLiteral("1");
        request.templ.m_nFlags = 0x8000;
        request.templ.m_strRawValue = request.strPlaceholder;
        request.templ.m_strValue = request.strPlaceholder;
        view.UpdateAllScripts(request);
        view.RenumberFlexibleParameters(2);
    }
    ASSERT_EQ(History().StepCount(), 1);
    const QString after = Collect();
    EXPECT_NE(after, before);
    EXPECT_TRUE(host.m_doc.IsModified());
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), before);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 3);
    view.OnCommand(XalCmd::Redo);
    EXPECT_EQ(Collect(), after);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 4);
}

TEST_F(Undo, deleting_a_conditional_script_comes_back_at_its_place_with_its_placeholders) {
    view.CloseTab(1); // answered Yes: "Cond" goes, placeholder 1 is freed, 2 becomes 1
    ASSERT_EQ(view.GetTabCount(), 2);
    ASSERT_EQ(host.m_doc.FlexibleCount(), 2);
    const QString deleted = Collect();

    view.OnCommand(XalCmd::Undo);
    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(view.GetTabCaption(1), QStringLiteral("Conditional script: Cond"));
    EXPECT_EQ(view.GetTabView(1)->GetName(), QStringLiteral("Cond"));
    EXPECT_EQ(view.GetActiveTab(), 1);
    EXPECT_EQ(Collect(), loaded);
    EXPECT_TRUE(CheckFlexibleInvariant(view).isEmpty())
        << CheckFlexibleInvariant(view).toStdString();
    EXPECT_FALSE(host.m_doc.IsModified());

    view.OnCommand(XalCmd::Redo);
    EXPECT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(Collect(), deleted);
    // The restored tab is a tab like any other: deleting it again is one more step.
    view.OnCommand(XalCmd::Undo);
    view.CloseTab(1);
    EXPECT_EQ(Collect(), deleted);
    EXPECT_EQ(History().Position(), 1);
}

TEST_F(Undo, adding_a_conditional_script_is_undone_by_removing_its_tab) {
    view.SetActiveTab(2);
    view.AddConditionalTab(QStringLiteral("New"),
                           Script(1, QStringLiteral("New"),
                                  {Url(QStringLiteral("h"), QStringLiteral("/n1")),
                                   Url(QStringLiteral("h"), QStringLiteral("/n2"))}));
    ASSERT_EQ(view.GetTabCount(), 4);
    const QString added = Collect();
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(view.GetActiveTab(), 2);
    EXPECT_EQ(Collect(), loaded);
    view.OnCommand(XalCmd::Redo);
    EXPECT_EQ(view.GetTabCount(), 4);
    EXPECT_EQ(view.GetTabCaption(3), QStringLiteral("Conditional script: New"));
    EXPECT_EQ(Collect(), added);
}

TEST_F(Undo, document_values_follow_undo_and_redo) {
    {
        const CUndoStepGuard step(History());
        host.m_doc.SetRootURL(QStringLiteral("http://new.example.com/"));
        host.m_doc.AddAvailableDomain(QStringLiteral("new.example.com"));
    }
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(host.m_doc.AvailableDomains(), QStringList{QStringLiteral("h")});
    EXPECT_EQ(host.m_doc.IsRootChanged() ? host.m_doc.NewRootURL() : host.m_doc.RootURL(),
              QString());
    view.OnCommand(XalCmd::Redo);
    EXPECT_EQ(host.m_doc.AvailableDomains(),
              (QStringList{QStringLiteral("h"), QStringLiteral("new.example.com")}));
    EXPECT_EQ(host.m_doc.NewRootURL(), QStringLiteral("http://new.example.com/"));
}

TEST_F(Undo, values_stored_by_the_properties_dialog_are_not_taken_back) {
    Paste(QStringLiteral("http://p.example.com/x\n"));
    host.m_doc.SetLogon(QStringLiteral("ann"), QStringLiteral("pw"));
    History().TakeDocumentValues();
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(host.m_doc.LogonUser(), QStringLiteral("ann"));
    EXPECT_EQ(host.m_doc.AvailableDomains(), QStringList{QStringLiteral("h")});
}

TEST_F(Undo, modified_flag_follows_the_saved_position) {
    Paste(QStringLiteral("http://a.example.com/1\n"));
    EXPECT_TRUE(host.m_doc.IsModified());
    view.OnCommand(XalCmd::Undo);
    EXPECT_FALSE(host.m_doc.IsModified());
    view.OnCommand(XalCmd::Redo);
    EXPECT_TRUE(host.m_doc.IsModified());

    host.m_doc.SetModified(false); // what a successful save does
    EXPECT_TRUE(view.IsCommandEnabled(XalCmd::Undo)) << "a save keeps the history";
    view.OnCommand(XalCmd::Undo);
    EXPECT_TRUE(host.m_doc.IsModified());
    view.OnCommand(XalCmd::Redo);
    EXPECT_FALSE(host.m_doc.IsModified());

    // A failed save leaves the e-script modified and the saved position where it was.
    Paste(QStringLiteral("http://a.example.com/2\n"));
    EXPECT_TRUE(host.m_doc.IsModified());
    view.OnCommand(XalCmd::Undo);
    EXPECT_FALSE(host.m_doc.IsModified());

    // A new step after undoing past the saved position makes it unreachable.
    view.OnCommand(XalCmd::Undo);
    Paste(QStringLiteral("http://a.example.com/3\n"));
    view.OnCommand(XalCmd::Undo);
    EXPECT_TRUE(host.m_doc.IsModified());
}

TEST_F(Undo, a_restored_recovery_starts_modified_with_no_clean_position) {
    CScriptObj script = Sample();
    view.SetScript(script, true);
    EXPECT_TRUE(host.m_doc.IsModified());
    Paste(QStringLiteral("http://a.example.com/1\n"));
    view.OnCommand(XalCmd::Undo);
    EXPECT_TRUE(host.m_doc.IsModified());
}

TEST_F(Undo, undoing_every_step_gives_the_escript_as_loaded) {
    Grid(0).SelectRow(3);
    Paste(QStringLiteral("http://a.example.com/1?k=v\nhttp://b.example.com/2\n"));
    view.SetActiveTab(0);
    Grid(0).DeselectAllRows();
    Grid(0).SelectRow(0);
    Grid(0).SelectRow(5);
    view.OnCommand(XalCmd::Cut);
    view.CloseTab(2);
    view.CloseTab(1);
    {
        const CUndoStepGuard step(History());
        view.ReleasePlaceholder(2, QStringLiteral("_XALURL_0_"));
        Grid(0).SetCellText(0, 0, QStringLiteral("http://h/r/changed"));
        view.ReleaseUnshownPlaceholders();
    }
    EXPECT_GE(History().StepCount(), 4);
    EXPECT_TRUE(CheckFlexibleInvariant(view).isEmpty())
        << CheckFlexibleInvariant(view).toStdString();
    UndoAll();
    EXPECT_EQ(History().Position(), 0);
    EXPECT_EQ(Collect(), loaded);
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(Undo, moved_and_repeated_rows_come_back_in_their_order) {
    Load(Big(6));
    const auto copyRows = [this](int nFrom, int nCount) {
        std::vector<CGridRow> rows;
        for (int i = nFrom; i < nFrom + nCount; ++i) {
            CGridRow row;
            row.m_cells = Grid(0).Row(i).m_cells;
            row.m_bSubRow = Grid(0).Row(i).m_bSubRow;
            row.m_nData = Grid(0).Row(i).m_nData;
            *row.m_pRecord = Grid(0).Record(i);
            rows.push_back(std::move(row));
        }
        return rows;
    };
    {
        // /u2 moves in front of /u1, and /u4 gets a twin in front of it.
        const CUndoStepGuard step(History());
        std::vector<CGridRow> moved = copyRows(6, 3);
        Grid(0).ReplaceRows(6, 3, {});
        Grid(0).ReplaceRows(3, 0, std::move(moved));
        Grid(0).ReplaceRows(12, 0, copyRows(12, 3));
    }
    const QString after = Collect();
    ASSERT_NE(after, loaded);
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), loaded);
    view.OnCommand(XalCmd::Redo);
    EXPECT_EQ(Collect(), after);
}

TEST_F(Undo, a_step_keeps_only_the_rows_that_changed) {
    Load(Big(300));
    {
        const CUndoStepGuard step(History());
        Grid(0).SetCellText(30, 1, QStringLiteral("a"));
        Grid(0).SetCellText(600, 1, QStringLiteral("b"));
        Grid(0).SetCellText(880, 1, QStringLiteral("c"));
    }
    ASSERT_EQ(History().StepCount(), 1);
    EXPECT_EQ(HeldRows(History().Step(0)), 6);

    // A block removed in the middle while placeholders are renumbered in rows around it.
    {
        const CUndoStepGuard step(History());
        Grid(0).SetCellText(4, 1, QStringLiteral("_XALURL_0_"));
        Grid(0).SetCellText(800, 1, QStringLiteral("_XALURL_1_"));
        Grid(0).RemoveRowWithSubRows(450);
    }
    ASSERT_EQ(History().StepCount(), 2);
    EXPECT_EQ(HeldRows(History().Step(1)), 4 + 3);
    const QString after = Collect();
    view.OnCommand(XalCmd::Undo);
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), loaded);
    view.OnCommand(XalCmd::Redo);
    view.OnCommand(XalCmd::Redo);
    EXPECT_EQ(Collect(), after);
}

TEST_F(Undo, no_undo_while_a_recording_runs_or_a_step_is_open) {
    Paste(QStringLiteral("http://a.example.com/1\n"));
    host.m_bRecording = true;
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Undo));
    host.m_bRecording = false;
    {
        const CUndoStepGuard step(History());
        EXPECT_FALSE(History().Undo());
    }
    EXPECT_TRUE(view.IsCommandEnabled(XalCmd::Undo));
}

TEST_F(Undo, a_change_made_outside_every_step_is_undone_on_its_own_first) {
    Paste(QStringLiteral("http://a.example.com/1\n"));
    Grid(0).RemoveRowWithSubRows(3); // no guard around it
    const int nRows = Grid(0).GetRowCount();
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Grid(0).GetRowCount(), nRows + 2) << "the unguarded deletion came back";
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), loaded);
}

TEST_F(Undo, recorded_urls_handed_over_are_one_step) {
    view.SetActiveTab(2);
    view.OnRecordedURLs({{QStringLiteral("http://rec.example.com/a?x=1"), {}, 0},
                         {QStringLiteral("http://rec.example.com/b"), QStringLiteral("y=2"), 1}});
    EXPECT_EQ(History().StepCount(), 1);
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), loaded);
    EXPECT_EQ(host.m_doc.AvailableDomains(), QStringList{QStringLiteral("h")});
}

TEST_F(Undo, the_rows_are_mirrored_when_the_first_step_opens_not_at_a_load) {
    const auto rowsOfAllTabs = [this] {
        std::size_t nRows = 0;
        for (int i = 0; i < view.GetTabCount(); ++i)
            nRows += static_cast<std::size_t>(Grid(i).GetRowCount());
        return nRows;
    };
    EXPECT_EQ(History().MirroredRows(), 0U);
    {
        const CUndoStepGuard step(History());
        EXPECT_EQ(History().MirroredRows(), rowsOfAllTabs()) << "taken before the step changes";
        Grid(0).RemoveRowWithSubRows(0);
    }
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), loaded);

    // Another load leaves the mirror to be taken again, from the new rows.
    Load(Big(30));
    EXPECT_EQ(History().MirroredRows(), 0U);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Undo));
    Paste(QStringLiteral("http://a.example.com/1\n"));
    EXPECT_EQ(History().StepCount(), 1);
    UndoAll();
    EXPECT_EQ(Collect(), loaded);
}
