#include "ansicodepage.h"
#include "qjstdiofile.h"
#include "testfiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned kReadShared = CQJStdioFile::modeRead | CQJStdioFile::shareDenyNone;

class StdioFile : public ::testing::Test {
protected:
    QString Path(const QString& name = QStringLiteral("file.cfg")) const {
        return m_dir.filePath(name);
    }
    // Opens a file holding `bytes` for shared reading.
    void OpenWith(CQJStdioFile& file, const QByteArray& bytes) {
        WriteBytes(Path(), bytes);
        CQJFileException error;
        ASSERT_TRUE(file.Open(Path(), kReadShared, &error)) << error.m_lOsError;
    }
    QStringList ReadAll(CQJStdioFile& file) {
        QStringList lines;
        QString line;
        while (file.ReadString(line))
            lines << line;
        return lines;
    }

    QTemporaryDir m_dir;
};

TEST_F(StdioFile, detects_encoding_from_the_first_bytes) {
    struct Case {
        const char* what;
        QByteArray bytes;
        bool unicode;
        bool mark;
    };
    const Case cases[] = {
        {"utf16 with mark", Utf16Bytes(QStringLiteral("[S]\r\n"), true), true, true},
        {"utf16 without mark", Utf16Bytes(QStringLiteral("[S]\r\n"), false), true, false},
        {"mark alone is enough", QByteArray("\xFF\xFE[]", 4), true, true},
        {"ansi crlf", QByteArray("[S]\r\nk=v\r\n"), false, false},
        {"odd length", Utf16Bytes(QStringLiteral("k=v"), false) + 'x', false, false},
        {"cr lf at even offset", QByteArray("a\0\r\n", 4), false, false},
        {"ffff unit",
         QByteArray("\xFF\xFF"
                    "a\0",
                    4),
         false, false},
    };
    for (const Case& c : cases) {
        CQJStdioFile file;
        OpenWith(file, c.bytes);
        EXPECT_EQ(file.m_bUnicode, c.unicode) << c.what;
        EXPECT_EQ(file.m_bHasBOM, c.mark) << c.what;
        EXPECT_EQ(file.GetPosition(), 0) << c.what;
    }
    for (const bool before : {false, true}) {
        CQJStdioFile file;
        file.m_bUnicode = before;
        OpenWith(file, QByteArray());
        EXPECT_EQ(file.m_bUnicode, before) << "an empty file keeps the encoding it had";
    }
}

TEST_F(StdioFile, reads_lines_of_either_encoding) {
    const QString text = QStringLiteral("[Sect]\r\nk=\u20ACuro \u0160\u017E\r\n\r\nlast");
    const QStringList expected = {QStringLiteral("[Sect]"),
                                  QStringLiteral("k=\u20ACuro \u0160\u017E"), QString(),
                                  QStringLiteral("last")};
    {
        CQJStdioFile file;
        OpenWith(file, Utf16Bytes(text, true));
        EXPECT_EQ(ReadAll(file), expected);
    }
    {
        CQJStdioFile file;
        file.SetAnsiCodePage(QJAnsi::kWindows1252);
        OpenWith(file, QByteArray("[Sect]\r\nk=\x80uro \x8A\x9E\r\n\r\nlast"));
        EXPECT_EQ(ReadAll(file), expected);
    }
    {
        // With the mark left to the caller, the mark is read as text.
        CQJStdioFile file;
        file.m_bNoBOMHandling = true;
        OpenWith(file, Utf16Bytes(QStringLiteral("a"), true));
        QString line;
        ASSERT_TRUE(file.ReadString(line));
        EXPECT_EQ(line, QStringLiteral("\uFEFFa"));
    }
}

TEST_F(StdioFile, lone_cr_ends_the_text_but_not_the_line) {
    CQJStdioFile file;
    OpenWith(file, QByteArray("a=1\rb=2\nc=3\n"));
    EXPECT_EQ(ReadAll(file), (QStringList{QStringLiteral("a=1"), QStringLiteral("c=3")}));
}

