#include "commands.h"
#include "commands_shell.h"
#include "fakelauncher.h"
#include "messages.h"
#include "recentfilelist.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
NewEScriptDialog Returning(int code, QStringList array) {
    return [code, array](QStringList& out) {
        out = array;
        return code;
    };
}

const QStringList kArray{QStringLiteral("Title"), QStringLiteral("http://h/"),
                         QStringLiteral("newid")};
} // namespace

TEST(NewEScript, dialog_code_decides_what_starts) {
    struct Case {
        int code;
        QString started;
    };
    const Case cases[] = {
        {0, QString()},
        {1, QString()},
        {2, QStringLiteral("editor|/xalid:newid /mode:showproperties|")},
        {3, QStringLiteral("editor|/xalid:newid|")},
        {4, QStringLiteral("editor|/xalid:newid /mode:recording|")},
    };
    for (const Case& c : cases) {
        CFakeLauncher launcher;
        CScriptedMessages messages;
        const bool started = RunNewEScript(Returning(c.code, kArray), launcher, messages);
        EXPECT_EQ(started, !c.started.isEmpty()) << c.code;
        EXPECT_EQ(launcher.calls, c.started.isEmpty() ? QStringList() : QStringList{c.started})
            << c.code;
        EXPECT_TRUE(messages.Texts().isEmpty()) << c.code;
    }
}

TEST(NewEScript, failures_are_told_and_a_short_array_starts_nothing) {
    CFakeLauncher failing(false);
    CScriptedMessages messages;
    EXPECT_FALSE(RunNewEScript(Returning(3, kArray), failing, messages));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("ScriptEditor can not be started!")});

    CFakeLauncher launcher;
    messages.ClearTexts();
    EXPECT_FALSE(RunNewEScript(Returning(3, {QStringLiteral("t"), QStringLiteral("u")}), launcher,
                               messages));
    EXPECT_TRUE(launcher.calls.isEmpty());
    EXPECT_EQ(messages.Texts().size(), 1);
}

TEST(OpenRecent, starts_the_entry_and_ignores_empty_slots) {
    auto recent = MakeEditorRecentList();
    recent->Add(QStringLiteral("first"));
    recent->Add(QStringLiteral("second"));
    CFakeLauncher launcher;
    CScriptedMessages messages;
    EXPECT_TRUE(RunOpenRecent(XalCmd::RecentFirst + 1, *recent, launcher, messages));
    EXPECT_EQ(launcher.calls, QStringList{QStringLiteral("editor|/xalid:first|")});
    EXPECT_FALSE(RunOpenRecent(XalCmd::RecentFirst + 2, *recent, launcher, messages));
    EXPECT_FALSE(RunOpenRecent(XalCmd::RecentFirst - 1, *recent, launcher, messages));
    EXPECT_FALSE(RunOpenRecent(XalCmd::RecentLast + 1, *recent, launcher, messages));
    EXPECT_EQ(launcher.calls.size(), 1);

    CFakeLauncher failing(false);
    EXPECT_FALSE(RunOpenRecent(XalCmd::RecentFirst, *recent, failing, messages));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("ScriptEditor can not be started!")});
}

TEST(SuitePrograms, failures_name_the_program_and_where_it_was_looked_for) {
    CFakeLauncher failing(false);
    failing.missing = {QStringLiteral("xaltools"), QStringLiteral("XALScripEdit")};
    CScriptedMessages messages;
    EXPECT_FALSE(RunTools(failing, messages));
    EXPECT_FALSE(RunDiagnostic(failing, messages)); // there, but it would not start
    EXPECT_FALSE(RunNewEScript(Returning(3, kArray), failing, messages));
    EXPECT_EQ(messages.Texts(),
              (QStringList{QStringLiteral("The program 'xaltools' was not found in: /a, /b"),
                           QStringLiteral("The program 'xaldiag' can not be started."),
                           QStringLiteral("ScriptEditor can not be started!\nThe program "
                                          "'XALScripEdit' was not found in: /a, /b")}));

    CFakeLauncher launcher;
    messages.ClearTexts();
    EXPECT_TRUE(RunTools(launcher, messages));
    EXPECT_TRUE(RunDiagnostic(launcher, messages));
    EXPECT_EQ(launcher.calls, (QStringList{QStringLiteral("tools"), QStringLiteral("diagnostic")}));
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST(HelpFile, found_next_to_the_program_or_through_the_environment) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("build/bin"));
    const QString bin = dir.filePath(QStringLiteral("build/bin"));
    qunsetenv("XAL_HELP_FILE");
    EXPECT_TRUE(FindHelpFile(bin).isEmpty());

    QFile readme(dir.filePath(QStringLiteral("README.md")));
    ASSERT_TRUE(readme.open(QIODevice::WriteOnly));
    readme.close();
    EXPECT_EQ(FindHelpFile(bin), QFileInfo(readme).canonicalFilePath());

    qputenv("XAL_HELP_FILE", dir.filePath(QStringLiteral("missing.html")).toUtf8());
    EXPECT_TRUE(FindHelpFile(bin).isEmpty());
    qunsetenv("XAL_HELP_FILE");
}
