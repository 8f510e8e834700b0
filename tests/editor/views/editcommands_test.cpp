// The editing commands of both script views with scripted dialogs and message answers.

#include "commandids.h"
#include "dialediturl.h"
#include "dialediturlparams.h"
#include "fakehost.h"
#include "scriptview.h"
#include "specialvars.h"
#include "subscriptview.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Main: GET /a (p=1, q=x%26y), POST /b (r=2), GET other.org/c. Conditional: /cond, /s1 (k), /s2.
CScriptObj EditScript() {
    CScriptObj script;
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(S("www.example.com"), S("/a"), 0,
                    {Param(S("p"), S("1"), 0, 0x40, S("1")), Param(S("q"), S("x%26y"), 0, 0x40)}),
                Url(S("www.example.com"), S("/b"), 1, {Param(S("r"), S("2"), 1, 0x40)}),
                Url(S("other.org"), S("/c"))}));
    script.m_lstScripts.push_back(
        Script(1, S("Cond"),
               {Url(S("h"), S("/cond")), Url(S("h"), S("/s1"), 0, {Param(S("k"), S("v"))}),
                Url(S("h"), S("/s2"))}));
    return script;
}

// Placeholder 0 on main /a, 1 only on main /b, 2 only in the conditional script.
CScriptObj FlexScript() {
    CScriptObj script;
    for (const char* name : {"_XALURL_0_", "_XALURL_1_", "_XALURL_2_"})
        script.m_lstURLParameter.push_back({S("n"), S(name), 0, {}});
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(S("h"), S("/a"), 0, {Param(S("a"), S("_XALURL_0_"), 0, 0x8040)}),
                Url(S("h"), S("/b"), 0,
                    {Param(S("x"), S("1")), Param(S("b"), S("_XALURL_1_"), 0, 0x8040)})}));
    script.m_lstScripts.push_back(
        Script(1, S("Cond"),
               {Url(S("h"), S("/c")),
                Url(S("h"), S("/d"), 0, {Param(S("c"), S("_XALURL_2_"), 0, 0x8000)})}));
    return script;
}

class EditCommands : public ::testing::Test {
protected:
    void Load(const CScriptObj& script) {
        view.SetScript(script);
        host.m_doc.SetModified(false);
    }
    CMyTreeGridCtrl& Main() { return view.GetMainView().Grid(); }
    CMyTreeGridCtrl& Cond() { return view.GetTabView(1)->Grid(); }
    void Select(CMyTreeGridCtrl& grid, int nRow) {
        grid.DeselectAllRows();
        grid.SelectRow(nRow);
        grid.SetCurrentRow(nRow);
        view.SetActiveTab(&grid == &Main() ? 0 : 1);
    }
    bool Enabled(int nCommand) { return view.IsCommandEnabled(nCommand); }
    void Run(int nCommand) {
        ASSERT_TRUE(Enabled(nCommand)) << nCommand;
        view.OnCommand(nCommand);
    }
    void QueueURL(const char* server, const char* address) {
        host.m_dialogs.m_editURL.push_back([server, address](CDialEditURL& d) {
            d.SetServer(S(server));
            d.SetAddress(S(address));
            return d.OnOK();
        });
    }
    static QString Text(const CMyTreeGridCtrl& grid, int nRow, int nCell = 0) {
        return grid.Row(nRow).m_cells[static_cast<std::size_t>(nCell)].strText;
    }
    // Placeholders in use are 0..count-1, each with one list entry and shown by some row.
    void ExpectFlexibleInvariant() {
        const int nCount = host.m_doc.FlexibleCount();
        std::multiset<QString> entries;
        for (const CFindReplaceObj& entry : host.m_doc.FlexibleParameters())
            entries.insert(entry.m_strReplace);
        EXPECT_EQ(static_cast<int>(entries.size()), nCount);
        for (int n = 0; n <= nCount; ++n) {
            const QString strName = FlexibleParameterName(n);
            EXPECT_EQ(entries.count(strName), n < nCount ? 1u : 0u) << n;
            EXPECT_EQ(view.IsUsedInAnyScript(strName), n < nCount) << n;
        }
    }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};
} // namespace