TEST_F(StdioFile, long_lines_come_in_pieces_of_4095) {
    const QString longLine(5000, u'x');
    for (const bool unicode : {false, true}) {
        CQJStdioFile file;
        const QString text =
            longLine + QStringLiteral("\r\n") + QString(4095, u'y') + QStringLiteral("\r\nend");
        OpenWith(file, unicode ? Utf16Bytes(text, true) : text.toLatin1());
        const QStringList lines = ReadAll(file);
        ASSERT_EQ(lines.size(), 5) << unicode;
        EXPECT_EQ(lines[0], QString(4095, u'x'));
        EXPECT_EQ(lines[1], QString(905, u'x'));
        EXPECT_EQ(lines[2], QString(4095, u'y'));
        EXPECT_EQ(lines[3], QString()) << "the line end of a full piece comes alone";
        EXPECT_EQ(lines[4], QStringLiteral("end"));
    }
}

TEST_F(StdioFile, utf16_pieces_keep_surrogate_pairs_whole) {
    CQJStdioFile file;
    const QString emoji = QStringLiteral("\U0001F600");
    OpenWith(file, Utf16Bytes(QString(4094, u'x') + emoji + QStringLiteral("y\r\n"), true));
    const QStringList lines = ReadAll(file);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QString(4094, u'x'));
    EXPECT_EQ(lines[1], emoji + u'y');
}

TEST_F(StdioFile, buffer_form_respects_small_buffers) {
    for (const bool unicode : {false, true}) {
        CQJStdioFile file;
        const QString text = QStringLiteral("abcdefghij\n");
        OpenWith(file, unicode ? Utf16Bytes(text, false) : text.toLatin1());
        char16_t buffer[4];
        ASSERT_NE(file.ReadString(buffer, 4), nullptr);
        EXPECT_EQ(QString::fromUtf16(buffer), QStringLiteral("abc"));
        ASSERT_NE(file.ReadString(buffer, 4), nullptr);
        EXPECT_EQ(QString::fromUtf16(buffer), QStringLiteral("def"));
        EXPECT_EQ(file.ReadString(nullptr, 4), nullptr);
        EXPECT_EQ(file.ReadString(buffer, 0), nullptr);
        EXPECT_EQ(file.ReadString(buffer, 1), nullptr);
        EXPECT_EQ(buffer[0], u'\0');
    }
}

TEST_F(StdioFile, utf8_code_page_keeps_characters_whole_and_reports_bad_bytes) {
    CQJStdioFile file;
    file.SetAnsiCodePage(QJAnsi::kUtf8);
    OpenWith(file, QByteArray(4094, 'a') + "\xC3\xA9\n" + "bad \xC3(\n");
    QString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, QString(4094, u'a'));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, QStringLiteral("\u00E9"));
    try {
        file.ReadString(line);
        FAIL() << "invalid bytes were accepted";
    } catch (const CQJFileException& e) {
        EXPECT_EQ(e.m_lOsError, QJFileError::kNoUnicodeTranslation);
        EXPECT_EQ(e.m_strFileName, Path());
    }
}

TEST_F(StdioFile, writes_text_in_the_file_encoding) {
    constexpr unsigned kCreate =
        CQJStdioFile::modeReadWrite | CQJStdioFile::modeCreate | CQJStdioFile::shareExclusive;
    {
        CQJStdioFile file;
        ASSERT_TRUE(file.Open(Path(), kCreate));
        file.WriteString(QString(), true);
        file.WriteString(QStringLiteral("k=\u20AC"), true);
        file.WriteString(QStringLiteral("\n"));
        file.Close();
        EXPECT_EQ(ReadBytes(Path()), Utf16Bytes(QStringLiteral("k=\u20AC\r\n\r\n"), true));
    }
    {
        CQJStdioFile file;
        file.m_bNoBOMHandling = true;
        ASSERT_TRUE(file.Open(Path(), kCreate));
        file.WriteString(QStringLiteral("x"));
        file.Close();
        EXPECT_EQ(ReadBytes(Path()), Utf16Bytes(QStringLiteral("x"), false));
    }
    {
        CQJStdioFile file;
        file.SetAnsiCodePage(QJAnsi::kWindows1252);
        file.m_bUnicode = false;
        WriteBytes(Path(), "old\n");
        ASSERT_TRUE(file.Open(Path(), kCreate));
        const QString longText = QString(5000, u'z');
        file.WriteString(QStringLiteral("\u20AC\u00FC\u6F22\U0001F600\u0081"), true);
        file.WriteString(longText);
        file.Close();
        EXPECT_EQ(ReadBytes(Path()), QByteArray("\x80\xFC__\x81\r\n") + longText.toLatin1());
    }
}

