#include "ansicodepage.h"
#include "qjinifile.h"
#include "qjstdiofile.h"
#include "testfiles.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    QString Path(const QString& name = QStringLiteral("xal.cfg")) const {
        return m_dir.filePath(name);
    }
    // The value of section/key, or "<missing>".
    static QString Value(const CQJIniFile& ini, const QString& section, const QString& key) {
        QString value = QStringLiteral("<missing>");
        ini.GetValue(section, key, value);
        return value;
    }

    QTemporaryDir m_dir;
};

// Holds an exclusive lock on a file through its own open file description, as another
// process reading the file would.
class ForeignLock {
public:
    explicit ForeignLock(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC)) {
        if (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~ForeignLock() { Release(); }
    ForeignLock(const ForeignLock&) = delete;
    ForeignLock& operator=(const ForeignLock&) = delete;
    [[nodiscard]] bool Held() const { return m_fd >= 0; }
    void Release() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

const char kSample[] = "Orphan=ignored before any section\r\n"
                       "; comment before the section\r\n"
                       "[settings]\r\n"
                       "  XalServer  =\t 'proxy.local:8080' \r\n"
                       "Quoted = \" spaced \"\r\n"
                       "Open = \"only opening\r\n"
                       "Equation = a=b=c\r\n"
                       "no equals sign here\r\n"
                       "; comment between keys\r\n"
                       "Repeat = first\r\n"
                       "[Other]\r\n"
                       "[x=y]\r\n"
                       "[ Spaced Name ]\r\n"
                       "Inner = yes\r\n"
                       "[SETTINGS]\r\n"
                       "repeat = last\r\n"
                       "Merged = from second header\r\n"
                       "; trailing comment\r\n";

TEST_F(IniFile, parses_sections_keys_and_values) {
    WriteBytes(Path(), kSample);
    CQJIniFile ini(Path());
    ASSERT_EQ(ini.Read(), 0);

    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("xalserver")),
              QStringLiteral("proxy.local:8080"));
    EXPECT_EQ(Value(ini, QStringLiteral(" SETTINGS "), QStringLiteral("\tXALSERVER\r")),
              QStringLiteral("proxy.local:8080"));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("Quoted")),
              QStringLiteral(" spaced "));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("Open")),
              QStringLiteral("\"only opening"));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("Equation")),
              QStringLiteral("a=b=c"));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("Repeat")),
              QStringLiteral("last"));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("Merged")),
              QStringLiteral("from second header"));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("Orphan")),
              QStringLiteral("<missing>"));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("no equals sign here")),
              QStringLiteral("<missing>"));
    // Once a section exists, a bracketed line with "=" is a key line of that section.
    EXPECT_EQ(Value(ini, QStringLiteral("Other"), QStringLiteral("[x")), QStringLiteral("y]"));
    // Blanks inside the brackets belong to the name; only quotes let a lookup keep them.
    EXPECT_EQ(Value(ini, QStringLiteral("Spaced Name"), QStringLiteral("Inner")),
              QStringLiteral("<missing>"));
    EXPECT_EQ(Value(ini, QStringLiteral("\" Spaced Name \""), QStringLiteral("Inner")),
              QStringLiteral("yes"));
    EXPECT_GT(ini.GetLastWriteTime(), 0);
}

TEST_F(IniFile, bracketed_line_with_equals_before_any_section_is_a_header) {
    WriteBytes(Path(), "[a=b]\nk=v\n");
    CQJIniFile ini(Path());
    ASSERT_EQ(ini.Read(), 0);
    EXPECT_EQ(Value(ini, QStringLiteral("a=b"), QStringLiteral("k")), QStringLiteral("v"));
}

