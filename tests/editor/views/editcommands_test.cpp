// The editing commands of both script views with scripted dialogs and message answers.

#include "commandids.h"
#include "dialediturl.h"
#include "dialediturlparams.h"
#include "fakehost.h"
#include "scriptview.h"
#include "specialvars.h"
#include "subscriptview.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

#include <set>

namespace {
CFindReplaceObj Flex(const QString& find, const QString& replace) {
    CFindReplaceObj entry;
    entry.m_strFind = find;
    entry.m_strReplace = replace;
    return entry;
}

// Main script: GET URL /a (p=1, q=x&y), POST URL /b (r=2), GET URL /c; a conditional script.
CScriptObj EditScript() {
    CScriptObj script;
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("www.example.com"), QStringLiteral("/a"), 0,
                    {Param(QStringLiteral("p"), QStringLiteral("1"), 0, 0x40, QStringLiteral("1")),
                     Param(QStringLiteral("q"), QStringLiteral("x%26y"), 0, 0x40,
                           QStringLiteral("x%26y"))}),
                Url(QStringLiteral("www.example.com"), QStringLiteral("/b"), 1,
                    {Param(QStringLiteral("r"), QStringLiteral("2"), 1, 0x40)}),
                Url(QStringLiteral("other.org"), QStringLiteral("/c"))}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Cond"),
               {Url(QStringLiteral("h"), QStringLiteral("/cond")),
                Url(QStringLiteral("h"), QStringLiteral("/s1"), 0,
                    {Param(QStringLiteral("k"), QStringLiteral("v"), 0, 0x40)}),
                Url(QStringLiteral("h"), QStringLiteral("/s2"))}));
    return script;
}

// Placeholders 0 (main /a), 1 (main /b only) and 2 (conditional script only).
CScriptObj FlexScript() {
    CScriptObj script;
    script.m_lstURLParameter = {Flex(QStringLiteral("a"), QStringLiteral("_XALURL_0_")),
                                Flex(QStringLiteral("b"), QStringLiteral("_XALURL_1_")),
                                Flex(QStringLiteral("c"), QStringLiteral("_XALURL_2_"))};
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/a"), 0,
                    {Param(QStringLiteral("a"), QStringLiteral("_XALURL_0_"), 0, 0x8040)}),
                Url(QStringLiteral("h"), QStringLiteral("/b"), 0,
                    {Param(QStringLiteral("x"), QStringLiteral("1"), 0, 0x40),
                     Param(QStringLiteral("b"), QStringLiteral("_XALURL_1_"), 0, 0x8040)})}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Cond"),
               {Url(QStringLiteral("h"), QStringLiteral("/c")),
                Url(QStringLiteral("h"), QStringLiteral("/d"), 0,
                    {Param(QStringLiteral("c"), QStringLiteral("_XALURL_2_"), 0, 0x8000)})}));
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
    }
    void Run(int nTab, int nCommand) {
        view.SetActiveTab(nTab);
        ASSERT_TRUE(view.IsCommandEnabled(nCommand)) << nCommand;
        view.OnCommand(nCommand);
    }
    static QString Label(const CMyTreeGridCtrl& grid, int nRow) {
        return grid.Row(nRow).m_cells[0].strText;
    }
    static QString Value(const CMyTreeGridCtrl& grid, int nRow) {
        return grid.Row(nRow).m_cells[1].strText;
    }
    // Placeholders in use are 0..count-1, each with one list entry, each shown by some row.
    void ExpectFlexibleInvariant() {
        const int nCount = host.m_doc.FlexibleCount();
        std::multiset<QString> entries;
        for (const CFindReplaceObj& entry : host.m_doc.FlexibleParameters())
            entries.insert(entry.m_strReplace);
        EXPECT_EQ(static_cast<int>(entries.size()), nCount);
        for (int n = 0; n < nCount; ++n) {
            const QString strName = FlexibleParameterName(n);
            EXPECT_EQ(entries.count(strName), 1u) << strName.toStdString();
            EXPECT_TRUE(view.IsUsedInAnyScript(strName)) << strName.toStdString();
        }
        EXPECT_FALSE(view.IsUsedInAnyScript(FlexibleParameterName(nCount)));
    }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};

