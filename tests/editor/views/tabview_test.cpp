// The tab view: tabs, flexible parameters across tabs, deleting conditional scripts, closing.

#include "commandids.h"
#include "fakehost.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
// Placeholders 0 and 2 in the main script, 1 only in the conditional script "Cond",
// 2 also in the conditional script.
CScriptObj FlexScript() {
    CScriptObj script;
    script.m_lstURLParameter = {Flex(QStringLiteral("a"), QStringLiteral("_XALURL_0_")),
                                Flex(QStringLiteral("b"), QStringLiteral("_XALURL_1_")),
                                Flex(QStringLiteral("c"), QStringLiteral("_XALURL_2_"))};
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/r/_XALURL_0_"), 0,
                    {Param(QStringLiteral("c"), QStringLiteral("_XALURL_2_"), 0, 0x8040)}),
                Url(QStringLiteral("h"), QStringLiteral("/s"))}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Cond"),
               {Url(QStringLiteral("h"), QStringLiteral("/c")),
                Url(QStringLiteral("h"), QStringLiteral("/d"), 0,
                    {Param(QStringLiteral("b"), QStringLiteral("_XALURL_1_"), 0, 0x8000),
                     Param(QStringLiteral("c"), QStringLiteral("x/_XALURL_2_"), 0, 0x8000)})}));
    script.m_lstScripts.push_back(Script(1, QStringLiteral("Other"),
                                         {Url(QStringLiteral("h"), QStringLiteral("/o")),
                                          Url(QStringLiteral("h"), QStringLiteral("/p"))}));
    return script;
}

class TabView : public ::testing::Test {
protected:
    void SetUp() override { view.SetScript(FlexScript()); }
    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};
} // namespace

