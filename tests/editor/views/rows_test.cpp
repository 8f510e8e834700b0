// Rows built from an e-script, and the e-script collected back from the rows.

#include "escriptcheck.h"
#include "fakehost.h"
#include "scriptview.h"
#include "subscriptview.h"
#include "xalscripteditview.h"

#include <gtest/gtest.h>

namespace {
constexpr int kOrdinary = 0x40;

CScriptObj SampleScript() {
    CScriptObj script;
    script.m_strID = QStringLiteral("x1");
    script.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("a.example.com"), QStringLiteral("/login"), 0,
                    {Param(QStringLiteral("p"), QStringLiteral("%2541"), 0, kOrdinary),
                     Param(QStringLiteral("u"), QStringLiteral("_XALURL_USER_"), 0, 0x240,
                           QStringLiteral("bob")),
                     Param(QStringLiteral("pw"), QStringLiteral("a%25b"), 0, 0x440,
                           QStringLiteral("secret"))},
                    8080),
                Url(QStringLiteral("b.example.com"), QStringLiteral("/post"), 1,
                    {Param(QStringLiteral("body"), QStringLiteral("a+b"), 1, kOrdinary),
                     Param(QStringLiteral("q"), QStringLiteral("1"), 2, kOrdinary)},
                    443, 1),
                Url(QStringLiteral("a.example.com"), QStringLiteral("/s/_XALURL_0_/x"), 2, {}, 80),
                Url(QStringLiteral("a.example.com"), QStringLiteral("/v"), 0,
                    {Param(QStringLiteral("id"), QStringLiteral("_XALURL_1_"), 0, 0x8040,
                           QStringLiteral("77"))})}));
    script.m_lstScripts.push_back(
        Script(1, QStringLiteral("Login"),
               {Url(QStringLiteral("c.example.com"), QStringLiteral("/start/*"), 0,
                    {Param(QStringLiteral("k"), QStringLiteral("%41"), 0, kOrdinary)}),
                Url(QStringLiteral("c.example.com"), QStringLiteral("/next"), 0,
                    {Param(QStringLiteral("f"), QStringLiteral("_XALURL_1_%41"), 0, 0x8000,
                           QStringLiteral("7A")),
                     Param(QStringLiteral("g"), QStringLiteral("%41"), 0, kOrdinary)})}));
    return script;
}

class Rows : public ::testing::Test {
protected:
    void SetUp() override {
        script = SampleScript();
        view.SetScript(script);
    }
    const CMyTreeGridCtrl& Main() const { return view.GetMainView().Grid(); }
    const CMyTreeGridCtrl& Cond() const { return view.GetTabView(1)->Grid(); }

    CFakeHost host;
    CXALScripEditView view{host, host.m_doc};
    CScriptObj script;
};
} // namespace

TEST_F(Rows, url_rows_show_label_with_port_icon_and_record) {
    const CMyTreeGridCtrl& grid = Main();
    ASSERT_EQ(grid.GetRowCount(), 10);
    EXPECT_EQ(grid.Row(0).m_cells[0].strText, QStringLiteral("http://a.example.com:8080/login"));
    EXPECT_EQ(grid.Row(4).m_cells[0].strText, QStringLiteral("https://b.example.com/post"));
    EXPECT_EQ(grid.Row(7).m_cells[0].strText,
              QStringLiteral("http://a.example.com/s/_XALURL_0_/x"));
    EXPECT_EQ(grid.Row(0).m_cells[0].nImage, 0);
    EXPECT_EQ(grid.Row(4).m_cells[0].nImage, 2);
    EXPECT_EQ(grid.Row(7).m_cells[0].nImage, 4);
    EXPECT_EQ(grid.Row(0).m_nData, RowBits::kURL);
    EXPECT_EQ(grid.Record(0).m_nFlags, 0);
    EXPECT_EQ(grid.Record(7).m_nFlags, kURLFlexibleFlags);
    EXPECT_EQ(grid.Record(0).m_strOrgValue, QStringLiteral("http://a.example.com/login"));
    EXPECT_TRUE(grid.Row(0).m_bMerged);
    EXPECT_TRUE(grid.Row(8).m_bMerged);
    EXPECT_FALSE(grid.Row(1).m_bMerged);
    EXPECT_TRUE(grid.IsRowSelected(0));
    EXPECT_EQ(grid.GetSelectedRowCount(), 1);
    EXPECT_EQ(grid.GetCurrentRow(), 0);
}

