// Protocol prefixes, the URL parser and the splitting of URLs into servers, domains, parameters
// and pieces.
#include "admtools.h"
#include "urlparser.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TEST(ProtocolRules, index_needs_more_than_seven_characters_and_ignores_case) {
    EXPECT_EQ(CAdmTools::GetProtocolIndex(S("HTTPS://x.com/")), 1);
    EXPECT_EQ(CAdmTools::GetProtocolIndex(S("Ftp://server")), 2);
    EXPECT_EQ(CAdmTools::GetProtocolIndex(S("ftp://x")), 0); // seven characters
    EXPECT_EQ(CAdmTools::GetProtocolIndex(S("http://x.com")), 0);
    EXPECT_EQ(CAdmTools::GetProtocolIndex(S("www.x.com/https://")), 0);
}

TEST(ProtocolRules, has_protocol_ignores_case_but_keeps_length_rules) {
    EXPECT_TRUE(CAdmTools::HasProtocol(S("HTTPS://x.com/")));
    EXPECT_TRUE(CAdmTools::HasProtocol(S("Http://x")));
    EXPECT_TRUE(CAdmTools::HasProtocol(S("http://")));
    EXPECT_FALSE(CAdmTools::HasProtocol(S("ftp://x")));
    EXPECT_TRUE(CAdmTools::HasProtocol(S("ftp://xy")));
    EXPECT_FALSE(CAdmTools::HasProtocol(S("https:/")));
    EXPECT_FALSE(CAdmTools::HasProtocol(S("www.x.com")));
    EXPECT_FALSE(CAdmTools::HasProtocol(QString()));
}

TEST(ProtocolRules, ensure_protocol_adds_http_only_where_missing) {
    QString seven = S("abc.com");
    CAdmTools::EnsureProtocol(seven);
    EXPECT_EQ(seven, S("abc.com"));
    QString eight = S("abcd.com");
    CAdmTools::EnsureProtocol(eight);
    EXPECT_EQ(eight, S("http://abcd.com"));
    for (const char* has : {"HTTP://host/x", "https://host/", "FTP://files/a"}) {
        QString url = S(has);
        CAdmTools::EnsureProtocol(url);
        EXPECT_EQ(url, S(has));
    }
}

TEST(ProtocolRules, prefixes_stripping_port_suffixes_and_method_names) {
    EXPECT_EQ(CAdmTools::GetProtocolPrefix(S("h.com"), 1), S("https://h.com"));
    EXPECT_EQ(CAdmTools::GetProtocolPrefix(S("h.com"), 2), S("ftp://h.com"));
    EXPECT_EQ(CAdmTools::GetProtocolPrefix(S("h.com"), 3), QString());
    EXPECT_EQ(CAdmTools::GetProtocolPrefix(S("h.com"), -1), QString());

    EXPECT_EQ(CAdmTools::StripProtocol(S("http://a/http://b"), kServiceHttp), S("a/b"));
    EXPECT_EQ(CAdmTools::StripProtocol(S("https://a/x"), kServiceHttp), S("https://a/x"));
    EXPECT_EQ(CAdmTools::StripProtocol(S("https://a/x"), kServiceHttps), S("a/x"));
    EXPECT_EQ(CAdmTools::StripProtocol(S("ftp://a/x"), 2), S("ftp://a/x"));

    EXPECT_EQ(CAdmTools::GetPortSuffix(0), QString());
    EXPECT_EQ(CAdmTools::GetPortSuffix(80), QString());
    EXPECT_EQ(CAdmTools::GetPortSuffix(443), QString());
    EXPECT_EQ(CAdmTools::GetPortSuffix(8443), S(":8443"));

    EXPECT_EQ(CAdmTools::GetMethodName(S("0")), S("GET"));
    EXPECT_EQ(CAdmTools::GetMethodName(S("1")), S("POST"));
    EXPECT_EQ(CAdmTools::GetMethodName(S("2")), QString());
    EXPECT_EQ(CAdmTools::GetMethodName(S("01")), QString());
}