TEST_F(EditCommands, create_url_goes_after_the_selected_block_or_at_the_end) {
    Load(EditScript());
    Select(Main(), 0);
    QueueURL("new.example.net:8080", "/n");
    Run(XalCmd::Create);
    ASSERT_EQ(Text(Main(), 3), S("http://new.example.net:8080/n"));
    EXPECT_EQ(Text(Main(), 4), S("http://www.example.com/b"));
    EXPECT_TRUE(Main().IsRowSelected(3));
    EXPECT_EQ(Main().Record(3).m_nFlags, 0); // as a loaded URL without placeholder
    EXPECT_TRUE(host.m_doc.IsModified());
    EXPECT_TRUE(host.m_doc.AvailableDomains().contains(S("new.example.net")));

    Select(Main(), Main().GetRowCount() - 1);
    QueueURL("z.org", "/z");
    Run(XalCmd::Create);
    EXPECT_EQ(Text(Main(), Main().GetRowCount() - 1), S("http://z.org/z"));

    // In a conditional script: after the condition URL's block, marked as script URL.
    Select(Cond(), 0);
    QueueURL("h", "/new");
    Run(XalCmd::Create);
    EXPECT_EQ(Text(Cond(), 1), S("http://h/new"));
    EXPECT_EQ(Cond().Row(1).m_nData, 0x2020u);
    EXPECT_EQ(Cond().Record(1).m_nFlags, 0);
}

TEST_F(EditCommands, create_parameter_appends_to_its_url_and_get_keeps_its_icon) {
    Load(EditScript());
    // Selected: the first parameter of GET /a, then a parameter of POST /b twice.
    const std::vector<std::tuple<int, bool, int>> cases{
        {1, true, GridImage::kParamGet}, // the box is off for GET whatever is asked
        {5, false, GridImage::kParamPost},
        {5, true, GridImage::kMethod2}};
    for (const auto& [nRow, bSend, nImage] : cases) {
        Select(Main(), nRow);
        const int nURL = Main().GetURLRowOf(nRow);
        host.m_dialogs.m_params.push_back([bSend](CDialEditURLParams& d) {
            d.SetName(S("n"));
            d.m_strValue = S("a%20b");
            d.m_bSendInURL = bSend;
            return d.OnOK();
        });
        Run(XalCmd::Create);
        const int nNew = nURL + Main().GetSubRowCount(nURL);
        EXPECT_EQ(Text(Main(), nNew), S("n"));
        EXPECT_EQ(Text(Main(), nNew, 1), S("a b"));
        EXPECT_EQ(Main().Row(nNew).m_cells[0].nImage, nImage) << nRow << bSend;
        EXPECT_TRUE(Main().IsRowSelected(nNew));
    }
}

TEST_F(EditCommands, edit_of_row_0_is_applied_whatever_the_root_url_answer) {
    for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
        Load(EditScript());
        host.m_messages.ClearTexts();
        const int nStarts = host.m_nRecordingStarts;
        Select(Main(), 0);
        QueueURL("www.example.com", "/root");
        host.m_messages.Queue(answer);
        Run(XalCmd::Edit);
        EXPECT_EQ(Text(Main(), 0), S("http://www.example.com/root"));
        EXPECT_EQ(Main().Record(0).m_strOrgValue, S("http://www.example.com/a"));
        EXPECT_EQ(host.m_messages.Texts(), QStringList(XalString(17)));
        EXPECT_EQ(host.m_doc.NewRootURL(), S("http://www.example.com/root?p=1&q=x&y"));
        EXPECT_EQ(host.m_nRecordingStarts, nStarts + (answer == MsgAnswer::Yes ? 1 : 0));
    }
    // OK without a change changes nothing.
    host.m_doc.SetModified(false);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) { return d.OnOK(); });
    Run(XalCmd::Edit);
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(EditCommands, edit_url_keeps_a_stored_query_as_parameter_rows) {
    CScriptObj script = EditScript();
    script.m_lstScripts[0].m_lstURLs[2].m_strURL = S("/c?x=1&y=a%20b");
    Load(script);
    Select(Main(), 5);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) { return d.OnOK(); });
    Run(XalCmd::Edit);
    EXPECT_EQ(Text(Main(), 5), S("http://other.org/c"));
    ASSERT_EQ(Main().GetSubRowCount(5), 2);
    EXPECT_EQ(Text(Main(), 7, 1), S("a b"));
    EXPECT_EQ(view.GetMainView().GetURLWithQuery(5), S("http://other.org/c?x=1&y=a b"));
}

