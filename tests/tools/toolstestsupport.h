#pragma once
// Shared pieces of the XalTools tests: a temporary suite installation and the record of
// a program started by a launcher.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

// What the argument recorder (argrecorder.cpp) wrote about its start.
struct CRecordedStart {
    QString cwd;
    QStringList fds;
    QStringList args;
};

// Waits for "<dir>/<name>.args"; nothing when it does not appear within timeoutMs.
std::optional<CRecordedStart> WaitForStart(const QString& dir, const QString& name,
                                           int timeoutMs = 10000);

// Fixture base: clears the suite's variables so each test starts from no environment,
// and offers a temporary installation directory ("zvhome") with its cfg folder.
class CSuiteTest : public ::testing::Test {
protected:
    void SetUp() override;

    [[nodiscard]] QString Home() const { return m_home.path(); }
    [[nodiscard]] QString CfgPath(const QString& file) const;
    // Sets "zvhome" to the temporary installation.
    void UseHome();
    // Writes an access file (section "MongoDB") into the installation's cfg folder; pw is
    // stored as given (encrypt it first for a real password).
    void WriteAccessFile(const QString& server, const QString& set = QString(),
                         const QString& user = QString(), const std::optional<QString>& pw = {});
    void WriteXalCfg(const QString& xalServer);

    QTemporaryDir m_home;
};

bool WriteTextFile(const QString& path, const QByteArray& bytes);