TEST(URLParser, service_server_object_and_port) {
    XalParsedURL p;
    p.port = 80;
    ASSERT_TRUE(XalParseURL(S("HTTPS://user:pw@Host.Example.com:8443/a/b?x=1#f"), p));
    EXPECT_EQ(p.service, kServiceHttps);
    EXPECT_EQ(p.server, S("Host.Example.com"));
    EXPECT_EQ(p.object, S("/a/b?x=1#f"));
    EXPECT_EQ(p.port, 8443);

    XalParsedURL q;
    q.port = 80;
    ASSERT_TRUE(XalParseURL(S("https://secure.example.com?a=1"), q));
    EXPECT_EQ(q.port, 80); // none named: the caller's value stays
    EXPECT_EQ(q.object, S("/?a=1"));

    XalParsedURL v6;
    ASSERT_TRUE(XalParseURL(S("ftp://[::1]:21"), v6));
    EXPECT_EQ(v6.service, kServiceFtp);
    EXPECT_EQ(v6.server, S("[::1]"));
    EXPECT_EQ(v6.port, 21);
    EXPECT_EQ(v6.object, S("/"));
}

TEST(URLParser, rejects_unknown_schemes_missing_hosts_and_bad_ports) {
    for (const char* bad : {"", "www.example.com/x", "mailto:a@b", "file:///etc/passwd", "http://",
                            "http:///path", "http://:80/", "http://h:8o/", "http://h:65536/",
                            "http://h:99999999999999999999/", "http://[::1/"}) {
        XalParsedURL p;
        p.port = 7;
        EXPECT_FALSE(XalParseURL(S(bad), p)) << bad;
        EXPECT_EQ(p.port, 7) << bad;
        EXPECT_TRUE(p.server.isEmpty()) << bad;
    }
}

TEST(URLSplitting, server_address_before_and_domain) {
    EXPECT_EQ(CAdmTools::GetServer(S("http://www.a.com:81/x")), S("www.a.com"));
    EXPECT_EQ(CAdmTools::GetServer(S("no url")), QString());

    const QString url = S("http://h.com/shop/_XALURL_3_/item?id=1");
    EXPECT_EQ(CAdmTools::GetAddressBefore(url, S("_XALURL_3_")), S("/shop/"));
    EXPECT_EQ(CAdmTools::GetAddressBefore(url, S("missing")), QString());
    EXPECT_EQ(CAdmTools::GetAddressBefore(S("h.com/shop"), S("shop")), QString());

    EXPECT_EQ(CAdmTools::GetDomain(S("http://example.com/x")), S("example.com"));
    EXPECT_EQ(CAdmTools::GetDomain(S("http://www.example.com/x")), S(".example.com"));
    EXPECT_EQ(CAdmTools::GetDomain(S("https://a.b.example.co.uk")), S(".b.example.co.uk"));
    EXPECT_EQ(CAdmTools::GetDomain(S("http://localhost:8080/")), S("localhost"));
    EXPECT_EQ(CAdmTools::GetDomain(S("http://10.1.2.3/")), S("10.1.2.3"));
    EXPECT_EQ(CAdmTools::GetDomain(S("example.com")), QString());
}

TEST(ParameterParsing, skips_empty_and_name_only_pieces_and_sets_methods) {
    std::vector<CURLParamObj> get;
    CAdmTools::ParseParameters(get, S("a=1&&b&c=x=y&"), 0);
    ASSERT_EQ(get.size(), 2u);
    EXPECT_EQ(get[0].m_strName, S("a"));
    EXPECT_EQ(get[0].m_strValue, S("1"));
    EXPECT_EQ(get[1].m_strName, S("c"));
    EXPECT_EQ(get[1].m_strValue, S("x=y"));
    EXPECT_EQ(get[0].m_nMethod, 0);
    EXPECT_EQ(get[1].m_nMethod, 0);

    std::vector<CURLParamObj> post;
    CAdmTools::ParseParameters(post, S("a=1&&b&c=x=y"), 1, S("&user=%41+b&=v&flag"));
    ASSERT_EQ(post.size(), 4u);
    EXPECT_EQ(post[0].m_nMethod, 2);
    EXPECT_EQ(post[1].m_nMethod, 2);
    EXPECT_EQ(post[2].m_strName, S("user"));
    EXPECT_EQ(post[2].m_strValue, S("%41+b")); // taken as it stands
    EXPECT_EQ(post[2].m_nMethod, 1);
    EXPECT_EQ(post[3].m_strName, QString()); // "=v": empty name, still a parameter
    EXPECT_EQ(post[3].m_nSpecialVariable, 0);
    EXPECT_TRUE(post[3].m_strOrgValue.isEmpty());

    std::vector<CURLParamObj> third;
    CAdmTools::ParseParameters(third, S("q=1"), 2, S("p=2"));
    ASSERT_EQ(third.size(), 2u);
    EXPECT_EQ(third[0].m_nMethod, 2);
    EXPECT_EQ(third[1].m_nMethod, 0);
}

