// Flexible parameters in the views: the command on URL and parameter rows, the spread into
// every script, reset with release and renumbering, and the text rules they share.

#include "commandids.h"
#include "dialurlparameter.h"
#include "dialurlparamsflex.h"
#include "fakehost.h"
#include "flexibletext.h"
#include "flexinvariant.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
const QString P0 = QStringLiteral("_XALURL_0_");
const QString P1 = QStringLiteral("_XALURL_1_");
const QString P2 = QStringLiteral("_XALURL_2_");

CFindReplaceObj Flex(const QString& find, const QString& replace) {
    CFindReplaceObj entry;
    entry.m_strFind = find;
    entry.m_strReplace = replace;
    return entry;
}

// Picks the section of the URL dialog and presses OK.
CScriptedEditDialogs::Step<CDialURLParameter> ChooseSection(const QString& strSection) {
    return [strSection](CDialURLParameter& dialog) {
        for (std::size_t i = 0; i < dialog.Candidates().size(); ++i) {
            if (dialog.Candidates()[i].m_strToken == strSection)
                dialog.SelectCandidate(static_cast<int>(i));
        }
        return dialog.m_strValue == strSection;
    };
}

CScriptedEditDialogs::Step<CDialURLParamsFlex> ChooseMode(int nMode, const QString& strSep = {}) {
    return [nMode, strSep](CDialURLParamsFlex& dialog) {
        dialog.ChooseMode(nMode);
        dialog.m_bReplaceInParams = !strSep.isEmpty();
        dialog.m_bReplaceInURL = false;
        dialog.m_strSeparator = strSep;
        return dialog.OnOK();
    };
}

class Flexible : public ::testing::Test {
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
    [[nodiscard]] const std::vector<CFindReplaceObj>& List() const {
        return view.Document().FlexibleParameters();
    }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};

// Main script: /a/123/b (x=123, y=p/123/q, z=1234), /c/123, /d/1234/e; conditional "C":
// condition /k/123 (x=123), script URL /m (w=123).
CScriptObj SpreadScript() {
    CScriptObj s;
    s.m_lstScripts.push_back(Script(
        0, {},
        {Url(QStringLiteral("h"), QStringLiteral("/a/123/b"), 0,
             {Param(QStringLiteral("x"), QStringLiteral("123"), 0, 0x40, QStringLiteral("123")),
              Param(QStringLiteral("y"), QStringLiteral("p%2F123%2Fq"), 0, 0x40,
                    QStringLiteral("p%2F123%2Fq")),
              Param(QStringLiteral("z"), QStringLiteral("1234"), 0, 0x40)}),
         Url(QStringLiteral("h"), QStringLiteral("/c/123")),
         Url(QStringLiteral("h"), QStringLiteral("/d/1234/e"))}));
    s.m_lstScripts.push_back(
        Script(1, QStringLiteral("C"),
               {Url(QStringLiteral("h"), QStringLiteral("/k/123"), 0,
                    {Param(QStringLiteral("x"), QStringLiteral("123"), 0, 0x40)}),
                Url(QStringLiteral("h"), QStringLiteral("/m"), 0,
                    {Param(QStringLiteral("w"), QStringLiteral("123"), 0, 0x40)})}));
    return s;
}
} // namespace