TEST_F(Rows, parameter_rows_decode_values_except_logon_variables) {
    const CMyTreeGridCtrl& grid = Main();
    EXPECT_EQ(grid.Row(1).m_cells[1].strText, QStringLiteral("A")); // two rounds
    EXPECT_EQ(grid.Record(1).m_strRawValue, QStringLiteral("%2541"));
    EXPECT_EQ(grid.Record(1).m_strValue, QStringLiteral("A"));
    EXPECT_EQ(grid.Row(2).m_cells[1].strText, QStringLiteral("_XALURL_USER_"));
    EXPECT_EQ(grid.Row(3).m_cells[1].strText, QStringLiteral("a%25b")); // password kept as is
    EXPECT_EQ(grid.Record(2).m_nFlags, 0x240);
    EXPECT_EQ(grid.Record(2).m_strOrgValue, QStringLiteral("bob"));
    EXPECT_EQ(grid.Row(2).m_nData, 0x240u);
    EXPECT_EQ(grid.Row(5).m_cells[1].strText, QStringLiteral("a+b")); // no "%": "+" stays
    EXPECT_EQ(grid.Row(1).m_cells[0].nImage, 1);
    EXPECT_EQ(grid.Row(5).m_cells[0].nImage, 3);
    EXPECT_EQ(grid.Row(6).m_cells[0].nImage, 4);
}

TEST_F(Rows, one_colour_per_server_across_views_and_amber_condition_url) {
    const CMyTreeGridCtrl& grid = Main();
    EXPECT_EQ(grid.Row(0).m_crBackground, 0xF4F2EAu); // first palette entry
    EXPECT_EQ(grid.Row(3).m_crBackground, 0xF4F2EAu);
    EXPECT_EQ(grid.Row(4).m_crBackground, 0xFEF9E9u);
    EXPECT_EQ(grid.Row(7).m_crBackground, 0xF4F2EAu);
    EXPECT_EQ(Cond().Row(0).m_crBackground, kConditionURLColor);
    EXPECT_EQ(Cond().Row(1).m_crBackground, kConditionURLColor);
    EXPECT_EQ(Cond().Row(2).m_crBackground, view.GetServerColor(QStringLiteral("c.example.com")));
    EXPECT_EQ(view.GetServerColor(QStringLiteral("a.example.com")), 0xF4F2EAu);
}

TEST_F(Rows, conditional_rows_carry_marks_flags_and_undecoded_flexible_values) {
    ASSERT_EQ(view.GetTabCount(), 2);
    EXPECT_EQ(view.GetTabCaption(1), QStringLiteral("Conditional script: Login"));
    const CMyTreeGridCtrl& grid = Cond();
    ASSERT_EQ(grid.GetRowCount(), 5);
    EXPECT_EQ(grid.Row(0).m_nData, RowBits::kURL | RowBits::kConditionURL);
    EXPECT_EQ(grid.Row(2).m_nData, RowBits::kURL | RowBits::kScriptURL);
    EXPECT_EQ(grid.Record(0).m_nFlags, static_cast<int>(RowBits::kFlexCondition)); // "*"
    EXPECT_EQ(grid.Record(2).m_nFlags, 0);
    EXPECT_EQ(grid.Row(1).m_cells[1].strText, QStringLiteral("A"));
    EXPECT_EQ(grid.Row(3).m_cells[1].strText, QStringLiteral("_XALURL_1_%41"));
    EXPECT_EQ(grid.Row(4).m_cells[1].strText, QStringLiteral("A"));
    EXPECT_EQ(view.GetActiveTab(), 0); // loading does not switch tabs
}

TEST_F(Rows, conditional_url_flags_never_leak_into_row_bits) {
    CScriptObj again = SampleScript();
    again.m_lstScripts[1].m_lstURLs[1].m_nFlags = kURLFlexibleFlags; // 0x270F
    view.SetScript(again);
    EXPECT_EQ(Cond().Row(2).m_nData, RowBits::kURL | RowBits::kScriptURL);
}

