// Loading e-script documents into the model, against both database backends.

#include "persisttestdb.h"
#include "qjtrace.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "testmongoserver.h"

#include <QFile>
#include <QTemporaryDir>

#include <bson/bson.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

class Loading : public ::testing::TestWithParam<TestBackend> {
protected:
    void SetUp() override {
        m_store = std::make_unique<PersistTestDb>(GetParam());
        ASSERT_TRUE(m_store->IsReady()) << m_store->SetupError().toStdString();
    }

    CScriptObj Load(const QString& id, bool expectFound = true) {
        CScriptObj script;
        script.m_strID = id;
        EXPECT_EQ(LoadScript(m_store->Db(), script, &m_remembered), expectFound);
        return script;
    }

    std::unique_ptr<PersistTestDb> m_store;
    QStringList m_remembered;
};

TEST_P(Loading, reads_top_level_fields_logon_and_domain_lists) {
    m_store->InsertEScript(
        QStringLiteral(R"({"_id":"shop","title":"Shop","rooturl":"https://shop.example.com/start",
        "server":"shop.example.com","internetprotocol":1,"port":8443,
        "domainlist_available":[".example.com","cdn.example.net"],"domainlist":[".example.com"],
        "logon":{"user":"alice","pw":"s3cret","type":{"$numberLong":"2"}},
        "urls":[]})"));
    m_remembered << QStringLiteral("earlier.org");

    const CScriptObj s = Load(QStringLiteral("shop"));
    EXPECT_EQ(s.m_strTitle, u"Shop");
    EXPECT_EQ(s.m_strRootURL, u"https://shop.example.com/start");
    EXPECT_EQ(s.m_strServer, u"shop.example.com");
    EXPECT_EQ(s.m_nInternetProtocol, 1);
    EXPECT_EQ(s.m_nPort, 8443);
    EXPECT_EQ(s.m_strLogonUser, u"alice");
    EXPECT_EQ(s.m_strLogonPW, u"s3cret");
    EXPECT_EQ(s.m_lstDomainAvailable, (QStringList{".example.com", "cdn.example.net"}));
    EXPECT_EQ(s.m_lstDomain, QStringList{".example.com"});
    // The application's remembered list grows by the available domains, in order.
    EXPECT_EQ(m_remembered, (QStringList{"earlier.org", ".example.com", "cdn.example.net"}));
    ASSERT_EQ(s.m_lstScripts.size(), 1u);
    EXPECT_EQ(s.m_lstScripts[0].m_nKind, 0);
    EXPECT_TRUE(s.m_lstScripts[0].m_lstURLs.empty());
}

TEST_P(Loading, missing_document_gives_false_and_leaves_object_alone) {
    CScriptObj script;
    script.m_strID = QStringLiteral("nothere");
    script.m_strTitle = QStringLiteral("kept");
    EXPECT_FALSE(LoadScript(m_store->Db(), script));
    EXPECT_EQ(script.m_strTitle, u"kept");
    EXPECT_TRUE(script.m_lstScripts.empty());

    CTestAddData data;
    LoadTestAddData(m_store->Db(), data, QStringLiteral("nothere"));
    EXPECT_EQ(data.m_llKernel, 3);
    EXPECT_EQ(data.m_llPort, 80);
    EXPECT_EQ(data.m_llLogonType, -1);
}

TEST_P(Loading, main_script_absent_without_urls_and_scripts_keep_their_kinds) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"nourls","subscripts":[
        {"name":"after login","urls":[{"url":"/a","server":"h"}]},
        {"name":"second"}]})"));
    const CScriptObj s = Load(QStringLiteral("nourls"));
    ASSERT_EQ(s.m_lstScripts.size(), 2u);
    EXPECT_EQ(s.m_lstScripts[0].m_nKind, 1);
    EXPECT_EQ(s.m_lstScripts[0].m_strName, u"after login");
    EXPECT_EQ(s.m_lstScripts[0].m_lstURLs.size(), 1u);
    EXPECT_EQ(s.m_lstScripts[1].m_strName, u"second");
    EXPECT_TRUE(s.m_lstScripts[1].m_lstURLs.empty());
}

