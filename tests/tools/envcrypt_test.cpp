// The environment store and the password encryption the tools library relies on.

#include "qjenvironment.h"
#include "xalcrypt.h"
#include "xalenv.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

class EnvironmentStore : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"zvhome", "ZVHOME", "ZvTest", "zvtest", "ZVTEST"})
            qunsetenv(name);
    }
};

TEST_F(EnvironmentStore, names_match_in_any_case_and_keep_their_first_spelling) {
    EXPECT_FALSE(XalEnvIsAvailable());
    XalEnvSet(QStringLiteral("ZvTest"), QStringLiteral("one"));
    EXPECT_EQ(XalEnvGet(QStringLiteral("ZVTEST")), QStringLiteral("one"));
    XalEnvSet(QStringLiteral("zvtest"), QStringLiteral("two"));
    EXPECT_EQ(qEnvironmentVariable("ZvTest"), QStringLiteral("two"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvtest"));

    XalEnvSetAll({{QStringLiteral("ZVHOME"), QStringLiteral("/opt/xal")}});
    EXPECT_TRUE(XalEnvIsAvailable());
    EXPECT_EQ(CQJEnvironment::Get(QStringLiteral("zvHome")), QStringLiteral("/opt/xal"));

    // Names the environment cannot hold are refused, not half-set.
    XalEnvSet(QString(), QStringLiteral("x"));
    XalEnvSet(QStringLiteral("a=b"), QStringLiteral("x"));
    EXPECT_TRUE(XalEnvGet(QStringLiteral("a=b")).isEmpty());
    EXPECT_FALSE(qEnvironmentVariableIsSet("a"));
}

TEST_F(EnvironmentStore, buffers_are_filled_only_when_the_text_fits) {
    XalEnvSet(QStringLiteral("zvtest"), QStringLiteral("12345"));
    char16_t buffer[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
    XalEnvGet(QStringLiteral("ZVTEST"), buffer, 6);
    EXPECT_EQ(QString::fromUtf16(buffer), QStringLiteral("12345"));
    XalEnvGet(QStringLiteral("zvtest"), buffer, 5);
    EXPECT_EQ(buffer[0], u'\0');
    XalEnvGet(QStringLiteral("unset-variable"), buffer, 6);
    EXPECT_EQ(buffer[0], u'\0');

    EXPECT_TRUE(XalEnvExpand(QStringLiteral("%zvtest%/a"), buffer, 6) == false);
    char16_t wide[16] = {};
    EXPECT_TRUE(XalEnvExpand(QStringLiteral("%zvtest%/a"), wide, 16));
    EXPECT_EQ(QString::fromUtf16(wide), QStringLiteral("12345/a"));
    EXPECT_FALSE(XalEnvExpand(QStringLiteral("x"), nullptr, 16));
}

TEST_F(EnvironmentStore, expansion_replaces_known_placeholders_and_keeps_the_rest) {
    XalEnvSet(QStringLiteral("zvhome"), QStringLiteral("/opt/xal"));
    bool resolved = false;
    EXPECT_EQ(XalEnvExpand(QStringLiteral("%ZVHOME%/system/cfg"), &resolved),
              QStringLiteral("/opt/xal/system/cfg"));
    EXPECT_TRUE(resolved);
    EXPECT_EQ(XalEnvExpand(QStringLiteral("100%% %nosuchvar% %zvhome%"), &resolved),
              QStringLiteral("100%% %nosuchvar% /opt/xal"));
    EXPECT_FALSE(resolved);
    EXPECT_EQ(XalEnvExpand(QStringLiteral("50% off")), QStringLiteral("50% off"));

    QString out;
    EXPECT_TRUE(CQJEnvironment::StrToRealStr(QStringLiteral("%zvhome%"), out));
    EXPECT_EQ(out, QStringLiteral("/opt/xal"));
    EXPECT_FALSE(CQJEnvironment::StrToRealStr(QStringLiteral("%nosuchvar%/x"), out));
    EXPECT_EQ(out, QStringLiteral("%nosuchvar%/x"));
}

TEST(PasswordCrypt, round_trip_of_any_text_with_a_fresh_salt_each_time) {
    for (const QString& plain :
         {QString(), QStringLiteral("secret"), QStringLiteral("Pässwörd mit Blanks € ∑ 🔑")}) {
        QByteArray first;
        QByteArray second;
        ASSERT_TRUE(EncryptStringW(plain, kXalAccessKey, first));
        ASSERT_TRUE(EncryptStringW(plain, kXalAccessKey, second));
        EXPECT_NE(first, second);
        QString out = QStringLiteral("stale");
        ASSERT_TRUE(DecryptStringW(first.constData(), kXalAccessKey, out));
        EXPECT_EQ(out, plain);
    }
}

TEST(PasswordCrypt, wrong_key_and_damaged_texts_give_nothing) {
    QByteArray text;
    ASSERT_TRUE(EncryptStringW(QStringLiteral("secret"), kXalAccessKey, text));
    QString out = QStringLiteral("stale");
    EXPECT_FALSE(DecryptStringW(text.constData(), "WRONGKEYS", out));
    EXPECT_TRUE(out.isEmpty());

    QByteArray raw = QByteArray::fromBase64(text);
    for (int index : {0, 20, 30, static_cast<int>(raw.size()) - 1}) {
        QByteArray damaged = raw;
        damaged[index] = static_cast<char>(damaged[index] ^ 0x01);
        out = QStringLiteral("stale");
        EXPECT_FALSE(DecryptStringW(damaged.toBase64().constData(), kXalAccessKey, out)) << index;
        EXPECT_TRUE(out.isEmpty());
    }
    for (const char* bad : {"", "not base64 !!", "c2hvcnQ=", "plain-password"})
        EXPECT_FALSE(DecryptStringW(bad, kXalAccessKey, out)) << bad;
    EXPECT_FALSE(DecryptStringW(nullptr, kXalAccessKey, out));
    EXPECT_FALSE(DecryptStringW(text.constData(), nullptr, out));
    EXPECT_FALSE(DecryptStringW(text.left(text.size() - 4).constData(), kXalAccessKey, out));
}

TEST(PasswordCrypt, program_prints_the_text_for_the_access_file) {
    QProcess fromStdin;
    fromStdin.start(QStringLiteral(XAL_CRYPT_PROGRAM), {QStringLiteral("encrypt")});
    fromStdin.write("geheim 42\n");
    fromStdin.closeWriteChannel();
    ASSERT_TRUE(fromStdin.waitForFinished(30000));
    EXPECT_EQ(fromStdin.exitCode(), 0);
    QString out;
    ASSERT_TRUE(DecryptStringW(fromStdin.readAllStandardOutput().trimmed().constData(),
                               kXalAccessKey, out));
    EXPECT_EQ(out, QStringLiteral("geheim 42"));

    QProcess fromArgument;
    fromArgument.start(QStringLiteral(XAL_CRYPT_PROGRAM),
                       {QStringLiteral("encrypt"), QStringLiteral("pw")});
    ASSERT_TRUE(fromArgument.waitForFinished(30000));
    ASSERT_TRUE(DecryptStringW(fromArgument.readAllStandardOutput().trimmed().constData(),
                               kXalAccessKey, out));
    EXPECT_EQ(out, QStringLiteral("pw"));

    QProcess wrongUse;
    wrongUse.start(QStringLiteral(XAL_CRYPT_PROGRAM), {QStringLiteral("decrypt")});
    ASSERT_TRUE(wrongUse.waitForFinished(30000));
    EXPECT_NE(wrongUse.exitCode(), 0);
    EXPECT_TRUE(wrongUse.readAllStandardOutput().isEmpty());
}

} // namespace
