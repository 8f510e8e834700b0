// Percent-encoding and -decoding, and the conversions between wide text, UTF-8 and the ANSI
// code page.
#include "admtools.h"
#include "ansicodepage.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Switches the process's ANSI code page for one test and puts the previous one back.
class ScopedCodePage {
public:
    explicit ScopedCodePage(unsigned codePage) : m_old(QJAnsi::ProcessCodePage()) {
        QJAnsi::SetProcessCodePage(codePage);
    }
    ~ScopedCodePage() { QJAnsi::SetProcessCodePage(m_old); }
    ScopedCodePage(const ScopedCodePage&) = delete;
    ScopedCodePage& operator=(const ScopedCodePage&) = delete;

private:
    unsigned m_old;
};

} // namespace

TEST(URLEncoding, encodes_all_but_unreserved_with_shortest_upper_hex) {
    EXPECT_EQ(CAdmTools::URLEncode(S("a b/c?d=e&f")), S("a%20b%2Fc%3Fd%3De%26f"));
    EXPECT_EQ(CAdmTools::URLEncode(S("!()*-._~AZaz09")), S("!()*-._~AZaz09"));
    EXPECT_EQ(CAdmTools::URLEncode(S("'%+")), S("%27%25%2B"));
    EXPECT_EQ(CAdmTools::URLEncode(S("\t")), S("%9"));
    EXPECT_EQ(CAdmTools::URLEncode(QString(QChar(0))), S("%0"));
    EXPECT_EQ(CAdmTools::URLEncode(S("ü")), S("%FC"));
    EXPECT_EQ(CAdmTools::URLEncode(S("Ł€")), S("%141%20AC"));
    EXPECT_EQ(CAdmTools::URLEncode(S("😀")), S("%D83D%DE00")); // each UTF-16 unit
    EXPECT_EQ(CAdmTools::URLEncode(S("_XALURL_12_")), S("_XALURL_12_"));
}

TEST(URLDecoding, plus_pairs_and_malformed_percents) {
    EXPECT_EQ(CAdmTools::URLDecode(S("a+b%2")), S("a b%2"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%41%zz")), S("A%zz"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%4a%4A")), S("JJ"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%")), S("%"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%%41")), S("%A"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%FF")), QString(QChar(0xFF)));
    EXPECT_EQ(CAdmTools::URLDecode(S("%2541")), S("%41"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%00x")), QString(QChar(0)) + u'x');
    EXPECT_EQ(CAdmTools::URLDecode(QString()), QString());
}

TEST(URLDecoding, only_the_u_umlaut_sequence_is_taken_as_utf8) {
    EXPECT_EQ(CAdmTools::URLDecode(S("M%C3%BCnchen")), S("München"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%C3%A4")), QString(QChar(0xC3)) + QChar(0xA4));
    EXPECT_EQ(CAdmTools::URLDecode(S("%c3%bc")), QString(QChar(0xC3)) + QChar(0xBC));
    EXPECT_EQ(CAdmTools::URLDecode(S("%%C3%BC+")), S("%ü "));
    EXPECT_EQ(CAdmTools::URLDecode(S("%C3%BC%C3%BC")), S("üü"));
    EXPECT_EQ(CAdmTools::URLDecode(S("%C3%B")), QString(QChar(0xC3)) + S("%B"));
}

TEST(URLDecoding, repeated_stops_when_no_percent_remains) {
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(S("%2541"), 10), S("A"));
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(S("%2541"), 1), S("%41"));
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(S("a+b"), 10), S("a+b"));
    // A "+" that decoding produced is a character of the text, not a space.
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(S("%252B+"), 10), S("+ "));
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(S("100%"), 10), S("100%"));
    EXPECT_EQ(CAdmTools::URLDecodeRepeated(S("%41"), 0), S("%41"));
}

TEST(URLEncoding, decode_undoes_encode_for_latin1_text) {
    const QString text = S("Grüße & mehr: 100% / a+b=c?");
    EXPECT_EQ(CAdmTools::URLDecode(CAdmTools::URLEncode(text)), text);
}