TEST_P(Loading, port_rules_default_ports_and_first_url_fallback) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"ports","port":8080,
        "urls":[{"url":"/0","port":80},{"url":"/1","port":80},{"url":"/2","port":443},
                {"url":"/3","port":9000},{"url":"/4"}],
        "subscripts":[{"name":"c","urls":[{"url":"/c0","port":80},{"url":"/c1","port":8081}]}]})"));
    const CScriptObj s = Load(QStringLiteral("ports"));
    ASSERT_EQ(s.m_lstScripts.size(), 2u);
    const auto& main = s.m_lstScripts[0].m_lstURLs;
    ASSERT_EQ(main.size(), 5u);
    EXPECT_EQ(main[0].m_nPort, 8080); // default port: takes the e-script's port
    EXPECT_EQ(main[1].m_nPort, 0);    // only the first URL falls back
    EXPECT_EQ(main[2].m_nPort, 0);
    EXPECT_EQ(main[3].m_nPort, 9000);
    EXPECT_EQ(main[4].m_nPort, 0);
    const auto& cond = s.m_lstScripts[1].m_lstURLs;
    EXPECT_EQ(cond[0].m_nPort, 0); // conditional scripts have no fallback
    EXPECT_EQ(cond[1].m_nPort, 8081);
}

TEST_P(Loading, first_url_keeps_default_when_escript_port_is_a_default_too) {
    m_store->InsertEScript(
        QStringLiteral(R"({"_id":"p443","port":443,"urls":[{"url":"/","port":0}]})"));
    EXPECT_EQ(Load(QStringLiteral("p443")).m_lstScripts[0].m_lstURLs[0].m_nPort, 0);
}

TEST_P(Loading, url_and_parameter_fields_and_orgvalue_rebuild) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"urls","urls":[
        {"port":8443,"sendasmultipartmime":true,"url":"/login?x=1","internetprotocol":1,
         "server":"sso.example.com","method":1,
         "parameters":[{"value":"_XALURL_USER_","method":1,"name":"user","specialvariable":512,
                        "orgvalue":"bob"},
                       {"value":"a%20b","method":2,"name":"q","specialvariable":0,"orgvalue":"a%20b"}]},
        {"url":"/plain","internetprotocol":0,"server":"www.example.com","orgvalue":"http://www.example.com:81/plain"},
        {"url":"/ftp","internetprotocol":2,"server":"files.example.com"}]})"));
    const CScriptObj s = Load(QStringLiteral("urls"));
    ASSERT_EQ(s.m_lstScripts.size(), 1u);
    const auto& urls = s.m_lstScripts[0].m_lstURLs;
    ASSERT_EQ(urls.size(), 3u);
    EXPECT_TRUE(urls[0].m_bSendAsMultipartMime);
    EXPECT_EQ(urls[0].m_nMethod, 1);
    EXPECT_EQ(urls[0].m_nFlags, 0);
    // No port goes into a rebuilt original URL, even with an explicit port.
    EXPECT_EQ(urls[0].m_strOrgValue, u"https://sso.example.com/login?x=1");
    ASSERT_EQ(urls[0].m_lstParams.size(), 2u);
    const CURLParamObj& user = urls[0].m_lstParams[0];
    EXPECT_EQ(user.m_strName, u"user");
    EXPECT_EQ(user.m_strValue, u"_XALURL_USER_");
    EXPECT_EQ(user.m_strOrgValue, u"bob");
    EXPECT_EQ(user.m_nSpecialVariable, 0x200);
    EXPECT_EQ(user.m_nMethod, 1);
    EXPECT_TRUE(user.m_strRawValue.isEmpty());
    EXPECT_EQ(urls[0].m_lstParams[1].m_strValue, u"a%20b");
    EXPECT_EQ(urls[0].m_lstParams[1].m_nMethod, 2);

    EXPECT_EQ(urls[1].m_strOrgValue, u"http://www.example.com:81/plain"); // stored one wins
    EXPECT_TRUE(urls[1].m_lstParams.empty());
    EXPECT_EQ(urls[2].m_strOrgValue, u"ftp://files.example.com/ftp");
}

