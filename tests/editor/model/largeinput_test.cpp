// Megabyte texts through every operation that callers feed with recorded or pasted data:
// results must stay correct (a slow, quadratic path shows up as a test run that never ends).
#include "admtools.h"
#include "advurl.h"
#include "specialvars.h"
#include "urlparser.h"

#include <gtest/gtest.h>

namespace {
QString Repeat(const char* piece, qsizetype times) {
    return QString::fromUtf8(piece).repeated(times);
}
} // namespace

TEST(LargeInput, decoding_five_megabytes) {
    const qsizetype n = 5 * 1024 * 1024 / 6;
    const QString decoded = CAdmTools::URLDecodeRepeated(Repeat("%C3%BC", n), 10);
    EXPECT_EQ(decoded.size(), n);
    EXPECT_EQ(decoded.count(QChar(0xFC)), n);

    const QString nested = Repeat("%252525+", 600000);
    // Each round removes one level; the "% " left over is stable and ends nothing early.
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(nested, 10), Repeat("% ", 600000));
    const QString lonePercents(3 * 1024 * 1024, u'%');
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(lonePercents, 10), lonePercents);
}

TEST(LargeInput, encoding_and_checking_non_bmp_text) {
    const QString emoji = Repeat("😀", 512 * 1024);
    const QString encoded = CAdmTools::URLEncode(emoji);
    EXPECT_EQ(encoded, Repeat("%D83D%DE00", 512 * 1024));
    EXPECT_TRUE(CAdmTools::IsValidURL(QStringLiteral("http://h.com/") + emoji));
    EXPECT_FALSE(CAdmTools::IsValidURL(QStringLiteral("http://h.com/") + emoji + u' '));
    QString offending;
    EXPECT_TRUE(CAdmTools::ValidateParameter(emoji, offending));
    EXPECT_EQ(CAdmTools::ToUTF8(emoji).size(), size_t(4 * 512 * 1024));
}

TEST(LargeInput, splitting_huge_queries_and_hosts) {
    std::vector<CURLParamObj> params;
    CAdmTools::ParseParameters(params, Repeat("k=v&&x&", 200000), 1, Repeat("p=1&", 200000));
    ASSERT_EQ(params.size(), 400000u);
    EXPECT_EQ(params.front().m_nMethod, 2);
    EXPECT_EQ(params.back().m_nMethod, 1);

    const QString host = Repeat("label.", 200000) + QStringLiteral("com");
    const QString url = QStringLiteral("https://") + host + QStringLiteral(":8443/x");
    EXPECT_EQ(CAdmTools::GetServer(url), host);
    EXPECT_EQ(CAdmTools::GetDomain(url), host.mid(5));
    XalParsedURL parsed;
    ASSERT_TRUE(XalParseURL(url, parsed));
    EXPECT_EQ(parsed.port, 8443);

    const QString noVariable = Repeat("_XALURL_", 300000);
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(noVariable), QStringLiteral("_XALURL__"));
    EXPECT_EQ(CAdmTools::ExtractSpecialVariable(Repeat("x", 2000000) + kXalUrlPrefix), QString());
    EXPECT_EQ(CAdmTools::IsNotMatching(QStringLiteral("[a-z]+"), Repeat("AB", 500000)), 0);
}
