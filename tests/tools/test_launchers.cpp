// Launchers of XalTools: which program is started, with which arguments, in which
// directory, and that it is neither waited for nor handed the caller's open files.

#include "toolstestsupport.h"
#include "xaltools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::u16string Quoted(const QString& path) {
    return (QLatin1Char('"') + path + QLatin1Char('"')).toStdU16String();
}

class LaunchersTest : public CSuiteTest {
protected:
    void SetUp() override {
        CSuiteTest::SetUp();
        // A blank in the program directory: the path must reach the program as one word.
        m_binDir = Home() + QStringLiteral("/bin dir");
        ASSERT_TRUE(QDir().mkpath(m_binDir));
        for (const char* name : {"xaltools", "xaldataed", "xaldiag", "XALImpoEZB", "XALScripEdit"})
            ASSERT_TRUE(QFile::link(QStringLiteral(XAL_ARGRECORDER),
                                    m_binDir + QLatin1Char('/') + QLatin1String(name)));
        m_argsDir = Home() + QStringLiteral("/args");
        ASSERT_TRUE(QDir().mkpath(m_argsDir));
        qputenv("XAL_ARGS_DIR", QFile::encodeName(m_argsDir));
        qputenv("zvbindir", QFile::encodeName(m_binDir));
    }

    CRecordedStart Started(const char* name) {
        const auto start = WaitForStart(m_argsDir, QLatin1String(name));
        EXPECT_TRUE(start.has_value()) << name << " was not started";
        return start.value_or(CRecordedStart());
    }

    QString m_binDir;
    QString m_argsDir;
};

TEST_F(LaunchersTest, suite_programs_start_from_zvbindir_with_their_arguments) {
    ASSERT_TRUE(XALStartTools());
    ASSERT_TRUE(XALStartDataEditor());
    ASSERT_TRUE(XALStartDiagnostic());
    EXPECT_TRUE(Started("xaltools").args.isEmpty());
    EXPECT_TRUE(Started("xaldataed").args.isEmpty());
    EXPECT_TRUE(Started("xaldiag").args.isEmpty());

    ASSERT_TRUE(XALStartEZBImport(u"first \"second word\""));
    EXPECT_EQ(Started("XALImpoEZB").args,
              QStringList({QStringLiteral("first"), QStringLiteral("second word")}));
}

TEST_F(LaunchersTest, ezb_import_without_argument_gets_none) {
    ASSERT_TRUE(XALStartEZBImport(nullptr));
    EXPECT_TRUE(Started("XALImpoEZB").args.isEmpty());
}

TEST_F(LaunchersTest, script_editor_gets_xalid_and_further_arguments) {
    ASSERT_TRUE(XALStartScriptEditor(u"shop-de", u"/mode:recording"));
    EXPECT_EQ(Started("XALScripEdit").args,
              QStringList({QStringLiteral("/xalid:shop-de"), QStringLiteral("/mode:recording")}));

    // The editor rebuilds the parameter text by joining its arguments with blanks; any ID
    // must come back exactly, whatever its characters or length.
    QFile::remove(m_argsDir + QStringLiteral("/XALScripEdit.args"));
    const QString id = QStringLiteral("Shop \"de\"  it's C:\\x\\ ü%zvhome% ") + QString(3000, u'z');
    ASSERT_TRUE(XALStartScriptEditor(id.toStdU16String().c_str(), u"/mode:recording"));
    EXPECT_EQ(Started("XALScripEdit").args.join(QLatin1Char(' ')),
              QStringLiteral("/xalid:") + id + QStringLiteral(" /mode:recording"));
}

TEST_F(LaunchersTest, script_editor_with_only_an_id_or_nothing) {
    ASSERT_TRUE(XALStartScriptEditor(u"/xalid:abc", nullptr));
    EXPECT_EQ(Started("XALScripEdit").args, QStringList(QStringLiteral("/xalid:/xalid:abc")));

    QFile::remove(m_argsDir + QStringLiteral("/XALScripEdit.args"));
    ASSERT_TRUE(XALStartScriptEditor(nullptr, nullptr));
    EXPECT_TRUE(Started("XALScripEdit").args.isEmpty());
}

