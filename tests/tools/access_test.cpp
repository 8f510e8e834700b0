// Connection settings from the access file, and the suite's environment from the "env"
// settings document.

#include "dbaccess.h"
#include "mongodb.h"
#include "toolstestsupport.h"
#include "xalcrypt.h"
#include "xaltools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <array>
#include <utility>

namespace {

using Block = std::array<char16_t, kXalConnectionChars>;

QString Field(const Block& block, int offset) {
    return QString::fromUtf16(block.data() + offset);
}

QString Encrypted(const QString& password) {
    QByteArray text;
    EXPECT_TRUE(EncryptStringW(password, kXalAccessKey, text));
    return QString::fromLatin1(text);
}

// The bytes of a UTF-16LE file with its byte-order mark.
QByteArray Utf16File(const QString& text) {
    QByteArray bytes("\xff\xfe", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

class AccessFile : public CSuiteTest {
protected:
    bool Read() {
        m_block.fill(u'#');
        return XALIsMDBDataAvailable(m_block.data());
    }
    static QString Problem() {
        std::array<char16_t, 2048> text{};
        XALGetMDBDataProblem(text.data(), static_cast<int>(text.size()));
        return QString::fromUtf16(text.data());
    }
    Block m_block{};
};

TEST_F(AccessFile, fields_fill_the_block_with_the_password_decrypted) {
    UseHome();
    WriteAccessFile(QStringLiteral("db1:27017,db2"), QStringLiteral("rs0"),
                    QStringLiteral("xaladmin"), Encrypted(QStringLiteral("s3cret")));
    ASSERT_TRUE(Read());
    EXPECT_EQ(Field(m_block, kXalConnServer), QStringLiteral("db1:27017,db2"));
    EXPECT_EQ(Field(m_block, kXalConnSet), QStringLiteral("rs0"));
    EXPECT_EQ(Field(m_block, kXalConnUser), QStringLiteral("xaladmin"));
    EXPECT_EQ(Field(m_block, kXalConnPassword), QStringLiteral("s3cret"));
    // Zeroed first: nothing of the caller's old content survives behind the fields.
    EXPECT_EQ(m_block[kXalConnSet - 1], u'\0');
    EXPECT_EQ(m_block[kXalConnectionChars - 1], u'\0');
}

TEST_F(AccessFile, a_password_readable_by_other_users_is_warned_of_without_showing_it) {
    UseHome();
    const QString trace = Home() + QStringLiteral("/trace.log");
    const QString path = CfgPath(QStringLiteral("zvaccess.cfg"));
    qputenv("XAL_TRACE_FILE", QFile::encodeName(trace));
    WriteAccessFile(QStringLiteral("dbhost"), QString(), QStringLiteral("u"),
                    Encrypted(QStringLiteral("s3cret-pw")));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_TRUE(Read());
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ReadGroup | QFile::ReadOther));
    EXPECT_TRUE(Read());
    qunsetenv("XAL_TRACE_FILE");

    QFile file(trace);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_EQ(text.count(QStringLiteral("other users can read it")), 1) << text.toStdString();
    EXPECT_TRUE(text.contains(path));
    EXPECT_FALSE(text.contains(QStringLiteral("s3cret-pw")));
    EXPECT_FALSE(text.contains(Encrypted(QStringLiteral("s3cret-pw")).left(12)));
}

TEST_F(AccessFile, missing_empty_or_damaged_password_leaves_the_field_empty) {
    UseHome();
    for (const std::optional<QString>& pw :
         {std::optional<QString>(), std::optional<QString>(QString()),
          std::optional<QString>(QStringLiteral("plain-text")),
          std::optional<QString>(Encrypted(QStringLiteral("x")).left(20))}) {
        WriteAccessFile(QStringLiteral("dbhost"), QString(), QStringLiteral("u"), pw);
        ASSERT_TRUE(Read());
        EXPECT_EQ(Field(m_block, kXalConnServer), QStringLiteral("dbhost"));
        EXPECT_TRUE(Field(m_block, kXalConnPassword).isEmpty()) << pw.value_or("-").toStdString();
    }
}

TEST_F(AccessFile, no_file_or_no_server_is_no_connection) {
    UseHome();
    EXPECT_FALSE(Read());
    EXPECT_EQ(m_block[0], u'\0');
    // Asking must not leave an empty access file behind.
    EXPECT_FALSE(QFile::exists(CfgPath(QStringLiteral("zvaccess.cfg"))));

    ASSERT_TRUE(WriteTextFile(CfgPath(QStringLiteral("zvaccess.cfg")),
                              "[MongoDB]\nSet=rs0\nUser=u\n[Other]\nServer=elsewhere\n"));
    EXPECT_FALSE(Read());
    WriteAccessFile(QString());
    EXPECT_FALSE(Read());
    EXPECT_FALSE(XALIsMDBDataAvailable(nullptr));
}

TEST_F(AccessFile, utf16_and_read_only_files_are_read) {
    UseHome();
    const QString text =
        QStringLiteral("[mongodb]\r\nserver = \"embedded:/var/lib/xal/störe.db\"\r\n");
    const QString path = CfgPath(QStringLiteral("zvaccess.cfg"));
    ASSERT_TRUE(WriteTextFile(path, Utf16File(text)));
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    ASSERT_TRUE(Read());
    EXPECT_EQ(Field(m_block, kXalConnServer), QStringLiteral("embedded:/var/lib/xal/störe.db"));
}

TEST_F(AccessFile, overlong_values_are_refused_with_the_reason_not_cut) {
    UseHome();
    // A cut server or user would connect elsewhere or log on as someone else.
    WriteAccessFile(QString(519, u's'), QString(99, u't'), QString(99, u'u'));
    ASSERT_TRUE(Read());
    EXPECT_EQ(Field(m_block, kXalConnServer), QString(519, u's'));
    EXPECT_EQ(Field(m_block, kXalConnSet), QString(99, u't'));
    EXPECT_EQ(Field(m_block, kXalConnUser), QString(99, u'u'));

    WriteAccessFile(QString(600, u's'));
    EXPECT_FALSE(Read());
    EXPECT_EQ(m_block[0], u'\0');
    EXPECT_TRUE(Problem().contains(QStringLiteral("Server text"))) << Problem().toStdString();
    EXPECT_TRUE(Problem().contains(QStringLiteral("600 characters; at most 519")));
    WriteAccessFile(QStringLiteral("db"), QString(), QString(100, u'u'));
    EXPECT_FALSE(Read());
    EXPECT_TRUE(Problem().contains(QStringLiteral("User text"))) << Problem().toStdString();

    // Where a block is filled from longer text, a cut never leaves half of a character
    // outside the basic plane.
    CMDBAccess access;
    access.server = QStringLiteral("db");
    access.user = QString(98, u'u') + QStringLiteral("😀x");
    EncodeConnectionBlock(access, m_block.data());
    EXPECT_EQ(Field(m_block, kXalConnUser), QString(98, u'u'));
}

TEST_F(AccessFile, each_kind_of_bad_access_file_names_its_own_cause) {
    UseHome();
    const QString path = CfgPath(QStringLiteral("zvaccess.cfg"));
    EXPECT_TRUE(Problem().contains(QStringLiteral("does not exist"))) << Problem().toStdString();
    const std::pair<QByteArray, const char*> cases[] = {
        {"", "is empty"},
        {" \r\n\t\n", "is empty"},
        {QByteArray("\x7f"
                    "ELF\x02\x01\x00\x00\xff\xfe",
                    10),
         "is not a text file"},
        {"Server=db1\nUser=u\n", "holds no section"},
        {"[Other]\nServer=db1\n", "names no Server in a [MongoDB] section"},
        {"[MongoDB]\nUser=u\n", "names no Server in a [MongoDB] section"},
    };
    for (const auto& [content, cause] : cases) {
        ASSERT_TRUE(WriteTextFile(path, content));
        EXPECT_FALSE(Read());
        EXPECT_TRUE(Problem().contains(QLatin1String(cause)))
            << cause << " / " << Problem().toStdString();
        EXPECT_TRUE(Problem().contains(path)) << Problem().toStdString();
    }
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path));
    EXPECT_TRUE(Problem().contains(QStringLiteral("is a folder"))) << Problem().toStdString();
    ASSERT_TRUE(QDir().rmdir(path));

    WriteAccessFile(QStringLiteral("db1"));
    EXPECT_TRUE(Read());
    EXPECT_TRUE(Problem().isEmpty()) << Problem().toStdString();
    // A text buffer too short gets the cut text, zero-terminated, and the whole length.
    ASSERT_TRUE(QFile::remove(path));
    std::array<char16_t, 8> shortText{};
    EXPECT_GT(XALGetMDBDataProblem(shortText.data(), 8), 8);
    EXPECT_EQ(shortText[7], u'\0');
}

