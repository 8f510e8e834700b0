// URL and parameter checks, pattern matching and the reserved variables.
#include "admtools.h"
#include "advurl.h"
#include "specialvars.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TEST(URLCheck, accepts_well_formed_http_https_and_ftp) {
    for (const char* good :
         {"http://example.com", "https://www.example.com:8443/a/b.php?x=1&y=%41#top",
          "ftp://user:pw@files.example.com/pub/file.txt", "http://localhost:8080/",
          "http://10.0.0.1/app", "http://[::1]/x", "HTTP://Example.COM/Path", "https://h/straße",
          "http://intranet_host/", "https://h.pl/łódź", "https://h/ŧ?q=😀",
          "http://h.com/_XALURL_0_/x"}) {
        EXPECT_TRUE(CAdmTools::IsValidURL(S(good))) << good;
    }
}

TEST(URLCheck, rejects_broken_urls) {
    for (const char* bad :
         {"", "example.com/x", "mailto:a@b.com", "javascript:alert(1)", "http://", "http:/x.com",
          "http://ex ample.com/", "http://example.com/a b", "http://example.com/a%zz",
          "http://h/a{b}", "http://h/a|b", "http://h:70000/", "http://..com/", "http://-/x/\t",
          " http://h/", "http://h/\x01", "http://h/a\"b", "http://h/a bc", "http://h/a|B"}) {
        EXPECT_FALSE(CAdmTools::IsValidURL(S(bad))) << bad;
    }
}

TEST(URLCheck, accepts_non_ascii_letters_as_text_and_as_utf8_bytes) {
    // Pasted and recorded URLs arrive with each UTF-8 byte as one character, so "Ä" and "ß"
    // become codes 0x84 and 0x9F after C3; such bytes are no control characters here.
    for (const char* good : {"http://h.de/Äpfel/straße?q=Öl", "https://h/€", "http://h/语言/罗"})
        EXPECT_TRUE(CAdmTools::IsValidURL(CAdmTools::WideToUTF8Chars(S(good)))) << good;
    // Typed text: the code of "语" begins with C1 code 0x8B, that of "罗" with DEL.
    EXPECT_TRUE(CAdmTools::IsValidURL(S("http://h/语言/罗")));
    EXPECT_FALSE(CAdmTools::IsValidURL(S("http://h/a\x7F")));
    EXPECT_FALSE(CAdmTools::IsValidURL(S("http://h/a\x1F")));
}

TEST(URLCheck, wildcard_stand_in_keeps_condition_urls_valid) {
    QString condition = S("http://h.com/shop/*/item*");
    condition.replace(u'*', kXalCondWildcard);
    EXPECT_TRUE(CAdmTools::IsValidURL(condition));
}

TEST(URLCheck, checker_takes_plain_and_encoded_text) {
    CAdvURL checker;
    checker.SetURL(S("http://h.com/a?b=c"), false);
    EXPECT_TRUE(checker.IsValid());
    checker.SetURL(S("http%3A%2F%2Fh.com%2Fa%3Fb%3Dc"), true);
    EXPECT_TRUE(checker.IsValid());
    EXPECT_EQ(checker.GetURL(), S("http://h.com/a?b=c"));
    checker.SetURL(S("http%3A%2F%2Fh.com%2Fa%3Fb%3Dc"), false);
    EXPECT_FALSE(checker.IsValid());
}

TEST(ParameterCheck, name_value_texts) {
    const CAdvURL checker;
    EXPECT_TRUE(checker.ValidateParameter(S("user=alice")));
    EXPECT_TRUE(checker.ValidateParameter(S("q=a%20b+c/d?e=f")));
    EXPECT_TRUE(checker.ValidateParameter(S("empty=")));
    EXPECT_TRUE(checker.ValidateParameter(S("name=Grüße")));
    EXPECT_FALSE(checker.ValidateParameter(S("my name=x")));
    EXPECT_FALSE(checker.ValidateParameter(S("=x")));
    EXPECT_FALSE(checker.ValidateParameter(S("novalue")));
    EXPECT_FALSE(checker.ValidateParameter(S("a&b=x")));
    EXPECT_FALSE(checker.ValidateParameter(S("a=b c")));
    EXPECT_FALSE(checker.ValidateParameter(S("a=b&c=d")));
    EXPECT_FALSE(checker.ValidateParameter(S("a=b#c")));
    EXPECT_FALSE(checker.ValidateParameter(S("a=<script>")));
}

