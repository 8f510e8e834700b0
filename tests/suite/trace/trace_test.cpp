#include "qjtrace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include <sys/stat.h>

namespace {
// Each test traces into its own folder; the writer follows the environment.
class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("logs/xal/trace.log"));
        qputenv("XAL_TRACE_FILE", QFile::encodeName(m_path));
        qunsetenv("XAL_TRACE_LEVEL");
        qunsetenv("XAL_TRACE_MAX_SIZE");
        qunsetenv("XAL_TRACE_STDERR");
        QJTraceReconfigure();
    }
    void TearDown() override {
        QJTraceFlush();
        qputenv("XAL_TRACE_FILE", "-");
        QJTraceReconfigure();
    }

    QByteArray Read(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QString m_path;
};

TEST_F(TraceTest, rotates_at_the_configured_size_and_keeps_whole_lines_from_many_threads) {
    qputenv("XAL_TRACE_MAX_SIZE", "8192");
    QJTraceReconfigure();
    constexpr int kThreads = 4;
    constexpr int kLines = 2000;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < kLines; ++i)
                QJTrace(6, QStringLiteral("src"), QStringLiteral("thread %s line %s %s"),
                        {QString::number(t), QString::number(i), QString(20 + i % 30, u'x')});
        });
    for (std::thread& w : writers)
        w.join();
    QJTraceFlush();

    const QDir folder = QFileInfo(m_path).dir();
    EXPECT_EQ(folder.entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("trace.log"), QStringLiteral("trace.log.1")}));
    const QRegularExpression whole(QStringLiteral(
        R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3} 6 src: thread \d line (\d+) x+$)"));
    for (const QString& name : {m_path, m_path + QStringLiteral(".1")}) {
        const QByteArray text = Read(name);
        // One line past the limit at most: the file is rotated as soon as it reaches it.
        EXPECT_LT(text.size(), 8192 + 200) << name.toStdString();
        EXPECT_TRUE(text.endsWith('\n'));
        for (const QByteArray& line : text.split('\n')) {
            if (line.isEmpty())
                continue;
            const auto match = whole.match(QString::fromUtf8(line));
            ASSERT_TRUE(match.hasMatch()) << line.toStdString();
            EXPECT_EQ(line.count('x'), 20 + match.captured(1).toInt() % 30) << line.toStdString();
        }
    }
    // The newest lines are in the current file.
    EXPECT_TRUE(Read(m_path).contains(QByteArray("line ") + QByteArray::number(kLines - 1)));
}

TEST_F(TraceTest, file_and_new_folders_are_private) {
    QJTrace(kTraceErrorLevel, QStringLiteral("src"), QStringLiteral("private"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(m_path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(m_dir.filePath(QStringLiteral("logs"))).constData(), &st),
              0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TraceTest, errors_are_written_at_once_and_other_lines_within_a_few_seconds) {
    QJTrace(6, QStringLiteral("src"), QStringLiteral("ordinary"));
    QJTrace(kTraceErrorLevel, QStringLiteral("src"), QStringLiteral("failure"));
    const QByteArray atOnce = Read(m_path);
    EXPECT_TRUE(atOnce.contains(" 1 src: failure\n"));
    EXPECT_TRUE(atOnce.contains(" 6 src: ordinary\n")) << "earlier lines go out first";

    QJTrace(6, QStringLiteral("src"), QStringLiteral("later"));
    QByteArray text;
    for (int i = 0; i < 100 && !text.contains("later"); ++i) {
        QThread::msleep(50);
        text = Read(m_path);
    }
    EXPECT_TRUE(text.contains(" 6 src: later\n"));
}

TEST_F(TraceTest, levels_above_the_limit_are_skipped_and_level_zero_turns_tracing_off) {
    qputenv("XAL_TRACE_LEVEL", "2");
    QJTraceReconfigure();
    EXPECT_FALSE(QJTraceEnabled(6));
    QJTrace(6, QStringLiteral("src"), QStringLiteral("detail"));
    QJTrace(2, QStringLiteral("src"), QStringLiteral("root %s"), {QStringLiteral("http://a")});
    qputenv("XAL_TRACE_LEVEL", "0");
    QJTraceReconfigure();
    QJTrace(1, QStringLiteral("src"), QStringLiteral("off"));
    QJTraceFlush();
    const QByteArray text = Read(m_path);
    EXPECT_FALSE(text.contains("detail"));
    EXPECT_FALSE(text.contains("off"));
    EXPECT_TRUE(text.contains(" 2 src: root http://a\n"));
}
} // namespace
