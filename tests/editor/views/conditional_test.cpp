// Conditional scripts: creating one from a URL of the main script, flexible conditions, and
// deleting one with the placeholders it holds; every command keeps the invariant.

#include "commandids.h"
#include "dialflexcondurl.h"
#include "dialnewsubscript.h"
#include "fakehost.h"
#include "flexinvariant.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
CScriptedEditDialogs::Step<CDialNewSubscript> Name(const QString& strName) {
    return [strName](CDialNewSubscript& dialog) {
        dialog.m_strName = strName;
        return dialog.OnOK();
    };
}

class Conditional : public FlexibleCommandTest {
protected:
    [[nodiscard]] QStringList Labels(int nTab) const {
        QStringList labels;
        for (int i = 0; i < Grid(nTab).GetRowCount(); ++i) {
            if (Grid(nTab).IsURLRow(i))
                labels.append(Cell(nTab, i));
        }
        return labels;
    }
};

// Main: /1 (y shows 1), /2 (q=a), /3/_XALURL_0_ (recorded /3/seg), /4; conditional "Old".
CScriptObj FourScript() {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(u"seg"_s, 0), Flex(u"y"_s, 1)};
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(u"h"_s, u"/1"_s, 0, {Param(u"y"_s, u"_XALURL_1_"_s, 0, 0x8000, u"y1"_s)}),
                Url(u"h"_s, u"/2"_s, 0, {Param(u"q"_s, u"a"_s, 0, 0x40, u"a"_s)}),
                Url(u"h"_s, u"/3/_XALURL_0_"_s), Url(u"h"_s, u"/4"_s)}));
    s.m_lstScripts[0].m_lstURLs[2].m_strOrgValue = u"http://h/3/seg"_s;
    s.m_lstScripts.push_back(Script(1, u"Old"_s, {Url(u"h"_s, u"/o"_s), Url(u"h"_s, u"/p"_s)}));
    return s;
}
} // namespace

TEST_F(Conditional, create_from_url_2_of_4_takes_urls_2_to_4_with_url_2_twice) {
    view.SetScript(FourScript());
    host.m_dialogs.m_newSub.push_back([](CDialNewSubscript& dialog) {
        EXPECT_EQ(dialog.m_strURL, u"http://h/2?q=a"_s);
        EXPECT_EQ(dialog.m_lstExistingNames, QStringList{u"Old"_s});
        return Name(u"New"_s)(dialog);
    });
    Run(0, 3, XalCmd::ConditionalScript); // from the parameter row of URL 2
    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(view.GetTabCaption(2), u"Conditional script: New"_s);
    EXPECT_EQ(Labels(2), (QStringList{u"http://h/2"_s, u"http://h/2"_s, u"http://h/3/_XALURL_0_"_s,
                                      u"http://h/4"_s}));
    EXPECT_EQ(Grid(2).Row(0).m_nData, RowBits::kURL | RowBits::kConditionURL);
    EXPECT_EQ(Cell(2, 3), u"a"_s);
    EXPECT_EQ(Labels(0), QStringList{u"http://h/1"_s});
    EXPECT_TRUE(Grid(0).IsRowSelected(0));
    EXPECT_TRUE(host.m_doc.IsModified());
}

