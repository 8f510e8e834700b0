// The xaldb program: import, export and remove, with their failures.

#include "store_test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace storetest;

const char* const kDocuments = R"([
  {"_id": "one", "title": "Grüße ✓", "port": {"$numberInt": "8080"},
   "kernel": {"$numberLong": "5000000000"}, "test": true,
   "lastchanged": {"$date": {"$numberLong": "1700000000123"}},
   "logon": {"user": "anna", "type": {"$numberLong": "2"}},
   "domainlist": ["a.example", "b.example"],
   "urls": [{"url": "/x", "method": {"$numberInt": "1"}}]},
  {"_id": "two", "ratio": {"$numberDouble": "0.5"}, "nothing": null}
])";

class Xaldb : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            auto& server = SharedServer();
            ASSERT_TRUE(server.IsRunning());
            m_server = server.ServerText();
            m_ns = TestNamespace();
        } else {
            m_server = m_store.ServerText();
            m_ns = S("xaldata.escript");
        }
        QFile f(m_dir.filePath(S("in.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kDocuments);
    }
    int Run(QStringList args, QString* out = nullptr, QString* err = nullptr) {
        args.prepend(m_server);
        args.prepend(S("--server"));
        args.prepend(S(XALDB_PROGRAM));
        return RunProgram(args, out, err);
    }

    xal::test::TemporaryEmbeddedStore m_store;
    QTemporaryDir m_dir;
    QString m_server;
    QString m_ns;
};

TEST_P(Xaldb, import_export_round_trip_and_remove) {
    const QString in = m_dir.filePath(S("in.json"));
    QString out;
    QString err;
    ASSERT_EQ(Run({S("import"), m_ns, in}, nullptr, &err), 0) << err.toStdString();
    ASSERT_EQ(Run({S("export"), m_ns}, &out, &err), 0) << err.toStdString();

    CMDBRecord expected;
    ASSERT_TRUE(CMDBRecord::FromJson(S(kDocuments), expected));
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    for (int i = 0; i < 2; ++i) {
        CMDBRecord line;
        ASSERT_TRUE(CMDBRecord::FromJson(lines[i], line)) << lines[i].toStdString();
        EXPECT_EQ(line, *expected.GetRecordPtr(i)) << lines[i].toStdString();
    }

    ASSERT_EQ(Run({S("export"), m_ns, S("two")}, &out, &err), 0);
    EXPECT_EQ(out.trimmed(), lines[1]);

    // Importing again collides; --replace overwrites.
    EXPECT_EQ(Run({S("import"), m_ns, in}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(S("--replace"))) << err.toStdString();
    EXPECT_EQ(Run({S("import"), S("--replace"), m_ns, in}, nullptr, &err), 0) << err.toStdString();

    EXPECT_EQ(Run({S("remove"), m_ns, S("one")}, nullptr, &err), 0) << err.toStdString();
    EXPECT_EQ(Run({S("remove"), m_ns, S("one")}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(S("one"))) << err.toStdString();
    EXPECT_EQ(Run({S("export"), m_ns, S("one")}, &out, &err), 1);
    EXPECT_TRUE(out.isEmpty());
}

TEST_P(Xaldb, bad_input_fails_with_a_message) {
    QFile bad(m_dir.filePath(S("bad.json")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{\"_id\": \"x\", ");
    bad.close();
    QString err;
    EXPECT_EQ(Run({S("import"), m_ns, bad.fileName()}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(S("not valid Extended JSON"))) << err.toStdString();
    EXPECT_EQ(Run({S("import"), m_ns, m_dir.filePath(S("absent.json"))}, nullptr, &err), 1);
    EXPECT_FALSE(err.isEmpty());
    EXPECT_EQ(Run({S("import"), m_ns}, nullptr, &err), 2);
    EXPECT_EQ(Run({S("frobnicate")}, nullptr, &err), 2);
    EXPECT_EQ(Run({S("export"), S("nodot")}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(S("namespace"))) << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Stores, Xaldb, ::testing::Values(false, true), [](const auto& info) {
    return info.param ? std::string("MongoDB") : std::string("Embedded");
});

TEST(XaldbProgram, needs_a_server_and_a_reachable_one) {
    QString err;
    EXPECT_EQ(RunProgram({S("env"), S("-u"), S("ZVHOME"), S(XALDB_PROGRAM), S("export"),
                          S("xaldata.escript")},
                         nullptr, &err),
              2);
    EXPECT_TRUE(err.contains(S("--server"))) << err.toStdString();
    EXPECT_EQ(RunProgram({S(XALDB_PROGRAM), S("--server"),
                          QStringLiteral("127.0.0.1:%1").arg(ClosedPort()), S("export"),
                          S("xaldata.escript")},
                         nullptr, &err),
              1);
    EXPECT_TRUE(err.contains(S("Could not reach"))) << err.toStdString();
}

TEST(XaldbProgram, without_server_uses_the_suite_access_file) {
    xal::test::TemporaryEmbeddedStore store;
    QTemporaryDir home;
    ASSERT_TRUE(QDir().mkpath(home.filePath(S("system/cfg"))));
    QFile access(home.filePath(S("system/cfg/zvaccess.cfg")));
    ASSERT_TRUE(access.open(QIODevice::WriteOnly));
    access.write(QStringLiteral("[MongoDB]\nServer=%1\n").arg(store.ServerText()).toUtf8());
    access.close();
    QFile input(home.filePath(S("in.json")));
    ASSERT_TRUE(input.open(QIODevice::WriteOnly));
    input.write(kDocuments);
    input.close();

    const QString zvhome = S("ZVHOME=") + home.path();
    QString out, err;
    ASSERT_EQ(RunProgram({S("env"), zvhome, S(XALDB_PROGRAM), S("import"), S("xaldata.escript"),
                          input.fileName()},
                         nullptr, &err),
              0)
        << err.toStdString();
    // The documents went to the store the access file names.
    CMongoDB db(store.ServerText(), QString());
    QString error;
    ASSERT_TRUE(db.Connect(error)) << error.toStdString();
    CMDBRecord doc;
    EXPECT_TRUE(db.SeekReference(S("xaldata.escript"), S("two"), doc));
    ASSERT_EQ(RunProgram(
                  {S("env"), zvhome, S(XALDB_PROGRAM), S("export"), S("xaldata.escript"), S("one")},
                  &out, &err),
              0)
        << err.toStdString();
    EXPECT_TRUE(out.contains(S("\"anna\""))) << out.toStdString();
}

TEST(XaldbImport, takes_documents_one_per_line_and_refuses_leftovers_and_repeated_keys) {
    xal::test::TemporaryEmbeddedStore store;
    QTemporaryDir dir;
    auto write = [&dir](const char* name, const char* text) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    auto import = [&store](const QString& file, QString* err) {
        return RunProgram({S(XALDB_PROGRAM), S("--server"), store.ServerText(), S("import"),
                           S("xaldata.t"), file},
                          nullptr, err);
    };
    QString err;
    EXPECT_EQ(
        import(write("lines.json", "{\"_id\":\"t1\"}{\"_id\":\"t2\"}\n{\"_id\":\"t3\"}\n"), &err),
        0)
        << err.toStdString();
    const std::pair<const char*, const char*> bad[] = {
        {"{\"_id\":\"x1\"}\n junk", "line 2, column 2"},
        {"[{\"_id\":\"x2\"}]\n{\"_id\":\"x3\"}", "line 2, column 1"},
        {"{\"_id\":\"x4\",\"a\":{\"b\":1,\"b\":2}}", "'a.b' twice"},
        {"{\"_id\":\"x5\"", "not closed"},
        {"{\"_id\":\"x6\"}\n{\"_id\":\"x7\",\"t\":\"a\xC3\x28\"}",
         "line 2, column 19: the file "
         "holds bytes that are not UTF-8"},
    };
    for (const auto& [text, named] : bad) {
        EXPECT_NE(import(write("bad.json", text), &err), 0) << text;
        EXPECT_TRUE(err.contains(QLatin1String(named))) << err.toStdString();
    }
    QString out;
    ASSERT_EQ(RunProgram({S(XALDB_PROGRAM), S("--server"), store.ServerText(), S("export"),
                          S("xaldata.t")},
                         &out, &err),
              0);
    // The three good documents; nothing of a refused file.
    EXPECT_EQ(out.trimmed().split(u'\n').size(), 3) << out.toStdString();
}

TEST(XaldbPassword, comes_from_the_environment_or_stdin_and_a_command_line_one_warns) {
    QString err;
    // No server needed to see how the password is taken: the connection fails afterwards.
    const QStringList base{S(XALDB_PROGRAM), S("--server"), S("127.0.0.1:1"), S("--user"), S("u")};
    EXPECT_NE(RunProgram(base + QStringList{S("export"), S("a.b")}, nullptr, &err), 0);
    EXPECT_TRUE(err.contains(S("XALDB_PASSWORD"))) << err.toStdString();
    EXPECT_NE(RunProgram(base + QStringList{S("--password"), S("hunter2"), S("export"), S("a.b")},
                         nullptr, &err),
              0);
    EXPECT_TRUE(err.contains(S("warning: --password"))) << err.toStdString();
    EXPECT_FALSE(err.contains(S("hunter2"))) << err.toStdString();

    // While it runs (here waiting for a server that never answers), the process list shows
    // no password given on the command line.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    QProcess silent;
    silent.start(S(XALDB_PROGRAM),
                 {S("--server"), S("127.0.0.1:%1").arg(ntohs(address.sin_port)), S("--user"),
                  S("u"), S("--password"), S("hunter2"), S("export"), S("a.b")});
    ASSERT_TRUE(silent.waitForStarted());
    // Once it connects to the listener, main has long passed the point where the argument is
    // blanked; a loaded or instrumented machine may take seconds to get there.
    pollfd waiting{listener, POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 30000), 1) << "xaldb never connected";
    const int connection = ::accept(listener, nullptr, nullptr);
    QFile proc(S("/proc/%1/cmdline").arg(silent.processId()));
    ASSERT_TRUE(proc.open(QIODevice::ReadOnly));
    const QByteArray cmdline = proc.readAll();
    silent.kill();
    silent.waitForFinished();
    if (connection >= 0)
        ::close(connection);
    ::close(listener);
    EXPECT_TRUE(cmdline.contains("--password")) << cmdline.toStdString();
    EXPECT_FALSE(cmdline.contains("hunter2")) << cmdline.toStdString();
}

TEST(XaldbImport, forty_concurrent_imports_of_large_documents_all_succeed) {
    xal::test::TemporaryEmbeddedStore store;
    QTemporaryDir dir;
    const QString big(3400 * 1024, QLatin1Char('x'));
    std::vector<std::unique_ptr<QProcess>> imports;
    for (int i = 0; i < 40; ++i) {
        const QString file = dir.filePath(QStringLiteral("d%1.json").arg(i));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral(R"({"_id":"d%1","blob":"%2"})").arg(i).arg(big).toUtf8());
        f.close();
        auto process = std::make_unique<QProcess>();
        process->start(S(XALDB_PROGRAM),
                       {S("--server"), store.ServerText(), S("import"), S("xaldata.big"), file});
        imports.push_back(std::move(process));
    }
    for (auto& process : imports) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
}

} // namespace
