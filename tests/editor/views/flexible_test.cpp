// Flexible parameters in the views: the command on URL and parameter rows, the spread into
// every script, reset with release and renumbering; every command keeps the invariant.

#include "commandids.h"
#include "dialurlparameter.h"
#include "dialurlparamsflex.h"
#include "fakehost.h"
#include "flexibletext.h"
#include "flexinvariant.h"
#include "scriptview.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
class Flexible : public FlexibleCommandTest {
protected:
    [[nodiscard]] const CGridItemRecord& Rec(int nTab, int nRow) const {
        return view.GetTabView(nTab)->Grid().Record(nRow);
    }
    [[nodiscard]] const std::vector<CFindReplaceObj>& List() const {
        return view.Document().FlexibleParameters();
    }
    [[nodiscard]] int Count() const { return view.Document().FlexibleCount(); }
};

// Main: /a/123/b (x=123, y=p/123/q, z=1234), /c/123, /d/1234/e. "C": /k/123 (x=123), /m (w=123).
CScriptObj SpreadScript() {
    CScriptObj s;
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(u"h"_s, u"/a/123/b"_s, 0,
                    {Param(u"x"_s, u"123"_s, 0, 0x40, u"123"_s),
                     Param(u"y"_s, u"p%2F123%2Fq"_s, 0, 0x40), Param(u"z"_s, u"1234"_s, 0, 0x40)}),
                Url(u"h"_s, u"/c/123"_s), Url(u"h"_s, u"/d/1234/e"_s)}));
    s.m_lstScripts.push_back(
        Script(1, u"C"_s,
               {Url(u"h"_s, u"/k/123"_s, 0, {Param(u"x"_s, u"123"_s, 0, 0x40)}),
                Url(u"h"_s, u"/m"_s, 0, {Param(u"w"_s, u"123"_s, 0, 0x40)})}));
    return s;
}

// 0 in a main URL (recorded as /r/seg); 1 only in "b"; 2 inside a main value and in "C".
CScriptObj ThreeScript() {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(u"seg"_s, 0), Flex(u"b"_s, 1), Flex(u"c"_s, 2)};
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(u"h"_s, u"/r/_XALURL_0_"_s, 0,
                    {Param(u"b"_s, u"_XALURL_1_"_s, 0, 0x8000, u"https%3A%2F%2Fx"_s),
                     Param(u"c"_s, u"x%2F_XALURL_2_"_s, 0, 0x8000, u"x%2Fc0"_s)}),
                Url(u"h"_s, u"/s"_s)}));
    s.m_lstScripts[0].m_lstURLs[0].m_strOrgValue = u"http://h/r/seg"_s;
    s.m_lstScripts.push_back(
        Script(1, u"C"_s,
               {Url(u"h"_s, u"/c"_s),
                Url(u"h"_s, u"/d"_s, 0, {Param(u"c"_s, u"_XALURL_2_"_s, 0, 0x8000, u"c0"_s)})}));
    return s;
}
} // namespace

TEST_F(Flexible, url_section_spreads_into_whole_segments_and_values_of_every_script) {
    view.SetScript(SpreadScript());
    host.m_dialogs.m_section.push_back([](CDialURLParameter& dialog) {
        dialog.SelectCandidate(1); // "123" of /a/123/b
        return dialog.m_strValue == u"123"_s;
    });
    Run(0, 0, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 0), u"http://h/a/_XALURL_0_/b"_s);
    EXPECT_EQ(Rec(0, 0).m_nFlags, kURLFlexibleFlags);
    // A parameter the URL piece reaches stores and shows the placeholder, flexible by value
    // without the logon bits of 9999, and keeps what it replaced.
    EXPECT_EQ(Rec(0, 1).m_strRawValue, u"_XALURL_0_"_s);
    EXPECT_EQ(Rec(0, 1).m_strValue, u"_XALURL_0_"_s);
    EXPECT_EQ(Rec(0, 1).m_nFlags, 0x8000);
    EXPECT_EQ(Rec(0, 1).m_strOrgValue, u"123"_s);
    EXPECT_EQ(Cell(0, 2), u"p/_XALURL_0_/q"_s);
    EXPECT_EQ(Cell(0, 3), u"1234"_s);
    EXPECT_EQ(Cell(0, 4), u"http://h/c/_XALURL_0_"_s);
    EXPECT_EQ(Cell(0, 5), u"http://h/d/1234/e"_s); // part of a segment is no segment
    EXPECT_EQ(Cell(1, 0), u"http://h/k/123"_s);    // the condition block stays
    EXPECT_EQ(Cell(1, 3), u"_XALURL_0_"_s);
    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].m_strFind, u"123"_s);
    EXPECT_TRUE(host.m_doc.IsModified());

    // The placeholder itself is no section to replace: its number would lose its row.
    host.m_dialogs.m_section.push_back([](CDialURLParameter& dialog) {
        dialog.SelectCandidate(1);
        return true;
    });
    Run(0, 0, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 0), u"http://h/a/_XALURL_0_/b"_s);
    EXPECT_EQ(Count(), 1);
    EXPECT_TRUE(host.m_messages.Texts().value(0).startsWith(
        u"An internal XAL URL parameter ('_XALURL_') cannot be entered here."_s));
}