TEST_F(AccessFile, without_the_suite_environment_the_file_beside_the_program_is_read) {
    // The test program's directory's parent, then cfg/zvaccess.cfg.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString path =
        QDir::cleanPath(QFileInfo(program).absolutePath() + QStringLiteral("/../cfg/zvaccess.cfg"));
    ASSERT_FALSE(QFile::exists(path)) << "left over: " << path.toStdString();
    ASSERT_TRUE(WriteTextFile(path, "[MongoDB]\nServer=beside-the-program\n"));
    const bool read = Read();
    QFile::remove(path);
    QDir().rmdir(QFileInfo(path).absolutePath());
    ASSERT_TRUE(read);
    EXPECT_EQ(Field(m_block, kXalConnServer), QStringLiteral("beside-the-program"));
}

class EnvFromDatabase : public CSuiteTest {
protected:
    void SetUp() override {
        CSuiteTest::SetUp();
        UseHome();
        m_server = QStringLiteral("embedded:") + Home() + QStringLiteral("/store.db");
        WriteAccessFile(m_server);
    }
    void StoreEnv(const CMDBRecord& env) {
        CMongoDB db(m_server, QString());
        QString error;
        ASSERT_TRUE(db.Connect(error)) << error.toStdString();
        ASSERT_TRUE(db.Insert(QStringLiteral("xaldata.settings"), env));
    }
    static CMDBRecord Variable(const QString& name, const QString& value) {
        CMDBRecord record;
        record.SetStr(QStringLiteral("variable"), name);
        record.SetStr(QStringLiteral("value"), value);
        return record;
    }
    QString m_server;
};