TEST_P(Loading, urlparameter_drops_one_trailing_equals_sign) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"flex","urlparameter":[
        {"find":"sid=","variable":"_XALURL_0_"},{"find":"tok==","variable":"_XALURL_1_"},
        {"find":"","variable":"_XALURL_2_"},{"find":"/shop/","variable":"_XALURL_3_"},
        {"variable":"_XALURL_4_"}]})"));
    const CScriptObj s = Load(QStringLiteral("flex"));
    ASSERT_EQ(s.m_lstURLParameter.size(), 5u);
    EXPECT_EQ(s.m_lstURLParameter[0].m_strFind, u"sid");
    EXPECT_EQ(s.m_lstURLParameter[0].m_strReplace, u"_XALURL_0_");
    EXPECT_EQ(s.m_lstURLParameter[1].m_strFind, u"tok=");
    EXPECT_EQ(s.m_lstURLParameter[2].m_strFind, u"");
    EXPECT_EQ(s.m_lstURLParameter[3].m_strFind, u"/shop/");
    EXPECT_EQ(s.m_lstURLParameter[4].m_strFind, u"");
    // Entries stored without "=" come back marked, so a save does not append one.
    const std::vector<int> marks{0, 0, 1, 1, 1};
    for (std::size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(s.m_lstURLParameter[i].m_nNoEqualSign, marks[i]) << i;
    }
}

TEST_P(Loading, elements_that_are_not_documents_make_the_escript_not_savable) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"holes","urls":[
        {"url":"/a","parameters":[{"name":"p0"},"oops",{"name":"p2"}]},
        {"url":"/b"}, 17, {"url":"/after"}]})"));
    const CScriptObj s = Load(QStringLiteral("holes"));
    ASSERT_EQ(s.m_lstScripts.size(), 1u);
    // What can be shown is shown; nothing that follows a foreign element is hidden.
    const auto& urls = s.m_lstScripts[0].m_lstURLs;
    ASSERT_EQ(urls.size(), 3u);
    ASSERT_EQ(urls[0].m_lstParams.size(), 2u);
    EXPECT_EQ(urls[0].m_lstParams[1].m_strName, u"p2");
    EXPECT_EQ(urls[2].m_strURL, u"/after");
    EXPECT_TRUE(s.m_strNotSavable.contains(QStringLiteral("'urls[2]'")))
        << s.m_strNotSavable.toStdString();
}

TEST_P(Loading, fields_of_unexpected_types_load_as_defaults) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"types","title":42,"port":"eighty",
        "internetprotocol":"https","rooturl":["x"],"logon":["alice","pw"],
        "domainlist":"not-a-list","domainlist_available":{"0":"x"},
        "urlparameter":{"find":"a="},"subscripts":"none",
        "urls":[{"url":{"$numberInt":"5"},"server":["h"],"method":"POST","port":{"p":1},
                 "parameters":{"0":{"name":"x"}}}]})"));
    const CScriptObj s = Load(QStringLiteral("types"));
    EXPECT_TRUE(s.m_strTitle.isEmpty() || s.m_strTitle == u"42");
    EXPECT_TRUE(s.m_strLogonUser.isEmpty());
    EXPECT_TRUE(s.m_lstURLParameter.empty());
    ASSERT_EQ(s.m_lstScripts.size(), 1u);
    ASSERT_EQ(s.m_lstScripts[0].m_lstURLs.size(), 1u);
    const CURLObj& url = s.m_lstScripts[0].m_lstURLs[0];
    EXPECT_EQ(url.m_nPort, 0);
    EXPECT_TRUE(url.m_lstParams.empty());
}

TEST_P(Loading, huge_and_non_ascii_texts_survive) {
    const QString huge(10 * 1024 * 1024, QLatin1Char('x'));
    CMDBRecord doc;
    doc.SetStr(QStringLiteral("_id"), QStringLiteral("huge"));
    doc.SetStr(QStringLiteral("title"), QStringLiteral("Grüße – 日本 \U0001F600"));
    CMDBRecord url;
    url.SetStr(QStringLiteral("url"), huge);
    CMDBRecord urls = CMDBRecord::MakeArray();
    urls.AppendRecord(url);
    doc.SetRecord(QStringLiteral("urls"), urls);
    ASSERT_TRUE(m_store->Db().Insert(QStringLiteral("xaldata.escript"), doc))
        << m_store->Db().GetLastError().toStdString();

    const CScriptObj s = Load(QStringLiteral("huge"));
    EXPECT_EQ(s.m_strTitle, QStringLiteral("Grüße – 日本 \U0001F600"));
    ASSERT_EQ(s.m_lstScripts[0].m_lstURLs.size(), 1u);
    EXPECT_EQ(s.m_lstScripts[0].m_lstURLs[0].m_strURL.size(), huge.size());
}