TEST_F(Rows, collected_script_equals_the_loaded_one) {
    CScriptObj out;
    view.GetScriptList(out);
    ASSERT_EQ(out.m_lstScripts.size(), 2u);
    const CSubscriptObj& main = out.m_lstScripts[0];
    const CSubscriptObj& cond = out.m_lstScripts[1];
    EXPECT_EQ(main.m_nKind, 0);
    EXPECT_EQ(cond.m_nKind, 1);
    ASSERT_EQ(main.m_lstURLs.size(), 4u);
    for (std::size_t u = 0; u < main.m_lstURLs.size(); ++u) {
        const CURLObj& got = main.m_lstURLs[u];
        const CURLObj& was = script.m_lstScripts[0].m_lstURLs[u];
        EXPECT_EQ(got.m_strServer, was.m_strServer);
        EXPECT_EQ(got.m_strURL, was.m_strURL);
        EXPECT_EQ(got.m_nMethod, was.m_nMethod);
        EXPECT_EQ(got.m_nInternetProtocol, was.m_nInternetProtocol);
        EXPECT_EQ(got.m_strOrgValue, was.m_strOrgValue);
        ASSERT_EQ(got.m_lstParams.size(), was.m_lstParams.size());
        for (std::size_t p = 0; p < got.m_lstParams.size(); ++p) {
            const CURLParamObj& gp = got.m_lstParams[p];
            const CURLParamObj& wp = was.m_lstParams[p];
            EXPECT_EQ(gp.m_strName, wp.m_strName);
            EXPECT_EQ(gp.m_strRawValue, wp.m_strValue); // stored value comes back undecoded
            EXPECT_EQ(gp.m_strOrgValue, wp.m_strOrgValue);
            EXPECT_EQ(gp.m_nMethod, wp.m_nMethod);
            EXPECT_EQ(gp.m_nSpecialVariable, wp.m_nSpecialVariable | kOrdinary);
        }
    }
    EXPECT_EQ(main.m_lstURLs[0].m_nPort, 8080);
    EXPECT_EQ(main.m_lstURLs[1].m_nPort, 80); // the parser's default when none is named
    EXPECT_EQ(main.m_lstURLs[0].m_lstParams[0].m_strValue, QStringLiteral("A"));
    // Conditional URLs keep their record flags; parameters their record bits.
    EXPECT_EQ(cond.m_strName, QStringLiteral("Login"));
    EXPECT_EQ(cond.m_lstURLs[0].m_nFlags, static_cast<int>(RowBits::kFlexCondition));
    EXPECT_EQ(cond.m_lstURLs[0].m_strURL, QStringLiteral("/start/*"));
    EXPECT_EQ(cond.m_lstURLs[1].m_lstParams[0].m_nSpecialVariable, 0x8000);
    EXPECT_EQ(cond.m_lstURLs[1].m_lstParams[0].m_strRawValue, QStringLiteral("_XALURL_1_%41"));
}

