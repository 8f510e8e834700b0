// The e-script objects: comparison used to detect edits, query texts, defaults, server colours.
#include "admtools.h"
#include "scriptmodel.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

CURLParamObj Param(const char* name, const char* value) {
    CURLParamObj p;
    p.m_strName = QString::fromUtf8(name);
    p.m_strValue = QString::fromUtf8(value);
    return p;
}

CURLObj Url(const char* address, std::vector<CURLParamObj> params) {
    CURLObj u;
    u.m_strURL = QString::fromUtf8(address);
    u.m_strServer = QStringLiteral("host.example.com");
    u.m_lstParams = std::move(params);
    return u;
}

CSubscriptObj Script(std::vector<CURLObj> urls) {
    CSubscriptObj s;
    s.m_strName = QStringLiteral("Cond");
    s.m_lstURLs = std::move(urls);
    return s;
}

} // namespace

TEST(ScriptComparison, parameter_order_and_contents_matter) {
    const CSubscriptObj before = Script({Url("/a", {Param("x", "1"), Param("y", "2")})});
    EXPECT_TRUE(before.IsEqual(before));

    CSubscriptObj reordered = Script({Url("/a", {Param("y", "2"), Param("x", "1")})});
    EXPECT_FALSE(before.IsEqual(reordered));

    CSubscriptObj orgChanged = before;
    orgChanged.m_lstURLs[0].m_lstParams[1].m_strOrgValue = QStringLiteral("old");
    EXPECT_FALSE(before.IsEqual(orgChanged));

    CSubscriptObj bitsChanged = before;
    bitsChanged.m_lstURLs[0].m_lstParams[0].m_nSpecialVariable = 0x8000;
    EXPECT_FALSE(before.IsEqual(bitsChanged));

    CSubscriptObj paramAdded = before;
    paramAdded.m_lstURLs[0].m_lstParams.push_back(Param("z", ""));
    EXPECT_FALSE(before.IsEqual(paramAdded));
}

TEST(ScriptComparison, names_compare_case_sensitively) {
    const CSubscriptObj a = Script({});
    CSubscriptObj b = a;
    b.m_strName = QStringLiteral("cond");
    EXPECT_FALSE(a.IsEqual(b));
}

TEST(ScriptComparison, port_multipart_and_original_url_do_not_count) {
    const CSubscriptObj before = Script({Url("/a", {Param("x", "1")})});
    CSubscriptObj after = before;
    after.m_lstURLs[0].m_nPort = 8080;
    after.m_lstURLs[0].m_bSendAsMultipartMime = true;
    after.m_lstURLs[0].m_strOrgValue = QStringLiteral("http://elsewhere/a");
    EXPECT_TRUE(before.IsEqual(after));

    after.m_lstURLs[0].m_nFlags = 9999;
    EXPECT_FALSE(before.IsEqual(after));
    after = before;
    after.m_lstURLs[0].m_nInternetProtocol = kProtocolHttps;
    EXPECT_FALSE(before.IsEqual(after));
    after = before;
    after.m_lstURLs[0].m_strServer = QStringLiteral("HOST.example.com");
    EXPECT_FALSE(before.IsEqual(after));
}

TEST(ScriptQueryText, first_url_with_query_keeps_empty_values) {
    EXPECT_EQ(Script({}).GetFirstURLWithQuery(), QString());
    EXPECT_EQ(Script({Url("/start", {})}).GetFirstURLWithQuery(), QStringLiteral("/start"));
    const CSubscriptObj s =
        Script({Url("/start", {Param("a", "1"), Param("b", "")}), Url("/next", {Param("c", "3")})});
    EXPECT_EQ(s.GetFirstURLWithQuery(), QStringLiteral("/start?a=1&b="));
    EXPECT_EQ(s.m_lstURLs[0].GetParameterText(), QStringLiteral("a=1&b="));
    EXPECT_EQ(s.m_lstURLs[1].GetParameterText(), QStringLiteral("c=3"));
    EXPECT_EQ(Url("/x", {}).GetParameterText(), QString());
}

TEST(ScriptOwnership, clear_empties_and_copies_are_independent) {
    CSubscriptObj s = Script({Url("/a", {Param("x", "1")})});
    CSubscriptObj copy = s;
    copy.m_lstURLs[0].m_lstParams[0].m_strValue = QStringLiteral("changed");
    EXPECT_EQ(s.m_lstURLs[0].m_lstParams[0].m_strValue, QStringLiteral("1"));
    s.Clear();
    EXPECT_TRUE(s.m_lstURLs.empty());

    CScriptObj script;
    script.m_strID = QStringLiteral("id");
    script.m_nPort = 8080;
    script.m_lstScripts.push_back(copy);
    script.Clear();
    EXPECT_TRUE(script.m_strID.isEmpty());
    EXPECT_EQ(script.m_nPort, 0);
    EXPECT_TRUE(script.m_lstScripts.empty());
}

TEST(TestAddData, defaults_mark_fields_as_never_filled) {
    const CTestAddData d;
    EXPECT_EQ(d.m_llLogonType, -1);
    EXPECT_EQ(d.m_nLogonOnlyOnce, -1);
    EXPECT_EQ(d.m_llAjaxUserType, -1);
    EXPECT_EQ(d.m_llAjaxPwdType, -1);
    EXPECT_EQ(d.m_llAjaxSubmitType, -1);
    EXPECT_EQ(d.m_llKernel, 3);
    EXPECT_EQ(d.m_llPort, 80);
    EXPECT_FALSE(d.m_bAllowInvalidCertificates);
    EXPECT_EQ(CServerColorObj().m_crColor, 0xFFFFFFu);
}

TEST(ServerColors, new_servers_walk_the_palette_and_wrap_after_twenty) {
    std::vector<CServerColorObj> list;
    int counter = -1;
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("s0"), list, counter), 0xF4F2EAu);
    EXPECT_EQ(counter, 0);
    for (int i = 1; i < 20; ++i)
        CAdmTools::GetServerColor(QStringLiteral("s%1").arg(i), list, counter);
    EXPECT_EQ(list.back().m_crColor, 0xFBEBE3u);
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("s20"), list, counter), 0xF4F2EAu);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("s21"), list, counter), 0xFEF9E9u);
    EXPECT_EQ(list.size(), 22u);
}

TEST(ServerColors, known_server_keeps_its_colour_and_case_matters) {
    std::vector<CServerColorObj> list;
    int counter = -1;
    const COLORREF first = CAdmTools::GetServerColor(QStringLiteral("a.com"), list, counter);
    for (int i = 0; i < 45; ++i)
        CAdmTools::GetServerColor(QStringLiteral("other%1").arg(i), list, counter);
    const int counterBefore = counter;
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("a.com"), list, counter), first);
    EXPECT_EQ(counter, counterBefore);
    CAdmTools::GetServerColor(QStringLiteral("A.com"), list, counter);
    EXPECT_EQ(list.size(), 47u);
}

TEST(ServerColors, out_of_range_counter_starts_over) {
    std::vector<CServerColorObj> list;
    int counter = 1000;
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("x"), list, counter), 0xF4F2EAu);
    counter = -7;
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("y"), list, counter), 0xF4F2EAu);
    counter = std::numeric_limits<int>::max(); // must not overflow on the way
    EXPECT_EQ(CAdmTools::GetServerColor(QStringLiteral("z"), list, counter), 0xF4F2EAu);
    EXPECT_EQ(counter, 0);
}
