// Conditional scripts: creating one from a URL of the main script, flexible conditions, and
// deleting a conditional script with the placeholders it holds.

#include "commandids.h"
#include "dialflexcondurl.h"
#include "dialnewsubscript.h"
#include "fakehost.h"
#include "flexinvariant.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
CFindReplaceObj Flex(const QString& find, const QString& replace) {
    CFindReplaceObj entry;
    entry.m_strFind = find;
    entry.m_strReplace = replace;
    return entry;
}

CScriptedEditDialogs::Step<CDialNewSubscript> Name(const QString& strName) {
    return [strName](CDialNewSubscript& dialog) {
        dialog.m_strName = strName;
        return dialog.OnOK();
    };
}

class Conditional : public ::testing::Test {
protected:
    void Load(const CScriptObj& script) {
        view.SetScript(script);
        ASSERT_TRUE(FlexibleInvariantHolds(view));
    }
    void Run(int nTab, int nRow, int nCommand) {
        view.SetActiveTab(nTab);
        CMyTreeGridCtrl& grid = view.GetTabView(nTab)->Grid();
        grid.DeselectAllRows();
        grid.SelectRow(nRow);
        view.OnCommand(nCommand);
        EXPECT_TRUE(FlexibleInvariantHolds(view));
    }
    [[nodiscard]] const CMyTreeGridCtrl& Grid(int nTab) const {
        return view.GetTabView(nTab)->Grid();
    }
    [[nodiscard]] QString Cell(int nTab, int nRow) const {
        const CMyTreeGridCtrl& grid = Grid(nTab);
        return grid.Row(nRow).m_cells[grid.IsURLRow(nRow) ? 0 : 1].strText;
    }
    [[nodiscard]] QStringList Labels(int nTab) const {
        QStringList labels;
        for (int i = 0; i < Grid(nTab).GetRowCount(); ++i) {
            if (Grid(nTab).IsURLRow(i))
                labels.append(Cell(nTab, i));
        }
        return labels;
    }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};

// Four main URLs /1 ../4; /2 has q=a, /3 shows placeholder 0 in its address, /1 shows 1.
CScriptObj FourScript() {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(QStringLiteral("x"), QStringLiteral("_XALURL_0_")),
                           Flex(QStringLiteral("y"), QStringLiteral("_XALURL_1_"))};
    s.m_lstScripts.push_back(Script(
        0, {},
        {Url(QStringLiteral("h"), QStringLiteral("/1"), 0,
             {Param(QStringLiteral("y"), QStringLiteral("_XALURL_1_"), 0, 0x8000,
                    QStringLiteral("y1"))}),
         Url(QStringLiteral("h"), QStringLiteral("/2"), 0,
             {Param(QStringLiteral("q"), QStringLiteral("a"), 0, 0x40, QStringLiteral("a"))}),
         Url(QStringLiteral("h"), QStringLiteral("/3/_XALURL_0_")),
         Url(QStringLiteral("h"), QStringLiteral("/4"))}));
    s.m_lstScripts.push_back(Script(1, QStringLiteral("Old"),
                                    {Url(QStringLiteral("h"), QStringLiteral("/o")),
                                     Url(QStringLiteral("h"), QStringLiteral("/p"))}));
    return s;
}
} // namespace

TEST_F(Conditional, create_from_url_2_of_4_takes_urls_2_to_4_with_url_2_twice) {
    Load(FourScript());
    host.m_dialogs.m_newSub.push_back([](CDialNewSubscript& dialog) {
        EXPECT_EQ(dialog.m_strURL, QStringLiteral("http://h/2?q=a"));
        EXPECT_EQ(dialog.m_lstExistingNames, QStringList{QStringLiteral("Old")});
        dialog.m_strName = QStringLiteral("old"); // refused: differs only in case
        EXPECT_FALSE(dialog.OnOK());
        return Name(QStringLiteral("New"))(dialog);
    });
    Run(0, 3, XalCmd::ConditionalScript); // the parameter row of URL 2
    EXPECT_TRUE(host.m_messages.Texts().contains(
        QStringLiteral("A conditional script called 'old' already exists.")));

    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(view.GetTabCaption(2), QStringLiteral("Conditional script: New"));
    EXPECT_EQ(view.GetActiveTab(), 2);
    EXPECT_EQ(Labels(2),
              (QStringList{QStringLiteral("http://h/2"), QStringLiteral("http://h/2"),
                           QStringLiteral("http://h/3/_XALURL_0_"), QStringLiteral("http://h/4")}));
    EXPECT_EQ(Grid(2).Row(0).m_nData, RowBits::kURL | RowBits::kConditionURL);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("a"));
    EXPECT_EQ(Cell(2, 3), QStringLiteral("a"));
    // The main script keeps URL 1 only, selected.
    EXPECT_EQ(Labels(0), QStringList{QStringLiteral("http://h/1")});
    EXPECT_EQ(Grid(0).GetRowCount(), 2);
    EXPECT_TRUE(Grid(0).IsRowSelected(0));
    EXPECT_TRUE(host.m_doc.IsModified());
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
}