bool SetURL(CDialEditURL& dialog, const QString& server, const QString& address) {
    dialog.SetServer(server);
    dialog.SetAddress(address);
    return dialog.OnOK();
}
} // namespace

// --- Create ---

TEST_F(EditCommands, create_url_goes_after_the_selected_block_and_at_the_end_after_the_last) {
    Load(EditScript());
    Select(Main(), 0);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        EXPECT_EQ(d.m_nAdd, 1);
        return SetURL(d, QStringLiteral("new.example.net:8080"), QStringLiteral("/n"));
    });
    Run(0, XalCmd::Create);
    ASSERT_EQ(Label(Main(), 3), QStringLiteral("http://new.example.net:8080/n"));
    EXPECT_EQ(Label(Main(), 4), QStringLiteral("http://www.example.com/b"));
    EXPECT_TRUE(Main().IsRowSelected(3));
    EXPECT_EQ(Main().GetSelectedRowCount(), 1);
    EXPECT_TRUE(Main().Row(3).m_bMerged);
    EXPECT_EQ(Main().Record(3).m_strOrgValue, QStringLiteral("http://new.example.net:8080/n"));
    EXPECT_EQ(Main().Record(3).m_nFlags, 0);
    EXPECT_EQ(Main().Row(3).m_crBackground, view.GetServerColor(QStringLiteral("new.example.net")));
    EXPECT_TRUE(host.m_doc.IsModified());
    EXPECT_TRUE(host.m_doc.AvailableDomains().contains(QStringLiteral("new.example.net")));

    const int nLast = Main().GetRowCount() - 1;
    Select(Main(), nLast);
    host.m_dialogs.m_editURL.push_back(
        [](CDialEditURL& d) { return SetURL(d, QStringLiteral("z.org"), QStringLiteral("/z")); });
    Run(0, XalCmd::Create);
    EXPECT_EQ(Label(Main(), Main().GetRowCount() - 1), QStringLiteral("http://z.org/z"));

    // Cancel changes nothing.
    const int nRows = Main().GetRowCount();
    host.m_doc.SetModified(false);
    Run(0, XalCmd::Create);
    EXPECT_EQ(Main().GetRowCount(), nRows);
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(EditCommands, create_url_brings_the_dialogs_parameters_along) {
    Load(EditScript());
    Select(Main(), 5);
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) {
        d.SetName(QStringLiteral("n"));
        d.m_strValue = QStringLiteral("a%2Cb");
        d.m_strNonEncodedValue = QStringLiteral("a,b");
        return d.OnOK();
    });
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        EXPECT_TRUE(d.AddParameter());
        return SetURL(d, QStringLiteral("z.org"), QStringLiteral("/z"));
    });
    Run(0, XalCmd::Create);
    const int nURL = Main().GetRowCount() - 2;
    ASSERT_EQ(Label(Main(), nURL), QStringLiteral("http://z.org/z"));
    EXPECT_EQ(Main().Row(nURL + 1).m_cells[0].strText, QStringLiteral("n"));
    EXPECT_EQ(Main().Row(nURL + 1).m_cells[0].nImage, GridImage::kParamGet);
    EXPECT_EQ(Value(Main(), nURL + 1), QStringLiteral("a,b"));
    EXPECT_EQ(Main().Record(nURL + 1).m_strRawValue, QStringLiteral("a%2Cb"));
}

