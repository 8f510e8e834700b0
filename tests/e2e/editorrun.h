#pragma once
// A temporary suite installation (ZVHOME with xal.cfg and zvaccess.cfg naming an embedded
// store or a given server, a private settings folder) and runs of the real editor program in it.

#include "mongodb.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

struct EditorResult {
    int exitCode = -1;
    bool crashed = false;
    bool timedOut = false;
    QStringList messages; // texts of the "message: " lines, in order
    QString stderrText;
    qint64 elapsedMs = 0;
};

class SuiteInstallation {
public:
    // The suite's database is the embedded store in the installation, or the given server.
    explicit SuiteInstallation(const QString& server = QString());
    ~SuiteInstallation();

    [[nodiscard]] bool IsReady() const { return m_db != nullptr; }
    CMongoDB& Db() { return *m_db; }
    // Closes the test's own connection, so that an editor run is the store's only user, and
    // opens it again.
    void Disconnect() { m_db.reset(); }
    bool Reconnect();
    [[nodiscard]] QString Home() const { return m_dir.path(); }

    // Writes zvaccess.cfg with this server text (default: the embedded store).
    void WriteAccessFile(const QString& server);
    void RemoveAccessFile();
    void InsertEScript(const QString& id, const QString& title);

    // Environment of an editor run; answers go to XAL_MESSAGE_ANSWERS.
    [[nodiscard]] QProcessEnvironment Environment(const QString& answers = QStringLiteral("ok"),
                                                  int exitAfterMs = -1) const;
    // Runs the editor to its end (killed after timeoutMs).
    EditorResult Run(const QStringList& arguments, const QProcessEnvironment& env,
                     int timeoutMs = 30000) const;
    // Starts an editor that keeps running; returns once it holds the lock on id (or null).
    std::unique_ptr<QProcess> StartHolding(const QString& id, int timeoutMs = 20000);

    [[nodiscard]] bool LockDocumentExists(const QString& id);
    // The stored recent list, first entry first.
    [[nodiscard]] QStringList RecentList() const;

private:
    QTemporaryDir m_dir;
    QString m_strServer;
    std::unique_ptr<CMongoDB> m_db;
};

EditorResult Finish(QProcess& process, int timeoutMs);