TEST_F(EditCommands, edit_url_frees_what_it_no_longer_shows_and_numbers_stay_dense) {
    CScriptObj script = FlexScript();
    script.m_lstURLParameter.push_back({S("/u/"), S("_XALURL_3_"), 1, {}});
    script.m_lstScripts[0].m_lstURLs.push_back(Url(S("h"), S("/u/_XALURL_3_/x")));
    Load(script);
    // The dialog drops the row showing 1; the number 2 of the other view moves down.
    Select(Main(), 2);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        d.Select(1);
        d.DeleteParameter();
        return d.OnOK();
    });
    Run(XalCmd::Edit);
    EXPECT_EQ(Text(Cond(), 2, 1), S("_XALURL_1_"));
    EXPECT_EQ(Text(Main(), 4), S("http://h/u/_XALURL_2_/x"));
    EXPECT_EQ(Main().Record(3).m_nFlags, 0); // left as it was: its loaded flags, not 0x40
    ExpectFlexibleInvariant();
    // An address edited without its placeholder frees it too.
    Select(Main(), 4);
    QueueURL("h", "/u/7/x");
    Run(XalCmd::Edit);
    EXPECT_EQ(Main().Record(4).m_nFlags, 0);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 2);
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, edit_parameter_keeps_get_icon_and_loaded_kind_and_frees_a_placeholder) {
    Load(FlexScript());
    Select(Main(), 1); // a=_XALURL_0_, kind left as loaded
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) { return d.OnOK(); });
    Run(XalCmd::Edit);
    EXPECT_EQ(Main().Record(1).m_nFlags, 0x8040);
    Select(Main(), 4); // b=_XALURL_1_ becomes a plain value
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) {
        EXPECT_EQ(d.m_nKind, 9999);
        d.ChooseKind(0);
        d.m_strValue = S("plain%21");
        d.m_strNonEncodedValue = S("plain!");
        return d.OnOK();
    });
    Run(XalCmd::Edit);
    EXPECT_EQ(Main().Row(4).m_cells[0].nImage, GridImage::kParamGet);
    EXPECT_EQ(Text(Main(), 4, 1), S("plain!"));
    EXPECT_EQ(Main().Record(4).m_strRawValue, S("plain%21"));
    EXPECT_EQ(Main().Row(4).m_nData, 0x40u);
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, conditional_edit_keeps_marks_and_leaves_flexible_conditions_alone) {
    Load(EditScript());
    Select(Cond(), 0);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        EXPECT_TRUE(d.m_bKindLocked); // one of the first two URLs
        d.SetAddress(S("/cond2"));
        return d.OnOK();
    });
    Run(XalCmd::Edit);
    EXPECT_EQ(Cond().Row(0).m_nData, 0x1020u);
    EXPECT_EQ(Cond().Row(0).m_crBackground, kConditionURLColor);
    EXPECT_TRUE(host.m_messages.Texts().isEmpty());
    Cond().Record(2).m_nFlags |= RowBits::kFlexCondition;
    const int nShown = host.m_dialogs.m_nShown;
    Select(Cond(), 1);
    Run(XalCmd::Edit);
    EXPECT_EQ(host.m_dialogs.m_nShown, nShown);
    Select(Cond(), 2);
    EXPECT_FALSE(Enabled(XalCmd::Edit));
}