TEST(RowsTaken, an_escript_moved_into_the_view_shows_and_collects_as_a_copied_one) {
    CScriptObj script = SampleScript();
    // Unknown stored fields travel with the rows too: {"x": 7} as BSON.
    const QByteArray baExtra = QByteArray::fromHex("0c0000001078000700000000");
    script.m_lstScripts[0].m_lstURLs[1].m_baExtraFields = baExtra;
    script.m_lstScripts[0].m_lstURLs[1].m_lstParams[0].m_baExtraFields = baExtra;
    script.m_lstScripts[1].m_lstURLs[1].m_lstParams[1].m_baExtraFields = baExtra;
    CFakeHost copyHost;
    CXALScripEditView copied(copyHost, copyHost.m_doc);
    copied.SetScript(script);
    CFakeHost takeHost;
    CXALScripEditView taken(takeHost, takeHost.m_doc);
    CScriptObj given = script;
    taken.SetScript(std::move(given));
    // The view took the URLs: none is held twice.
    for (const CSubscriptObj& subscript : given.m_lstScripts)
        EXPECT_TRUE(subscript.m_lstURLs.empty());

    ASSERT_EQ(taken.GetTabCount(), copied.GetTabCount());
    for (int t = 0; t < taken.GetTabCount(); ++t) {
        const CMyTreeGridCtrl& a = copied.GetTabView(t)->Grid();
        const CMyTreeGridCtrl& b = taken.GetTabView(t)->Grid();
        ASSERT_EQ(a.GetRowCount(), b.GetRowCount());
        EXPECT_EQ(a.GetCurrentRow(), b.GetCurrentRow());
        for (int i = 0; i < a.GetRowCount(); ++i) {
            const CGridRow& x = a.Row(i);
            const CGridRow& y = b.Row(i);
            for (std::size_t c = 0; c < 2; ++c) {
                EXPECT_EQ(x.m_cells[c].strText, y.m_cells[c].strText) << t << '/' << i;
                EXPECT_EQ(x.m_cells[c].nImage, y.m_cells[c].nImage) << t << '/' << i;
            }
            EXPECT_EQ(x.m_nData, y.m_nData) << t << '/' << i;
            EXPECT_EQ(x.m_crBackground, y.m_crBackground) << t << '/' << i;
            EXPECT_EQ(x.m_nRecordCell, y.m_nRecordCell) << t << '/' << i;
            EXPECT_EQ(x.m_bSubRow, y.m_bSubRow) << t << '/' << i;
            EXPECT_EQ(x.m_bMerged, y.m_bMerged) << t << '/' << i;
            EXPECT_EQ(x.m_bSelected, y.m_bSelected) << t << '/' << i;
            const CGridItemRecord& rx = *x.m_pRecord;
            const CGridItemRecord& ry = *y.m_pRecord;
            EXPECT_EQ(rx.m_nFlags, ry.m_nFlags) << t << '/' << i;
            EXPECT_EQ(rx.m_strOrgValue, ry.m_strOrgValue) << t << '/' << i;
            EXPECT_EQ(rx.m_strRawValue, ry.m_strRawValue) << t << '/' << i;
            EXPECT_EQ(rx.m_strValue, ry.m_strValue) << t << '/' << i;
            EXPECT_EQ(rx.m_baExtraFields, ry.m_baExtraFields) << t << '/' << i;
        }
    }
    CScriptObj fromCopied;
    copied.GetScriptList(fromCopied);
    CScriptObj fromTaken;
    taken.GetScriptList(fromTaken);
    EXPECT_EQ(DescribeScript(fromTaken), DescribeScript(fromCopied));
    EXPECT_EQ(CheckRoundTrip(taken), QString());
}

TEST(RowsTaken, texts_shared_between_rows_stay_each_rows_own) {
    // Names at the same place as in the URL before, org values equal to the value and labels
    // equal to the org value are shared while the rows are built; each row must still show
    // and change its own.
    CScriptObj script;
    script.m_lstScripts.push_back(Script(
        0, {},
        {Url(QStringLiteral("h"), QStringLiteral("/a"), 0,
             {Param(QStringLiteral("p"), QStringLiteral("1"), 0, kOrdinary, QStringLiteral("1")),
              Param(QStringLiteral("q"), QStringLiteral("2"), 0, kOrdinary)}),
         Url(QStringLiteral("h"), QStringLiteral("/b"), 0,
             {Param(QStringLiteral("q"), QStringLiteral("3"), 0, kOrdinary),
              Param(QStringLiteral("p"), QStringLiteral("4"), 0, kOrdinary, QStringLiteral("x"))}),
         Url(QStringLiteral("h"), QStringLiteral("/c"), 0,
             {Param(QStringLiteral("q"), QStringLiteral("5"), 0, kOrdinary),
              Param(QStringLiteral("p"), QStringLiteral("6"), 0, kOrdinary),
              Param(QStringLiteral("r"), QStringLiteral("7"), 0, kOrdinary)})}));
    CFakeHost host;
    CXALScripEditView view(host, host.m_doc);
    view.SetScript(std::move(script));
    CMyTreeGridCtrl& grid = view.GetMainView().Grid();
    QStringList names;
    for (int i = 0; i < grid.GetRowCount(); ++i)
        names.append(grid.Row(i).m_cells[0].strText);
    EXPECT_EQ(names.join(u' '), QStringLiteral("http://h/a p q http://h/b q p http://h/c q p r"));
    EXPECT_EQ(grid.Record(0).m_strOrgValue, QStringLiteral("http://h/a"));
    EXPECT_EQ(grid.Record(1).m_strOrgValue, QStringLiteral("1"));
    EXPECT_EQ(grid.Record(5).m_strOrgValue, QStringLiteral("x"));
    // Changing one shared text leaves the others as they were.
    grid.Row(7).m_cells[0].strText[0] = u'z';
    grid.Record(1).m_strRawValue[0] = u'9';
    grid.Record(0).m_strOrgValue[0] = u'H';
    EXPECT_EQ(grid.Row(4).m_cells[0].strText, QStringLiteral("q"));
    EXPECT_EQ(grid.Row(7).m_cells[0].strText, QStringLiteral("z"));
    EXPECT_EQ(grid.Record(1).m_strOrgValue, QStringLiteral("1"));
    EXPECT_EQ(grid.Row(0).m_cells[0].strText, QStringLiteral("http://h/a"));
}

