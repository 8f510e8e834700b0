#include "commands.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
QKeyCombination Ctrl(Qt::Key key) {
    return QKeyCombination(Qt::ControlModifier, key);
}

std::vector<int> Commands(const ContextMenuDef& def) {
    std::vector<int> out;
    for (const ContextMenuItem& item : def.items)
        if (item.command != 0)
            out.push_back(item.command);
    return out;
}

bool Has(const std::vector<int>& v, int x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}
} // namespace

TEST(EnablingRules, save_needs_changes_rows_and_no_running_recording) {
    ShellState s;
    s.modified = true;
    s.mainScriptRows = 1;
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::Save, s));
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::SaveAndClose, s));

    ShellState readOnly = s;
    readOnly.notSavable = QStringLiteral("The field 'logon' is not a document.");
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::Save, readOnly));
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::SaveAndClose, readOnly));
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::Properties, readOnly));

    ShellState unchanged = s;
    unchanged.modified = false;
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::Save, unchanged));

    ShellState empty = s;
    empty.mainScriptRows = 0;
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::SaveAndClose, empty));

    ShellState recording = s;
    recording.recordingStarted = true;
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::Save, recording));
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::Properties, recording));
    EXPECT_FALSE(*ShellCommandEnabled(XalCmd::NewEScript, recording));

    recording.recordingPaused = true; // a paused recording does not run
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::Save, recording));
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::Properties, recording));
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::NewEScript, recording));
}

TEST(EnablingRules, commands_of_other_areas_are_not_ruled_by_the_shell) {
    const ShellState s;
    for (int id : {XalCmd::Test, XalCmd::RecordStart, XalCmd::RecordStop, XalCmd::Create,
                   XalCmd::ConditionalScript, XalCmd::Print})
        EXPECT_FALSE(ShellCommandEnabled(id, s).has_value()) << id;
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::Utilities, s));
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::Language, s));
    EXPECT_TRUE(*ShellCommandEnabled(XalCmd::RecentLast, s));
}

TEST(Accelerators, first_entry_of_a_repeated_key_wins) {
    EXPECT_EQ(CommandForKey(Ctrl(Qt::Key_P)), XalCmd::Print);
    const auto effective = EffectiveAccelerators();
    const auto properties = std::count_if(effective.begin(), effective.end(), [](const auto& a) {
        return a.command == XalCmd::Properties;
    });
    EXPECT_EQ(properties, 0) << "the properties command has no working accelerator";
    EXPECT_EQ(effective.size(), AcceleratorTable().size() - 1);
}

TEST(Accelerators, keys_reach_their_commands) {
    EXPECT_EQ(CommandForKey(QKeyCombination(Qt::Key_Insert)), XalCmd::NewEScript);
    EXPECT_EQ(CommandForKey(Ctrl(Qt::Key_N)), XalCmd::NewEScript);
    EXPECT_EQ(CommandForKey(Ctrl(Qt::Key_S)), XalCmd::Save);
    EXPECT_EQ(CommandForKey(Ctrl(Qt::Key_W)), XalCmd::Down);
    EXPECT_EQ(CommandForKey(Ctrl(Qt::Key_A)), XalCmd::RecordStart);
    EXPECT_EQ(CommandForKey(QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert)), XalCmd::Paste);
    EXPECT_EQ(CommandForKey(QKeyCombination(Qt::ShiftModifier, Qt::Key_F6)), XalCmd::PrevPane);
    EXPECT_FALSE(CommandForKey(Ctrl(Qt::Key_Q)).has_value());
}