TEST_F(StdioFile, full_disk_is_reported_on_write) {
    if (::access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    CQJStdioFile file;
    file.m_bUnicode = false;
    ASSERT_TRUE(file.Open(QStringLiteral("/dev/full"),
                          CQJStdioFile::modeWrite | CQJStdioFile::shareDenyNone));
    try {
        file.WriteString(QStringLiteral("value"), true);
        FAIL() << "writing to a full device succeeded";
    } catch (const CQJFileException& e) {
        EXPECT_EQ(e.m_cause, CQJFileException::diskFull);
        EXPECT_EQ(e.m_lOsError, QJFileError::kDiskFull);
    }
}

TEST_F(StdioFile, open_failures_give_error_numbers) {
    const auto openError = [](const QString& path, unsigned flags) {
        CQJStdioFile file;
        CQJFileException error;
        EXPECT_FALSE(file.Open(path, flags, &error));
        EXPECT_FALSE(file.IsOpen());
        return error.m_lOsError;
    };
    EXPECT_EQ(openError(Path(QStringLiteral("missing")), kReadShared), QJFileError::kFileNotFound);
    EXPECT_EQ(openError(Path(QStringLiteral("no/such.cfg")),
                        CQJStdioFile::modeReadWrite | CQJStdioFile::modeCreate),
              QJFileError::kPathNotFound);
    EXPECT_EQ(openError(m_dir.path(), kReadShared), QJFileError::kAccessDenied);
    EXPECT_EQ(openError(QString(), kReadShared), QJFileError::kPathNotFound);
    const QString fifo = Path(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(openError(fifo, kReadShared), QJFileError::kAccessDenied) << "and no hang";
}

TEST_F(StdioFile, exclusive_open_excludes_other_openers_without_harming_the_file) {
    WriteBytes(Path(), "keep me\n");
    CQJStdioFile holder;
    ASSERT_TRUE(holder.Open(Path(), CQJStdioFile::modeReadWrite | CQJStdioFile::shareExclusive));

    CQJStdioFile other;
    CQJFileException error;
    EXPECT_FALSE(other.Open(Path(), CQJStdioFile::modeWrite | CQJStdioFile::modeCreate, &error));
    EXPECT_EQ(error.m_lOsError, QJFileError::kSharingViolation);
    EXPECT_EQ(error.m_cause, CQJFileException::sharingViolation);
    EXPECT_EQ(ReadBytes(Path()), QByteArray("keep me\n")) << "a refused open must not truncate";

    EXPECT_TRUE(other.Open(Path(), kReadShared)) << "an opener that shares is not refused";
    other.Close();
    holder.Close();
    EXPECT_TRUE(other.Open(Path(), CQJStdioFile::modeRead | CQJStdioFile::shareExclusive));
}

TEST_F(StdioFile, open_file_stays_readable_after_it_is_removed) {
    CQJStdioFile file;
    OpenWith(file, "[S]\nk=v\n");
    ASSERT_TRUE(QFile::remove(Path()));
    EXPECT_EQ(ReadAll(file), (QStringList{QStringLiteral("[S]"), QStringLiteral("k=v")}));
    EXPECT_GT(file.GetLastWriteTime(), 0);
}

TEST(AnsiCodePage, converts_the_1252_specials_both_ways) {
    QByteArray all;
    for (int byte = 1; byte < 256; ++byte)
        all.append(static_cast<char>(byte));
    const std::optional<QString> text = QJAnsi::ToUnicode(QJAnsi::kWindows1252, all);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->at(0x80 - 1), QChar(0x20AC));
    EXPECT_EQ(text->at(0x9F - 1), QChar(0x0178));
    EXPECT_EQ(QJAnsi::FromUnicode(QJAnsi::kWindows1252, *text), all) << "no byte is lost";
    EXPECT_EQ(QJAnsi::FromUnicode(QJAnsi::kLatin1, QStringLiteral("\u00E9\u20AC")),
              QByteArray("\xE9_"));
    EXPECT_EQ(QJAnsi::FromUnicode(QJAnsi::kUtf8, QString(QChar(0xD800)) + u'a'), QByteArray("_a"));
}

} // namespace