TEST_F(Rows, collect_fills_root_logon_and_flexible_parameters_once) {
    CScriptObj out;
    out.m_strLogonPW = QStringLiteral("preset");
    view.GetScriptList(out);
    EXPECT_EQ(out.m_strRootURL,
              QStringLiteral("http://a.example.com:8080/login?p=A&u=_XALURL_USER_&pw=a%25b"));
    EXPECT_EQ(out.m_strLogonUser, QStringLiteral("bob"));
    EXPECT_EQ(out.m_strLogonPW, QStringLiteral("preset")); // caller's value is kept
    // One entry per distinct stored value, across the main and the conditional script.
    ASSERT_EQ(out.m_lstURLParameter.size(), 3u);
    EXPECT_EQ(out.m_lstURLParameter[0].m_strReplace, QStringLiteral("_XALURL_0_"));
    EXPECT_EQ(out.m_lstURLParameter[0].m_strFind, QStringLiteral("/s/"));
    EXPECT_EQ(out.m_lstURLParameter[0].m_nNoEqualSign, 1);
    EXPECT_EQ(out.m_lstURLParameter[1].m_strFind, QStringLiteral("id"));
    EXPECT_EQ(out.m_lstURLParameter[1].m_strReplace, QStringLiteral("_XALURL_1_"));
    EXPECT_EQ(out.m_lstURLParameter[1].m_nNoEqualSign, 0);
    EXPECT_EQ(out.m_lstURLParameter[2].m_strFind, QStringLiteral("f"));
    EXPECT_EQ(out.m_lstURLParameter[2].m_strReplace, QStringLiteral("_XALURL_1_%41"));
    EXPECT_EQ(out.m_strID, QStringLiteral("x1"));
}

TEST_F(Rows, view_values_override_and_domains_are_appended) {
    view.Document().SetLogon(QStringLiteral("alice"), QString());
    view.Document().SetDomains({QStringLiteral(".example.com")});
    CScriptObj out;
    out.m_lstDomain = {QStringLiteral("keep")};
    view.GetScriptList(out);
    EXPECT_EQ(out.m_strLogonUser, QStringLiteral("alice"));
    EXPECT_EQ(out.m_lstDomain,
              (QStringList{QStringLiteral("keep"), QStringLiteral(".example.com")}));
}

TEST_F(Rows, collect_raises_the_flexible_count_above_numbers_in_use) {
    CScriptObj noList = SampleScript();
    noList.m_lstScripts[0].m_lstURLs[3].m_lstParams[0].m_strValue = QStringLiteral("_XALURL_5_");
    view.SetScript(noList);
    EXPECT_EQ(view.Document().FlexibleCount(), 0);
    CScriptObj out;
    view.GetScriptList(out);
    EXPECT_EQ(view.Document().FlexibleCount(), 6);
    view.NoteFlexibleNumber(QStringLiteral("_XALURL_USER_"));
    view.NoteFlexibleNumber(QStringLiteral("_XALURL_2_"));
    EXPECT_EQ(view.Document().FlexibleCount(), 6);
}

