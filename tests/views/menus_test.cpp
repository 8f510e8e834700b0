// Context-menu choice and command enabling.

#include "commandids.h"
#include "fakehost.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "viewrules.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
// Main rows: 0 URL, 1 plain, 2 user, 3 flexible by value, 4 URL with placeholder, 5 URL.
// Conditional rows: 0 condition URL, 1 its parameter, 2 URL, 3 password, 4 flexible,
// 5 flexible condition parameter, 6 URL with "*", 7 URL.
CScriptObj MenuScript() {
    CScriptObj script;
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/a"), 0,
                    {Param(QStringLiteral("p"), QStringLiteral("1"), 0, 0x40),
                     Param(QStringLiteral("u"), QStringLiteral("_XALURL_USER_"), 0, 0x240),
                     Param(QStringLiteral("f"), QStringLiteral("_XALURL_0_"), 0, 0x8040)}),
                Url(QStringLiteral("h"), QStringLiteral("/_XALURL_1_/b")),
                Url(QStringLiteral("h"), QStringLiteral("/c"))}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("C"),
               {Url(QStringLiteral("h"), QStringLiteral("/cond"), 0,
                    {Param(QStringLiteral("q"), QStringLiteral("1"), 0, 0x40)}),
                Url(QStringLiteral("h"), QStringLiteral("/d"), 0,
                    {Param(QStringLiteral("pw"), QStringLiteral("_XALURL_PASSWORD_"), 0, 0x440),
                     Param(QStringLiteral("f"), QStringLiteral("_XALURL_0_"), 0, 0x800),
                     Param(QStringLiteral("q"), QStringLiteral("_XALURL_q"), 0, 0x20000)}),
                Url(QStringLiteral("h"), QStringLiteral("/x/*")),
                Url(QStringLiteral("h"), QStringLiteral("/e"))}));
    return script;
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { view.SetScript(MenuScript()); }
    CBaseScriptView& Main() { return *view.GetTabView(0); }
    CBaseScriptView& Cond() { return *view.GetTabView(1); }
    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};
} // namespace

TEST_F(MenuTest, main_view_menu_per_row_kind) {
    const CMyTreeGridCtrl& grid = Main().Grid();
    EXPECT_EQ(ContextMenuForRow(grid, 0, false), ViewMenu::kFlexibleParameter);
    EXPECT_EQ(ContextMenuForRow(grid, 1, false), ViewMenu::kFlexibleParameter);
    EXPECT_EQ(ContextMenuForRow(grid, 2, false), ViewMenu::kNoFlexibleEntry);
    EXPECT_EQ(ContextMenuForRow(grid, 3, false), ViewMenu::kResetFlexibleParameter);
    EXPECT_EQ(ContextMenuForRow(grid, 4, false), ViewMenu::kResetFlexibleParameter);
    EXPECT_EQ(ContextMenuForRow(grid, -1, false), ViewMenu::kExpandCollapseOnly);
}

TEST_F(MenuTest, conditional_view_menu_per_row_kind) {
    const CMyTreeGridCtrl& grid = Cond().Grid();
    EXPECT_EQ(ContextMenuForRow(grid, 0, true), ViewMenu::kCondFlexibleCondition);
    EXPECT_EQ(ContextMenuForRow(grid, 1, true), ViewMenu::kCondFlexibleCondition);
    EXPECT_EQ(ContextMenuForRow(grid, 2, true), ViewMenu::kCondFlexibleParameter);
    EXPECT_EQ(ContextMenuForRow(grid, 3, true), ViewMenu::kCondNoFlexibleEntry);
    EXPECT_EQ(ContextMenuForRow(grid, 4, true), ViewMenu::kCondResetFlexibleParameter);
    EXPECT_EQ(ContextMenuForRow(grid, 5, true), ViewMenu::kCondResetFlexibleCondition);
    EXPECT_EQ(ContextMenuForRow(grid, 6, true), ViewMenu::kCondResetFlexibleCondition);
    EXPECT_EQ(ContextMenuForRow(grid, 7, true), ViewMenu::kCondFlexibleParameter);
}

TEST_F(MenuTest, right_click_selects_the_hit_row_alone) {
    CMyTreeGridCtrl& grid = Main().Grid();
    grid.SelectRow(5);
    EXPECT_EQ(Main().PrepareContextMenu(3), ViewMenu::kResetFlexibleParameter);
    EXPECT_EQ(grid.GetSelectedRowCount(), 1);
    EXPECT_TRUE(grid.IsRowSelected(3));
    EXPECT_EQ(grid.GetCurrentRow(), 3);
    // Empty space: the first selected row is the row in question.
    EXPECT_EQ(Main().PrepareContextMenu(-1), ViewMenu::kResetFlexibleParameter);
    grid.DeselectAllRows();
    EXPECT_EQ(Main().PrepareContextMenu(-1), ViewMenu::kExpandCollapseOnly);
}

TEST_F(MenuTest, right_click_during_recording_changes_nothing) {
    host.m_bRecording = true;
    EXPECT_EQ(Main().PrepareContextMenu(3), 0);
    EXPECT_TRUE(Main().Grid().IsRowSelected(0));
    EXPECT_FALSE(Main().Grid().IsRowSelected(3));
}

