// Cut, Copy and Paste of URL blocks: the text format both ways, where pasted URLs go, what
// text without a URL does, and that each is one undo step.

#include "clipboardurls.h"
#include "commandids.h"
#include "escriptcheck.h"
#include "fakehost.h"
#include "scriptview.h"
#include "undohistory.h"
#include "xalscripteditdoc.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
CScriptObj Sample() {
    CScriptObj script;
    CFindReplaceObj flex;
    flex.m_strFind = QStringLiteral("id");
    flex.m_strReplace = QStringLiteral("_XALURL_0_");
    script.m_lstURLParameter = {flex};
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("a.example.com"), QStringLiteral("/start"), 0,
                    {Param(QStringLiteral("x"), QStringLiteral("1"), 0, 0x40),
                     Param(QStringLiteral("q"), QStringLiteral("a%20b"), 0, 0x40)},
                    8080),
                Url(QStringLiteral("b.example.com"), QStringLiteral("/login"), 1,
                    {Param(QStringLiteral("lang"), QStringLiteral("de"), 2, 0x40),
                     Param(QStringLiteral("user"), QStringLiteral("ann"), 1, 0x40),
                     Param(QStringLiteral("pw"), QStringLiteral("p&w"), 1, 0x40)},
                    0, 1),
                Url(QStringLiteral("a.example.com"), QStringLiteral("/r/_XALURL_0_"))}));
    return script;
}

class Clipboard : public ::testing::Test {
protected:
    void SetUp() override {
        view.SetScript(Sample());
        host.m_doc.SetModified(false);
    }
    CMyTreeGridCtrl& Grid() { return view.GetMainView().Grid(); }
    CUndoHistory& History() { return view.History(); }
    void Select(std::initializer_list<int> rows) {
        Grid().DeselectAllRows();
        for (const int row : rows)
            Grid().SelectRow(row);
    }
    QString Collect() {
        CScriptObj script;
        view.GetScriptList(script);
        return DescribeScript(script);
    }
    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
};
} // namespace

TEST_F(Clipboard, copy_writes_one_url_a_line_with_post_parameters_after_a_tab) {
    Select({1, 3}); // a parameter of the first URL and the second URL itself
    ASSERT_TRUE(view.IsCommandEnabled(XalCmd::Copy));
    view.OnCommand(XalCmd::Copy);
    EXPECT_EQ(host.m_shell.m_clipboard.value_or(QString()),
              QStringLiteral("http://a.example.com:8080/start?x=1&q=a%20b\n"
                             "https://b.example.com/login?lang=de\tuser=ann&pw=p%26w\n"));
    EXPECT_EQ(History().StepCount(), 0);
}

TEST_F(Clipboard, copied_blocks_paste_back_as_the_same_rows) {
    Select({0, 3});
    view.OnCommand(XalCmd::Copy);
    CFakeHost other;
    CXALScripEditView target(other, other.m_doc);
    CScriptObj single;
    single.m_lstScripts.push_back(
        Script(0, {}, {Url(QStringLiteral("c.example.com"), QStringLiteral("/"))}));
    target.SetScript(single);
    other.m_shell.m_clipboard = host.m_shell.m_clipboard;
    target.OnCommand(XalCmd::Paste);
    const CMyTreeGridCtrl& pasted = target.GetMainView().Grid();
    ASSERT_EQ(pasted.GetRowCount(), 1 + 3 + 4);
    for (int i = 0; i < 7; ++i) {
        const CGridRow& a = Grid().Row(i);
        const CGridRow& b = pasted.Row(1 + i);
        EXPECT_EQ(b.m_cells[0].strText, a.m_cells[0].strText) << i;
        EXPECT_EQ(b.m_cells[0].nImage, a.m_cells[0].nImage) << i;
        EXPECT_EQ(b.m_cells[1].strText, a.m_cells[1].strText) << i;
        // "&" travels encoded; everything else as stored.
        if (i != 6) {
            EXPECT_EQ(b.m_pRecord->m_strRawValue, a.m_pRecord->m_strRawValue) << i;
        }
        EXPECT_EQ(b.m_nData, a.m_nData) << i;
    }
    EXPECT_TRUE(other.m_doc.AvailableDomains().contains(QStringLiteral("b.example.com")));
    EXPECT_TRUE(pasted.IsRowSelected(1));
}