TEST_F(EditCommands, delete_keeps_row_0_asks_string_17_and_frees_unshown_placeholders) {
    Load(EditScript());
    Select(Main(), 0);
    Main().SelectRow(3);
    EXPECT_FALSE(Enabled(XalCmd::Delete));
    Select(Main(), 3);
    Main().SelectRow(4); // its parameter as well
    Main().SelectRow(5);
    Run(XalCmd::Delete);
    ASSERT_EQ(Main().GetRowCount(), 3);
    EXPECT_TRUE(Main().IsRowSelected(2));
    EXPECT_TRUE(host.m_messages.Texts().isEmpty()); // the root URL did not change

    Select(Main(), 2); // parameter q of row 0
    host.m_messages.Queue(MsgAnswer::No);
    Run(XalCmd::Delete);
    EXPECT_EQ(host.m_messages.Texts(), QStringList(XalString(17)));
    EXPECT_EQ(host.m_doc.NewRootURL(), S("http://www.example.com/a?p=1"));
    EXPECT_EQ(host.m_nRecordingStarts, 0);

    Load(FlexScript());
    Select(Main(), 2); // URL /b with the only row showing _XALURL_1_
    Run(XalCmd::Delete);
    EXPECT_EQ(Text(Cond(), 2, 1), S("_XALURL_1_"));
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, conditional_delete_keeps_condition_url_and_one_script_url) {
    Load(EditScript());
    Select(Cond(), 3);
    Cond().SelectRow(1);
    EXPECT_FALSE(Enabled(XalCmd::Delete));
    Select(Cond(), 3);
    Run(XalCmd::Delete);
    EXPECT_EQ(Cond().GetRowCount(), 3);
    Select(Cond(), 1);
    EXPECT_FALSE(Enabled(XalCmd::Delete));
    EXPECT_TRUE(host.m_messages.Texts().isEmpty());
}

TEST_F(EditCommands, moves_keep_blocks_together_and_row_0_and_the_condition_in_place) {
    Load(EditScript());
    Select(Main(), 3);
    EXPECT_FALSE(Enabled(XalCmd::Up)); // nothing between row 0 and it
    Run(XalCmd::Down);
    EXPECT_EQ(Text(Main(), 3), S("http://other.org/c"));
    EXPECT_EQ(Text(Main(), 5, 1), S("2"));
    EXPECT_TRUE(Main().IsRowSelected(4));
    EXPECT_FALSE(Enabled(XalCmd::Down));
    Select(Main(), 1);
    EXPECT_FALSE(Enabled(XalCmd::Up));
    Run(XalCmd::Down);
    EXPECT_EQ(Text(Main(), 1), S("q"));
    EXPECT_EQ(Main().Record(2).m_strRawValue, S("1"));
    EXPECT_TRUE(Main().IsRowSelected(2));

    // Conditional: the current row moves; nothing passes the condition URL.
    Select(Cond(), 1);
    EXPECT_FALSE(Enabled(XalCmd::Up));
    Select(Cond(), 0);
    EXPECT_FALSE(Enabled(XalCmd::Down));
    Select(Cond(), 3);
    Run(XalCmd::Up);
    EXPECT_EQ(Text(Cond(), 1), S("http://h/s2"));
    EXPECT_EQ(Cond().GetCurrentRow(), 1);
}

TEST_F(EditCommands, browser_and_exclusion_take_the_rows_url) {
    Load(EditScript());
    for (const int nRow : {2, 3}) {
        Select(Main(), nRow);
        Run(XalCmd::Browser);
        Run(XalCmd::ExcludeDomain);
    }
    Select(Main(), 5);
    Run(XalCmd::ExcludeDomain);
    // GET parameters as stored (an "&" in a value stays encoded); POST ones stay out.
    EXPECT_EQ(host.m_shell.m_opened,
              (std::vector<QString>{S("http://www.example.com/a?p=1&q=x%26y"),
                                    S("http://www.example.com/b")}));
    ASSERT_EQ(host.m_exclusions.size(), 3u);
    EXPECT_EQ(host.m_exclusions[0], std::make_pair(S("www.example.com"), S(".*example.com.*")));
    // A host without a parent domain keeps its first letter.
    EXPECT_EQ(host.m_exclusions[2], std::make_pair(S("other.org"), S(".*other.org.*")));
    EXPECT_FALSE(host.m_doc.IsModified());
}
