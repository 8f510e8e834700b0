// The .deb of this tree: its dependencies and files, and the programs unpacked from it into a
// scratch root, started offscreen on the demo store as a user would after installing it.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
struct Ran {
    int exitCode = -1;
    QString out;
    QString err;
};

Ran RunProgram(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
               int timeoutMs = 120000) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Ran ran;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        ran.err = QStringLiteral("timed out or did not start: ") + program;
        return ran;
    }
    ran.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    ran.out = QString::fromUtf8(process.readAllStandardOutput());
    ran.err = QString::fromUtf8(process.readAllStandardError());
    return ran;
}

bool WriteFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Builds the package once and unpacks it.
class PackageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new QTemporaryDir;
        ASSERT_TRUE(s_dir->isValid());
        const Ran cpack = RunProgram(QStringLiteral(XAL_CPACK),
                                     {QStringLiteral("-G"), QStringLiteral("DEB"),
                                      QStringLiteral("--config"), QStringLiteral(XAL_CPACK_CONFIG),
                                      QStringLiteral("-B"), s_dir->filePath(QStringLiteral("out"))},
                                     QProcessEnvironment::systemEnvironment(), 280000);
        ASSERT_EQ(cpack.exitCode, 0) << cpack.out.toStdString() << cpack.err.toStdString();
        const QStringList debs = QDir(s_dir->filePath(QStringLiteral("out")))
                                     .entryList({QStringLiteral("*.deb")}, QDir::Files);
        ASSERT_EQ(debs.size(), 1) << debs.join(u' ').toStdString();
        s_deb = s_dir->filePath(QStringLiteral("out/") + debs.front());
        s_root = s_dir->filePath(QStringLiteral("root"));
        const Ran unpack =
            RunProgram(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), s_deb, s_root});
        ASSERT_EQ(unpack.exitCode, 0) << unpack.err.toStdString();
    }
    static void TearDownTestSuite() {
        delete s_dir;
        s_dir = nullptr;
    }
    void SetUp() override { ASSERT_FALSE(s_root.isEmpty()) << "the package was not built"; }

    static QString Installed(const QString& path) {
        return s_root + QStringLiteral("/usr/") + path;
    }

    static QTemporaryDir* s_dir;
    static QString s_deb;
    static QString s_root;
};
QTemporaryDir* PackageTest::s_dir = nullptr;
QString PackageTest::s_deb;
QString PackageTest::s_root;

TEST_F(PackageTest, depends_on_the_packages_of_the_linked_libraries_only) {
    const Ran fields = RunProgram(QStringLiteral("dpkg-deb"),
                                  {QStringLiteral("-f"), s_deb, QStringLiteral("Package"),
                                   QStringLiteral("Version"), QStringLiteral("Depends")});
    ASSERT_EQ(fields.exitCode, 0) << fields.err.toStdString();
    EXPECT_TRUE(fields.out.contains(QStringLiteral("Package: xal-escript-editor\n")));
    EXPECT_TRUE(fields.out.contains(QStringLiteral("Version: " XAL_VERSION "\n")));
    for (const char* needed : {"libqt6widgets6", "libqt6gui6", "libqt6core6", "libmongoc-1.0-0",
                               "libbson-1.0-0", "libsqlite3-0", "libssl3", "libboost-regex"})
        EXPECT_TRUE(fields.out.contains(QLatin1String(needed))) << needed;
    // Build and test tools are no run-time dependency.
    for (const char* unneeded : {"-dev", "googletest", "libgtest", "libbenchmark", "python3"})
        EXPECT_FALSE(fields.out.contains(QLatin1String(unneeded))) << unneeded;
}

TEST_F(PackageTest, holds_programs_library_header_languages_desktop_entry_icons_and_readme) {
    for (const char* file :
         {"bin/XALScripEdit", "bin/xal-escript-launcher", "bin/xaldb", "bin/xalcrypt",
          "lib/libXalTools.so", "lib/xal/libxalrecorder.so", "lib/xal/libxalprint.so",
          "include/xal/xaltools.h", "lib/pkgconfig/xaltools.pc",
          "share/xal/lg/de/res/XALScriptEdit.de", "share/applications/xal-escript-editor.desktop",
          "share/icons/hicolor/48x48/apps/xal-escript-editor.png",
          "share/icons/hicolor/scalable/apps/xal-escript-editor.svg", "share/doc/xal/README.md"})
        EXPECT_TRUE(QFileInfo::exists(Installed(QLatin1String(file)))) << file;

    QFile desktop(Installed(QStringLiteral("share/applications/xal-escript-editor.desktop")));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QByteArray entry = desktop.readAll();
    EXPECT_TRUE(entry.contains("\nExec=xal-escript-launcher\n"));
    EXPECT_TRUE(entry.contains("\nIcon=xal-escript-editor\n"));
}