TEST_F(Rows, url_with_query_takes_only_parameters_that_travel_in_the_url) {
    CScriptObj s;
    s.m_lstScripts.push_back(Script(0, {},
                                    {Url(QStringLiteral("h"), QStringLiteral("/p"), 1,
                                         {Param(QStringLiteral("a"), QStringLiteral("1"), 2),
                                          Param(QStringLiteral("body"), QStringLiteral("x"), 1),
                                          Param(QString(), QStringLiteral("y"), 2),
                                          Param(QStringLiteral("b"), QStringLiteral("%41"), 0)}),
                                     Url(QStringLiteral("h"), QStringLiteral("/q"))}));
    view.SetScript(s);
    EXPECT_EQ(view.GetMainView().GetURLWithQuery(0), QStringLiteral("http://h/p?a=1&b=A"));
    EXPECT_EQ(view.GetMainView().GetURLWithQuery(5), QStringLiteral("http://h/q"));
    EXPECT_EQ(view.GetMainView().GetURLWithQuery(1), QString()); // not a URL row

    // An address that already carries a query goes on with "&", in the root URL as well.
    s.m_lstScripts[0].m_lstURLs[0].m_strURL = QStringLiteral("/p?x=0");
    view.SetScript(s);
    EXPECT_EQ(view.GetMainView().GetURLWithQuery(0), QStringLiteral("http://h/p?x=0&a=1&b=A"));
    CScriptObj collected;
    view.GetScriptList(collected);
    EXPECT_EQ(collected.m_strRootURL, QStringLiteral("http://h/p?x=0&a=1&body=x&b=A"));
}

TEST_F(Rows, collecting_rows_split_gives_the_first_url_a_twin) {
    CScriptObj s;
    s.m_lstScripts.push_back(
        Script(0, {},
               {Url(QStringLiteral("h"), QStringLiteral("/1")),
                Url(QStringLiteral("h"), QStringLiteral("/2"), 0,
                    {Param(QStringLiteral("a"), QStringLiteral("_XALURL_4_"), 0, 0x8040)}),
                Url(QStringLiteral("h"), QStringLiteral("/3")),
                Url(QStringLiteral("h"), QStringLiteral("/4"))}));
    view.SetScript(s);
    CSubscriptObj split;
    view.GetMainView().CollectRows(2, false, true, split); // from a parameter row of URL 2
    ASSERT_EQ(split.m_lstURLs.size(), 4u);
    EXPECT_EQ(split.m_lstURLs[0].m_strURL, QStringLiteral("/2"));
    EXPECT_EQ(split.m_lstURLs[0].m_nFlags, kSplitCondition);
    EXPECT_EQ(split.m_lstURLs[1].m_strURL, QStringLiteral("/2"));
    EXPECT_EQ(split.m_lstURLs[1].m_nFlags, kSplitScript);
    EXPECT_EQ(split.m_lstURLs[3].m_nFlags, kSplitScript);
    ASSERT_EQ(split.m_lstURLs[1].m_lstParams.size(), 1u);
    EXPECT_EQ(split.m_lstURLs[0].m_lstParams[0].m_strValue, QStringLiteral("_XALURL_4_"));
    EXPECT_EQ(view.Document().FlexibleCount(), 5);

    CSubscriptObj single;
    view.GetMainView().CollectRows(3, true, false, single);
    ASSERT_EQ(single.m_lstURLs.size(), 1u);
    EXPECT_EQ(single.m_lstURLs[0].m_nFlags, 0);

    // A script created from a split fills a conditional tab with its marks.
    view.AddConditionalTab(QStringLiteral("New"), split);
    EXPECT_EQ(view.GetActiveTab(), 1);
    const CMyTreeGridCtrl& grid = view.GetTabView(1)->Grid();
    EXPECT_EQ(grid.Row(0).m_nData, RowBits::kURL | RowBits::kConditionURL);
    EXPECT_EQ(grid.Row(2).m_nData, RowBits::kURL | RowBits::kScriptURL);
}