TEST_F(EditCommands, create_parameter_appends_to_its_url_and_keeps_the_get_icon) {
    Load(EditScript());
    Select(Main(), 1); // first parameter of /a
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) {
        EXPECT_TRUE(d.m_bAdd);
        EXPECT_EQ(d.m_nMethodMark, 0);
        d.SetName(QStringLiteral("n"));
        d.m_strValue = QStringLiteral("a%20b");
        return d.OnOK();
    });
    Run(0, XalCmd::Create);
    ASSERT_EQ(Main().GetSubRowCount(0), 3);
    EXPECT_EQ(Main().Row(3).m_cells[0].strText, QStringLiteral("n"));
    EXPECT_EQ(Main().Row(3).m_cells[0].nImage, GridImage::kParamGet);
    EXPECT_EQ(Value(Main(), 3), QStringLiteral("a b"));
    EXPECT_EQ(Main().Row(3).m_nData, 0x40u);
    EXPECT_TRUE(Main().IsRowSelected(3));

    // On a POST URL the box decides between body (3) and URL (4).
    for (const bool bSend : {false, true}) {
        Select(Main(), 5); // parameter r of the POST URL
        host.m_dialogs.m_params.push_back([bSend](CDialEditURLParams& d) {
            d.SetName(QStringLiteral("m"));
            d.m_bSendInURL = bSend;
            return d.OnOK();
        });
        Run(0, XalCmd::Create);
        const int nNew = 4 + Main().GetSubRowCount(4);
        EXPECT_EQ(Main().Row(nNew).m_cells[0].nImage,
                  bSend ? GridImage::kMethod2 : GridImage::kParamPost);
    }
}

TEST_F(EditCommands, conditional_create_marks_script_url_and_keeps_loaded_record_flags) {
    Load(EditScript());
    Select(Cond(), 0);
    host.m_dialogs.m_editURL.push_back(
        [](CDialEditURL& d) { return SetURL(d, QStringLiteral("h"), QStringLiteral("/new")); });
    Run(1, XalCmd::Create);
    ASSERT_EQ(Label(Cond(), 1), QStringLiteral("http://h/new"));
    EXPECT_EQ(Cond().Row(1).m_nData, 0x2020u);
    EXPECT_EQ(Cond().Record(1).m_nFlags, 0);
    EXPECT_NE(Cond().Row(1).m_crBackground, kConditionURLColor);
}

// --- Edit ---

TEST_F(EditCommands, edit_url_replaces_the_block_and_keeps_its_org_value) {
    Load(EditScript());
    Select(Main(), 3);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        EXPECT_EQ(d.m_nAdd, 0);
        EXPECT_EQ(d.m_strServer, QStringLiteral("www.example.com"));
        EXPECT_EQ(d.m_strAddress, QStringLiteral("/b"));
        EXPECT_EQ(d.m_nMethod, 1);
        EXPECT_EQ(d.Rows().size(), 1u);
        return SetURL(d, QStringLiteral("www.example.com:8443"), QStringLiteral("/b2"));
    });
    Run(0, XalCmd::Edit);
    ASSERT_EQ(Label(Main(), 3), QStringLiteral("http://www.example.com:8443/b2"));
    EXPECT_EQ(Main().Row(3).m_cells[0].nImage, GridImage::kURLPost);
    EXPECT_EQ(Main().Record(3).m_strOrgValue, QStringLiteral("http://www.example.com/b"));
    EXPECT_EQ(Value(Main(), 4), QStringLiteral("2"));
    EXPECT_EQ(Main().Row(4).m_cells[0].nImage, GridImage::kParamPost);
    EXPECT_EQ(Main().Row(3).m_nData & RowBits::kInDialog, 0u);
    EXPECT_TRUE(host.m_doc.IsModified());
    EXPECT_TRUE(host.m_messages.Texts().isEmpty()); // not row 0: no root URL question

    // OK without a change leaves the e-script unmodified.
    host.m_doc.SetModified(false);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) { return d.OnOK(); });
    Run(0, XalCmd::Edit);
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(EditCommands, edit_of_row_0_applies_the_edit_whatever_the_root_url_answer) {
    for (const MsgAnswer answer : {MsgAnswer::Yes, MsgAnswer::No}) {
        Load(EditScript());
        host.m_messages.ClearTexts();
        const int nStarts = host.m_nRecordingStarts;
        Select(Main(), 0);
        host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
            return SetURL(d, QStringLiteral("www.example.com"), QStringLiteral("/root"));
        });
        host.m_messages.Queue(answer);
        Run(0, XalCmd::Edit);
        EXPECT_EQ(Label(Main(), 0), QStringLiteral("http://www.example.com/root"));
        ASSERT_EQ(host.m_messages.Texts().size(), 1);
        EXPECT_EQ(host.m_messages.Texts()[0],
                  QStringLiteral("Root URL has changed. Rewrite the main script?"));
        EXPECT_TRUE(host.m_doc.IsRootChanged());
        EXPECT_EQ(host.m_doc.NewRootURL(), QStringLiteral("http://www.example.com/root?p=1&q=x&y"));
        EXPECT_EQ(host.m_nRecordingStarts, nStarts + (answer == MsgAnswer::Yes ? 1 : 0));
    }
}