TEST(Tokenizing, each_piece_gets_prefix_and_replaced_text) {
    std::vector<CURLTokenObj> list;
    CAdmTools::TokenizeURL(S("R"), S("B"), S("/a/b/c"), S("/"), list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].m_strToken, S("a"));
    EXPECT_EQ(list[0].m_strPrefix, S("B/"));
    EXPECT_EQ(list[0].m_strReplaced, S("B/R/b/c"));
    EXPECT_EQ(list[1].m_strPrefix, S("B/a/"));
    EXPECT_EQ(list[1].m_strReplaced, S("B/a/R/c"));
    EXPECT_EQ(list[2].m_strToken, S("c"));
    EXPECT_EQ(list[2].m_strPrefix, S("B/a/b/"));
    EXPECT_EQ(list[2].m_strReplaced, S("B/a/b/R"));
}

TEST(Tokenizing, several_separators_empty_pieces_and_an_existing_list) {
    std::vector<CURLTokenObj> list;
    CAdmTools::TokenizeURL(S("R"), S(""), S(""), S("/"), list);
    EXPECT_TRUE(list.empty());
    CAdmTools::TokenizeURL(S("R"), QString(), S("x-y//z"), S("-/"), list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].m_strPrefix, QString());
    EXPECT_EQ(list[0].m_strReplaced, S("R-y//z"));
    EXPECT_EQ(list[1].m_strToken, S("y"));
    EXPECT_EQ(list[1].m_strPrefix, S("x-/"));
    EXPECT_EQ(list[2].m_strToken, S("z"));

    // A list that already holds pieces makes the first new piece get the separator too.
    CAdmTools::TokenizeURL(S("R"), S("B/"), S("q"), S("/"), list);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[3].m_strPrefix, S("B//"));
    EXPECT_EQ(list[3].m_strReplaced, S("B//R"));
}

TEST(Tokenizing, characters_above_the_basic_plane_stay_whole) {
    // The separator and the second piece share the leading surrogate of their emoji.
    std::vector<CURLTokenObj> list;
    EXPECT_TRUE(CAdmTools::TokenizeURL(S("R"), S("B"), S("a😀b😁c"), S("😀"), list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].m_strToken, S("a"));
    EXPECT_EQ(list[0].m_strReplaced, S("B/R😀b😁c"));
    EXPECT_EQ(list[1].m_strToken, S("b😁c"));
    EXPECT_EQ(list[1].m_strPrefix, S("B/a😀"));
    EXPECT_EQ(list[1].m_strReplaced, S("B/a😀R"));
}

TEST(Tokenizing, paths_of_very_many_pieces_stop_at_the_memory_limit) {
    // 200000 pieces of a 400000-character path would need some 10^11 characters.
    const QString path = S("/x").repeated(200000);
    std::vector<CURLTokenObj> list;
    EXPECT_FALSE(CAdmTools::TokenizeURL(S("R"), S("http://h"), path, S("/"), list));
    ASSERT_FALSE(list.empty());
    qsizetype held = 0;
    for (const CURLTokenObj& token : list)
        held += token.m_strToken.size() + token.m_strPrefix.size() + token.m_strReplaced.size();
    EXPECT_LE(held, CAdmTools::kTokenizeLimit);
    // The pieces that are listed are complete and in order.
    EXPECT_EQ(list.back().m_strPrefix,
              S("http://h/") + S("x/").repeated(qsizetype(list.size()) - 1));
    EXPECT_EQ(list.back().m_strReplaced.size(), path.size() + 8);
}