TEST(URLEncoding, hex_pairs) {
    EXPECT_TRUE(CAdmTools::IsHexPair(S("0f")));
    EXPECT_TRUE(CAdmTools::IsHexPair(S("A9")));
    EXPECT_FALSE(CAdmTools::IsHexPair(S("AG")));
    EXPECT_FALSE(CAdmTools::IsHexPair(S("ABC")));
    EXPECT_FALSE(CAdmTools::IsHexPair(S("A")));
    EXPECT_FALSE(CAdmTools::IsHexPair(QString()));
}

TEST(TextConversions, utf8_chars_percent_encode_as_utf8) {
    ScopedCodePage page(QJAnsi::kWindows1252);
    // "ü" and "Ä" as Windows-1252 bytes; C3 84 of "Ä" must not turn into "„" (0x84 in 1252).
    const std::string ansi = "\xFC\xC4\x80";
    EXPECT_EQ(CAdmTools::URLEncode(CAdmTools::ToUTF8Chars(ansi)), S("%C3%BC%C3%84%E2%82%AC"));
    EXPECT_EQ(CAdmTools::URLDecode(CAdmTools::URLEncode(CAdmTools::ToUTF8Chars("\xFC"))), S("ü"));
    EXPECT_EQ(CAdmTools::WideToUTF8Chars(S("a€")),
              S("a") + QChar(0xE2) + QChar(0x82) + QChar(0xAC));
    EXPECT_EQ(CAdmTools::ToUTF8Chars(std::string_view()), QString());
}

TEST(TextConversions, from_ansi_follows_the_process_code_page) {
    {
        ScopedCodePage page(QJAnsi::kUtf8);
        EXPECT_EQ(CAdmTools::FromANSI("\xC3\xBC"), S("ü"));
        EXPECT_EQ(CAdmTools::ToUTF8Chars("\xC3\xBC"), QString(QChar(0xC3)) + QChar(0xBC));
        // Invalid UTF-8 still yields text rather than nothing.
        EXPECT_EQ(CAdmTools::FromANSI("a\xFF"
                                      "b")
                      .size(),
                  3);
    }
    {
        ScopedCodePage page(QJAnsi::kLatin1);
        EXPECT_EQ(CAdmTools::FromANSI("\x80"), QString(QChar(0x80)));
    }
    ScopedCodePage page(QJAnsi::kWindows1252);
    EXPECT_EQ(CAdmTools::FromANSI("\x80\x81\x9F"),
              QString(QChar(0x20AC)) + QChar(0x81) + QChar(0x178));
}

TEST(TextConversions, to_ansi_replaces_what_the_code_page_lacks) {
    std::string out = "stale";
    {
        ScopedCodePage page(QJAnsi::kWindows1252);
        EXPECT_EQ(CAdmTools::ToANSI(S("Grüße €5 Ł 😀"), out), kAnsiOk);
        EXPECT_EQ(out, std::string("Gr\xFC\xDF"
                                   "e \x80"
                                   "5 _ _"));
    }
    {
        ScopedCodePage page(QJAnsi::kLatin1);
        EXPECT_EQ(CAdmTools::ToANSI(S("ü€"), out), kAnsiOk);
        EXPECT_EQ(out, std::string("\xFC_"));
    }
    {
        ScopedCodePage page(QJAnsi::kUtf8);
        EXPECT_EQ(CAdmTools::ToANSI(S("ü"), out), kAnsiOk);
        EXPECT_EQ(out, std::string("\xC3\xBC"));
    }
    EXPECT_EQ(CAdmTools::ToANSI(QString(), out), kAnsiOk);
    EXPECT_TRUE(out.empty());
    // Every byte of the code page survives the round trip back to text.
    ScopedCodePage page(QJAnsi::kWindows1252);
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += char(b);
    std::string back;
    ASSERT_EQ(CAdmTools::ToANSI(CAdmTools::FromANSI(all), back), kAnsiOk);
    EXPECT_EQ(back, all);
}

TEST(TextConversions, to_utf8) {
    EXPECT_EQ(CAdmTools::ToUTF8(S("ü😀")), std::string("\xC3\xBC\xF0\x9F\x98\x80"));
    EXPECT_EQ(CAdmTools::ToUTF8(QString()), std::string());
    const std::string lone = CAdmTools::ToUTF8(QString(QChar(0xD800)) + u'a');
    EXPECT_EQ(QString::fromUtf8(lone.data(), qsizetype(lone.size())).back(), QChar(u'a'));
}