TEST_F(EditCommands, edit_url_releases_what_the_dialog_gave_up_and_keeps_numbers_dense) {
    Load(FlexScript());
    ASSERT_EQ(host.m_doc.FlexibleCount(), 3);
    Select(Main(), 2); // URL /b: x=1, b=_XALURL_1_
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        d.Select(1);
        d.DeleteParameter();
        EXPECT_EQ(d.m_lstReleased, QStringList{QStringLiteral("_XALURL_1_")});
        return d.OnOK();
    });
    Run(0, XalCmd::Edit);
    EXPECT_EQ(Main().GetSubRowCount(2), 1);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 2);
    EXPECT_EQ(Value(Cond(), 2), QStringLiteral("_XALURL_1_")); // was 2, in the other view
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, edit_url_that_loses_its_address_placeholder_frees_it) {
    CScriptObj script = FlexScript();
    script.m_lstURLParameter.push_back(Flex(QStringLiteral("/u/"), QStringLiteral("_XALURL_3_")));
    script.m_lstScripts[0].m_lstURLs.push_back(
        Url(QStringLiteral("h"), QStringLiteral("/u/_XALURL_3_/x")));
    script.m_lstScripts[0].m_lstURLs[0].m_lstParams.push_back(
        Param(QStringLiteral("y"), QStringLiteral("_XALURL_1_"), 0, 0x8040));
    Load(script);
    const int nURL = Main().GetRowCount() - 1;
    ASSERT_EQ(Main().Record(nURL).m_nFlags, kURLFlexibleFlags);
    Select(Main(), nURL);
    host.m_dialogs.m_editURL.push_back(
        [](CDialEditURL& d) { return SetURL(d, QStringLiteral("h"), QStringLiteral("/u/7/x")); });
    Run(0, XalCmd::Edit);
    EXPECT_EQ(Main().Record(nURL).m_nFlags, 0);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 3);
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, edit_parameter_keeps_get_icon_and_gives_back_a_placeholder) {
    Load(FlexScript());
    Select(Main(), 4); // b=_XALURL_1_ of the GET URL /b
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) {
        EXPECT_EQ(d.m_nKind, 9999);
        EXPECT_FALSE(d.IsSendInURLEnabled());
        d.ChooseKind(0);
        d.m_strValue = QStringLiteral("plain%21");
        d.m_strNonEncodedValue = QStringLiteral("plain!");
        return d.OnOK();
    });
    Run(0, XalCmd::Edit);
    EXPECT_EQ(Main().Row(4).m_cells[0].nImage, GridImage::kParamGet);
    EXPECT_EQ(Value(Main(), 4), QStringLiteral("plain!"));
    EXPECT_EQ(Main().Record(4).m_strRawValue, QStringLiteral("plain%21"));
    EXPECT_EQ(Main().Record(4).m_nFlags, 0x40);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 2);
    ExpectFlexibleInvariant();

    // Leaving a loaded flexible kind as it is keeps its flags.
    Select(Main(), 1);
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) { return d.OnOK(); });
    Run(0, XalCmd::Edit);
    EXPECT_EQ(Main().Record(1).m_nFlags, 0x8040);
    EXPECT_EQ(Value(Main(), 1), QStringLiteral("_XALURL_0_"));
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, edit_parameter_of_row_0_runs_the_root_url_check) {
    Load(EditScript());
    Select(Main(), 1);
    host.m_dialogs.m_params.push_back([](CDialEditURLParams& d) {
        d.m_strValue = QStringLiteral("9");
        d.m_strNonEncodedValue = QStringLiteral("9");
        return d.OnOK();
    });
    host.m_messages.Queue(MsgAnswer::No);
    Run(0, XalCmd::Edit);
    EXPECT_EQ(host.m_messages.Texts().size(), 1);
    EXPECT_EQ(host.m_doc.NewRootURL(), QStringLiteral("http://www.example.com/a?p=9&q=x&y"));
    EXPECT_EQ(host.m_nRecordingStarts, 0);
}