TEST_F(Conditional, create_from_the_first_url_keeps_it_in_the_main_script) {
    Load(FourScript());
    host.m_messages.Queue(MsgAnswer::Yes); // string 35: URL 1 shows placeholder 1
    host.m_dialogs.m_newSub.push_back(Name(QStringLiteral("All")));
    Run(0, 0, XalCmd::ConditionalScript);
    EXPECT_EQ(Labels(0), QStringList{QStringLiteral("http://h/1")});
    EXPECT_EQ(Labels(2).size(), 5);
    // Placeholder 1 was URL 1's only: freed. Its parameter shows what it replaced.
    EXPECT_EQ(Cell(0, 1), QStringLiteral("y1"));
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
}

TEST_F(Conditional, string_35_comes_before_creating_from_a_url_with_the_logon_user) {
    CScriptObj s = FourScript();
    s.m_lstScripts[0].m_lstURLs[1].m_lstParams.push_back(Param(
        QStringLiteral("u"), QStringLiteral("_XALURL_USER_"), 0, 0x200, QStringLiteral("alice")));
    Load(s);
    host.m_messages.Queue(MsgAnswer::No);
    Run(0, 2, XalCmd::ConditionalScript);
    EXPECT_EQ(host.m_messages.Texts().front(),
              QStringLiteral("http://h/2?q=a&u=_XALURL_USER_\nThis URL contains XAL-internal "
                             "variables that will be removed automatically when the conditional "
                             "script is created.\nDo you wish to continue?"));
    EXPECT_EQ(host.m_dialogs.m_nShown, 0);
    EXPECT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(Cell(0, 4), QStringLiteral("_XALURL_USER_"));

    host.m_messages.Queue(MsgAnswer::Yes);
    host.m_dialogs.m_newSub.push_back(Name(QStringLiteral("New")));
    Run(0, 2, XalCmd::ConditionalScript);
    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(Cell(2, 2), QStringLiteral("alice"));
    EXPECT_EQ(Grid(2).Record(2).m_nFlags, 0x40);
    EXPECT_EQ(Cell(2, 5), QStringLiteral("alice")); // the twin as well
}

TEST_F(Conditional, a_logon_variable_in_the_post_body_is_removed_as_well) {
    CScriptObj s = FourScript();
    s.m_lstScripts[0].m_lstURLs[3].m_nMethod = 1;
    s.m_lstScripts[0].m_lstURLs[3].m_lstParams.push_back(Param(QStringLiteral("pw"),
                                                               QStringLiteral("_XALURL_PASSWORD_"),
                                                               1, 0x400, QStringLiteral("secret")));
    Load(s);
    host.m_messages.Queue(MsgAnswer::Yes);
    host.m_dialogs.m_newSub.push_back(Name(QStringLiteral("Post")));
    Run(0, 5, XalCmd::ConditionalScript);
    EXPECT_TRUE(host.m_messages.Texts().front().startsWith(QStringLiteral("http://h/4\n")));
    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(Cell(2, 1), QStringLiteral("secret"));
}

TEST_F(Conditional, creating_from_a_flexible_url_frees_its_number_and_renumbers) {
    CScriptObj s = FourScript();
    s.m_lstScripts[0].m_lstURLs[2].m_strOrgValue = QStringLiteral("http://h/3/seg");
    Load(s);
    host.m_messages.Queue(MsgAnswer::Yes);
    host.m_dialogs.m_newSub.push_back(Name(QStringLiteral("New")));
    Run(0, 4, XalCmd::ConditionalScript); // URL 3 with placeholder 0
    // URL 3 goes back to its recorded text, as condition and as first URL.
    EXPECT_EQ(Labels(2),
              (QStringList{QStringLiteral("http://h/3/seg"), QStringLiteral("http://h/3/seg"),
                           QStringLiteral("http://h/4")}));
    EXPECT_EQ(Grid(2).Record(0).m_nFlags, 0);
    // Number 0 is free: placeholder 1 of URL 1 becomes 0, in the row and in the list.
    EXPECT_EQ(Cell(0, 1), QStringLiteral("_XALURL_0_"));
    ASSERT_EQ(view.Document().FlexibleParameters().size(), 1u);
    EXPECT_EQ(view.Document().FlexibleParameters()[0].m_strFind, QStringLiteral("y"));
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
}

