// Hostile stored e-scripts through the real programs: imported with xaldb, opened by the editor,
// edited (changes kept by an earlier run, restored at the start) and saved on closing, exported
// with xaldb. The stored e-script is either unchanged (read-only, the save refused and nothing
// written) or the input with exactly the edited field changed; no field is ever lost.

#include "editorrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <csignal>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const QString kNs = QStringLiteral("xaldata.escript");
const QString kEdited = QStringLiteral("/edited");
const QString kRefusedSave = QStringLiteral("The e-script could not be saved.");
const QString kSaveQuestion = QStringLiteral("E-script data have been modified.");

// One URL element in the layout the editor writes, with extra fields appended.
QString Url(const QString& path, const QString& extra = QString()) {
    return QStringLiteral(R"({"port":{"$numberInt":"80"},"sendasmultipartmime":false,"url":"%1",)"
                          R"("internetprotocol":{"$numberInt":"0"},"server":"a.com",)"
                          R"("method":{"$numberInt":"0"},"orgvalue":"http://a.com%1"%2})")
        .arg(path, extra.isEmpty() ? QString() : QLatin1Char(',') + extra);
}

struct Case {
    QString id;
    QString fields;  // the document's fields after its _id
    QString refused; // the field the read-only message names; empty: the e-script is savable
};

std::vector<Case> Corpus() {
    QString deep = QStringLiteral("1");
    for (int i = 0; i < 90; ++i)
        deep = (i % 2 == 0 ? QStringLiteral("{\"d\":%1}") : QStringLiteral("[%1]")).arg(deep);
    const QString big(10 * 1024 * 1024, u'z');
    return {
        // Wrong types and non-document elements: opened read-only, nothing written.
        {"num-element", R"("urls":[{"url":"/a"},7,{"url":"/c"}],"urlparameter":[{"find":"a="}])",
         "'urls[1]'"},
        {"null-element", R"("urls":[{"url":"/a"},null])", "'urls[1]'"},
        {"urls-document", R"("urls":{"0":{"url":"/a"}})", "'urls'"},
        {"subscript-number", R"("urls":[{"url":"/a"}],"subscripts":[7,{"name":"a","urls":[]}])",
         "'subscripts[0]'"},
        {"parameter-string", R"("urls":[{"url":"/a","parameters":[{"name":"p"},"x"]}])",
         "'urls[0].parameters[1]'"},
        {"logon-string", R"("urls":[{"url":"/a"}],"logon":"alice")", "'logon'"},
        {"pw-number", R"("urls":[{"url":"/a"}],"logon":{"user":"u","pw":5})", "'logon.pw'"},
        {"port-high", R"("urls":[{"url":"/a","server":"h","port":70000}])", "'urls[0].port'"},
        {"port-negative", R"("port":-1,"urls":[{"url":"/a"}])", "'port'"},
        {"url-number", R"("urls":[{"url":12}])", "'urls[0].url'"},
        {"method-string", R"("urls":[{"url":"/a","method":"POST"}])", "'urls[0].method'"},
        {"domain-number", R"("urls":[{"url":"/a"}],"domainlist":[".a.com",3])", "'domainlist[1]'"},
        {"available-string", R"("urls":[{"url":"/a"}],"domainlist_available":".a.com")",
         "'domainlist_available'"},
        {"variable-document",
         R"("urls":[{"url":"/a"}],"urlparameter":[{"find":"a=","variable":{}}])",
         "'urlparameter[0].variable'"},
        {"param-value-number", R"("urls":[{"url":"/a","parameters":[{"name":"p","value":5}]}])",
         "'urls[0].parameters[0].value'"},
        {"subscript-name-number", R"("urls":[{"url":"/a"}],"subscripts":[{"name":5,"urls":[]}])",
         "'subscripts[0].name'"},
        {"multipart-text", R"("urls":[{"url":"/a","sendasmultipartmime":"yes"}])",
         "'urls[0].sendasmultipartmime'"},
        {"protocol-text", R"("urls":[{"url":"/a","internetprotocol":"https"}])",
         "'urls[0].internetprotocol'"},
        {"rooturl-number", R"("rooturl":5,"urls":[{"url":"/a"}])", "'rooturl'"},
        {"server-number", R"("server":5,"urls":[{"url":"/a"}])", "'server'"},
        {"invalid-utf8", QString(), "not valid UTF-8"}, // its bytes are written below, past xaldb
        // Unknown fields at every level, deep nesting, a 10 MB text, NUL, types the editor never
        // writes: savable, and all of it goes back.
        {"unknown-everywhere",
         QStringLiteral(
             R"("x_top":{"a":[1,{"b":[[{"c":null}]]}]},"domainlist":[".a.com"],)"
             R"("domainlist_available":[".a.com"],"logon":{"user":"u","pw":"p","x_logon":1},)"
             R"("urlparameter":[{"find":"sid=","variable":"_XALURL_SID_","x_up":true}],)"
             R"("urls":[%1,%2],"subscripts":[{"name":"c","urlpattern":"http://a.com/x",)"
             R"("parameterpattern":"","urls":[%3],"x_sub":{"deep":{"deeper":"d"}}}])")
             .arg(Url(QStringLiteral("/one"), QStringLiteral(R"("x_url":[1,{"a":null}])")),
                  Url(QStringLiteral("/two"),
                      QStringLiteral(R"("parameters":[{"value":"_XALURL_SID_",)"
                                     R"("method":{"$numberInt":"0"},"name":"sid",)"
                                     R"("specialvariable":{"$numberInt":"32832"},)"
                                     R"("orgvalue":"7","x_param":{"$numberLong":"5"}}],)"
                                     R"("x_two":"2")")),
                  Url(QStringLiteral("/x"),
                      QStringLiteral(R"("specialvariable":{"$numberInt":"0"},"x_cu":"k")"))),
         QString()},
        {"deep-big-odd",
         QStringLiteral(R"("x_deep":%1,"x_double":-0.0,"x_long":{"$numberLong":"5"},)"
                        R"("x_regex":{"$regularExpression":{"pattern":"^a","options":"i"}},)"
                        R"("x_binary":{"$binary":{"base64":"AAEC","subType":"80"}},)"
                        R"("x_oid":{"$oid":"0123456789abcdef01234567"},"x_nul":"a\u0000b",)"
                        R"("domainlist":[],"domainlist_available":[],"urls":[%2,%3])")
             .arg(deep, Url(QStringLiteral("/one")),
                  Url(QStringLiteral("/big"),
                      QStringLiteral(R"("x_big":"%1","x_deep":%2)").arg(big, deep))),
         QString()},
        {"nul-in-known",
         QStringLiteral(R"("domainlist":[],"domainlist_available":[],"urls":[%1,%2])")
             .arg(Url(QStringLiteral("/one")), Url(QStringLiteral("/a\\u0000b"))),
         QString()},
    };
}

// A BSON text value: its length, the bytes and the closing NUL.
QByteArray BsonText(const QByteArray& s) {
    const qint32 n = static_cast<qint32>(s.size() + 1);
    return QByteArray(reinterpret_cast<const char*>(&n), 4) + s + '\0';
}

// The _id element of a document as stored: found in no other document of the corpus.
QByteArray IdElement(const QString& id) {
    return QByteArray("\x02_id", 4) + '\0' + BsonText(id.toUtf8());
}

struct CommandResult {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

class HostileEScripts : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_suite.IsReady()); }

    [[nodiscard]] QString StorePath() const { return m_suite.Home() + QStringLiteral("/suite.db"); }
    [[nodiscard]] QString RecoveryFile(const QString& id) const {
        return m_suite.Home() + QStringLiteral("/state/xal/recovery/") + id +
               QStringLiteral(".json");
    }

    CommandResult Xaldb(const QStringList& arguments) const {
        QProcess process;
        process.setProcessEnvironment(m_suite.Environment());
        process.start(
            QStringLiteral(XALDB_PATH),
            QStringList{QStringLiteral("--server"), QStringLiteral("embedded:") + StorePath()}
                << arguments);
        CommandResult r;
        if (!process.waitForStarted(10000) || !process.waitForFinished(30000))
            return r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = process.readAllStandardOutput();
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    // The stored document as xaldb exports it (canonical Extended JSON).
    QJsonObject Exported(const QString& id) const {
        const CommandResult r = Xaldb({QStringLiteral("export"), kNs, id});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        return QJsonDocument::fromJson(r.out).object();
    }

    // The stored bytes of a document, read from the store file itself.
    QByteArray StoredBytes(const QString& id) const {
        sqlite3* db = nullptr;
        QByteArray out;
        if (sqlite3_open_v2(StorePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE,
                            nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT body FROM documents WHERE ns = 'xaldata.escript' AND "
                               "instr(body, ?1) > 0",
                               -1, &st, nullptr);
            const QByteArray key = IdElement(id);
            sqlite3_bind_blob(st, 1, key.constData(), static_cast<int>(key.size()),
                              SQLITE_TRANSIENT);
            if (sqlite3_step(st) == SQLITE_ROW)
                out = QByteArray(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                                 sqlite3_column_bytes(st, 0));
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return out;
    }

    // Replaces the stored bytes of the seeded document id: a title and a URL that are no UTF-8,
    // as another program may write them.
    void WriteInvalidUtf8(const QString& id) const {
        QByteArray doc;
        const auto element = [&doc](char type, const QByteArray& name, const QByteArray& value) {
            doc += type + name + '\0' + value;
        };
        const auto text = BsonText;
        const auto document = [](const QByteArray& body) {
            const qint32 n = static_cast<qint32>(body.size() + 5);
            return QByteArray(reinterpret_cast<const char*>(&n), 4) + body + '\0';
        };
        QByteArray url;
        url += '\x02' + QByteArray("url") + '\0' + text("/a\xC3\x28\xFFz");
        url += '\x02' + QByteArray("server") + '\0' + text("\xED\xA0\x80");
        element('\x02', "_id", text(id.toUtf8()));
        element('\x02', "title", text("t\xC3\x28\xFF"));
        element('\x04', "urls", document('\x03' + QByteArray("0") + '\0' + document(url)));
        const QByteArray bson = document(doc);

        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(StorePath().toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db,
                                     "UPDATE documents SET body = ?1 WHERE ns = "
                                     "'xaldata.escript' AND instr(body, ?2) > 0",
                                     -1, &st, nullptr),
                  SQLITE_OK);
        const QByteArray key = IdElement(id);
        sqlite3_bind_blob(st, 1, bson.constData(), static_cast<int>(bson.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(st, 2, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        EXPECT_EQ(sqlite3_changes(db), 1);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    // Kept changes as an earlier run of the editor leaves them: the stored e-script with the
    // first URL of its main script renamed.
    void PlantEdit(const QString& id, QJsonObject doc) const {
        QJsonArray urls = doc.value(QStringLiteral("urls")).toArray();
        if (!urls.isEmpty() && urls.at(0).isObject()) {
            QJsonObject first = urls.at(0).toObject();
            first.insert(QStringLiteral("url"), kEdited);
            urls.replace(0, first);
            doc.insert(QStringLiteral("urls"), urls);
        }
        const QString path = RecoveryFile(id);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(doc).toJson(QJsonDocument::Compact));
    }

    // Starts an editor on id that restores the kept changes and saves them when it closes.
    // A refused save keeps the window open: the run is then ended by SIGTERM.
    std::unique_ptr<QProcess> Start(const Case& c) const {
        const QString answers =
            c.refused.isEmpty() ? QStringLiteral("yes,yes,no") : QStringLiteral("ok,yes,yes,ok");
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_suite.Environment(answers, 200));
        process->start(QStringLiteral(XALSCRIPEDIT_PATH), {QStringLiteral("/xalid:") + c.id});
        EXPECT_TRUE(process->waitForStarted(10000)) << c.id.toStdString();
        return process;
    }

    // Waits for the end of the run; a refused save is followed by SIGTERM.
    static EditorResult End(QProcess& process) {
        QElapsedTimer timer;
        timer.start();
        EditorResult r;
        bool terminated = false;
        while (process.state() == QProcess::Running && timer.elapsed() < 60000) {
            process.waitForReadyRead(100);
            r.stderrText += QString::fromUtf8(process.readAllStandardError());
            if (!terminated && r.stderrText.contains(kRefusedSave)) {
                process.terminate();
                terminated = true;
            }
            if (process.state() == QProcess::Running && process.waitForFinished(50))
                break;
        }
        if (process.state() != QProcess::NotRunning) {
            r.timedOut = true;
            process.kill();
            process.waitForFinished(5000);
        }
        r.stderrText += QString::fromUtf8(process.readAllStandardError());
        r.crashed = process.exitStatus() == QProcess::CrashExit;
        r.exitCode = process.exitCode();
        for (const QString& line : r.stderrText.split(u'\n'))
            if (line.startsWith(QStringLiteral("message: ")))
                r.messages << line.mid(9);
        return r;
    }

    SuiteInstallation m_suite;
};

} // namespace

TEST_F(HostileEScripts, open_edit_and_save_keep_every_stored_field_or_write_nothing) {
    const std::vector<Case> corpus = Corpus();
    {
        QFile file(m_suite.Home() + QStringLiteral("/corpus.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const Case& c : corpus)
            file.write(
                QStringLiteral(R"({"_id":"%1"%2%3})")
                    .arg(c.id, c.fields.isEmpty() ? QString() : QStringLiteral(","), c.fields)
                    .toUtf8() +
                '\n');
    }
    const CommandResult imported =
        Xaldb({QStringLiteral("import"), kNs, m_suite.Home() + QStringLiteral("/corpus.json")});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    ASSERT_NO_FATAL_FAILURE(WriteInvalidUtf8(QStringLiteral("invalid-utf8")));

    std::vector<QJsonObject> before;
    std::vector<QByteArray> beforeBytes;
    for (const Case& c : corpus) {
        before.push_back(Exported(c.id));
        beforeBytes.push_back(StoredBytes(c.id));
        ASSERT_FALSE(beforeBytes.back().isEmpty()) << c.id.toStdString();
        ASSERT_NO_FATAL_FAILURE(PlantEdit(c.id, before.back()));
    }

    // A few editors at a time, each on its own e-script.
    constexpr std::size_t kParallel = 4;
    for (std::size_t first = 0; first < corpus.size(); first += kParallel) {
        std::vector<std::unique_ptr<QProcess>> running;
        for (std::size_t i = first; i < std::min(first + kParallel, corpus.size()); ++i)
            running.push_back(Start(corpus[i]));
        for (std::size_t k = 0; k < running.size(); ++k) {
            const Case& c = corpus[first + k];
            const std::string name = c.id.toStdString();
            const EditorResult r = End(*running[k]);
            EXPECT_FALSE(r.crashed || r.timedOut) << name << "\n" << r.stderrText.toStdString();
            const QJsonObject after = Exported(c.id);
            if (!c.refused.isEmpty()) {
                // Read-only: the message names the field, a save is refused, and the store
                // keeps the very bytes it had.
                ASSERT_FALSE(r.messages.isEmpty()) << name;
                EXPECT_TRUE(r.messages.front().contains(c.refused))
                    << name << ": " << r.messages.front().toStdString();
                EXPECT_EQ(r.stderrText.contains(kSaveQuestion), r.stderrText.contains(kRefusedSave))
                    << name << r.stderrText.toStdString();
                EXPECT_EQ(r.exitCode, r.stderrText.contains(kRefusedSave) ? 128 + SIGTERM : 0)
                    << name;
                EXPECT_EQ(StoredBytes(c.id), beforeBytes[first + k]) << name;
                EXPECT_EQ(after, before[first + k]) << name;
                continue;
            }
            // Saved: the input with the first URL renamed and the time of the save, no more.
            EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.stderrText.toStdString();
            EXPECT_FALSE(QFileInfo::exists(RecoveryFile(c.id))) << name;
            EXPECT_GE(StoredBytes(c.id).size(), beforeBytes[first + k].size()) << name;
            QJsonObject expected = before[first + k];
            QJsonArray urls = expected.value(QStringLiteral("urls")).toArray();
            QJsonObject edited = urls.at(0).toObject();
            edited.insert(QStringLiteral("url"), kEdited);
            edited.insert(QStringLiteral("orgvalue"), QStringLiteral("http://a.com") + kEdited);
            urls.replace(0, edited);
            expected.insert(QStringLiteral("urls"), urls);
            QJsonObject saved = after;
            EXPECT_TRUE(saved.value(QStringLiteral("lastchanged"))
                            .toObject()
                            .contains(QStringLiteral("$date")))
                << name;
            saved.remove(QStringLiteral("lastchanged"));
            EXPECT_TRUE(saved == expected)
                << name << ":\n"
                << QJsonDocument(saved).toJson(QJsonDocument::Compact).left(2000).toStdString()
                << "\nexpected:\n"
                << QJsonDocument(expected).toJson(QJsonDocument::Compact).left(2000).toStdString();
        }
    }
}

// The -shm file of the store truncated under a running editor (as another program may do; made
// immutable it faults the same way): SQLite's next use of it would end the editor with SIGBUS.
// The save fails naming the cause, the editor keeps running with its changes, nothing is lost.
TEST_F(HostileEScripts, store_damaged_under_a_running_editor_fails_the_save_and_keeps_the_changes) {
    const Case c{QStringLiteral("damaged"),
                 QStringLiteral(R"("domainlist":[],"domainlist_available":[],"urls":[%1])")
                     .arg(Url(QStringLiteral("/one"))),
                 QString()};
    {
        QFile file(m_suite.Home() + QStringLiteral("/one.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"({"_id":"%1",%2})").arg(c.id, c.fields).toUtf8());
    }
    ASSERT_EQ(Xaldb({QStringLiteral("import"), kNs, m_suite.Home() + QStringLiteral("/one.json")})
                  .exitCode,
              0);
    const QJsonObject before = Exported(c.id);
    ASSERT_NO_FATAL_FAILURE(PlantEdit(c.id, before));

    QProcess editor;
    editor.setProcessEnvironment(m_suite.Environment(QStringLiteral("yes,yes,ok"), 3000));
    editor.start(QStringLiteral(XALSCRIPEDIT_PATH), {QStringLiteral("/xalid:") + c.id});
    ASSERT_TRUE(editor.waitForStarted(10000));
    QString err;
    QElapsedTimer timer;
    timer.start();
    while (!err.contains(QStringLiteral("Restore them?")) && timer.elapsed() < 20000 &&
           editor.state() == QProcess::Running) {
        editor.waitForReadyRead(100);
        err += QString::fromUtf8(editor.readAllStandardError());
    }
    ASSERT_TRUE(err.contains(QStringLiteral("Restore them?"))) << err.toStdString();
    QThread::msleep(300); // the answer is taken right after the line is written
    ASSERT_EQ(::truncate(QFile::encodeName(StorePath() + QStringLiteral("-shm")).constData(), 0),
              0);

    while (!err.contains(kRefusedSave) && timer.elapsed() < 30000 &&
           editor.state() == QProcess::Running) {
        editor.waitForReadyRead(100);
        err += QString::fromUtf8(editor.readAllStandardError());
    }
    EXPECT_TRUE(err.contains(QStringLiteral("suite.db-shm was truncated"))) << err.toStdString();
    // Still running, and still modified: SIGTERM keeps the changes for the next start.
    EXPECT_FALSE(editor.waitForFinished(500));
    ASSERT_EQ(editor.state(), QProcess::Running) << err.toStdString();
    ASSERT_TRUE(QFile::remove(RecoveryFile(c.id)));
    editor.terminate();
    ASSERT_TRUE(editor.waitForFinished(10000));
    EXPECT_EQ(editor.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(editor.exitCode(), 128 + SIGTERM);
    EXPECT_TRUE(QFileInfo::exists(RecoveryFile(c.id)));
    EXPECT_EQ(Exported(c.id), before);
}