TEST_F(TabView, set_script_replaces_tabs_in_order) {
    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(view.GetTabCaption(0), QStringLiteral("Main script"));
    EXPECT_EQ(view.GetTabCaption(2), QStringLiteral("Conditional script: Other"));
    EXPECT_EQ(view.Document().FlexibleCount(), 3);
    CScriptObj smaller;
    smaller.m_lstScripts.push_back(Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/1"))}));
    smaller.m_lstScripts.push_back(Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/2"))}));
    view.SetScript(smaller);
    EXPECT_EQ(view.GetTabCount(), 1);
    EXPECT_EQ(view.GetMainView().Grid().GetRowCount(), 1); // only the first main script
    EXPECT_EQ(view.Document().FlexibleCount(), 0);
}

TEST_F(TabView, collecting_activates_the_main_tab_and_resets_the_ribbon_button) {
    view.SetActiveTab(2);
    CScriptObj out;
    view.GetScriptList(out);
    EXPECT_EQ(view.GetActiveTab(), 0);
    ASSERT_EQ(out.m_lstScripts.size(), 3u);
    EXPECT_EQ(out.m_lstScripts[2].m_strName, QStringLiteral("Other"));
    EXPECT_EQ(host.m_buttonStates, (std::vector<bool>{true, false}));
}

TEST_F(TabView, renumbering_moves_placeholders_down_in_every_tab_and_the_list) {
    view.RenumberFlexibleParameters(2);
    EXPECT_EQ(view.Document().FlexibleParameters()[2].m_strReplace, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(view.Document().FlexibleParameters()[1].m_strReplace, QStringLiteral("_XALURL_1_"));
    const CMyTreeGridCtrl& main = view.GetMainView().Grid();
    EXPECT_EQ(main.Row(1).m_cells[1].strText, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(main.Record(1).m_strRawValue, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(main.Row(0).m_cells[0].strText, QStringLiteral("http://h/r/_XALURL_0_"));
    EXPECT_EQ(view.GetTabView(1)->Grid().Row(3).m_cells[1].strText, QStringLiteral("x/_XALURL_1_"));
    EXPECT_EQ(view.Document().FlexibleCount(), 3); // the caller lowers the count
}

TEST_F(TabView, releasing_a_placeholder_frees_its_number_only_when_unused) {
    view.ReleasePlaceholder(2, QStringLiteral("_XALURL_1_")); // still shown in "Cond"
    EXPECT_EQ(view.Document().FlexibleCount(), 3);
    view.ReleasePlaceholder(0, QStringLiteral("_XALURL_7_")); // mode 0 has no effect
    EXPECT_EQ(view.Document().FlexibleCount(), 3);

    // Freeing 1 once no row shows it: 2 becomes 1 everywhere, the entry of 1 goes.
    view.GetTabView(1)->Grid().SetCellText(2, 1, QStringLiteral("gone"));
    view.ReleasePlaceholder(2, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    ASSERT_EQ(view.Document().FlexibleParameters().size(), 2u);
    EXPECT_EQ(view.Document().FlexibleParameters()[0].m_strFind, QStringLiteral("a"));
    EXPECT_EQ(view.Document().FlexibleParameters()[1].m_strFind, QStringLiteral("c"));
    EXPECT_EQ(view.Document().FlexibleParameters()[1].m_strReplace, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(view.GetMainView().Grid().Row(1).m_cells[1].strText, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(view.GetTabView(1)->Grid().Row(3).m_cells[1].strText, QStringLiteral("x/_XALURL_1_"));
}

TEST_F(TabView, releasing_the_last_number_only_lowers_the_count) {
    view.GetMainView().Grid().SetCellText(1, 1, QString());
    view.GetTabView(1)->Grid().SetCellText(3, 1, QString());
    view.ReleasePlaceholder(1, QStringLiteral("_XALURL_2_"));
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    EXPECT_EQ(view.Document().FlexibleParameters().size(), 2u);
    EXPECT_TRUE(view.IsUsedInAnyScript(QStringLiteral("_XALURL_1_")));
}

TEST_F(TabView, unshown_placeholders_are_released_highest_first_keeping_numbers_dense) {
    // 0 and 1 lose their rows; 2 stays shown and becomes 0 everywhere.
    view.GetMainView().Grid().SetCellText(0, 0, QStringLiteral("http://h/r/x"));
    view.GetTabView(1)->Grid().SetCellText(2, 1, QStringLiteral("gone"));
    view.ReleaseUnshownPlaceholders();
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
    ASSERT_EQ(view.Document().FlexibleParameters().size(), 1u);
    EXPECT_EQ(view.Document().FlexibleParameters()[0].m_strFind, QStringLiteral("c"));
    EXPECT_EQ(view.Document().FlexibleParameters()[0].m_strReplace, QStringLiteral("_XALURL_0_"));
    EXPECT_EQ(view.GetMainView().Grid().Row(1).m_cells[1].strText, QStringLiteral("_XALURL_0_"));
    EXPECT_EQ(view.GetTabView(1)->Grid().Row(3).m_cells[1].strText, QStringLiteral("x/_XALURL_0_"));
}

TEST_F(TabView, deleting_a_conditional_script_asks_and_frees_its_placeholders) {
    host.m_messages.Queue(MsgAnswer::No);
    host.m_messages.Queue(MsgAnswer::Yes);
    view.CloseTab(1);
    EXPECT_EQ(host.m_messages.Texts().back(),
              QStringLiteral("Delete the conditional script called 'Cond'?"));
    EXPECT_EQ(view.GetTabCount(), 3);
    EXPECT_FALSE(host.m_doc.IsModified());

    view.CloseTab(1);
    ASSERT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(view.GetTabCaption(1), QStringLiteral("Conditional script: Other"));
    EXPECT_TRUE(host.m_doc.IsModified());
    // "_XALURL_1_" was only in the deleted script: 2 moved down to 1 in the main script.
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    EXPECT_EQ(view.GetMainView().Grid().Row(1).m_cells[1].strText, QStringLiteral("_XALURL_1_"));
    EXPECT_FALSE(view.IsUsedInAnyScript(QStringLiteral("_XALURL_2_")));
}

TEST_F(TabView, closing_a_tab_removes_that_script_even_when_another_tab_is_active) {
    view.SetActiveTab(1);
    EXPECT_TRUE(view.DeleteConditionalScript(*view.GetTabView(2)));
    ASSERT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(view.GetTabView(1)->GetName(), QStringLiteral("Cond"));
    EXPECT_EQ(view.GetActiveTab(), 1);
}

TEST(TabViewNames, of_two_same_named_scripts_the_asked_one_goes_and_is_not_saved) {
    // An unnamed conditional script loads as "": two of them share that name.
    CScriptObj script;
    script.m_lstScripts.push_back(Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/m"))}));
    script.m_lstScripts.push_back(
        Script(1, {}, {Url(QStringLiteral("h"), QStringLiteral("/first"))}));
    script.m_lstScripts.push_back(
        Script(1, {}, {Url(QStringLiteral("h"), QStringLiteral("/second"))}));
    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
    view.SetScript(script);
    ASSERT_EQ(view.GetTabCount(), 3);
    view.SetActiveTab(1);
    host.m_messages.Queue(MsgAnswer::Yes);
    view.CloseTab(2);

    CScriptObj collected;
    view.GetScriptList(collected);
    ASSERT_EQ(collected.m_lstScripts.size(), 2u);
    ASSERT_EQ(collected.m_lstScripts[1].m_lstURLs.size(), 1u);
    EXPECT_EQ(collected.m_lstScripts[1].m_lstURLs[0].m_strURL, QStringLiteral("/first"));
    EXPECT_TRUE(host.m_doc.IsModified());

    // The command of the active tab removes the active one, also among equal names.
    view.SetScript(script);
    view.SetActiveTab(2);
    view.OnCommand(XalCmd::DeleteConditionalScript);
    CScriptObj again;
    view.GetScriptList(again);
    ASSERT_EQ(again.m_lstScripts.size(), 2u);
    EXPECT_EQ(again.m_lstScripts[1].m_lstURLs[0].m_strURL, QStringLiteral("/first"));
}

TEST_F(TabView, conditional_view_delete_commands_run_the_deletion) {
    view.SetActiveTab(2);
    EXPECT_TRUE(view.IsCommandEnabled(XalCmd::DeleteConditionalScript));
    view.OnCommand(XalCmd::ConditionalScript); // the same id deletes here
    EXPECT_EQ(view.GetTabCount(), 2);
    view.SetActiveTab(0);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::DeleteConditionalScript));
}

TEST_F(TabView, closing_the_main_tab_asks_to_close_the_editor) {
    host.m_messages.Queue(MsgAnswer::No);
    host.m_messages.Queue(MsgAnswer::Yes);
    view.CloseTab(0);
    EXPECT_EQ(host.m_nCloseCalls, 0);
    view.CloseTab(0);
    EXPECT_EQ(host.m_nCloseCalls, 1);
    EXPECT_EQ(host.m_messages.Texts().front(),
              QStringLiteral("To close the main script, you have to close the Script Editor. "
                             "Close the Script Editor now?"));
}

TEST_F(TabView, spread_by_value_reaches_every_script_but_not_the_condition_block) {
    CScriptObj s;
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/a/123/b"), 0,
                    {Param(QStringLiteral("x"), QStringLiteral("123"), 0, 0x40),
                     Param(QStringLiteral("y"), QStringLiteral("p/123/q"), 0, 0x40),
                     Param(QStringLiteral("z"), QStringLiteral("1234"), 0, 0x40)}),
                Url(QStringLiteral("h"), QStringLiteral("/c/123"))}));
    s.m_lstScripts.push_back(
        Script(1, QStringLiteral("C"),
               {Url(QStringLiteral("h"), QStringLiteral("/k/123"), 0,
                    {Param(QStringLiteral("x"), QStringLiteral("123"), 0, 0x40)}),
                Url(QStringLiteral("h"), QStringLiteral("/m"), 0,
                    {Param(QStringLiteral("w"), QStringLiteral("123"), 0, 0x40)})}));
    view.SetScript(s);
    CSpreadRequest request;
    request.strPlaceholder = QStringLiteral("_XALURL_0_");
    request.nMode = 2;
    request.bInAddresses = true;
    request.bInValues = true;
    request.strSeparator = QStringLiteral("/");
    request.strValue = QStringLiteral("123");
    request.templ.m_nFlags = 0x8000;
    request.templ.m_strRawValue = QStringLiteral("_XALURL_0_");
    request.templ.m_strValue = QStringLiteral("_XALURL_0_");
    view.UpdateAllScripts(request);

    const CMyTreeGridCtrl& main = view.GetMainView().Grid();
    EXPECT_EQ(main.Row(0).m_cells[0].strText, QStringLiteral("http://h/a/_XALURL_0_/b"));
    EXPECT_EQ(main.Record(0).m_nFlags, kURLFlexibleFlags);
    EXPECT_EQ(main.Row(0).m_nData, 0x8020u);
    EXPECT_EQ(main.Row(1).m_cells[1].strText, QStringLiteral("_XALURL_0_"));
    EXPECT_EQ(main.Row(1).m_nData, 0x8040u);
    EXPECT_EQ(main.Record(1).m_nFlags, 0x8000);
    EXPECT_EQ(main.Row(2).m_cells[1].strText, QStringLiteral("p/_XALURL_0_/q"));
    EXPECT_EQ(main.Record(2).m_strRawValue, QStringLiteral("p%2F_XALURL_0_%2Fq"));
    EXPECT_EQ(main.Row(3).m_cells[1].strText, QStringLiteral("1234")); // no separator in front
    EXPECT_EQ(main.Row(4).m_cells[0].strText, QStringLiteral("http://h/c/_XALURL_0_"));
    const CMyTreeGridCtrl& cond = view.GetTabView(1)->Grid();
    EXPECT_EQ(cond.Row(0).m_cells[0].strText, QStringLiteral("http://h/k/123"));
    EXPECT_EQ(cond.Row(1).m_cells[1].strText, QStringLiteral("123"));
    EXPECT_EQ(cond.Row(3).m_cells[1].strText, QStringLiteral("_XALURL_0_"));
}

TEST_F(TabView, spread_by_name_and_value_needs_both_to_match) {
    CSpreadRequest request;
    request.strPlaceholder = QStringLiteral("_XALURL_3_");
    request.nMode = 1;
    request.strName = QStringLiteral("b");
    request.strValue = QStringLiteral("_XALURL_1_");
    request.templ.m_nFlags = 0x800;
    view.UpdateAllScripts(request);
    const CMyTreeGridCtrl& cond = view.GetTabView(1)->Grid();
    EXPECT_EQ(cond.Row(2).m_cells[1].strText, QStringLiteral("_XALURL_3_"));
    EXPECT_EQ(cond.Row(2).m_nData, 0x840u);
    EXPECT_EQ(cond.Row(3).m_cells[1].strText, QStringLiteral("x/_XALURL_2_"));
}

TEST_F(TabView, domains_and_flexible_entries) {
    view.AddAvailableDomain(QStringLiteral("http://www.example.com/a"));
    view.AddAvailableDomain(QStringLiteral("https://www.example.com/b"));
    view.AddAvailableDomain(QStringLiteral("not a url"));
    EXPECT_EQ(view.Document().AvailableDomains(), QStringList{QStringLiteral("www.example.com")});
    view.AddFlexibleParameter(QStringLiteral("n"), QStringLiteral("_XALURL_3_"));
    EXPECT_EQ(view.Document().FlexibleParameters().back().m_strFind, QStringLiteral("n"));
    view.RemoveFlexibleParameter(QStringLiteral("_XALURL_0_"));
    EXPECT_EQ(view.Document().FlexibleParameters().front().m_strReplace,
              QStringLiteral("_XALURL_1_"));
}

TEST(ServerColours, twenty_first_server_wraps_and_known_servers_keep_theirs) {
    CFakeHost host;
    CXALScripEditView view(host, host.m_doc);
    const COLORREF first = view.GetServerColor(QStringLiteral("s0"));
    for (int i = 1; i < 20; ++i)
        view.GetServerColor(QStringLiteral("s%1").arg(i));
    EXPECT_EQ(view.GetServerColor(QStringLiteral("s20")), first);
    EXPECT_EQ(view.GetServerColor(QStringLiteral("s0")), first);
    EXPECT_NE(view.GetServerColor(QStringLiteral("S0")), first); // case-sensitive
}

namespace {
class Closing : public ::testing::Test {
protected:
    void Load(bool bWithURL) {
        CScriptObj script;
        CSubscriptObj main = Script(0, {}, {});
        if (bWithURL)
            main.m_lstURLs.push_back(Url(QStringLiteral("h"), QStringLiteral("/")));
        script.m_lstScripts.push_back(main);
        script.m_strTitle = QStringLiteral("Portal");
        view.SetScript(script);
        doc.SetModified(true);
    }
    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
    CXALScripEditDoc& doc = host.m_doc;
};
} // namespace

TEST_F(Closing, unmodified_closes_without_asking) {
    EXPECT_TRUE(view.SaveModified());
    EXPECT_TRUE(host.m_messages.Texts().isEmpty());
}

TEST_F(Closing, empty_main_script_offers_only_to_leave) {
    Load(false);
    host.m_messages.Queue(MsgAnswer::No);
    host.m_messages.Queue(MsgAnswer::Yes);
    EXPECT_FALSE(view.SaveModified());
    EXPECT_TRUE(view.SaveModified());
    EXPECT_EQ(host.m_messages.Texts().front(),
              QStringLiteral("E-script data in 'Portal' has been changed.\nThis e-script does not "
                             "contain any URLs in its main script and thus cannot be saved.\nExit "
                             "program?"));
    EXPECT_EQ(host.m_nSaveCalls, 0);
}

TEST_F(Closing, save_question_answers) {
    Load(true);
    host.m_messages.Queue(MsgAnswer::Cancel);
    EXPECT_FALSE(view.SaveModified());
    EXPECT_EQ(host.m_messages.Texts().front(),
              QStringLiteral("E-script data have been modified.\nSave e-script?"));
    EXPECT_EQ(host.m_nSaveCalls, 0);
    EXPECT_TRUE(doc.IsModified());

    host.m_messages.Queue(MsgAnswer::No);
    EXPECT_TRUE(view.SaveModified());
    EXPECT_EQ(host.m_nSaveCalls, 0);

    host.m_messages.Queue(MsgAnswer::Yes);
    EXPECT_TRUE(view.SaveModified());
    EXPECT_EQ(host.m_nSaveCalls, 1);
}

TEST_F(Closing, failed_save_keeps_the_editor_open) {
    Load(true);
    host.m_bSaveSucceeds = false;
    host.m_messages.Queue(MsgAnswer::Yes);
    EXPECT_FALSE(view.SaveModified());
    EXPECT_EQ(host.m_nSaveCalls, 1);
}

TEST(TabViewRelease, deleting_a_conditional_script_frees_every_placeholder_of_a_cell) {
    CFakeHost host;
    CXALScripEditView view(host, host.m_doc);
    CScriptObj script;
    script.m_lstURLParameter = {Flex(QStringLiteral("a"), QStringLiteral("_XALURL_0_")),
                                Flex(QStringLiteral("b"), QStringLiteral("_XALURL_1_"))};
    script.m_lstScripts.push_back(
        Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/m/_XALURL_0_"))}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Two"),
               {Url(QStringLiteral("h"), QStringLiteral("/c")),
                Url(QStringLiteral("h"), QStringLiteral("/_XALURL_0_/_XALURL_1_"))}));
    view.SetScript(script);
    view.CloseTab(1);
    ASSERT_EQ(view.GetTabCount(), 1);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 1);
    ASSERT_EQ(host.m_doc.FlexibleParameters().size(), 1u);
    EXPECT_EQ(host.m_doc.FlexibleParameters().front().m_strReplace, QStringLiteral("_XALURL_0_"));
}

