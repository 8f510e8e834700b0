// --help and --version of the real program: no display, no suite home, no database.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {
struct Output {
    int exitCode = -1;
    QString out;
    QString err;
};

Output RunBare(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("HOME"), QStringLiteral("/nonexistent"));
    // The database driver warns on standard error when a counter file in /dev/shm of an earlier
    // process with the same id was left behind (a killed program leaves it): no counters.
    env.insert(QStringLiteral("MONGOC_DISABLE_SHM"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(XALSCRIPEDIT_PATH), arguments);
    Output result;
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

TEST(EditorUsage, help_names_switches_environment_and_exit_statuses_without_a_display) {
    for (const QString& word : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Output r = RunBare({word});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: XALScripEdit /xalid:<id>")));
        for (const char* part :
             {"/mode:recording", "/mode:showproperties", "--version", "Exit status:"})
            EXPECT_TRUE(r.out.contains(QLatin1String(part))) << part;
    }

    // Every variable of the README's environment table is explained.
    QFile readme(QStringLiteral(XAL_README_PATH));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype table = text.indexOf(QStringLiteral("| suite home |"));
    ASSERT_GE(table, 0);
    const QString rows = text.mid(table, text.indexOf(QStringLiteral("\n\n"), table) - table);
    const Output help = RunBare({QStringLiteral("--help")});
    const QRegularExpression name(QStringLiteral(R"(`(ZV[A-Z]+|XAL_[A-Z_]+)`)"));
    int names = 0;
    for (auto it = name.globalMatch(rows); it.hasNext(); ++names) {
        const QString variable = it.next().captured(1);
        EXPECT_TRUE(help.out.contains(variable)) << variable.toStdString();
    }
    EXPECT_GE(names, 6);
}

TEST(EditorUsage, version_is_printed_and_other_words_keep_the_command_line_grammar) {
    const Output version = RunBare({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("XALScripEdit " XAL_VERSION "\n"));

    // Beside an ID the word is part of the ID: start-up goes on and needs its display.
    const Output withId = RunBare({QStringLiteral("/xalid:a"), QStringLiteral("--version")});
    EXPECT_NE(withId.exitCode, 0);
    EXPECT_FALSE(withId.out.contains(QStringLiteral("XALScripEdit " XAL_VERSION)));
}
} // namespace