TEST_F(Flexible, url_section_spreads_into_whole_segments_and_values_of_every_script) {
    Load(SpreadScript());
    host.m_dialogs.m_section.push_back(ChooseSection(QStringLiteral("123")));
    Run(0, 0, XalCmd::FlexibleParameter);

    const CMyTreeGridCtrl& main = Grid(0);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("http://h/a/_XALURL_0_/b"));
    EXPECT_EQ(main.Record(0).m_nFlags, kURLFlexibleFlags);
    EXPECT_EQ(main.Row(0).m_nData, 0x8020u);
    // A parameter the URL piece reaches holds the placeholder as stored and shown value,
    // flexible by value only (no logon bits of 9999), and keeps what it replaced.
    EXPECT_EQ(Cell(0, 1), P0);
    EXPECT_EQ(main.Record(1).m_strRawValue, P0);
    EXPECT_EQ(main.Record(1).m_strValue, P0);
    EXPECT_EQ(main.Record(1).m_nFlags, 0x8000);
    EXPECT_EQ(main.Record(1).m_strOrgValue, QStringLiteral("123"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("p/_XALURL_0_/q"));
    EXPECT_EQ(main.Record(2).m_nFlags, 0x8000);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("1234"));
    EXPECT_EQ(Cell(0, 4), QStringLiteral("http://h/c/_XALURL_0_"));
    // Part of a segment is no segment.
    EXPECT_EQ(Cell(0, 5), QStringLiteral("http://h/d/1234/e"));
    // The condition block stays; the conditional script's URLs are reached.
    EXPECT_EQ(Cell(1, 0), QStringLiteral("http://h/k/123"));
    EXPECT_EQ(Cell(1, 1), QStringLiteral("123"));
    EXPECT_EQ(Cell(1, 3), P0);

    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].m_strFind, QStringLiteral("123"));
    EXPECT_EQ(List()[0].m_strReplace, P0);
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
    EXPECT_TRUE(host.m_doc.IsModified());

    // The saved e-script stores the placeholder, not an empty value.
    CScriptObj saved;
    view.GetScriptList(saved);
    EXPECT_EQ(saved.m_lstScripts[0].m_lstURLs[0].m_lstParams[0].m_strRawValue, P0);
    EXPECT_EQ(saved.m_lstScripts[0].m_lstURLs[0].m_lstParams[0].m_nSpecialVariable & 0x600, 0);
}

TEST_F(Flexible, a_section_that_is_a_variable_already_is_refused) {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(QStringLiteral("7"), P0)};
    s.m_lstScripts.push_back(
        Script(0, {}, {Url(QStringLiteral("h"), QStringLiteral("/a/_XALURL_0_/b"))}));
    Load(s);
    host.m_dialogs.m_section.push_back(ChooseSection(P0));
    Run(0, 0, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("http://h/a/_XALURL_0_/b"));
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
    ASSERT_EQ(host.m_messages.Texts().size(), 1);
    EXPECT_TRUE(host.m_messages.Texts()[0].startsWith(
        QStringLiteral("An internal XAL URL parameter ('_XALURL_') cannot be entered here.")));
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(Flexible, parameter_by_value_spreads_into_other_values_with_a_separator) {
    Load(SpreadScript());
    host.m_dialogs.m_flex.push_back([](CDialURLParamsFlex& dialog) {
        EXPECT_EQ(dialog.m_nMode, 0);
        EXPECT_EQ(dialog.m_strVariable, P0);
        return ChooseMode(2, QStringLiteral("/"))(dialog);
    });
    Run(0, 1, XalCmd::FlexibleParameter);

    const CMyTreeGridCtrl& main = Grid(0);
    EXPECT_EQ(Cell(0, 1), P0);
    EXPECT_EQ(main.Row(1).m_nData, 0x8000u);
    EXPECT_EQ(main.Record(1).m_strOrgValue, QStringLiteral("123"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("p/_XALURL_0_/q"));
    EXPECT_EQ(main.Record(2).m_strRawValue, QStringLiteral("p%2F_XALURL_0_%2Fq"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("1234"));
    // "the URL" was not ticked: addresses keep the value.
    EXPECT_EQ(Cell(0, 0), QStringLiteral("http://h/a/123/b"));
    EXPECT_EQ(Cell(1, 3), P0);
    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].m_strFind, QStringLiteral("x"));
}

TEST_F(Flexible, by_name_and_value_reaches_only_the_same_name) {
    Load(SpreadScript());
    host.m_dialogs.m_flex.push_back(ChooseMode(1));
    Run(1, 3, XalCmd::FlexibleParameter); // w=123 of the conditional script
    EXPECT_EQ(Cell(1, 3), P0);
    EXPECT_EQ(Grid(1).Row(3).m_nData, 0x800u);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("123")); // x=123: another name
}

