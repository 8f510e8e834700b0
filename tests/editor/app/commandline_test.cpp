// Command-line grammar and the scripted message sink.

#include "commandline.h"
#include "messagesinks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
TEST(CommandLine, switches_are_found_in_any_case_order_and_number) {
    const CCommandLine a = ParseCommandLine(QStringLiteral("/XALID:ABC /Mode:Recording"));
    EXPECT_TRUE(a.bXalID);
    EXPECT_TRUE(a.bRecording);
    EXPECT_FALSE(a.bShowProperties);
    EXPECT_EQ(a.XalID(), QStringLiteral("abc"));

    const CCommandLine b = ParseCommandLine(QStringLiteral("/mode:recording /xalid:abc"));
    EXPECT_EQ(b.XalID(), a.XalID());
    EXPECT_TRUE(b.bRecording);

    // The launcher's " /xalid:" in front of an argument that carries the switch itself.
    const CCommandLine c = ParseCommandLine(
        QStringLiteral(" /xalid:/xalid:abc /mode:showproperties /mode:showproperties"));
    EXPECT_TRUE(c.IsValid());
    EXPECT_TRUE(c.bShowProperties);
    EXPECT_EQ(c.XalID(), QStringLiteral("abc"));
}

TEST(CommandLine, everything_but_the_switches_is_the_id) {
    EXPECT_EQ(ParseCommandLine(QStringLiteral("/xalid:abc extra")).XalID(),
              QStringLiteral("abc extra"));
    EXPECT_EQ(ParseCommandLine(QStringLiteral("/xalid:abc /unknown")).XalID(),
              QStringLiteral("abc /unknown"));
    // Inner blanks stay; only the ends are trimmed, and the untrimmed remainder is kept.
    const CCommandLine d = ParseCommandLine(QStringLiteral("  /xalid: a  b \t"));
    EXPECT_EQ(d.XalID(), QStringLiteral("a  b"));
    EXPECT_EQ(d.strRemainder, QStringLiteral("   a  b \t"));
    // Quotes are not special: they stay part of the ID.
    EXPECT_EQ(ParseCommandLine(QStringLiteral("/xalid:\"abc")).XalID(), QStringLiteral("\"abc"));
    // Non-ASCII text is lower-cased like the rest.
    EXPECT_EQ(ParseCommandLine(QString::fromUtf8("/xalid:ÄÖÜ-Straße")).XalID(),
              QString::fromUtf8("äöü-straße"));
}

TEST(CommandLine, missing_switch_or_id_is_invalid) {
    EXPECT_FALSE(ParseCommandLine(QString()).IsValid());
    EXPECT_FALSE(ParseCommandLine(QStringLiteral("/xalid:")).IsValid());
    EXPECT_FALSE(ParseCommandLine(QStringLiteral("  /xalid:   /mode:recording ")).IsValid());
    EXPECT_FALSE(ParseCommandLine(QStringLiteral("abc")).IsValid());
    EXPECT_FALSE(ParseCommandLine(QStringLiteral("/xalid abc")).IsValid());
    EXPECT_TRUE(ParseCommandLine(QStringLiteral("/xalid:") + QString(5000, u'x')).IsValid());
}

TEST(CommandLine, arguments_are_joined_with_single_blanks) {
    EXPECT_EQ(JoinArguments({QStringLiteral("/xalid:abc"), QStringLiteral("extra")}),
              QStringLiteral("/xalid:abc extra"));
    EXPECT_EQ(
        ParseCommandLine(JoinArguments({QStringLiteral("/xalid:"), QStringLiteral("abc")})).XalID(),
        QStringLiteral("abc"));
}

// Reads what the sink wrote to its stream.
std::string Written(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, file))
        out += buffer;
    return out;
}

TEST(StderrMessages, one_line_per_message_with_answers_in_order_and_last_repeating) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    CStderrMessages sink(ParseMessageAnswers(QStringLiteral("no,cancel")), file);

    EXPECT_EQ(sink.Ask(QStringLiteral("first\nsecond"), MsgButtons::YesNo, MsgIcon::Question),
              MsgAnswer::No);
    EXPECT_EQ(sink.Ask(QStringLiteral("b"), MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::Cancel);
    EXPECT_EQ(sink.Ask(QStringLiteral("c"), MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::Cancel);
    // An answer the box does not offer gives its first choice, and still counts as taken.
    EXPECT_EQ(sink.Ask(QStringLiteral("d"), MsgButtons::Ok, MsgIcon::Error), MsgAnswer::Ok);
    EXPECT_EQ(sink.Ask(QString::fromUtf8("é"), MsgButtons::YesNo, MsgIcon::Question),
              MsgAnswer::Yes);

    EXPECT_EQ(Written(file), "message: first\\nsecond\n"
                             "message: b\nmessage: c\nmessage: d\nmessage: \xC3\xA9\n");
    std::fclose(file);
}

TEST(StderrMessages, without_answers_every_box_takes_its_first_choice) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    CStderrMessages sink({}, file);
    EXPECT_EQ(sink.Ask(QStringLiteral("q"), MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::Yes);
    EXPECT_EQ(sink.Ask(QStringLiteral("q"), MsgButtons::OkCancel, MsgIcon::Question),
              MsgAnswer::Ok);
    std::fclose(file);
}
} // namespace