TEST_F(Flexible, parameter_by_value_spreads_into_other_values_with_a_separator) {
    view.SetScript(SpreadScript());
    host.m_dialogs.m_flex.push_back([](CDialURLParamsFlex& dialog) {
        dialog.ChooseMode(2);
        dialog.m_bReplaceInParams = true;
        dialog.m_strSeparator = u"/"_s;
        return dialog.OnOK();
    });
    Run(0, 1, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 1), u"_XALURL_0_"_s);
    EXPECT_EQ(Cell(0, 2), u"p/_XALURL_0_/q"_s);
    EXPECT_EQ(Rec(0, 2).m_strRawValue, u"p%2F_XALURL_0_%2Fq"_s);
    EXPECT_EQ(Cell(0, 0), u"http://h/a/123/b"_s); // "the URL" was not ticked
    EXPECT_EQ(Cell(1, 3), u"_XALURL_0_"_s);
    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].m_strFind, u"x"_s);
}

TEST_F(Flexible, flexible_again_keeps_the_number_and_predefined_frees_it) {
    view.SetScript(ThreeScript());
    host.m_dialogs.m_flex.push_back([](CDialURLParamsFlex& dialog) {
        EXPECT_EQ(dialog.m_nMode, 2);
        dialog.ChooseMode(1);
        return dialog.OnOK();
    });
    Run(0, 1, XalCmd::FlexibleParameter);
    EXPECT_EQ(List().size(), 3u); // no second entry for number 1
    EXPECT_EQ(view.GetMainView().Grid().Row(1).m_nData, 0x800u);

    host.m_dialogs.m_flex.push_back([](CDialURLParamsFlex& dialog) {
        dialog.ChooseMode(0);
        return dialog.OnOK();
    });
    Run(0, 1, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 1), u"https://x"_s);
    EXPECT_EQ(Rec(0, 1).m_strRawValue, u"https%3A%2F%2Fx"_s);
    EXPECT_EQ(Cell(0, 2), u"x/_XALURL_1_"_s);
}

TEST_F(Flexible, a_logon_parameter_made_flexible_gets_a_numbered_placeholder) {
    CScriptObj s;
    s.m_strLogonUser = u"alice"_s;
    s.m_lstScripts.push_back(Script(
        0, {},
        {Url(u"h"_s, u"/l"_s, 0, {Param(u"u"_s, u"_XALURL_USER_"_s, 0, 0x200, u"alice"_s)})}));
    view.SetScript(s);
    host.m_dialogs.m_flex.push_back([](CDialURLParamsFlex& dialog) {
        EXPECT_EQ(dialog.m_nMode, 1);
        EXPECT_EQ(dialog.m_strSavedValue, u"alice"_s);
        return dialog.OnOK(); // the variable shown is the logon user's, not a number
    });
    Run(0, 1, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 1), u"_XALURL_0_"_s);
    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].m_strFind, u"u"_s);
}

