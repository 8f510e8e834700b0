// Unsaved changes of the real editor program survive its end: kept while modified, written on
// SIGTERM without a question, offered at the next start of the same e-script, and gone after a
// save or a refusal.

#include "editorrun.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {
const QString kId = QStringLiteral("abc");
const QString kSaveQuestion = QStringLiteral("E-script data have been modified.");

class EditorRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_suite.IsReady());
        m_suite.InsertEScript(kId, QStringLiteral("t"));
    }

    [[nodiscard]] QString RecoveryFile() const {
        return m_suite.Home() + QStringLiteral("/state/xal/recovery/abc.json");
    }

    // Kept changes as an earlier run left them: the main script holds "/recovered".
    void PlantRecoveryFile() {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(RecoveryFile()).absolutePath()));
        QFile file(RecoveryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"_id": "abc", "title": "t", "rooturl": "http://www.example.com/",
            "urls": [{"url": "/recovered", "server": "www.example.com", "method": 0}]})");
    }

    [[nodiscard]] QString StoredFirstURL() {
        CMDBRecord doc;
        if (!m_suite.Db().SeekReference(QStringLiteral("xaldata.escript"), kId, doc))
            return QStringLiteral("<missing>");
        const CMDBRecord* urls = doc.GetArrayPtr(QStringLiteral("urls"));
        const CMDBRecord* first = urls != nullptr ? urls->GetRecordPtr(0) : nullptr;
        return first != nullptr ? first->GetStr(QStringLiteral("url")) : QString();
    }

    // Starts an editor that restores the kept changes; returns once they are restored.
    std::unique_ptr<QProcess> StartRestored() {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_suite.Environment(QStringLiteral("yes")));
        process->start(QStringLiteral(XALSCRIPEDIT_PATH), {QStringLiteral("/xalid:") + kId});
        if (!process->waitForStarted(10000))
            return nullptr;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000 && process->state() == QProcess::Running) {
            process->waitForReadyRead(100);
            m_stderr += QString::fromUtf8(process->readAllStandardError());
            if (m_stderr.contains(QStringLiteral("Restore them?"))) {
                QThread::msleep(300); // the answer is taken right after the line is written
                return process;
            }
        }
        process->kill();
        process->waitForFinished(5000);
        return nullptr;
    }

    static bool WaitForFile(const QString& path, int timeoutMs) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (QFileInfo::exists(path))
                return true;
            QThread::msleep(200);
        }
        return false;
    }

    SuiteInstallation m_suite;
    QString m_stderr;
};
} // namespace

TEST_F(EditorRecovery, changes_kept_before_kill_are_restored_and_saved_at_the_next_start) {
    PlantRecoveryFile();
    auto editor = StartRestored();
    ASSERT_TRUE(editor) << m_stderr.toStdString();
    // The restored e-script is modified: the editor keeps it again on its own.
    ASSERT_TRUE(QFile::remove(RecoveryFile()));
    ASSERT_TRUE(WaitForFile(RecoveryFile(), 45000));
    EXPECT_EQ(QFile::permissions(RecoveryFile()) & 0x0777, QFile::ReadUser | QFile::WriteUser);
    ::kill(static_cast<pid_t>(editor->processId()), SIGKILL);
    editor->waitForFinished(10000);
    EXPECT_EQ(StoredFirstURL(), QString()); // nothing was saved

    // Next start: restore (yes), then the closing question (yes) saves it.
    const EditorResult r = m_suite.Run({QStringLiteral("/xalid:abc")},
                                       m_suite.Environment(QStringLiteral("yes"), 500));
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    ASSERT_EQ(r.messages.size(), 2) << r.stderrText.toStdString();
    EXPECT_TRUE(r.messages[0].startsWith(QStringLiteral("The Script Editor ended on ")));
    EXPECT_TRUE(r.messages[0].contains(QStringLiteral("'abc'")));
    EXPECT_FALSE(r.messages[0].contains(QStringLiteral("Warning")));
    EXPECT_TRUE(r.messages[1].startsWith(kSaveQuestion)) << r.messages[1].toStdString();
    EXPECT_EQ(StoredFirstURL(), QStringLiteral("/recovered"));
    EXPECT_FALSE(QFileInfo::exists(RecoveryFile()));
}

// The program ends without freeing its windows, but only after closing the store as a normal
// end does: the save is in the database file and no log is left beside it.
TEST_F(EditorRecovery, a_save_on_close_is_in_the_store_file_when_the_program_has_ended) {
    PlantRecoveryFile();
    m_suite.Disconnect();
    const EditorResult r = m_suite.Run({QStringLiteral("/xalid:abc")},
                                       m_suite.Environment(QStringLiteral("yes"), 500));
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    EXPECT_FALSE(r.crashed);
    const QString store = m_suite.Home() + QStringLiteral("/suite.db");
    EXPECT_FALSE(QFileInfo::exists(store + QStringLiteral("-wal")));
    EXPECT_FALSE(QFileInfo::exists(store + QStringLiteral("-shm")));
    ASSERT_TRUE(m_suite.Reconnect());
    EXPECT_EQ(StoredFirstURL(), QStringLiteral("/recovered"));
    EXPECT_FALSE(m_suite.LockDocumentExists(kId));
}

TEST_F(EditorRecovery, sigterm_keeps_the_changes_and_ends_without_a_question) {
    PlantRecoveryFile();
    auto editor = StartRestored();
    ASSERT_TRUE(editor) << m_stderr.toStdString();
    ASSERT_TRUE(QFile::remove(RecoveryFile()));
    // Saving is impossible now; the signal must end the run all the same.
    m_suite.Db().Remove(QStringLiteral("xaldata.escript"), [] {
        CMDBRecord query;
        query.SetStr(QStringLiteral("_id"), kId);
        return query;
    }());

    editor->terminate();
    const EditorResult end = Finish(*editor, 5000);
    EXPECT_FALSE(end.timedOut || end.crashed);
    EXPECT_EQ(end.exitCode, 128 + SIGTERM);
    EXPECT_TRUE(end.messages.isEmpty()) << end.stderrText.toStdString();
    EXPECT_TRUE(QFileInfo::exists(RecoveryFile()));
    EXPECT_FALSE(m_suite.LockDocumentExists(kId));
}

TEST_F(EditorRecovery, stored_change_after_the_file_is_named_and_no_deletes_the_file) {
    PlantRecoveryFile();
    {
        QFile file(RecoveryFile());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                     QFileDevice::FileModificationTime));
    }
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), kId);
    CMDBRecord set;
    set.SetDateInMilliSecs(QStringLiteral("lastchanged"), CMongoDB::GetCurrentDateInMilliSecs());
    CMDBRecord update;
    update.SetRecord(QStringLiteral("$set"), set);
    ASSERT_TRUE(m_suite.Db().Update(QStringLiteral("xaldata.escript"), query, update));

    const EditorResult r =
        m_suite.Run({QStringLiteral("/xalid:abc")}, m_suite.Environment(QStringLiteral("no"), 300));
    EXPECT_EQ(r.exitCode, 0) << r.stderrText.toStdString();
    ASSERT_EQ(r.messages.size(), 1) << r.stderrText.toStdString();
    EXPECT_TRUE(
        r.messages[0].contains(QStringLiteral("Warning: the stored e-script was changed later")));
    EXPECT_FALSE(QFileInfo::exists(RecoveryFile()));
    EXPECT_EQ(StoredFirstURL(), QString());
}