TEST_F(Conditional, a_variable_that_cannot_be_removed_is_named_and_the_script_still_made) {
    CScriptObj s = FourScript();
    s.m_lstScripts[0].m_lstURLs[3].m_lstParams.push_back(
        Param(QStringLiteral("n_XALURL_Q_"), QStringLiteral("1"), 0, 0x40, QStringLiteral("1")));
    Load(s);
    host.m_messages.Queue(MsgAnswer::Yes);
    host.m_dialogs.m_newSub.push_back(Name(QStringLiteral("New")));
    Run(0, 5, XalCmd::ConditionalScript);
    EXPECT_EQ(host.m_messages.Texts().back(),
              QStringLiteral("The XAL-internal variable '_XALURL_Q_' could not be removed from "
                             "the URL of the new conditional script.\nURL: "
                             "'http://h/4?n_XALURL_Q_=1'"));
    EXPECT_EQ(view.GetTabCount(), 3);
}

TEST_F(Conditional, cancel_creates_nothing) {
    Load(FourScript());
    Run(0, 2, XalCmd::ConditionalScript);
    EXPECT_EQ(host.m_dialogs.m_nShown, 1);
    EXPECT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(Labels(0).size(), 4);
    EXPECT_FALSE(host.m_doc.IsModified());
}

namespace {
// Condition /app/start (q=1); script URLs /app/x/y (q=5), /other/z (q=6, r=1), /app/_XALURL_0_.
CScriptObj ConditionScript() {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(QStringLiteral("v"), QStringLiteral("_XALURL_0_"))};
    s.m_lstScripts.push_back(Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/m"))}));
    s.m_lstScripts.push_back(Script(
        1, QStringLiteral("C"),
        {Url(QStringLiteral("h"), QStringLiteral("/app/start"), 0,
             {Param(QStringLiteral("q"), QStringLiteral("1"), 0, 0x40, QStringLiteral("1"))}),
         Url(QStringLiteral("h"), QStringLiteral("/app/x/y"), 0,
             {Param(QStringLiteral("q"), QStringLiteral("5"), 0, 0x40, QStringLiteral("5"))}),
         Url(QStringLiteral("h"), QStringLiteral("/other/z"), 0,
             {Param(QStringLiteral("q"), QStringLiteral("6"), 0, 0x40, QStringLiteral("6")),
              Param(QStringLiteral("r"), QStringLiteral("1"), 0, 0x40, QStringLiteral("1"))}),
         Url(QStringLiteral("h"), QStringLiteral("/app/_XALURL_0_"))}));
    return s;
}
} // namespace

TEST_F(Conditional, flexible_condition_on_a_path_with_star_makes_later_urls_the_template) {
    Load(ConditionScript());
    host.m_dialogs.m_flexCond.push_back([](CDialFlexCondURL& dialog) {
        EXPECT_EQ(dialog.m_strConditionURL, QStringLiteral("http://h/app/start"));
        dialog.m_strConditionURL = QStringLiteral("http://h/app/*");
        return dialog.OnOK();
    });
    Run(1, 0, XalCmd::FlexibleCondition);
    const QString strTemplate = QStringLiteral("http://h/_XALURL_CONDITION_TEMPLATE_");
    EXPECT_EQ(Labels(1), (QStringList{QStringLiteral("http://h/app/*"), strTemplate,
                                      QStringLiteral("http://h/other/z"),
                                      QStringLiteral("http://h/app/_XALURL_0_")}));
    EXPECT_EQ(Grid(1).Record(0).m_nFlags, 0x20000);
    EXPECT_EQ(Grid(1).Record(2).m_nFlags, 0x20000);
    EXPECT_EQ(Grid(1).Record(2).m_strOrgValue, QStringLiteral("http://h/app/x/y"));
    EXPECT_EQ(host.m_menus.size(), 0u);
    EXPECT_EQ(view.GetTabView(1)->PrepareContextMenu(0), ViewMenu::kCondResetFlexibleCondition);

    // Reset on the condition URL takes every URL back.
    Run(1, 0, XalCmd::ResetFlexibleCondition);
    EXPECT_EQ(Labels(1),
              (QStringList{QStringLiteral("http://h/app/start"), QStringLiteral("http://h/app/x/y"),
                           QStringLiteral("http://h/other/z"),
                           QStringLiteral("http://h/app/_XALURL_0_")}));
    EXPECT_EQ(Grid(1).Record(2).m_nFlags, 0);
}