TEST_F(Flexible, making_a_flexible_row_flexible_again_keeps_its_number_and_one_entry) {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(QStringLiteral("a"), P0), Flex(QStringLiteral("b"), P1)};
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/r"), 0,
                    {Param(QStringLiteral("a"), P0, 0, 0x8000, QStringLiteral("v0")),
                     Param(QStringLiteral("b"), P1, 0, 0x8000, QStringLiteral("v%201"))})}));
    Load(s);
    host.m_dialogs.m_flex.push_back([](CDialURLParamsFlex& dialog) {
        EXPECT_EQ(dialog.m_nMode, 2);
        EXPECT_EQ(dialog.m_strSavedValue, QStringLiteral("v0"));
        return ChooseMode(1)(dialog);
    });
    Run(0, 1, XalCmd::FlexibleParameter);
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    EXPECT_EQ(List().size(), 2u);
    EXPECT_EQ(Grid(0).Row(1).m_nData, 0x800u);

    // Back to a predefined value: the saved value returns and number 0 is freed, so the
    // placeholder 1 becomes 0 in rows and list.
    host.m_dialogs.m_flex.push_back(ChooseMode(0));
    Run(0, 1, XalCmd::FlexibleParameter);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("v0"));
    EXPECT_EQ(Grid(0).Record(1).m_nFlags, 0x40);
    EXPECT_EQ(Cell(0, 2), P0);
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
    ASSERT_EQ(List().size(), 1u);
    EXPECT_EQ(List()[0].m_strFind, QStringLiteral("b"));
}

namespace {
// Placeholders 0, 1 and 2: 0 in a main URL, 1 only in parameter "b" of the main script, 2
// inside a value of the main script and in the conditional script.
CScriptObj ThreeScript() {
    CScriptObj s;
    s.m_lstURLParameter = {Flex(QStringLiteral("seg"), P0), Flex(QStringLiteral("b"), P1),
                           Flex(QStringLiteral("c"), P2)};
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/r/_XALURL_0_"), 0,
                    {Param(QStringLiteral("b"), P1, 0, 0x8000, QStringLiteral("https%3A%2F%2Fx")),
                     Param(QStringLiteral("c"), QStringLiteral("x%2F_XALURL_2_"), 0, 0x8000,
                           QStringLiteral("x%2Fc0"))}),
                Url(QStringLiteral("h"), QStringLiteral("/s"))}));
    s.m_lstScripts[0].m_lstURLs[0].m_strOrgValue = QStringLiteral("http://h/r/seg");
    s.m_lstScripts.push_back(
        Script(1, QStringLiteral("C"),
               {Url(QStringLiteral("h"), QStringLiteral("/c")),
                Url(QStringLiteral("h"), QStringLiteral("/d"), 0,
                    {Param(QStringLiteral("c"), P2, 0, 0x8000, QStringLiteral("c0"))})}));
    return s;
}
} // namespace

TEST_F(Flexible, reset_renumbers_2_to_1_in_every_view_and_in_the_list) {
    Load(ThreeScript());
    Run(0, 1, XalCmd::ResetFlexibleParameter);
    // The org value was stored encoded: it stays as it is, and is shown decoded.
    EXPECT_EQ(Cell(0, 1), QStringLiteral("https://x"));
    EXPECT_EQ(Grid(0).Record(1).m_strRawValue, QStringLiteral("https%3A%2F%2Fx"));
    EXPECT_EQ(Grid(0).Row(1).m_nData, 0x40u);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("x/_XALURL_1_"));
    // The stored form keeps its encoding when renamed.
    EXPECT_EQ(Grid(0).Record(2).m_strRawValue, QStringLiteral("x%2F_XALURL_1_"));
    EXPECT_EQ(Cell(1, 2), P1);
    EXPECT_EQ(Grid(1).Record(2).m_strRawValue, P1);
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    ASSERT_EQ(List().size(), 2u);
    EXPECT_EQ(List()[1].m_strFind, QStringLiteral("c"));
    EXPECT_EQ(List()[1].m_strReplace, P1);
}

TEST_F(Flexible, resetting_the_last_placeholder_only_lowers_the_count) {
    Load(ThreeScript());
    Run(0, 2, XalCmd::ResetFlexibleParameter); // 2 is still shown in "C"
    EXPECT_EQ(view.Document().FlexibleCount(), 3);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("x/c0"));
    EXPECT_EQ(Grid(0).Record(2).m_strRawValue, QStringLiteral("x%2Fc0"));
    Run(1, 2, XalCmd::ResetFlexibleParameter);
    EXPECT_EQ(Cell(1, 2), QStringLiteral("c0"));
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("http://h/r/_XALURL_0_"));
    EXPECT_EQ(Cell(0, 1), P1);
}