TEST_F(Clipboard, paste_goes_after_the_current_url_and_is_one_step) {
    Select({1});
    host.m_shell.m_clipboard =
        QStringLiteral("new.example.com/n?k=%C3%BC\r\n\nhttp://n2.example.com/");
    view.OnCommand(XalCmd::Paste);
    ASSERT_EQ(Grid().GetRowCount(), 8 + 3);
    EXPECT_EQ(Grid().Row(3).m_cells[0].strText, QStringLiteral("http://new.example.com/n"));
    EXPECT_EQ(Grid().Row(4).m_cells[1].strText, QStringLiteral("ü"));
    EXPECT_EQ(Grid().Row(4).m_pRecord->m_strRawValue, QStringLiteral("%C3%BC"));
    EXPECT_EQ(Grid().Row(4).m_nData, 0x40u);
    EXPECT_EQ(Grid().Row(5).m_cells[0].strText, QStringLiteral("http://n2.example.com/"));
    EXPECT_TRUE(Grid().Row(3).m_bMerged);
    EXPECT_TRUE(host.m_doc.IsModified());
    EXPECT_EQ(History().StepCount(), 1);
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Grid().GetRowCount(), 8);
    EXPECT_FALSE(host.m_doc.AvailableDomains().contains(QStringLiteral("new.example.com")));
}

TEST_F(Clipboard, text_without_a_url_tells_so_and_changes_nothing) {
    const QString before = Collect();
    host.m_shell.m_clipboard = QStringLiteral("no url here\n\t\n");
    view.OnCommand(XalCmd::Paste);
    ASSERT_EQ(host.m_messages.Texts().size(), 1);
    EXPECT_EQ(host.m_messages.Texts().front(),
              QStringLiteral("The clipboard holds no URL to paste. Paste takes one complete URL a "
                             "line."));
    host.m_shell.m_clipboard = QStringLiteral("http://a.example.com/_XALURL_0_/x");
    view.OnCommand(XalCmd::Paste);
    ASSERT_EQ(host.m_messages.Texts().size(), 2);
    EXPECT_TRUE(host.m_messages.Texts().back().startsWith(
        QStringLiteral("An internal XAL URL parameter ('_XALURL_') cannot be entered here.")));
    host.m_shell.m_clipboard.reset();
    view.OnCommand(XalCmd::Paste);
    EXPECT_EQ(History().StepCount(), 0);
    EXPECT_EQ(Collect(), before);
    EXPECT_FALSE(host.m_doc.IsModified());
}

TEST_F(Clipboard, lines_without_a_url_are_left_out_and_named) {
    host.m_shell.m_clipboard = QStringLiteral("http://ok.example.com/a\nnot a url at all");
    view.OnCommand(XalCmd::Paste);
    EXPECT_EQ(Grid().GetRowCount(), 9);
    ASSERT_EQ(host.m_messages.Texts().size(), 1);
    EXPECT_TRUE(host.m_messages.Texts().front().contains(QStringLiteral("not a url at all")));
}

TEST_F(Clipboard, cut_copies_and_deletes_the_blocks_but_the_first_url_in_one_step) {
    const QString before = Collect();
    Select({0, 7});
    ASSERT_TRUE(view.IsCommandEnabled(XalCmd::Cut));
    view.OnCommand(XalCmd::Cut);
    EXPECT_EQ(host.m_shell.m_clipboard.value_or(QString()),
              QStringLiteral("http://a.example.com:8080/start?x=1&q=a%20b\n"
                             "http://a.example.com/r/_XALURL_0_\n"));
    ASSERT_EQ(Grid().GetRowCount(), 7);
    // The placeholder no row shows any more is released.
    EXPECT_EQ(host.m_doc.FlexibleCount(), 0);
    EXPECT_TRUE(host.m_doc.FlexibleParameters().empty());
    EXPECT_EQ(History().StepCount(), 1);
    view.OnCommand(XalCmd::Undo);
    EXPECT_EQ(Collect(), before);

    Select({0});
    EXPECT_TRUE(view.IsCommandEnabled(XalCmd::Copy));
    EXPECT_FALSE(view.IsCommandEnabled(XalCmd::Cut)) << "the first URL stays";
}

TEST(ClipboardText, post_urls_keep_their_method_and_blank_lines_are_skipped) {
    const CClipboardURLs urls = URLsFromClipboardText(
        QStringLiteral("https://h.example.com:8443/p?a=1\tb=2&c=%26\n\nftp://f.example.com/x\t\n"));
    ASSERT_EQ(urls.urls.size(), 2u);
    const CURLObj& post = urls.urls[0];
    EXPECT_EQ(post.m_strServer, QStringLiteral("h.example.com:8443"));
    EXPECT_EQ(post.m_nInternetProtocol, 1);
    EXPECT_EQ(post.m_nMethod, 1);
    ASSERT_EQ(post.m_lstParams.size(), 3u);
    EXPECT_EQ(post.m_lstParams[0].m_nMethod, 2);
    EXPECT_EQ(post.m_lstParams[1].m_nMethod, 1);
    EXPECT_EQ(post.m_lstParams[2].m_strValue, QStringLiteral("%26"));
    EXPECT_EQ(post.m_lstParams[2].m_nSpecialVariable, 0x40);
    EXPECT_EQ(urls.urls[1].m_nMethod, 1);
    EXPECT_TRUE(urls.refused.isEmpty());
}