TEST_F(Conditional, flexible_condition_on_a_parameter_and_its_reset) {
    Load(ConditionScript());
    Run(1, 3, XalCmd::FlexibleCondition); // q=5 of a script URL, no q=5 in the condition
    EXPECT_EQ(Cell(1, 1), QStringLiteral("1"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("*"));
    EXPECT_EQ(Cell(1, 5), QStringLiteral("_XALURL_q"));
    view.Document().SetModified(false);

    Run(1, 3, XalCmd::ResetFlexibleCondition);
    EXPECT_EQ(Cell(1, 3), QStringLiteral("5"));
    EXPECT_EQ(Cell(1, 5), QStringLiteral("6"));
    EXPECT_TRUE(host.m_doc.IsModified());

    Run(1, 1, XalCmd::FlexibleCondition);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("*"));
    EXPECT_EQ(Grid(1).Record(1).m_nFlags, 0x20040);
    EXPECT_EQ(Cell(1, 3), QStringLiteral("_XALURL_q"));
    EXPECT_EQ(Cell(1, 5), QStringLiteral("_XALURL_q"));
    EXPECT_EQ(Grid(1).Record(5).m_strRawValue, QStringLiteral("_XALURL_q"));
    EXPECT_EQ(Cell(1, 6), QStringLiteral("1")); // another name
    CScriptObj saved;
    view.GetScriptList(saved);
    EXPECT_EQ(view.Document().FlexibleCount(), 1);

    Run(1, 1, XalCmd::ResetFlexibleCondition);
    EXPECT_EQ(Cell(1, 1), QStringLiteral("1"));
    EXPECT_EQ(Cell(1, 3), QStringLiteral("5"));
    EXPECT_EQ(Cell(1, 5), QStringLiteral("6"));
    EXPECT_EQ(Grid(1).Record(5).m_nFlags, 0x40);
}

TEST_F(Conditional, a_numeric_parameter_name_in_a_condition_is_no_placeholder_number) {
    CScriptObj s = ConditionScript();
    s.m_lstScripts[1].m_lstURLs[0].m_lstParams[0].m_strName = QStringLiteral("1abc");
    s.m_lstScripts[1].m_lstURLs[1].m_lstParams[0].m_strName = QStringLiteral("1abc");
    Load(s);
    Run(1, 1, XalCmd::FlexibleCondition);
    EXPECT_EQ(Cell(1, 3), QStringLiteral("_XALURL_1abc"));
    CScriptObj saved;
    view.GetScriptList(saved);
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
    EXPECT_TRUE(FlexibleInvariantHolds(view));
}

TEST_F(Conditional, deleting_the_only_rows_of_placeholders_3_and_4_renumbers_higher_ones) {
    CScriptObj s;
    for (int n = 0; n < 6; ++n)
        s.m_lstURLParameter.push_back(
            Flex(QStringLiteral("p%1").arg(n), QStringLiteral("_XALURL_%1_").arg(n)));
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/a/_XALURL_0_"), 0,
                    {Param(QStringLiteral("p1"), QStringLiteral("_XALURL_1_"), 0, 0x8000),
                     Param(QStringLiteral("p2"), QStringLiteral("_XALURL_2_"), 0, 0x8000),
                     Param(QStringLiteral("p5"), QStringLiteral("_XALURL_5_"), 0, 0x8000)})}));
    s.m_lstScripts.push_back(Script(
        1, QStringLiteral("C"),
        {Url(QStringLiteral("h"), QStringLiteral("/c")),
         Url(QStringLiteral("h"), QStringLiteral("/d/_XALURL_3_"), 0,
             // Two placeholders in one value: 1 is shown elsewhere too, 4 only here.
             {Param(QStringLiteral("v"), QStringLiteral("x/_XALURL_1_/_XALURL_4_"), 0, 0x8000)})}));
    s.m_lstScripts.push_back(
        Script(1, QStringLiteral("D"),
               {Url(QStringLiteral("h"), QStringLiteral("/e")),
                Url(QStringLiteral("h"), QStringLiteral("/f"), 0,
                    {Param(QStringLiteral("p5"), QStringLiteral("_XALURL_5_"), 0, 0x8000)})}));
    Load(s);
    host.m_messages.Queue(MsgAnswer::Yes);
    Run(1, 0, XalCmd::DeleteConditionalScript);
    ASSERT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(view.Document().FlexibleCount(), 4);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("_XALURL_3_"));
    EXPECT_EQ(Cell(1, 2), QStringLiteral("_XALURL_3_"));
    EXPECT_EQ(view.Document().FlexibleParameters().back().m_strFind, QStringLiteral("p5"));
    EXPECT_EQ(view.Document().FlexibleParameters().back().m_strReplace,
              QStringLiteral("_XALURL_3_"));
}