TEST_F(EditCommands, conditional_edit_keeps_marks_and_skips_flexible_conditions) {
    Load(EditScript());
    Select(Cond(), 0);
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        EXPECT_TRUE(d.m_bKindLocked);
        return SetURL(d, QStringLiteral("h"), QStringLiteral("/cond2"));
    });
    Run(1, XalCmd::Edit);
    EXPECT_EQ(Label(Cond(), 0), QStringLiteral("http://h/cond2"));
    EXPECT_EQ(Cond().Row(0).m_nData, 0x1020u);
    EXPECT_EQ(Cond().Row(0).m_crBackground, kConditionURLColor);
    EXPECT_TRUE(host.m_messages.Texts().isEmpty());

    Select(Cond(), 3); // /s2, the second script URL
    host.m_dialogs.m_editURL.push_back([](CDialEditURL& d) {
        EXPECT_FALSE(d.m_bKindLocked);
        return SetURL(d, QStringLiteral("h"), QStringLiteral("/s3"));
    });
    Run(1, XalCmd::Edit);
    EXPECT_EQ(Cond().Row(3).m_nData, 0x2020u);

    // A URL holding a flexible condition opens no dialog.
    Cond().Record(2).m_nFlags |= RowBits::kFlexCondition;
    const int nShown = host.m_dialogs.m_nShown;
    Select(Cond(), 1);
    Run(1, XalCmd::Edit);
    EXPECT_EQ(host.m_dialogs.m_nShown, nShown);
    view.SetActiveTab(1);
    Select(Cond(), 2);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Edit));
}

// --- Delete ---

TEST_F(EditCommands, delete_never_takes_row_0_and_can_leave_only_it) {
    Load(EditScript());
    Main().SelectRow(0);
    Main().SelectRow(3);
    view.SetActiveTab(0);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Delete));
    Main().DeselectAllRows();
    Main().SelectRow(3);
    Main().SelectRow(4); // a parameter of the URL selected as well
    Main().SelectRow(5);
    Run(0, XalCmd::Delete);
    ASSERT_EQ(Main().GetRowCount(), 3);
    EXPECT_EQ(Label(Main(), 0), QStringLiteral("http://www.example.com/a"));
    EXPECT_EQ(Main().GetSelectedRowCount(), 1);
    EXPECT_TRUE(Main().IsRowSelected(2));
    EXPECT_TRUE(host.m_doc.IsModified());
    EXPECT_TRUE(host.m_messages.Texts().isEmpty()); // root URL unchanged
}

TEST_F(EditCommands, deleting_a_root_parameter_asks_string_17_and_keeps_the_rows_on_no) {
    Load(EditScript());
    Select(Main(), 2);
    host.m_messages.Queue(MsgAnswer::No);
    Run(0, XalCmd::Delete);
    EXPECT_EQ(Main().GetSubRowCount(0), 1);
    ASSERT_EQ(host.m_messages.Texts().size(), 1);
    EXPECT_EQ(host.m_doc.NewRootURL(), QStringLiteral("http://www.example.com/a?p=1"));
    EXPECT_EQ(host.m_nRecordingStarts, 0);
}

TEST_F(EditCommands, delete_frees_placeholders_no_remaining_row_shows) {
    Load(FlexScript());
    Select(Main(), 2); // URL /b, the only row with _XALURL_1_
    Run(0, XalCmd::Delete);
    EXPECT_EQ(host.m_doc.FlexibleCount(), 2);
    EXPECT_EQ(Value(Cond(), 2), QStringLiteral("_XALURL_1_"));
    ExpectFlexibleInvariant();
}

TEST_F(EditCommands, conditional_delete_keeps_the_condition_url_and_one_script_url) {
    Load(EditScript());
    Select(Cond(), 3);
    Cond().SelectRow(1);
    view.SetActiveTab(1);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Delete)); // /s1 and /s2 would leave none
    Select(Cond(), 3);
    Run(1, XalCmd::Delete);
    ASSERT_EQ(Cond().GetRowCount(), 3);
    EXPECT_EQ(Label(Cond(), 1), QStringLiteral("http://h/s1"));
    Select(Cond(), 2); // the parameter k
    Run(1, XalCmd::Delete);
    EXPECT_EQ(Cond().GetRowCount(), 2);
    view.SetActiveTab(1);
    Select(Cond(), 1);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Delete));
    EXPECT_TRUE(host.m_messages.Texts().isEmpty());
}

