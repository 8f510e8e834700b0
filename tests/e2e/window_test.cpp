// The real editor window as a user drives it: a virtual X server of its own, the keyboard
// through xdotool (key tips and accelerators of the ribbon, windows found by their titles),
// and the stored documents read back with xaldb, as in the demo's home.

#include "editorrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <iostream>
#include <sys/types.h>

namespace {

constexpr int kWindowTimeoutMs = 30000;

struct CommandResult {
    int exitCode = -1;
    QString out;
    QString err;
};

CommandResult RunCommand(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& env, int timeoutMs = 20000) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    CommandResult result;
    if (!process.waitForStarted(10000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

// A process that is not our child (the editor started by another editor) has ended when it
// is gone or only a zombie waiting for its reaper.
bool ProcessEnded(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        m_xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (m_xvfb.isEmpty() || m_xdotool.isEmpty())
            GTEST_SKIP() << "Xvfb and xdotool are needed to drive the real window "
                            "(scripts/install-deps installs them); not found in PATH";
        ASSERT_TRUE(m_suite.IsReady());
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        m_env = m_suite.Environment();
        // Real message boxes and the real platform: what a user sees.
        m_env.remove(QStringLiteral("XAL_MESSAGE_ANSWERS"));
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.insert(QStringLiteral("DISPLAY"), m_display);
        m_env.insert(QStringLiteral("XAL_TRACE_FILE"), m_suite.Home() + QStringLiteral("/trace"));
        ASSERT_NO_FATAL_FAILURE(ImportSamples());
    }

    void TearDown() override {
        for (qint64 pid : m_otherEditors)
            if (!ProcessEnded(pid))
                ::kill(static_cast<pid_t>(pid), SIGKILL);
        for (QProcess* process : {&m_editor, &m_server}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        if (HasFailure()) {
            QFile trace(m_suite.Home() + QStringLiteral("/trace"));
            if (trace.open(QIODevice::ReadOnly))
                std::cerr << "trace of the editors:\n" << trace.readAll().toStdString();
            std::cerr << "editor's error output:\n"
                      << m_editor.readAllStandardError().toStdString();
        }
    }

    // Xvfb picks a free display number itself and writes it to the descriptor given.
    void StartDisplay() {
        m_server.setProgram(m_xvfb);
        m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                               QStringLiteral("-screen"), QStringLiteral("0"),
                               QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                               QStringLiteral("tcp")});
        m_server.start();
        ASSERT_TRUE(m_server.waitForStarted(10000)) << "Xvfb did not start";
        QElapsedTimer timer;
        timer.start();
        QByteArray out;
        while (!out.contains('\n') && timer.elapsed() < kWindowTimeoutMs &&
               m_server.state() == QProcess::Running) {
            m_server.waitForReadyRead(200);
            out += m_server.readAllStandardOutput();
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        ASSERT_TRUE(ok) << "Xvfb gave no display number: "
                        << m_server.readAllStandardError().toStdString();
        m_display = QLatin1Char(':') + QString::number(number);
    }

    QString Xaldb() const { return QStringLiteral(XALDB_PATH); }
    QStringList Server() const {
        return {QStringLiteral("--server"),
                QStringLiteral("embedded:") + m_suite.Home() + QStringLiteral("/suite.db")};
    }

    void ImportSamples() {
        for (const auto& [ns, file] : {std::pair{"xaldata.escript", "demo-escripts.json"},
                                       std::pair{"xaldata.settings", "demo-settings.json"}}) {
            const CommandResult r =
                RunCommand(Xaldb(),
                           Server() << QStringLiteral("import") << QLatin1String(ns)
                                    << QStringLiteral(XAL_SAMPLES_DIR "/") + QLatin1String(file),
                           m_env);
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        }
    }

    // The stored document, through the suite's own export tool.
    QJsonObject Exported(const QString& ns, const QString& id) {
        const CommandResult r =
            RunCommand(Xaldb(), Server() << QStringLiteral("export") << ns << id, m_env);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out.toUtf8()).object();
    }

    CommandResult Xdo(const QStringList& arguments) {
        return RunCommand(m_xdotool, arguments, m_env);
    }

    QString WindowNames() {
        return Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                    QStringLiteral("--name"), QStringLiteral("."), QStringLiteral("getwindowname"),
                    QStringLiteral("%@")})
            .out;
    }

    // The first visible window whose title matches the pattern; empty after the timeout.
    QString WaitForWindow(const QString& pattern, int timeoutMs = kWindowTimeoutMs) {
        QElapsedTimer timer;
        timer.start();
        do {
            const CommandResult r = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                         QStringLiteral("--name"), pattern});
            if (r.exitCode == 0 && !r.out.trimmed().isEmpty())
                return r.out.split(u'\n').front().trimmed();
            QThread::msleep(200);
        } while (timer.elapsed() < timeoutMs);
        ADD_FAILURE() << "no window titled like '" << pattern.toStdString() << "'; windows shown:\n"
                      << WindowNames().toStdString();
        return {};
    }

    bool WaitForWindowGone(const QString& window) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < kWindowTimeoutMs) {
            if (Xdo({QStringLiteral("getwindowname"), window}).exitCode != 0 ||
                !Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral(".")})
                     .out.contains(window))
                return true;
            QThread::msleep(200);
        }
        return false;
    }

    // Keys go to the window that has the input focus; there is no window manager to give it.
    void Keys(const QString& window, const QStringList& keys) {
        ASSERT_EQ(Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}).exitCode,
                  0);
        for (const QString& key : keys) {
            ASSERT_EQ(
                Xdo({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), key}).exitCode, 0);
            QThread::msleep(150); // key tips show between the keys
        }
    }

    void Type(const QString& text) {
        ASSERT_EQ(
            Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text})
                .exitCode,
            0);
    }

    void StartEditor(const QString& id) {
        m_editor.setProcessEnvironment(m_env);
        m_editor.start(QStringLiteral(XALSCRIPEDIT_PATH), {QStringLiteral("/xalid:") + id});
        ASSERT_TRUE(m_editor.waitForStarted(10000));
    }

    qint64 WindowPid(const QString& window) {
        return Xdo({QStringLiteral("getwindowpid"), window}).out.trimmed().toLongLong();
    }

    SuiteInstallation m_suite;
    QString m_xvfb;
    QString m_xdotool;
    QString m_display;
    QProcess m_server;
    QProcess m_editor;
    QProcessEnvironment m_env;
    QList<qint64> m_otherEditors;
};