TEST_F(Flexible, reset_renumbers_2_to_1_everywhere_and_keeps_encoded_org_values) {
    view.SetScript(ThreeScript());
    Run(0, 1, XalCmd::ResetFlexibleParameter);
    // The org value was stored encoded: it stays so, and is shown decoded.
    EXPECT_EQ(Cell(0, 1), u"https://x"_s);
    EXPECT_EQ(Rec(0, 1).m_strRawValue, u"https%3A%2F%2Fx"_s);
    EXPECT_EQ(Rec(0, 1).m_nFlags, 0x40);
    EXPECT_EQ(Cell(0, 2), u"x/_XALURL_1_"_s);
    EXPECT_EQ(Rec(0, 2).m_strRawValue, u"x%2F_XALURL_1_"_s); // renamed, still encoded
    EXPECT_EQ(Cell(1, 2), u"_XALURL_1_"_s);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(List()[1].m_strFind, u"c"_s);
    EXPECT_EQ(List()[1].m_strReplace, u"_XALURL_1_"_s);
}

TEST_F(Flexible, a_placeholder_shown_elsewhere_keeps_its_number_the_last_only_lowers_the_count) {
    view.SetScript(ThreeScript());
    Run(0, 2, XalCmd::ResetFlexibleParameter);
    EXPECT_EQ(Cell(0, 2), u"x/c0"_s);
    EXPECT_EQ(Count(), 3); // 2 is still shown in "C"
    Run(1, 2, XalCmd::ResetFlexibleParameter);
    EXPECT_EQ(Count(), 2);
    EXPECT_EQ(Cell(0, 1), u"_XALURL_1_"_s);
}

TEST_F(Flexible, url_reset_brings_back_the_recorded_url_and_frees_each_number_of_it) {
    CScriptObj s = ThreeScript();
    s.m_lstScripts[0].m_lstURLs[0].m_strURL = u"/r/_XALURL_0_/_XALURL_1_"_s;
    s.m_lstScripts[0].m_lstURLs[0].m_lstParams.erase(
        s.m_lstScripts[0].m_lstURLs[0].m_lstParams.begin());
    s.m_lstScripts[0].m_lstURLs[1].m_strOrgValue = u"http://h/recorded"_s;
    view.SetScript(s);
    Run(0, 0, XalCmd::ResetFlexibleParameter);
    EXPECT_EQ(Cell(0, 0), u"http://h/r/seg"_s);
    EXPECT_EQ(Count(), 1);
    EXPECT_EQ(Cell(1, 2), u"_XALURL_0_"_s);
    // A URL without a flexible parameter keeps its (edited) text.
    EXPECT_FALSE(view.GetMainView().ResetFlexibleRow(2));
    EXPECT_EQ(Cell(0, 2), u"http://h/s"_s);
}

TEST_F(Flexible, release_removes_the_entry_of_the_released_number_in_any_list_order) {
    CScriptObj s = ThreeScript();
    s.m_lstURLParameter = {Flex(u"c"_s, 2), Flex(u"seg"_s, 0), Flex(u"b"_s, 1)};
    view.SetScript(s);
    EXPECT_TRUE(view.GetMainView().ResetFlexibleRow(1)); // what Delete runs first
    ASSERT_EQ(List().size(), 2u);
    EXPECT_EQ(List()[0].m_strFind, u"c"_s);
    EXPECT_EQ(List()[0].m_strReplace, u"_XALURL_1_"_s);
    EXPECT_EQ(List()[1].m_strReplace, u"_XALURL_0_"_s);
    EXPECT_TRUE(FlexibleInvariantHolds(view));
}

TEST(FlexibleText, whole_pieces_encoding_and_numbers) {
    QString strLabel = u"http://123/123/1234/x123/123?q=/123"_s;
    EXPECT_TRUE(ReplaceInURLPath(strLabel, u"123"_s, u"P"_s));
    EXPECT_EQ(strLabel, u"http://123/P/1234/x123/P?q=/123"_s);
    QString strValue = u"a|7|7|77"_s;
    EXPECT_TRUE(ReplaceWholePieces(strValue, u"|"_s, u"7"_s, u"P"_s));
    EXPECT_EQ(strValue, u"a|P|P|77"_s);
    EXPECT_EQ(EncodeUnencoded(u"a b%2F100%"_s), u"a%20b%2F100%25"_s);
    EXPECT_EQ(PlaceholderNumbersIn(u"_XALURL_1_/_XALURL_USER_/_XALURL_12_"_s),
              (std::vector<int>{12, 1}));
    // A flexible condition on a parameter named "1abc" is no placeholder number.
    EXPECT_EQ(PlaceholderNumber(u"_XALURL_1abc"_s), -1);
}
