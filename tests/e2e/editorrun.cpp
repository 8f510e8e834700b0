#include "editorrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QThread>

namespace {
bool WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) >= 0;
}

QStringList MessageLines(const QString& text) {
    QStringList out;
    const QString prefix = QStringLiteral("message: ");
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            out.append(line.mid(prefix.size()));
    return out;
}
} // namespace

SuiteInstallation::SuiteInstallation(const QString& server) : m_strServer(server) {
    if (!m_dir.isValid())
        return;
    WriteAccessFile(QString());
    WriteFile(m_dir.filePath(QStringLiteral("system/cfg/xal.cfg")),
              "[Settings]\nXalServer = proxy.example:8080\n");
    Reconnect();
}

bool SuiteInstallation::Reconnect() {
    auto db = std::make_unique<CMongoDB>(m_strServer.isEmpty()
                                             ? QStringLiteral("embedded:") +
                                                   m_dir.filePath(QStringLiteral("suite.db"))
                                             : m_strServer,
                                         QString());
    QString error;
    if (!db->Connect(error))
        return false;
    m_db = std::move(db);
    return true;
}

SuiteInstallation::~SuiteInstallation() = default;

void SuiteInstallation::WriteAccessFile(const QString& server) {
    QString text = server.isEmpty() ? m_strServer : server;
    if (text.isEmpty())
        text = QStringLiteral("embedded:") + m_dir.filePath(QStringLiteral("suite.db"));
    WriteFile(m_dir.filePath(QStringLiteral("system/cfg/zvaccess.cfg")),
              "[MongoDB]\nServer = " + text.toUtf8() + "\n");
}

void SuiteInstallation::RemoveAccessFile() {
    QFile::remove(m_dir.filePath(QStringLiteral("system/cfg/zvaccess.cfg")));
}

void SuiteInstallation::InsertEScript(const QString& id, const QString& title) {
    CMDBRecord doc;
    doc.SetStr(QStringLiteral("_id"), id);
    doc.SetStr(QStringLiteral("title"), title);
    doc.SetStr(QStringLiteral("rooturl"), QStringLiteral("http://www.example.com/"));
    m_db->Insert(QStringLiteral("xaldata.escript"), doc);
}

QProcessEnvironment SuiteInstallation::Environment(const QString& answers, int exitAfterMs) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"ZVLG", "zvlg", "XAL_EXIT_AFTER_START_MS",
                             "XAL_EXIT_AFTER_FIRST_PAINT", "XAL_MESSAGE_ANSWERS"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("ZVHOME"), m_dir.path());
    env.insert(QStringLiteral("ZVLG"), QStringLiteral("en"));
    env.insert(QStringLiteral("XAL_MESSAGE_ANSWERS"), answers);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir.filePath(QStringLiteral("state")));
    env.insert(QStringLiteral("XAL_TRACE_FILE"), QStringLiteral("-"));
    // "/mode:recording" records for real: the recorder's proxy only, no browser window, and
    // its certificate authority inside the installation.
    env.insert(QStringLiteral("XAL_RECORDER_NO_BROWSER"), QStringLiteral("1"));
    env.insert(QStringLiteral("XAL_RECORDER_CA_DIR"), m_dir.filePath(QStringLiteral("recorder")));
    if (exitAfterMs >= 0)
        env.insert(QStringLiteral("XAL_EXIT_AFTER_START_MS"), QString::number(exitAfterMs));
    return env;
}

EditorResult Finish(QProcess& process, int timeoutMs) {
    EditorResult result;
    QElapsedTimer timer;
    timer.start();
    if (!process.waitForFinished(timeoutMs)) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(5000);
    }
    result.elapsedMs = timer.elapsed();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.stderrText = QString::fromUtf8(process.readAllStandardError());
    result.messages = MessageLines(result.stderrText);
    return result;
}

EditorResult SuiteInstallation::Run(const QStringList& arguments, const QProcessEnvironment& env,
                                    int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(XALSCRIPEDIT_PATH), arguments);
    if (!process.waitForStarted(10000))
        return EditorResult{};
    return Finish(process, timeoutMs);
}

std::unique_ptr<QProcess> SuiteInstallation::StartHolding(const QString& id, int timeoutMs) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(Environment());
    process->start(QStringLiteral(XALSCRIPEDIT_PATH), {QStringLiteral("/xalid:") + id});
    if (!process->waitForStarted(10000))
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (process->state() != QProcess::Running)
            return nullptr;
        if (LockDocumentExists(id))
            return process;
        QThread::msleep(50);
    }
    process->kill();
    process->waitForFinished(5000);
    return nullptr;
}

bool SuiteInstallation::LockDocumentExists(const QString& id) {
    CMDBRecord doc;
    return m_db->SeekReference(QStringLiteral("xaldata.locks"), QStringLiteral("1:") + id, doc);
}

QStringList SuiteInstallation::RecentList() const {
    const QString path =
        m_dir.filePath(QStringLiteral("config/Brenvik Software GmbH/ScriptEditor.conf"));
    QSettings settings(path, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("RecentXALScript"));
    QStringList out;
    for (int i = 1; i <= 10; ++i) {
        const QString value = settings.value(QStringLiteral("XALScript%1").arg(i)).toString();
        if (!value.isEmpty())
            out.append(value);
    }
    return out;
}