TEST_F(MenuTest, enabling_needs_loaded_not_recording_and_a_selection) {
    const CMyTreeGridCtrl& grid = Main().Grid();
    CCommandState state;
    state.bLoaded = true;
    EXPECT_TRUE(IsViewCommandEnabled(grid, state, XalCmd::Edit));
    EXPECT_TRUE(IsViewCommandEnabled(grid, state, XalCmd::ConditionalScript));
    EXPECT_FALSE(IsViewCommandEnabled(grid, state, XalCmd::DeleteConditionalScript));
    EXPECT_FALSE(IsViewCommandEnabled(grid, state, XalCmd::Delete)); // row 0 is selected
    state.bRecording = true;
    EXPECT_FALSE(IsViewCommandEnabled(grid, state, XalCmd::Edit));
    state.bRecording = false;
    state.bLoaded = false;
    EXPECT_FALSE(IsViewCommandEnabled(grid, state, XalCmd::Browser));
}

TEST_F(MenuTest, delete_enabling_differs_between_views) {
    CCommandState state;
    CMyTreeGridCtrl& main = Main().Grid();
    main.DeselectAllRows();
    main.SelectRow(5);
    EXPECT_FALSE(IsViewCommandEnabled(main, state, XalCmd::Delete)); // not loaded
    state.bLoaded = true;
    EXPECT_TRUE(IsViewCommandEnabled(main, state, XalCmd::Delete));

    CMyTreeGridCtrl& cond = Cond().Grid();
    cond.DeselectAllRows();
    cond.SelectRow(6);
    state.bConditional = true;
    state.bLoaded = false; // the conditional view does not ask for it
    EXPECT_TRUE(IsViewCommandEnabled(cond, state, XalCmd::Delete));
    cond.SelectRow(2);
    cond.SelectRow(7);
    EXPECT_FALSE(IsViewCommandEnabled(cond, state, XalCmd::Delete));
}

TEST_F(MenuTest, conditional_edit_is_disabled_on_flexible_condition_parameters) {
    CMyTreeGridCtrl& cond = Cond().Grid();
    CCommandState state;
    state.bLoaded = true;
    state.bConditional = true;
    cond.DeselectAllRows();
    cond.SelectRow(5);
    EXPECT_FALSE(IsViewCommandEnabled(cond, state, XalCmd::Edit));
    cond.SelectRow(4);
    EXPECT_TRUE(IsViewCommandEnabled(cond, state, XalCmd::Edit)); // first selected decides
}

TEST_F(MenuTest, up_and_down_follow_the_move_tests_and_a_single_selection) {
    CMyTreeGridCtrl& grid = Main().Grid();
    auto canUp = [&](int row) {
        grid.DeselectAllRows();
        grid.SelectRow(row);
        return Main().CanMoveUp();
    };
    auto canDown = [&](int row) {
        grid.DeselectAllRows();
        grid.SelectRow(row);
        return Main().CanMoveDown();
    };
    EXPECT_FALSE(canUp(0));
    EXPECT_FALSE(canUp(1)); // the row above is the URL
    EXPECT_TRUE(canUp(2));
    EXPECT_FALSE(canUp(4)); // no URL between row 1 and itself
    EXPECT_TRUE(canUp(5));
    EXPECT_FALSE(canDown(0));
    EXPECT_TRUE(canDown(1));
    EXPECT_FALSE(canDown(3));
    EXPECT_TRUE(canDown(4));
    EXPECT_FALSE(canDown(5));

    CCommandState state;
    state.bCanMoveUp = true;
    grid.DeselectAllRows();
    grid.SelectRow(4);
    EXPECT_TRUE(IsViewCommandEnabled(grid, state, XalCmd::Up));
    grid.SelectRow(2);
    EXPECT_FALSE(IsViewCommandEnabled(grid, state, XalCmd::Up));
}

TEST_F(MenuTest, conditional_moves_keep_the_condition_url_first) {
    CMyTreeGridCtrl& grid = Cond().Grid();
    auto at = [&](int row) { grid.SetCurrentRow(row); };
    at(0);
    EXPECT_FALSE(Cond().CanMoveUp());
    EXPECT_FALSE(Cond().CanMoveDown());
    at(2);
    EXPECT_FALSE(Cond().CanMoveUp()); // the block above is the condition URL's
    EXPECT_TRUE(Cond().CanMoveDown());
    at(6);
    EXPECT_TRUE(Cond().CanMoveUp());
    at(7);
    EXPECT_FALSE(Cond().CanMoveDown());
    at(4);
    EXPECT_TRUE(Cond().CanMoveUp());
    EXPECT_TRUE(Cond().CanMoveDown());
}

TEST_F(MenuTest, views_enable_only_commands_they_carry_out) {
    EXPECT_TRUE(view.IsCommandEnabled(XalCmd::ExpandAll));
    EXPECT_TRUE(view.IsCommandEnabled(XalCmd::CollapseAll));
    EXPECT_FALSE(view.IsCommandEnabled(12345));
    host.m_doc.SetLoaded(false);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::ExpandAll));
}

TEST_F(MenuTest, collapse_all_moves_a_parameter_selection_to_its_url) {
    CMyTreeGridCtrl& grid = Main().Grid();
    grid.DeselectAllRows();
    grid.SelectRow(2);
    view.OnCommand(XalCmd::CollapseAll);
    EXPECT_FALSE(grid.Row(0).m_bExpanded);
    EXPECT_TRUE(grid.IsRowSelected(0));
    EXPECT_FALSE(grid.IsRowSelected(2));
    view.OnCommand(XalCmd::ExpandAll);
    EXPECT_TRUE(grid.Row(4).m_bExpanded);
}