TEST_F(IniFile, failed_lookups_leave_the_value_alone) {
    WriteBytes(Path(), "[S]\nk=v\n");
    CQJIniFile ini(Path());
    QString value = QStringLiteral("untouched");
    EXPECT_FALSE(ini.GetValue(QStringLiteral("S"), QStringLiteral("k"), value)) << "before Read";
    EXPECT_FALSE(ini.WasRead());
    ASSERT_EQ(ini.Read(), 0);
    EXPECT_TRUE(ini.WasRead());
    EXPECT_FALSE(ini.GetValue(QString(), QStringLiteral("k"), value));
    EXPECT_FALSE(ini.GetValue(QStringLiteral("S"), QString(), value));
    EXPECT_FALSE(ini.GetValue(QStringLiteral("T"), QStringLiteral("k"), value));
    EXPECT_FALSE(ini.GetValue(QStringLiteral("S"), QStringLiteral("j"), value));
    EXPECT_EQ(value, QStringLiteral("untouched"));
}

TEST_F(IniFile, reads_utf16_with_and_without_mark_and_ansi_alike) {
    const QString text = QStringLiteral("[Settings]\r\nXalServer=\u20ACuro-\u00E9t\u00E9\r\n");
    const QByteArray files[] = {Utf16Bytes(text, true), Utf16Bytes(text, false),
                                QByteArray("[Settings]\r\nXalServer=\x80uro-\xE9t\xE9\r\n")};
    for (const QByteArray& bytes : files) {
        WriteBytes(Path(), bytes);
        CQJIniFile ini(Path());
        ASSERT_EQ(ini.Read(), 0);
        EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("XalServer")),
                  QStringLiteral("\u20ACuro-\u00E9t\u00E9"));
    }
}

TEST_F(IniFile, missing_file_is_created_empty) {
    CQJIniFile ini(Path());
    EXPECT_EQ(ini.GetLastWriteTime(), -1);
    ASSERT_EQ(ini.Read(), 0);
    EXPECT_TRUE(QFileInfo::exists(Path()));
    EXPECT_EQ(QFileInfo(Path()).size(), 0) << "the reader never writes a configuration";
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("XalServer")),
              QStringLiteral("<missing>"));
    EXPECT_GT(ini.GetLastWriteTime(), 0);
}

TEST_F(IniFile, unopenable_paths_report_their_error_at_once) {
    struct Case {
        QString path;
        int error;
    };
    const Case cases[] = {
        {Path(QStringLiteral("no-folder/xal.cfg")), 3},
        {m_dir.path(), 5},
        {QString(), 3},
    };
    for (const Case& c : cases) {
        CQJIniFile ini(c.path);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ini.Read(), c.error) << c.path.toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50))
            << "only a sharing violation is retried";
        EXPECT_EQ(ini.GetLastWriteTime(), -1);
    }
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("no-folder"))));
}

TEST_F(IniFile, read_only_configuration_is_still_read) {
    WriteBytes(Path(), "[Settings]\nXalServer=s\n");
    ASSERT_TRUE(
        QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const auto readAsUser = [this] {
        CQJIniFile ini(Path());
        QString value;
        return ini.Read() == 0 &&
               ini.GetValue(QStringLiteral("Settings"), QStringLiteral("XalServer"), value) &&
               value == QStringLiteral("s");
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(readAsUser());
        return;
    }
    // Root may write anything, so an unprivileged child does the reading.
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && readAsUser();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(IniFile, file_locked_elsewhere_fails_with_32_after_the_retries) {
    WriteBytes(Path(), "[Settings]\nXalServer=s\n");
    ForeignLock lock(Path());
    ASSERT_TRUE(lock.Held());
    CQJIniFile ini(Path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ini.Read(), 32);
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(CQJIniFile::kOpenAttempts * CQJIniFile::kRetryPauseMs));
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("XalServer")),
              QStringLiteral("<missing>"));
}

TEST_F(IniFile, lock_released_during_the_retries_is_picked_up) {
    WriteBytes(Path(), "[Settings]\nXalServer=s\n");
    ForeignLock lock(Path());
    ASSERT_TRUE(lock.Held());
    std::thread releaser([&lock] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        lock.Release();
    });
    CQJIniFile ini(Path());
    const int result = ini.Read();
    releaser.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Value(ini, QStringLiteral("Settings"), QStringLiteral("XalServer")),
              QStringLiteral("s"));
}