TEST(TabViewRelease, one_pass_renumbering_gives_what_a_pass_per_number_gives) {
    const QStringList texts{QStringLiteral("/a/_XALURL_3_/b"),
                            QStringLiteral("x_XALURL_2__XALURL_4_y"),
                            QStringLiteral("_XALURL_12_"),
                            QStringLiteral("_XALURL_05_"),
                            QStringLiteral("_XALURL_1_"),
                            QStringLiteral("_XALURL_USER_"),
                            QStringLiteral("_XALURL_9_ and _XALURL_3")};
    std::vector<CURLParamObj> params;
    for (const QString& text : texts)
        params.push_back(Param(QStringLiteral("p"), text, 0, 0x8040));
    CScriptObj script;
    script.m_lstScripts.push_back(
        Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/u/_XALURL_4_"), 0, params)}));
    CFakeHost hostA;
    CFakeHost hostB;
    CXALScripEditView a(hostA, hostA.m_doc);
    CXALScripEditView b(hostB, hostB.m_doc);
    a.SetScript(script);
    b.SetScript(script);
    a.GetMainView().ShiftPlaceholders(2, 12);
    for (int n = 2; n < 12; ++n)
        b.GetMainView().RenumberPlaceholders(QStringLiteral("_XALURL_%1_").arg(n),
                                             QStringLiteral("_XALURL_%1_").arg(n - 1));
    const CMyTreeGridCtrl& gridA = a.GetMainView().Grid();
    const CMyTreeGridCtrl& gridB = b.GetMainView().Grid();
    ASSERT_EQ(gridA.GetRowCount(), gridB.GetRowCount());
    for (int i = 0; i < gridA.GetRowCount(); ++i) {
        EXPECT_EQ(gridA.Row(i).m_cells[0].strText, gridB.Row(i).m_cells[0].strText) << i;
        EXPECT_EQ(gridA.Row(i).m_cells[1].strText, gridB.Row(i).m_cells[1].strText) << i;
        EXPECT_EQ(gridA.Record(i).m_strRawValue, gridB.Record(i).m_strRawValue) << i;
    }
    EXPECT_EQ(gridA.Row(2).m_cells[1].strText, QStringLiteral("x_XALURL_1__XALURL_3_y"));
}