TEST_F(EnvFromDatabase, variables_are_set_with_ostype_and_bindir) {
    CMDBRecord variables = CMDBRecord::MakeArray();
    variables.AppendRecord(Variable(QStringLiteral("zvhome"), QStringLiteral("/opt/xal")));
    variables.AppendRecord(Variable(QStringLiteral("zvdata"), QStringLiteral("first")));
    CMDBRecord holey; // a variable without a value
    holey.SetStr(QStringLiteral("variable"), QStringLiteral("zvempty"));
    variables.AppendRecord(holey);
    CMDBRecord number; // a number where text belongs is taken as its text
    number.SetStr(QStringLiteral("variable"), QStringLiteral("zvnumber"));
    number.SetInt(QStringLiteral("value"), 5);
    variables.AppendRecord(number);
    variables.AppendStr(QStringLiteral("not a record"));
    CMDBRecord nameless;
    nameless.SetStr(QStringLiteral("value"), QStringLiteral("lost"));
    variables.AppendRecord(nameless);
    variables.AppendRecord(Variable(QStringLiteral("ZVDATA"), QStringLiteral("second")));
    variables.AppendRecord(Variable(QStringLiteral(" zvpadded "), QStringLiteral("as named")));
    CMDBRecord env;
    env.SetStr(QStringLiteral("_id"), QStringLiteral("env"));
    env.SetRecord(QStringLiteral("variables"), variables);
    StoreEnv(env);

    ASSERT_TRUE(XALInitEnvFromMDB());
    EXPECT_EQ(qEnvironmentVariable("zvhome"), QStringLiteral("/opt/xal"));
    EXPECT_EQ(qEnvironmentVariable("zvdata"), QStringLiteral("second"));
    EXPECT_TRUE(qEnvironmentVariableIsSet("zvempty"));
    EXPECT_TRUE(qEnvironmentVariable("zvempty").isEmpty());
    EXPECT_EQ(qEnvironmentVariable("zvnumber"), QStringLiteral("5"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("ZVDATA")); // the first spelling stays
    EXPECT_EQ(qEnvironmentVariable(" zvpadded "), QStringLiteral("as named"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvpadded"));
    const QString osType = QSysInfo::WordSize == 64 ? QStringLiteral("64") : QStringLiteral("32");
    EXPECT_EQ(qEnvironmentVariable("zvostype"), osType);
    EXPECT_EQ(qEnvironmentVariable("zvbindir"), QStringLiteral("/opt/xal/system/") + osType);
}

TEST_F(EnvFromDatabase, env_without_zvhome_or_variables_still_loads) {
    CMDBRecord env;
    env.SetStr(QStringLiteral("_id"), QStringLiteral("env"));
    env.SetStr(QStringLiteral("variables"), QStringLiteral("not an array"));
    StoreEnv(env);
    ASSERT_TRUE(XALInitEnvFromMDB());
    EXPECT_TRUE(qEnvironmentVariableIsSet("zvostype"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvbindir"));
}

TEST_F(EnvFromDatabase, missing_env_document_sets_nothing) {
    CMDBRecord other;
    other.SetStr(QStringLiteral("_id"), QStringLiteral("system"));
    StoreEnv(other);
    EXPECT_FALSE(XALInitEnvFromMDB());
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvostype"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("zvbindir"));
}

TEST_F(EnvFromDatabase, unreachable_server_fails_within_seconds) {
    WriteAccessFile(QStringLiteral("127.0.0.1:1"), QString(), QStringLiteral("u"),
                    Encrypted(QStringLiteral("p")));
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(XALInitEnvFromMDB());
    QString testId = QStringLiteral("stale");
    EXPECT_FALSE(XALTCreateFreeTestID(testId));
    EXPECT_TRUE(testId.isEmpty());
    EXPECT_LT(timer.elapsed(), 20000);

    qunsetenv("zvhome"); // and no access file beside the program either
    EXPECT_FALSE(XALInitEnvFromMDB());
}

} // namespace