TEST_P(Loading, test_add_data_reads_numbers_with_zero_defaults_once_found) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"t1","kernel":{"$numberLong":"5"},"port":8080,
        "allowinvalidcertificates":true,"locked_adr":["/admin","/setup"],"urlrw_mime":["text/html"],
        "urlparameter":[{"find":"sid=","variable":"_XALURL_0_"}],
        "urlrw_replace":[{"from":"a=","to":"b="},{"from":"c"}],
        "logon":{"type":{"$numberLong":"4"},"onlyonce":1,"send_to_domain":"corp",
                 "ins_script_in_url":"js","ajax_user_type":{"$numberLong":"1"},"ajax_user_nameid":"u",
                 "ajax_pwd_type":{"$numberLong":"2"},"ajax_pwd_nameid":"pwfield",
                 "ajax_submit_type":{"$numberLong":"3"},"ajax_submit_nameid":"go",
                 "alternativeip":"10.0.0.5","notallowedpage":"/denied"}})"));
    m_store->InsertEScript(QStringLiteral(R"({"_id":"t2"})"));

    CTestAddData data;
    LoadTestAddData(m_store->Db(), data, QStringLiteral("t1"));
    EXPECT_EQ(data.m_llKernel, 5);
    EXPECT_EQ(data.m_llPort, 8080);
    EXPECT_TRUE(data.m_bAllowInvalidCertificates);
    EXPECT_EQ(data.m_lstLockedAdr, (QStringList{"/admin", "/setup"}));
    EXPECT_EQ(data.m_lstURLRwMime, QStringList{"text/html"});
    ASSERT_EQ(data.m_lstURLParameter.size(), 1u);
    EXPECT_EQ(data.m_lstURLParameter[0].m_strFind, u"sid");
    ASSERT_EQ(data.m_lstURLRwReplace.size(), 2u);
    EXPECT_EQ(data.m_lstURLRwReplace[0].m_strFind, u"a="); // no "=" handling here
    EXPECT_EQ(data.m_lstURLRwReplace[1].m_strReplace, u"");
    EXPECT_EQ(data.m_llLogonType, 4);
    EXPECT_EQ(data.m_nLogonOnlyOnce, 1);
    EXPECT_EQ(data.m_strSendToDomain, u"corp");
    EXPECT_EQ(data.m_strInsScriptInURL, u"js");
    EXPECT_EQ(data.m_llAjaxUserType, 1);
    EXPECT_EQ(data.m_strAjaxUserNameID, u"u");
    EXPECT_EQ(data.m_llAjaxPwdType, 2);
    EXPECT_EQ(data.m_strAjaxPwdNameID, u"pwfield");
    EXPECT_EQ(data.m_llAjaxSubmitType, 3);
    EXPECT_EQ(data.m_strAjaxSubmitNameID, u"go");
    EXPECT_EQ(data.m_strAlternativeIP, u"10.0.0.5");
    EXPECT_EQ(data.m_strNotAllowedPage, u"/denied");

    // Found but empty: the scalar fields read 0, the logon fields keep their construction.
    CTestAddData bare;
    LoadTestAddData(m_store->Db(), bare, QStringLiteral("t2"));
    EXPECT_EQ(bare.m_llKernel, 0);
    EXPECT_EQ(bare.m_llPort, 0);
    EXPECT_EQ(bare.m_llLogonType, -1);
    EXPECT_EQ(bare.m_nLogonOnlyOnce, -1);
    EXPECT_EQ(bare.m_llAjaxSubmitType, -1);
}

TEST_P(Loading, loading_writes_nothing) {
    const QString json = QStringLiteral(
        R"({"_id":"ro","port":8080,"urls":[{"url":"/","port":80,"server":"h"}],"logon":{"user":"u"}})");
    m_store->InsertEScript(json);
    const CMDBRecord before = m_store->FetchEScript(QStringLiteral("ro"));
    (void)Load(QStringLiteral("ro"));
    CTestAddData data;
    LoadTestAddData(m_store->Db(), data, QStringLiteral("ro"));
    EXPECT_TRUE(m_store->FetchEScript(QStringLiteral("ro")) == before);
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Backends, Loading, ::testing::ValuesIn(PersistBackends()),
                         [](const auto& info) { return BackendName(info.param); });