TEST(LabelSplit, labels_the_parser_refuses_keep_server_address_and_port) {
    const CLabelParts parts = SplitLabel(QStringLiteral("http://*.example.com:81/a/*"));
    EXPECT_EQ(parts.strServer, QStringLiteral("*.example.com"));
    EXPECT_EQ(parts.strAddress, QStringLiteral("/a/*"));
    EXPECT_EQ(parts.nPort, 81);
    const CLabelParts plain = SplitLabel(QStringLiteral("https://h.example.com/x?y=1"));
    EXPECT_EQ(plain.strServer, QStringLiteral("h.example.com"));
    EXPECT_EQ(plain.strAddress, QStringLiteral("/x?y=1"));
    EXPECT_EQ(plain.nPort, 80);
}

TEST(PlaceholderNumbers, read_after_the_prefix) {
    EXPECT_EQ(PlaceholderNumber(QStringLiteral("a/_XALURL_12_/b")), 12);
    EXPECT_EQ(PlaceholderNumber(QStringLiteral("_XALURL_USER_")), -1);
    EXPECT_EQ(PlaceholderNumber(QStringLiteral("plain")), -1);
    EXPECT_EQ(PlaceholderNumber(QStringLiteral("_XALURL_99999999999999_")), -1);
}

TEST_F(Rows, recorded_urls_are_appended_with_their_parameters) {
    view.SetActiveTab(1);
    const int before = Main().GetRowCount();
    view.OnRecordedURLs(
        {{QStringLiteral("https://r.example.com:8443/p?x=%2541&y=2"), {}, 0},
         {QStringLiteral("not a url"), {}, 0},
         {QStringLiteral("http://s.example.com/form?q=1"), QStringLiteral("u=1&&v"), 1}});
    EXPECT_EQ(view.GetActiveTab(), 0);
    const CMyTreeGridCtrl& grid = Main();
    ASSERT_EQ(grid.GetRowCount(), before + 6);
    const int r = before;
    EXPECT_EQ(grid.Row(r).m_cells[0].strText, QStringLiteral("https://r.example.com:8443/p"));
    EXPECT_EQ(grid.Row(r).m_cells[0].nImage, 0);
    EXPECT_EQ(grid.Record(r).m_strOrgValue, QStringLiteral("https://r.example.com:8443/p"));
    EXPECT_EQ(grid.Row(r + 1).m_cells[1].strText, QStringLiteral("A"));
    EXPECT_EQ(grid.Record(r + 1).m_strRawValue, QStringLiteral("%2541"));
    EXPECT_EQ(grid.Record(r + 1).m_strOrgValue, QStringLiteral("%2541"));
    EXPECT_EQ(grid.Record(r + 1).m_nFlags, 0x40);
    EXPECT_EQ(grid.Row(r + 3).m_cells[0].strText, QStringLiteral("http://s.example.com/form"));
    EXPECT_EQ(grid.Row(r + 3).m_cells[0].nImage, 2);
    EXPECT_EQ(grid.Row(r + 4).m_cells[0].nImage, 4); // query of a POST URL
    EXPECT_EQ(grid.Row(r + 5).m_cells[0].strText, QStringLiteral("u"));
    EXPECT_EQ(grid.Row(r + 5).m_cells[0].nImage, 3);
    EXPECT_TRUE(grid.Row(r + 3).m_bMerged);
    EXPECT_EQ(grid.GetSelectedRowCount(), 1);
    EXPECT_TRUE(grid.IsRowSelected(r + 5));
    EXPECT_TRUE(view.Document().AvailableDomains().contains(QStringLiteral("s.example.com")));
    // Collected again, the recorded URLs keep protocol, port and method.
    CScriptObj out;
    view.GetScriptList(out);
    const CURLObj& recorded = out.m_lstScripts[0].m_lstURLs[4];
    EXPECT_EQ(recorded.m_nInternetProtocol, 1);
    EXPECT_EQ(recorded.m_nPort, 8443);
    EXPECT_EQ(recorded.m_strURL, QStringLiteral("/p"));
    EXPECT_EQ(out.m_lstScripts[0].m_lstURLs[5].m_lstParams[1].m_nMethod, 1);
}