QStringList Strings(const QJsonValue& array) {
    QStringList out;
    for (const QJsonValue& v : array.toArray())
        out << v.toString();
    return out;
}

} // namespace

TEST_F(EditorWindow, properties_then_new_escript_opened_in_a_second_editor) {
    ASSERT_NO_FATAL_FAILURE(StartEditor(QStringLiteral("demo-portal")));
    const QString main = WaitForWindow(QStringLiteral("XALID: demo-portal, title: Demo portal"));
    ASSERT_FALSE(main.isEmpty());
    const QJsonObject before =
        Exported(QStringLiteral("xaldata.escript"), QStringLiteral("demo-portal"));

    // Properties by the ribbon's key tips; only the title changes, the stored domains stay.
    ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("alt+e"), QStringLiteral("p")}));
    const QString props = WaitForWindow(QStringLiteral("^E-script properties - demo-portal"));
    ASSERT_FALSE(props.isEmpty());
    ASSERT_NO_FATAL_FAILURE(Keys(props, {QStringLiteral("alt+t"), QStringLiteral("ctrl+a")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("Staff portal (renamed)")));
    ASSERT_NO_FATAL_FAILURE(Keys(props, {QStringLiteral("Return")}));
    ASSERT_TRUE(WaitForWindowGone(props)) << "the dialog refused its own data:\n"
                                          << WindowNames().toStdString();
    ASSERT_FALSE(
        WaitForWindow(QStringLiteral("XALID: demo-portal, title: Staff portal \\(renamed\\)"))
            .isEmpty());
    ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("ctrl+s")}));

    const QJsonObject after =
        Exported(QStringLiteral("xaldata.escript"), QStringLiteral("demo-portal"));
    EXPECT_EQ(after.value(QStringLiteral("title")).toString(),
              QStringLiteral("Staff portal (renamed)"));
    EXPECT_EQ(Strings(after.value(QStringLiteral("domainlist"))),
              Strings(before.value(QStringLiteral("domainlist"))));
    EXPECT_EQ(Strings(after.value(QStringLiteral("domainlist"))),
              QStringList(QStringLiteral(".demo-portal.example.com")));
    EXPECT_EQ(after.value(QStringLiteral("urls")), before.value(QStringLiteral("urls")));

    // New e-script by its accelerator, "Open it": a second editor comes up on the new ID.
    ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("ctrl+n")}));
    const QString create = WaitForWindow(QStringLiteral("^New e-script"));
    ASSERT_FALSE(create.isEmpty());
    ASSERT_NO_FATAL_FAILURE(Keys(create, {QStringLiteral("alt+i")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("e2e-new")));
    ASSERT_NO_FATAL_FAILURE(Keys(create, {QStringLiteral("alt+t")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("Created by keyboard")));
    ASSERT_NO_FATAL_FAILURE(Keys(create, {QStringLiteral("alt+r")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("https://www.e2e.example.org/login")));
    ASSERT_NO_FATAL_FAILURE(Keys(create, {QStringLiteral("Return")}));

    const QString second =
        WaitForWindow(QStringLiteral("XALID: e2e-new, title: Created by keyboard"));
    ASSERT_FALSE(second.isEmpty());
    const qint64 secondPid = WindowPid(second);
    ASSERT_GT(secondPid, 0);
    m_otherEditors << secondPid;
    EXPECT_NE(secondPid, m_editor.processId());
    EXPECT_TRUE(m_suite.LockDocumentExists(QStringLiteral("e2e-new")));

    const QJsonObject created =
        Exported(QStringLiteral("xaldata.escript"), QStringLiteral("e2e-new"));
    EXPECT_EQ(created.value(QStringLiteral("title")).toString(),
              QStringLiteral("Created by keyboard"));
    EXPECT_EQ(created.value(QStringLiteral("rooturl")).toString(),
              QStringLiteral("https://www.e2e.example.org/login"));
    EXPECT_TRUE(created.value(QStringLiteral("urls")).toArray().isEmpty());

    // XAL Tools is installed nowhere here: the user is told, and the trace names the folders.
    ASSERT_NO_FATAL_FAILURE(Keys(second, {QStringLiteral("ctrl+t")}));
    const QString notice = WaitForWindow(QStringLiteral("^XAL E-script Editor$"));
    ASSERT_FALSE(notice.isEmpty());
    ASSERT_NO_FATAL_FAILURE(Keys(notice, {QStringLiteral("Return")}));
    ASSERT_TRUE(WaitForWindowGone(notice));
    QFile trace(m_suite.Home() + QStringLiteral("/trace"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_TRUE(trace.readAll().contains(
        "Program 'xaltools' not found in: " +
        QFileInfo(QStringLiteral(XALSCRIPEDIT_PATH)).canonicalPath().toUtf8()));

    // Both close through the application menu's key tips and give their locks back.
    ASSERT_NO_FATAL_FAILURE(Keys(second, {QStringLiteral("alt+m"), QStringLiteral("x")}));
    QElapsedTimer timer;
    timer.start();
    while (!ProcessEnded(secondPid) && timer.elapsed() < kWindowTimeoutMs)
        QThread::msleep(100);
    EXPECT_TRUE(ProcessEnded(secondPid));
    EXPECT_FALSE(m_suite.LockDocumentExists(QStringLiteral("e2e-new")));

    ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("alt+m"), QStringLiteral("x")}));
    ASSERT_TRUE(m_editor.waitForFinished(kWindowTimeoutMs));
    EXPECT_EQ(m_editor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_editor.exitCode(), 0);
    EXPECT_FALSE(m_suite.LockDocumentExists(QStringLiteral("demo-portal")));
    EXPECT_EQ(Exported(QStringLiteral("xaldata.escript"), QStringLiteral("demo-portal"))
                  .value(QStringLiteral("title"))
                  .toString(),
              QStringLiteral("Staff portal (renamed)"));
}

TEST_F(EditorWindow, url_created_with_the_keyboard_is_saved_to_the_store) {
    ASSERT_NO_FATAL_FAILURE(StartEditor(QStringLiteral("demo-portal")));
    const QString main = WaitForWindow(QStringLiteral("XALID: demo-portal, title: Demo portal"));
    ASSERT_FALSE(main.isEmpty());

    // Row 0 is selected after loading: Create adds the new URL right after its block. The
    // command is enabled once the window has updated its commands, which on a busy machine may
    // come after the window shows: the key is pressed again until the dialog is there.
    QString dialog;
    for (int attempt = 0; attempt < 20 && dialog.isEmpty(); ++attempt) {
        ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("ctrl+r")}));
        QThread::msleep(500);
        dialog = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                      QStringLiteral("--name"), QStringLiteral("^XAL Script Editor - Add URL")})
                     .out.split(u'\n')
                     .front()
                     .trimmed();
    }
    ASSERT_FALSE(dialog.isEmpty()) << WindowNames().toStdString();
    ASSERT_NO_FATAL_FAILURE(Keys(dialog, {QStringLiteral("alt+s")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("new.example.org")));
    ASSERT_NO_FATAL_FAILURE(Keys(dialog, {QStringLiteral("alt+r")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("/created")));
    ASSERT_NO_FATAL_FAILURE(Keys(dialog, {QStringLiteral("alt+a")}));
    const QString param = WaitForWindow(QStringLiteral("^XAL Script Editor - Add Parameter"));
    ASSERT_FALSE(param.isEmpty());
    ASSERT_NO_FATAL_FAILURE(Keys(param, {QStringLiteral("alt+n")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("q")));
    ASSERT_NO_FATAL_FAILURE(Keys(param, {QStringLiteral("alt+v")}));
    ASSERT_NO_FATAL_FAILURE(Type(QStringLiteral("42")));
    ASSERT_NO_FATAL_FAILURE(Keys(param, {QStringLiteral("Return")}));
    ASSERT_TRUE(WaitForWindowGone(param)) << WindowNames().toStdString();
    ASSERT_NO_FATAL_FAILURE(Keys(dialog, {QStringLiteral("Return")}));
    ASSERT_TRUE(WaitForWindowGone(dialog)) << WindowNames().toStdString();

    ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("ctrl+s")}));
    // The new server is no listed domain: the save asks whether to edit the list.
    const QString question = WaitForWindow(QStringLiteral("^XAL E-script Editor$"));
    ASSERT_FALSE(question.isEmpty());
    ASSERT_NO_FATAL_FAILURE(Keys(question, {QStringLiteral("alt+n")}));
    ASSERT_TRUE(WaitForWindowGone(question));

    const QJsonArray urls =
        Exported(QStringLiteral("xaldata.escript"), QStringLiteral("demo-portal"))
            .value(QStringLiteral("urls"))
            .toArray();
    ASSERT_GE(urls.size(), 2);
    const QJsonObject created = urls.at(1).toObject();
    EXPECT_EQ(created.value(QStringLiteral("server")).toString(),
              QStringLiteral("new.example.org"));
    EXPECT_EQ(created.value(QStringLiteral("url")).toString(), QStringLiteral("/created"));
    const QJsonArray params = created.value(QStringLiteral("parameters")).toArray();
    ASSERT_EQ(params.size(), 1);
    EXPECT_EQ(params.at(0).toObject().value(QStringLiteral("name")).toString(),
              QStringLiteral("q"));
    EXPECT_EQ(params.at(0).toObject().value(QStringLiteral("value")).toString(),
              QStringLiteral("42"));

    ASSERT_NO_FATAL_FAILURE(Keys(main, {QStringLiteral("alt+m"), QStringLiteral("x")}));
    ASSERT_TRUE(m_editor.waitForFinished(kWindowTimeoutMs));
    EXPECT_EQ(m_editor.exitCode(), 0);
}