// --- Up and Down ---

TEST_F(EditCommands, urls_move_as_blocks_but_never_above_row_0) {
    Load(EditScript());
    view.SetActiveTab(0);
    Select(Main(), 3);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Up));
    Run(0, XalCmd::Down);
    EXPECT_EQ(Label(Main(), 3), QStringLiteral("http://other.org/c"));
    EXPECT_EQ(Label(Main(), 4), QStringLiteral("http://www.example.com/b"));
    EXPECT_EQ(Value(Main(), 5), QStringLiteral("2"));
    EXPECT_TRUE(Main().IsRowSelected(4));
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Down));
    Run(0, XalCmd::Up);
    EXPECT_EQ(Label(Main(), 3), QStringLiteral("http://www.example.com/b"));
    EXPECT_EQ(Main().Row(3).m_cells[0].nImage, GridImage::kURLPost);
    EXPECT_EQ(Label(Main(), 5), QStringLiteral("http://other.org/c"));
    EXPECT_TRUE(Main().Row(3).m_bMerged);
    EXPECT_TRUE(host.m_doc.IsModified());
}

TEST_F(EditCommands, parameters_move_within_their_url) {
    Load(EditScript());
    view.SetActiveTab(0);
    Select(Main(), 1);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Up));
    Run(0, XalCmd::Down);
    EXPECT_EQ(Main().Row(1).m_cells[0].strText, QStringLiteral("q"));
    EXPECT_EQ(Main().Row(2).m_cells[0].strText, QStringLiteral("p"));
    EXPECT_EQ(Main().Record(2).m_strRawValue, QStringLiteral("1"));
    EXPECT_TRUE(Main().IsRowSelected(2));
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Down));
}

TEST_F(EditCommands, conditional_moves_use_the_current_row_and_never_pass_the_condition) {
    Load(EditScript());
    view.SetActiveTab(1);
    Select(Cond(), 1);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Up));
    Select(Cond(), 0);
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Down));
    Select(Cond(), 3);
    Run(1, XalCmd::Up);
    EXPECT_EQ(Label(Cond(), 1), QStringLiteral("http://h/s2"));
    EXPECT_EQ(Cond().Row(1).m_nData, 0x2020u);
    EXPECT_EQ(Label(Cond(), 0), QStringLiteral("http://h/cond"));
    EXPECT_EQ(Cond().GetCurrentRow(), 1);
}

// --- Browser and domain exclusion ---

TEST_F(EditCommands, browser_adds_get_parameters_encoded_and_no_post_ones) {
    Load(EditScript());
    Select(Main(), 2); // a parameter: its URL opens
    Run(0, XalCmd::Browser);
    Select(Main(), 3);
    Run(0, XalCmd::Browser);
    ASSERT_EQ(host.m_shell.m_opened.size(), 2u);
    EXPECT_EQ(host.m_shell.m_opened[0], QStringLiteral("http://www.example.com/a?p=1&q=x%26y"));
    EXPECT_EQ(host.m_shell.m_opened[1], QStringLiteral("http://www.example.com/b"));
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(EditCommands, exclude_domain_hands_over_server_and_domain_pattern) {
    Load(EditScript());
    Select(Main(), 1);
    Run(0, XalCmd::ExcludeDomain);
    Select(Main(), 5);
    Run(0, XalCmd::ExcludeDomain);
    ASSERT_EQ(host.m_exclusions.size(), 2u);
    EXPECT_EQ(host.m_exclusions[0].first, QStringLiteral("www.example.com"));
    EXPECT_EQ(host.m_exclusions[0].second, QStringLiteral(".*example.com.*"));
    // A host with a single dot keeps its first letter.
    EXPECT_EQ(host.m_exclusions[1].second, QStringLiteral(".*other.org.*"));
}