TEST_F(Conditional, string_35_comes_first_and_logon_variables_in_query_and_body_go) {
    CScriptObj s = FourScript();
    s.m_lstScripts[0].m_lstURLs[1].m_lstParams.push_back(
        Param(u"u"_s, u"_XALURL_USER_"_s, 0, 0x200, u"alice"_s));
    s.m_lstScripts[0].m_lstURLs[1].m_lstParams.push_back(
        Param(u"pw"_s, u"_XALURL_PASSWORD_"_s, 1, 0x400, u"secret"_s));
    view.SetScript(s);
    host.m_messages.Queue(MsgAnswer::No);
    Run(0, 2, XalCmd::ConditionalScript);
    EXPECT_EQ(host.m_messages.Texts().value(0),
              u"http://h/2?q=a&u=_XALURL_USER_\nThis URL contains XAL-internal variables that "
              u"will be removed automatically when the conditional script is created.\nDo you "
              u"wish to continue?"_s);
    EXPECT_EQ(host.m_dialogs.m_nShown, 0);
    EXPECT_EQ(Cell(0, 4), u"_XALURL_USER_"_s);

    host.m_messages.Queue(MsgAnswer::Yes);
    host.m_dialogs.m_newSub.push_back(Name(u"New"_s));
    Run(0, 2, XalCmd::ConditionalScript);
    ASSERT_EQ(view.GetTabCount(), 3);
    EXPECT_EQ(Cell(2, 2), u"alice"_s);
    EXPECT_EQ(Cell(2, 3), u"secret"_s);
    EXPECT_EQ(Grid(2).Record(2).m_nFlags, 0x40);
}

TEST_F(Conditional, creating_from_a_flexible_url_frees_its_number_and_renumbers) {
    view.SetScript(FourScript());
    host.m_dialogs.m_newSub.push_back(Name(u"New"_s));
    Run(0, 4, XalCmd::ConditionalScript); // URL 3 with placeholder 0; string 35 answered Yes
    EXPECT_EQ(Labels(2), (QStringList{u"http://h/3/seg"_s, u"http://h/3/seg"_s, u"http://h/4"_s}));
    EXPECT_EQ(Grid(2).Record(0).m_nFlags, 0);
    EXPECT_EQ(Cell(0, 1), u"_XALURL_0_"_s);
    ASSERT_EQ(view.Document().FlexibleParameters().size(), 1u);
    EXPECT_EQ(view.Document().FlexibleParameters()[0].m_strFind, u"y"_s);
}

TEST_F(Conditional, a_variable_that_cannot_be_removed_is_named) {
    CScriptObj s = FourScript();
    s.m_lstScripts[0].m_lstURLs[3].m_lstParams.push_back(
        Param(u"n_XALURL_Q_"_s, u"1"_s, 0, 0x40, u"1"_s));
    view.SetScript(s);
    host.m_dialogs.m_newSub.push_back(Name(u"New"_s));
    Run(0, 5, XalCmd::ConditionalScript);
    EXPECT_EQ(host.m_messages.Texts().back(),
              u"The XAL-internal variable '_XALURL_Q_' could not be removed from the URL of the "
              u"new conditional script.\nURL: 'http://h/4?n_XALURL_Q_=1'"_s);
    EXPECT_EQ(view.GetTabCount(), 3);
}

namespace {
// "C": condition /app/start (q=1); /app/x/y (q=5), /other/z (q=6, r=1), /app/_XALURL_0_.
CScriptObj ConditionScript() {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(u"v"_s, 0)};
    s.m_lstScripts.push_back(Script(0, {}, {Url(u"h"_s, u"/m"_s)}));
    s.m_lstScripts.push_back(Script(
        1, u"C"_s,
        {Url(u"h"_s, u"/app/start"_s, 0, {Param(u"q"_s, u"1"_s, 0, 0x40, u"1"_s)}),
         Url(u"h"_s, u"/app/x/y"_s, 0, {Param(u"q"_s, u"5"_s, 0, 0x40, u"5"_s)}),
         Url(u"h"_s, u"/other/z"_s, 0,
             {Param(u"q"_s, u"6"_s, 0, 0x40, u"6"_s), Param(u"r"_s, u"1"_s, 0, 0x40, u"1"_s)}),
         Url(u"h"_s, u"/app/_XALURL_0_"_s)}));
    return s;
}
} // namespace