TEST_F(PackageTest, other_programs_build_against_the_installed_library_with_pkg_config) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PKG_CONFIG_PATH"), Installed(QStringLiteral("lib/pkgconfig")));
    const Ran flags = RunProgram(
        QStringLiteral("pkg-config"),
        {QStringLiteral("--cflags"), QStringLiteral("--libs"), QStringLiteral("xaltools")}, env);
    ASSERT_EQ(flags.exitCode, 0) << flags.err.toStdString();
    EXPECT_TRUE(flags.out.contains(QStringLiteral("-lXalTools")));

    const QString source = s_dir->filePath(QStringLiteral("user.cpp"));
    ASSERT_TRUE(WriteFile(source, "#include <xaltools.h>\n"
                                  "int main() { QString lg; XALReadUserLG(lg); "
                                  "return lg.isEmpty() ? 1 : 0; }\n"));
    QStringList arguments{QStringLiteral("-std=c++20"), QStringLiteral("-fPIC"), source,
                          QStringLiteral("-o"), s_dir->filePath(QStringLiteral("user"))};
    arguments += flags.out.simplified().split(u' ', Qt::SkipEmptyParts);
    const Ran compile = RunProgram(QStringLiteral("c++"), arguments, env);
    EXPECT_EQ(compile.exitCode, 0) << compile.err.toStdString();
}

TEST_F(PackageTest, installed_editor_starts_offscreen_on_the_demo_store_in_english_and_german) {
    const QString home = s_dir->filePath(QStringLiteral("home"));
    const QString store = s_dir->filePath(QStringLiteral("suite.db"));
    ASSERT_TRUE(WriteFile(home + QStringLiteral("/system/cfg/zvaccess.cfg"),
                          "[MongoDB]\nServer=embedded:" + QFile::encodeName(store) + '\n'));
    ASSERT_TRUE(WriteFile(home + QStringLiteral("/system/cfg/xal.cfg"),
                          "[Settings]\nXalServer=localhost:8080\n"));
    // Seeded as scripts/demo does, with the installed xaldb.
    const std::pair<const char*, const char*> seeds[] = {
        {"xaldata.escript", "/demo-escripts.json"}, {"xaldata.settings", "/demo-settings.json"}};
    for (const auto& [ns, file] : seeds) {
        const Ran import =
            RunProgram(Installed(QStringLiteral("bin/xaldb")),
                       {QStringLiteral("--server"), QStringLiteral("embedded:") + store,
                        QStringLiteral("import"), QLatin1String(ns),
                        QStringLiteral(XAL_SAMPLES_DIR) + QLatin1String(file)});
        ASSERT_EQ(import.exitCode, 0) << import.err.toStdString();
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"ZVLG", "zvlg", "DISPLAY", "WAYLAND_DISPLAY", "LD_LIBRARY_PATH"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("ZVHOME"), home); // a suite home without languages of its own
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), s_dir->filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), s_dir->filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XAL_MESSAGE_ANSWERS"), QStringLiteral("ok"));
    env.insert(QStringLiteral("XAL_EXIT_AFTER_START_MS"), QStringLiteral("300"));

    const QString editor = Installed(QStringLiteral("bin/XALScripEdit"));
    env.insert(QStringLiteral("zvlg"), QStringLiteral("en"));
    const Ran english = RunProgram(editor, {QStringLiteral("/xalid:demo-portal")}, env, 60000);
    EXPECT_EQ(english.exitCode, 0) << english.err.toStdString();
    EXPECT_FALSE(english.err.contains(QStringLiteral("message: "))) << english.err.toStdString();

    // The German language file comes from the installation's share folder.
    env.insert(QStringLiteral("zvlg"), QStringLiteral("de"));
    const Ran german = RunProgram(editor, {QStringLiteral("/xalid:no-such-escript")}, env, 60000);
    EXPECT_NE(german.exitCode, 0);
    EXPECT_TRUE(german.err.contains(
        QStringLiteral("message: Kein E-Script mit der XAL-ID 'no-such-escript' gefunden.")))
        << german.err.toStdString();

    // A recording from the start: the installed editor finds its recorder module (proxy only).
    // At the quit it tells of the emptied main script, or asks to save it once the root URL has
    // been handed over (then "no" to editing the domain list).
    env.insert(QStringLiteral("zvlg"), QStringLiteral("en"));
    env.insert(QStringLiteral("XAL_MESSAGE_ANSWERS"), QStringLiteral("ok,no"));
    env.insert(QStringLiteral("XAL_RECORDER_NO_BROWSER"), QStringLiteral("1"));
    env.insert(QStringLiteral("XAL_RECORDER_BROWSER"), QStringLiteral("/bin/true"));
    env.insert(QStringLiteral("XAL_RECORDER_CA_DIR"), s_dir->filePath(QStringLiteral("ca")));
    const Ran recording = RunProgram(
        editor, {QStringLiteral("/mode:recording"), QStringLiteral("/xalid:demo-portal")}, env,
        60000);
    EXPECT_EQ(recording.exitCode, 0) << recording.err.toStdString();
    EXPECT_TRUE(recording.err.contains(QStringLiteral("does not contain any URLs")) ||
                recording.err.contains(QStringLiteral("E-script data have been modified.")))
        << recording.err.toStdString();
    EXPECT_FALSE(recording.err.contains(QStringLiteral("could not be started")))
        << recording.err.toStdString();

    const Ran version = RunProgram(editor, {QStringLiteral("--version")});
    EXPECT_EQ(version.out, QStringLiteral("XALScripEdit " XAL_VERSION "\n"));
}
} // namespace