TEST_F(IniFile, open_reader_excludes_another_until_closed) {
    WriteBytes(Path(), "[S]\nk=v\n");
    CQJIniFile first(Path());
    CQJIniFile second(Path());
    ASSERT_EQ(first.Read(), 0);
    EXPECT_EQ(second.Read(), 32);
    first.Close();
    EXPECT_EQ(second.Read(), 0);
    EXPECT_EQ(Value(second, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("v"));
    EXPECT_EQ(Value(first, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("v"))
        << "values stay after Close";
}

TEST_F(IniFile, read_again_reflects_the_changed_file) {
    WriteBytes(Path(), "[S]\nold=1\n");
    CQJIniFile ini(Path());
    ASSERT_EQ(ini.Read(), 0);
    ini.Close();
    WriteBytes(Path(), "[S]\nnew=2\n");
    ASSERT_EQ(ini.Read(), 0);
    EXPECT_EQ(Value(ini, QStringLiteral("S"), QStringLiteral("old")), QStringLiteral("<missing>"));
    EXPECT_EQ(Value(ini, QStringLiteral("S"), QStringLiteral("new")), QStringLiteral("2"));

    // Removed while open: Read reopens by name, so it starts over with a new empty file.
    ASSERT_TRUE(QFile::remove(Path()));
    ASSERT_EQ(ini.Read(), 0);
    EXPECT_EQ(Value(ini, QStringLiteral("S"), QStringLiteral("new")), QStringLiteral("<missing>"));
}

TEST_F(IniFile, long_lines_are_read_in_pieces) {
    const QByteArray value(5000, 'v');
    WriteBytes(Path(), "[S]\nlong=" + value + "\nnext=1\n");
    CQJIniFile ini(Path());
    ASSERT_EQ(ini.Read(), 0);
    EXPECT_EQ(Value(ini, QStringLiteral("S"), QStringLiteral("long")),
              QString(CQJStdioFile::kMaxPiece - 5, u'v'));
    EXPECT_EQ(Value(ini, QStringLiteral("S"), QStringLiteral("next")), QStringLiteral("1"));
}

TEST_F(IniFile, bad_content_never_breaks_the_reader) {
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);
    const QByteArray oddUtf16 = Utf16Bytes(QStringLiteral("[S]\r\nk=v\r\n"), true) + 'x';
    const QByteArray inputs[] = {QByteArray(), QByteArray("\xFF\xFE", 2), oddUtf16,
                                 garbage,      garbage + "\n[S]\nk=v\n",  QByteArray(100000, '\n')};
    for (const QByteArray& bytes : inputs) {
        WriteBytes(Path(), bytes);
        CQJIniFile ini(Path());
        const int result = ini.Read();
        EXPECT_TRUE(result == 0 || result == 1113) << result;
        QString value;
        ini.GetValue(QStringLiteral("S"), QStringLiteral("k"), value);
    }
}

TEST_F(IniFile, untranslatable_text_fails_with_1113_and_releases_the_file) {
    const unsigned saved = QJAnsi::ProcessCodePage();
    QJAnsi::SetProcessCodePage(QJAnsi::kUtf8);
    WriteBytes(Path(), "[S]\nk=v\nbad=\xC3(\n");
    CQJIniFile ini(Path());
    const int result = ini.Read();
    QJAnsi::SetProcessCodePage(saved);

    EXPECT_EQ(result, 1113);
    EXPECT_EQ(Value(ini, QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("<missing>"))
        << "a failed parse keeps no partial result";
    ForeignLock lock(Path());
    EXPECT_TRUE(lock.Held()) << "the file is closed after a failed parse";
}

TEST_F(IniFile, concurrent_reads_and_lookups_are_serialised) {
    WriteBytes(Path(), "[S]\nk=v\n");
    CQJIniFile ini(Path());
    ASSERT_EQ(ini.Read(), 0);
    std::atomic<bool> wrong = false;
    std::thread reader([&] {
        for (int i = 0; i < 50; ++i) {
            if (ini.Read() != 0)
                wrong = true;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        QString value;
        // Between a Read's clearing and its parse a lookup may miss, but never sees junk.
        if (ini.GetValue(QStringLiteral("S"), QStringLiteral("k"), value) &&
            value != QStringLiteral("v"))
            wrong = true;
    }
    reader.join();
    EXPECT_FALSE(wrong);
}

} // namespace