TEST_F(Conditional, flexible_condition_on_a_star_path_makes_later_urls_under_it_the_template) {
    view.SetScript(ConditionScript());
    host.m_dialogs.m_flexCond.push_back([](CDialFlexCondURL& dialog) {
        dialog.m_strConditionURL = u"http://h/app/*"_s;
        return dialog.OnOK();
    });
    Run(1, 0, XalCmd::FlexibleCondition);
    // A URL on another path keeps its label, and so does one holding a placeholder.
    EXPECT_EQ(Labels(1),
              (QStringList{u"http://h/app/*"_s, u"http://h/_XALURL_CONDITION_TEMPLATE_"_s,
                           u"http://h/other/z"_s, u"http://h/app/_XALURL_0_"_s}));
    EXPECT_EQ(Grid(1).Record(2).m_nFlags, 0x20000);
    EXPECT_EQ(view.GetTabView(1)->PrepareContextMenu(0), ViewMenu::kCondResetFlexibleCondition);

    Run(1, 0, XalCmd::ResetFlexibleCondition);
    EXPECT_EQ(Labels(1), (QStringList{u"http://h/app/start"_s, u"http://h/app/x/y"_s,
                                      u"http://h/other/z"_s, u"http://h/app/_XALURL_0_"_s}));
    EXPECT_EQ(Grid(1).Record(2).m_nFlags, 0);
}

TEST_F(Conditional, flexible_condition_on_a_parameter_and_its_reset) {
    view.SetScript(ConditionScript());
    Run(1, 1, XalCmd::FlexibleCondition);
    EXPECT_EQ(Cell(1, 1), u"*"_s);
    EXPECT_EQ(Grid(1).Record(1).m_nFlags, 0x20040);
    EXPECT_EQ(Cell(1, 3), u"_XALURL_q"_s);
    EXPECT_EQ(Grid(1).Record(5).m_strRawValue, u"_XALURL_q"_s);
    EXPECT_EQ(Cell(1, 6), u"1"_s); // another name
    Run(1, 1, XalCmd::ResetFlexibleCondition);
    EXPECT_EQ(Cell(1, 1), u"1"_s);
    EXPECT_EQ(Cell(1, 5), u"6"_s);
    EXPECT_EQ(Grid(1).Record(5).m_nFlags, 0x40);

    // A script URL's parameter with no like parameter in the condition carries the "*" itself
    // and is reset with the rest.
    Run(1, 3, XalCmd::FlexibleCondition);
    EXPECT_EQ(Cell(1, 3), u"*"_s);
    Run(1, 3, XalCmd::ResetFlexibleCondition);
    EXPECT_EQ(Cell(1, 3), u"5"_s);
    EXPECT_EQ(Cell(1, 5), u"6"_s);
}

TEST_F(Conditional, deleting_the_only_rows_of_placeholders_3_and_4_renumbers_higher_ones) {
    CScriptObj s;
    for (int n = 0; n < 6; ++n)
        s.m_lstURLParameter.push_back(Flex(u"p%1"_s.arg(n), n));
    s.m_lstScripts.push_back(Script(0, {},
                                    {Url(u"h"_s, u"/a/_XALURL_0_"_s, 0,
                                         {Param(u"p1"_s, u"_XALURL_1_"_s, 0, 0x8000),
                                          Param(u"p2"_s, u"_XALURL_2_"_s, 0, 0x8000),
                                          Param(u"p5"_s, u"_XALURL_5_"_s, 0, 0x8000)})}));
    // One value holds two placeholders: 1 is shown elsewhere too, 4 only here.
    s.m_lstScripts.push_back(Script(
        1, u"C"_s,
        {Url(u"h"_s, u"/c"_s), Url(u"h"_s, u"/d/_XALURL_3_"_s, 0,
                                   {Param(u"v"_s, u"x/_XALURL_1_/_XALURL_4_"_s, 0, 0x8000)})}));
    view.SetScript(s);
    host.m_messages.Queue(MsgAnswer::Yes);
    Run(1, 0, XalCmd::DeleteConditionalScript);
    ASSERT_EQ(view.GetTabCount(), 1);
    EXPECT_EQ(view.Document().FlexibleCount(), 4);
    EXPECT_EQ(Cell(0, 3), u"_XALURL_3_"_s);
    EXPECT_EQ(view.Document().FlexibleParameters().back().m_strFind, u"p5"_s);
}