TEST_F(Flexible, reset_of_a_url_row_brings_back_the_recorded_url_and_frees_each_number) {
    CScriptObj s = ThreeScript();
    s.m_lstScripts[0].m_lstURLs[0].m_strURL = QStringLiteral("/r/_XALURL_0_/_XALURL_1_");
    s.m_lstScripts[0].m_lstURLs[0].m_lstParams.erase(
        s.m_lstScripts[0].m_lstURLs[0].m_lstParams.begin());
    Load(s);
    Run(0, 0, XalCmd::ResetFlexibleParameter);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("http://h/r/seg"));
    EXPECT_EQ(Grid(0).Record(0).m_nFlags, 0);
    EXPECT_EQ(view.Document().FlexibleCount(), 1);
    EXPECT_EQ(Cell(0, 1), QStringLiteral("x/_XALURL_0_"));
    EXPECT_EQ(Cell(1, 2), P0);
}

TEST_F(Flexible, reset_leaves_rows_without_a_flexible_parameter_alone) {
    CScriptObj s = ThreeScript();
    s.m_lstScripts[0].m_lstURLs[1].m_strOrgValue = QStringLiteral("http://h/recorded");
    Load(s);
    EXPECT_FALSE(view.GetMainView().ResetFlexibleRow(3)); // a plain URL keeps its edited text
    Run(0, 3, XalCmd::ResetFlexibleParameter);
    EXPECT_EQ(Cell(0, 3), QStringLiteral("http://h/s"));
    EXPECT_FALSE(host.m_doc.IsModified());
    // The row a delete is about to remove: its placeholder goes first.
    EXPECT_TRUE(view.GetMainView().ResetFlexibleRow(1));
    EXPECT_EQ(view.Document().FlexibleCount(), 2);
    EXPECT_TRUE(FlexibleInvariantHolds(view));
}

TEST_F(Flexible, release_removes_the_entry_of_the_released_number_in_any_list_order) {
    CScriptObj s = ThreeScript();
    s.m_lstURLParameter = {Flex(QStringLiteral("c"), P2), Flex(QStringLiteral("seg"), P0),
                           Flex(QStringLiteral("b"), P1)};
    Load(s);
    Run(0, 1, XalCmd::ResetFlexibleParameter);
    ASSERT_EQ(List().size(), 2u);
    EXPECT_EQ(List()[0].m_strFind, QStringLiteral("c"));
    EXPECT_EQ(List()[0].m_strReplace, P1);
    EXPECT_EQ(List()[1].m_strFind, QStringLiteral("seg"));
    EXPECT_EQ(List()[1].m_strReplace, P0);
}

TEST(FlexibleText, whole_pieces_and_encoding) {
    QString strLabel = QStringLiteral("http://123/123/1234/x123/123?q=/123");
    EXPECT_TRUE(ReplaceInURLPath(strLabel, QStringLiteral("123"), P0));
    EXPECT_EQ(strLabel, QStringLiteral("http://123/_XALURL_0_/1234/x123/_XALURL_0_?q=/123"));
    QString strValue = QStringLiteral("a|7|7|77");
    EXPECT_TRUE(ReplaceWholePieces(strValue, QStringLiteral("|"), QStringLiteral("7"), P1));
    EXPECT_EQ(strValue, QStringLiteral("a|_XALURL_1_|_XALURL_1_|77"));

    EXPECT_EQ(EncodeUnencoded(QStringLiteral("a b%2F100%")), QStringLiteral("a%20b%2F100%25"));
    EXPECT_EQ(PlaceholderNumbersIn(QStringLiteral("_XALURL_1_/_XALURL_USER_/_XALURL_12_x")),
              (std::vector<int>{12, 1}));
    EXPECT_EQ(PlaceholderNumber(QStringLiteral("_XALURL_1abc")), -1);
}
