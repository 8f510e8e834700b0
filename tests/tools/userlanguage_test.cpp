// The user's language in the suite's user settings, and the runtime locale.

#include "toolstestsupport.h"
#include "xaltools.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <clocale>
#include <cstring>

namespace {

class UserLanguage : public CSuiteTest {
protected:
    void SetUp() override {
        CSuiteTest::SetUp();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LANG"})
            qunsetenv(name);
    }

    [[nodiscard]] QString SettingsFile() const {
        return QSettings(QStringLiteral("Brenvik Software GmbH"), QStringLiteral("XAL 3"))
            .fileName();
    }
    // The installation creates the user's settings; tests do it where they need them.
    void CreateSettings(const QByteArray& content = QByteArray()) {
        ASSERT_TRUE(WriteTextFile(SettingsFile(), content));
    }
    [[nodiscard]] QString StoredLanguage() const {
        return QSettings(QStringLiteral("Brenvik Software GmbH"), QStringLiteral("XAL 3"))
            .value(QStringLiteral("language"))
            .toString();
    }

    QTemporaryDir m_config;
};

TEST_F(UserLanguage, read_gives_the_trimmed_stored_language_or_en) {
    QString language = QStringLiteral("junk");
    EXPECT_FALSE(XALReadUserLG(language));
    EXPECT_EQ(language, QStringLiteral("en"));

    CreateSettings("[General]\nlanguage=\"  fr \"\n");
    EXPECT_TRUE(XALReadUserLG(language));
    EXPECT_EQ(language, QStringLiteral("fr"));

    CreateSettings("[General]\nlanguage=\"    \"\n");
    EXPECT_FALSE(XALReadUserLG(language));
    EXPECT_EQ(language, QStringLiteral("en"));

    // Not a language code: too long, or not a text.
    CreateSettings("[General]\nlanguage=deutsch-oesterreich\n");
    EXPECT_FALSE(XALReadUserLG(language));
    CreateSettings("[General]\nlanguage=de, en\n");
    EXPECT_FALSE(XALReadUserLG(language));
    EXPECT_EQ(language, QStringLiteral("en"));
}

TEST_F(UserLanguage, set_stores_only_into_existing_settings) {
    EXPECT_FALSE(XALSetUserLG(u"de"));
    EXPECT_FALSE(QFile::exists(SettingsFile()));

    CreateSettings();
    EXPECT_FALSE(XALSetUserLG(nullptr));
    QFile::setPermissions(SettingsFile(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                              QFile::ReadOther);
    ASSERT_TRUE(XALSetUserLG(u"it"));
    QString language;
    EXPECT_TRUE(XALReadUserLG(language));
    EXPECT_EQ(language, QStringLiteral("it"));
    // Stored settings are the user's alone.
    EXPECT_EQ(QFile::permissions(SettingsFile()) & 0x0077, 0);
    EXPECT_EQ(QFile::permissions(QFileInfo(SettingsFile()).path()) & 0x0077, 0);
}

TEST_F(UserLanguage, missing_language_comes_from_the_system_ui_and_is_stored) {
    CreateSettings();
    qputenv("LANGUAGE", "de_AT:en");
    qputenv("LANG", "en_US.UTF-8");
    QString language;
    EXPECT_TRUE(XALSGetUserLG(language, false));
    EXPECT_EQ(language, QStringLiteral("de"));
    EXPECT_EQ(StoredLanguage(), QStringLiteral("de"));

    // Once stored, the system's language no longer matters.
    qputenv("LANGUAGE", "en");
    EXPECT_TRUE(XALSGetUserLG(language, false));
    EXPECT_EQ(language, QStringLiteral("de"));
}

TEST_F(UserLanguage, non_german_system_gives_en_and_without_settings_reports_failure) {
    qputenv("LANG", "fr_FR.UTF-8");
    QString language;
    EXPECT_FALSE(XALSGetUserLG(language, false)); // nothing to store it in
    EXPECT_EQ(language, QStringLiteral("en"));
    CreateSettings();
    EXPECT_TRUE(XALSGetUserLG(language, false));
    EXPECT_EQ(StoredLanguage(), QStringLiteral("en"));
}

TEST_F(UserLanguage, language_is_exported_as_zvlg_only_into_an_available_environment) {
    CreateSettings("[General]\nlanguage=nl\n");
    QString language;
    EXPECT_TRUE(XALSGetUserLG(language, true));
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvlg"));

    UseHome();
    EXPECT_TRUE(XALSGetUserLG(language, false));
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvlg"));
    EXPECT_TRUE(XALSGetUserLG(language, true));
    EXPECT_EQ(qEnvironmentVariable("zvlg"), QStringLiteral("nl"));
}

class CurrentLocale : public CSuiteTest {
protected:
    void SetUp() override {
        CSuiteTest::SetUp();
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
            qunsetenv(name);
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CurrentLocale, locale_is_built_from_the_environment_and_set) {
    qputenv("LANG", "C.UTF-8");
    const char* result = XALTSetCurrentLocale();
    ASSERT_NE(result, nullptr);
    EXPECT_STREQ(result, "C.UTF-8");
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C.UTF-8");

    // LC_ALL wins over LANG.
    qputenv("LC_ALL", "C");
    result = XALTSetCurrentLocale();
    ASSERT_NE(result, nullptr);
    EXPECT_STREQ(result, "C");
}

TEST_F(CurrentLocale, unavailable_locale_gives_null_and_keeps_the_current_one) {
    std::setlocale(LC_ALL, "C");
    qputenv("LANG", "xx_YY.NOSUCHCODESET");
    EXPECT_EQ(XALTSetCurrentLocale(), nullptr);
    EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

} // namespace