TEST(ContextMenus, entries_and_separators_stand_in_menu_order) {
    using namespace XalCmd;
    constexpr int kSep = 0;
    std::vector<int> ids;
    for (const ContextMenuItem& item : FindContextMenu(315)->items)
        ids.push_back(item.command);
    EXPECT_EQ(ids, (std::vector<int>{Create, Edit, Delete, FlexibleParameter, kSep,
                                     ConditionalScript, kSep, Browser, kSep, Up, Down, kSep,
                                     ExpandAll, CollapseAll, kSep, ExcludeDomain}));
    ids.clear();
    for (const ContextMenuItem& item : FindContextMenu(349)->items)
        ids.push_back(item.command);
    EXPECT_EQ(
        ids, (std::vector<int>{Create, Edit, Delete, kSep, DeleteConditionalScript, kSep, Browser,
                               kSep, Up, Down, kSep, ExpandAll, CollapseAll, kSep, ExcludeDomain}));
}

TEST(ContextMenus, variants_swap_or_drop_the_flexible_entry) {
    const auto script = Commands(*FindContextMenu(QStringLiteral("Script menu")));
    const auto flex = Commands(*FindContextMenu(344));
    const auto user = Commands(*FindContextMenu(345));
    EXPECT_TRUE(Has(script, XalCmd::FlexibleParameter));
    EXPECT_FALSE(Has(flex, XalCmd::FlexibleParameter));
    EXPECT_TRUE(Has(flex, XalCmd::ResetFlexibleParameter));
    EXPECT_EQ(flex.size(), script.size());
    EXPECT_EQ(user.size(), script.size() - 1);
    EXPECT_TRUE(Has(script, XalCmd::ExcludeDomain));
    EXPECT_TRUE(Has(script, XalCmd::ConditionalScript));

    const auto sub = Commands(*FindContextMenu(316));
    EXPECT_TRUE(Has(sub, XalCmd::FlexibleCondition));
    EXPECT_TRUE(Has(sub, XalCmd::DeleteConditionalScript));
    EXPECT_FALSE(Has(sub, XalCmd::ConditionalScript));
    EXPECT_TRUE(Has(Commands(*FindContextMenu(347)), XalCmd::ResetFlexibleCondition));
    EXPECT_TRUE(Has(Commands(*FindContextMenu(346)), XalCmd::FlexibleParameter));
    EXPECT_TRUE(Has(Commands(*FindContextMenu(348)), XalCmd::ResetFlexibleParameter));
    EXPECT_EQ(Commands(*FindContextMenu(349)).size(), sub.size() - 1);
    EXPECT_EQ(Commands(*FindContextMenu(350)),
              (std::vector<int>{XalCmd::ExpandAll, XalCmd::CollapseAll}));
    EXPECT_EQ(FindContextMenu(999), nullptr);
    EXPECT_EQ(FindContextMenu(QStringLiteral("script menu")), nullptr);
}

TEST(CommandRouter, runs_only_enabled_handled_commands) {
    CCommandRouter router;
    std::vector<int> ran;
    EXPECT_FALSE(router.IsEnabled(XalCmd::Save));
    EXPECT_FALSE(router.Execute(XalCmd::Save));

    bool allow = false;
    router.SetHandler(
        XalCmd::Save, [&](int c) { ran.push_back(c); }, [&](int) { return allow; });
    EXPECT_FALSE(router.Execute(XalCmd::Save));
    allow = true;
    EXPECT_TRUE(router.Execute(XalCmd::Save));

    router.SetRangeHandler(XalCmd::RecentFirst, XalCmd::RecentLast,
                           [&](int c) { ran.push_back(c); });
    EXPECT_TRUE(router.Execute(XalCmd::RecentFirst + 3));
    EXPECT_FALSE(router.Execute(XalCmd::RecentLast + 1));
    EXPECT_EQ(ran, (std::vector<int>{XalCmd::Save, XalCmd::RecentFirst + 3}));

    // A single command inside a range replaces the range.
    router.SetHandler(XalCmd::RecentFirst + 1, [&](int) {});
    EXPECT_FALSE(router.HasHandler(XalCmd::RecentFirst + 3));
    router.RemoveHandler(XalCmd::Save);
    EXPECT_FALSE(router.IsEnabled(XalCmd::Save));
}