TEST(ParameterCheck, validate_parameter_reports_the_rejected_value) {
    QString offending = S("untouched");
    EXPECT_TRUE(CAdmTools::ValidateParameter(S("abc%2F"), offending));
    EXPECT_EQ(offending, S("untouched"));
    EXPECT_TRUE(CAdmTools::ValidateParameter(QString(), offending));
    EXPECT_FALSE(CAdmTools::ValidateParameter(S("a b"), offending));
    EXPECT_EQ(offending, S("a b"));
    EXPECT_FALSE(CAdmTools::ValidateParameter(S("&"), offending));
    EXPECT_EQ(offending, S("&"));
}

TEST(PatternMatching, whole_text_case_insensitive_perl) {
    EXPECT_EQ(CAdmTools::IsNotMatching(S("www\\.example\\.com"), S("WWW.Example.COM")), 0);
    EXPECT_EQ(CAdmTools::IsNotMatching(S("example"), S("www.example.com")), 1);
    EXPECT_EQ(CAdmTools::IsNotMatching(S(".*\\.(gif|png)"), S("/img/a.PNG")), 0);
    EXPECT_EQ(CAdmTools::IsNotMatching(S("\\d+"), S("123")), 0);
    EXPECT_EQ(CAdmTools::IsNotMatching(S("straße"), S("STRASSE")), 1);
    EXPECT_EQ(CAdmTools::IsNotMatching(S("ü"), S("Ü")), 0);
    EXPECT_EQ(CAdmTools::IsNotMatching(S(".😀."), S("a😀b")), 0);
    EXPECT_EQ(CAdmTools::IsNotMatching(QString(), QString()), 0);
}

TEST(PatternMatching, invalid_or_runaway_patterns_count_as_not_matching) {
    for (const char* bad : {"(", "[a-", "*x", "a{2,1}", "(?<", "\\"})
        EXPECT_EQ(CAdmTools::IsNotMatching(S(bad), S("x")), 1) << bad;
    // Catastrophic backtracking ends in the library's complexity limit, not a hang or throw.
    EXPECT_EQ(CAdmTools::IsNotMatching(S("(a*)*b"), QString(40, u'a')), 1);
}

TEST(SpecialVariables, extract_the_first_variable) {
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(S("/shop/item_x/_XALURL_12_/more_")),
              S("_XALURL_12_"));
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(S("/_XALURL_CONDITION_TEMPLATE_")),
              S("_XALURL_CONDITION_"));
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(kXalUrlPassword), kXalUrlPassword);
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(S("a_XALURL_1_b_XALURL_2_")), S("_XALURL_1_"));
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(S("x_XALURL_7")), QString());
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(S("_xalurl_1_")), QString());
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(S("_XALURL_")), QString());
}

TEST(SpecialVariables, kind_is_always_the_prefix) {
    QString kind = S("before");
    EXPECT_FALSE(CAdmTools::GetSpecialVariableKind(S("plain value"), kind));
    EXPECT_EQ(kind, S("before"));
    EXPECT_TRUE(CAdmTools::GetSpecialVariableKind(kXalUrlPassword, kind));
    EXPECT_EQ(kind, S("_XALURL_"));
}

TEST(SpecialVariables, placeholder_names_and_recognition) {
    EXPECT_EQ(FlexibleParameterName(0), S("_XALURL_0_"));
    EXPECT_EQ(FlexibleParameterName(12), S("_XALURL_12_"));
    EXPECT_EQ(FlexibleParameterNumber(S("_XALURL_12_")), 12);
    EXPECT_EQ(FlexibleParameterNumber(S("_XALURL_0_")), 0);
    for (const char* no : {"_XALURL_012_", "_XALURL__", "_XALURL_USER_", "x_XALURL_1_", "_XALURL_1",
                           "_XALURL_99999999999_", "_XALURL_-1_"})
        EXPECT_EQ(FlexibleParameterNumber(S(no)), -1) << no;

    EXPECT_TRUE(HoldsInternalVariable(S("a=_XALURL_3_&b")));
    EXPECT_FALSE(HoldsInternalVariable(S("_XALURL")));
    EXPECT_TRUE(HoldsLogonVariable(S("x_XALURL_USER_")));
    EXPECT_FALSE(HoldsLogonVariable(S("_XALURL_1_")));
    // Reserved texts pass through encoding and decoding unchanged.
    for (const QString& v : {kXalUrlUser, kXalUrlPassword, kXalUrlConditionTemplate})
        EXPECT_EQ(CAdmTools::URLDecodeRepeated(CAdmTools::URLEncode(v)), v);
}