TEST_F(LaunchersTest, started_program_inherits_no_open_file_and_is_not_our_child) {
    const int leaky = ::open("/dev/null", O_RDONLY); // deliberately without close-on-exec
    ASSERT_GE(leaky, 0);
    ASSERT_TRUE(XALStartTools());
    const CRecordedStart start = Started("xaltools");
    ::close(leaky);
    EXPECT_TRUE(start.fds.isEmpty()) << start.fds.join(QLatin1Char(',')).toStdString();
    // Nothing is left for the caller to reap.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(LaunchersTest, external_app_runs_in_the_given_or_the_callers_directory) {
    const QString workDir = QDir(Home()).canonicalPath();
    const std::u16string command =
        (QLatin1Char('"') + m_binDir + QStringLiteral("/xaldiag\" one")).toStdU16String();
    ASSERT_TRUE(XALStartExternalApp(command.c_str(), workDir.toStdU16String().c_str()));
    CRecordedStart start = Started("xaldiag");
    EXPECT_EQ(start.cwd, workDir);
    EXPECT_EQ(start.args, QStringList(QStringLiteral("one")));

    QFile::remove(m_argsDir + QStringLiteral("/xaldiag.args"));
    ASSERT_TRUE(XALStartExternalApp(command.c_str(), nullptr));
    EXPECT_EQ(Started("xaldiag").cwd, QDir::currentPath());
}

TEST_F(LaunchersTest, programs_that_cannot_start_give_false) {
    EXPECT_FALSE(XALStartExternalApp(nullptr, nullptr));
    EXPECT_FALSE(XALStartExternalApp(u"", nullptr));
    EXPECT_FALSE(XALStartExternalApp(u"   ", nullptr));
    EXPECT_FALSE(XALStartExternalApp(u"/nonexistent/program", nullptr));

    // Present but not executable.
    const QString plain = m_binDir + QStringLiteral("/plain");
    ASSERT_TRUE(WriteTextFile(plain, "text"));
    EXPECT_FALSE(XALStartExternalApp(Quoted(plain).c_str(), nullptr));

    const std::u16string tool = Quoted(m_binDir + QStringLiteral("/xaltools"));
    EXPECT_TRUE(XALStartExternalApp(tool.c_str(), nullptr)); // the command itself is fine
    EXPECT_FALSE(XALStartExternalApp(tool.c_str(), u"/nonexistent/directory"));

    QFile::remove(m_binDir + QStringLiteral("/XALScripEdit"));
    EXPECT_FALSE(XALStartScriptEditor(u"abc", nullptr));

    // Without a program directory only the running program's folder is looked in, never PATH.
    qunsetenv("zvbindir");
    EXPECT_FALSE(XALStartTools());
    EXPECT_FALSE(XALStartEZBImport(u"x"));
}

TEST_F(LaunchersTest, programs_are_found_in_zvbindir_else_next_to_the_running_program) {
    // This test program has no application object: the library finds it as any caller.
    const QFileInfo exe(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    const QString self = exe.fileName();
    const std::u16string selfName = self.toStdU16String();
    const QString ownDir = exe.absolutePath();
    QString location;
    ASSERT_TRUE(XALFindProgram(u"xaltools", location));
    EXPECT_EQ(location, m_binDir + QStringLiteral("/xaltools"));

    // zvbindir holds no such program, or is not set: the running program's folder holds it.
    ASSERT_TRUE(XALFindProgram(selfName.c_str(), location));
    EXPECT_EQ(location, ownDir + u'/' + self);
    qunsetenv("zvbindir");
    ASSERT_TRUE(XALFindProgram(selfName.c_str(), location));
    EXPECT_EQ(location, ownDir + u'/' + self);

    // Found nowhere: the answer names every folder looked in.
    qputenv("zvbindir", QFile::encodeName(m_binDir));
    EXPECT_FALSE(XALFindProgram(u"no-such-program", location));
    EXPECT_EQ(location, m_binDir + QStringLiteral(", ") + ownDir);
    EXPECT_FALSE(XALFindProgram(u"", location));
}

TEST_F(LaunchersTest, failed_starts_are_traced_with_the_folders_searched) {
    const QString trace = Home() + QStringLiteral("/trace.log");
    qputenv("XAL_TRACE_FILE", QFile::encodeName(trace));
    QFile::remove(m_binDir + QStringLiteral("/xaltools"));
    EXPECT_FALSE(XALStartTools());
    EXPECT_FALSE(XALStartExternalApp(u"/nonexistent/program --flag", nullptr));
    qunsetenv("XAL_TRACE_FILE");

    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    const QString ownDir =
        QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    EXPECT_TRUE(text.contains(QStringLiteral("'xaltools' not found in: ") + m_binDir +
                              QStringLiteral(", ") + ownDir))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Cannot start '/nonexistent/program --flag'")))
        << text.toStdString();
}

} // namespace