// Documents written byte by byte by another program, stored as they are.
class LoadRawBson : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(m_db.Connect(error)) << error.toStdString();
        CMDBRecord seed;
        seed.SetStr(QStringLiteral("_id"), QStringLiteral("raw"));
        ASSERT_TRUE(m_db.Insert(QStringLiteral("xaldata.escript"), seed));
        m_doc = bson_new();
        BSON_APPEND_UTF8(m_doc, "_id", "raw");
    }
    void TearDown() override { bson_destroy(m_doc); }

    // Replaces the seeded document's bytes with m_doc.
    void Store() {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(m_file.Path().toUtf8().constData(), &raw), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(raw, "UPDATE documents SET body = ?1", -1, &st, nullptr),
                  SQLITE_OK);
        sqlite3_bind_blob(st, 1, bson_get_data(m_doc), static_cast<int>(m_doc->len),
                          SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(raw);
    }

    xal::test::TemporaryEmbeddedStore m_file;
    CMongoDB m_db{m_file.ServerText(), QString()};
    bson_t* m_doc = nullptr;
};

// Strings that are not UTF-8 must not stop the editor.
TEST_F(LoadRawBson, invalid_utf8_loads_or_fails_cleanly) {
    const char broken[] = {'/', 'a', '\xC3', '\x28', '\xFF', 'z'};
    bson_append_utf8(m_doc, "title", -1, broken, sizeof broken);
    bson_t urls;
    bson_t url;
    bson_append_array_begin(m_doc, "urls", -1, &urls);
    bson_append_document_begin(&urls, "0", -1, &url);
    bson_append_utf8(&url, "url", -1, broken, sizeof broken);
    bson_append_utf8(&url, "server", -1, "\xED\xA0\x80", 3); // an encoded surrogate
    bson_append_document_end(&urls, &url);
    bson_append_array_end(m_doc, &urls);
    Store();

    CScriptObj script;
    script.m_strID = QStringLiteral("raw");
    if (LoadScript(m_db, script)) {
        ASSERT_EQ(script.m_lstScripts.size(), 1u);
        ASSERT_EQ(script.m_lstScripts[0].m_lstURLs.size(), 1u);
        EXPECT_TRUE(script.m_lstScripts[0].m_lstURLs[0].m_strURL.startsWith(u"/a"));
        EXPECT_TRUE(script.m_strTitle.endsWith(u"z"));
        // Shown, but a save would write replacement characters for the stored bytes.
        EXPECT_TRUE(script.m_strNotSavable.contains(u"not valid UTF-8"))
            << script.m_strNotSavable.toStdString();
    } else {
        EXPECT_FALSE(m_db.GetLastError().isEmpty()); // refused as damaged, and said so
    }
}

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had) {
            qputenv(m_name, m_previous);
        } else {
            qunsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_previous;
};

// The load's trace line names the logon user but never shows the password, also when no
// document was found.
TEST(LoadTrace, names_user_and_masks_password) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log = dir.filePath(QStringLiteral("trace.log"));
    {
        const ScopedEnv file("XAL_TRACE_FILE", log.toUtf8());
        const ScopedEnv level("XAL_TRACE_LEVEL", "6");
        QJTraceReconfigure();
        PersistTestDb store(TestBackend::Embedded);
        ASSERT_TRUE(store.IsReady()) << store.SetupError().toStdString();
        store.InsertEScript(
            QStringLiteral(R"({"_id":"t","logon":{"user":"alice","pw":"Secr3t!"}})"));
        CScriptObj found;
        found.m_strID = QStringLiteral("t");
        EXPECT_TRUE(LoadScript(store.Db(), found));
        CScriptObj missing;
        missing.m_strID = QStringLiteral("none");
        EXPECT_FALSE(LoadScript(store.Db(), missing));
        QJTraceFlush();
    }
    QJTraceReconfigure();

    QFile trace(log);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(trace.readAll());
    EXPECT_FALSE(text.contains(QStringLiteral("Secr3t!")));
    EXPECT_TRUE(
        text.contains(QStringLiteral(" 6 XAL-Script Editor: Read: User 'alice' PWD: '***'")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(": Read: User '' PWD: ''"))) << text.toStdString();
}
