// What a save sends over the wire, and a save whose connection drops part-way.

#include "persisttestdb.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <gtest/gtest.h>

namespace {

CScriptObj TwoScripts(const QString& id) {
    CScriptObj s;
    s.m_strID = id;
    s.m_strLogonUser = QStringLiteral("u");
    s.m_lstDomain = QStringList{".example.com"};
    CSubscriptObj main;
    CURLObj url;
    url.m_strServer = QStringLiteral("www.example.com");
    url.m_strURL = QStringLiteral("/a");
    CURLParamObj p;
    p.m_strName = QStringLiteral("x");
    p.m_strRawValue = QStringLiteral("1");
    url.m_lstParams.push_back(p);
    main.m_lstURLs.push_back(url);
    CSubscriptObj cond;
    cond.m_nKind = 1;
    cond.m_strName = QStringLiteral("c");
    cond.m_lstURLs.push_back(url);
    s.m_lstScripts = {main, cond};
    return s;
}

// "$set a,b | $unset c" for each logged update: the operators and their field names, and checks
// that every update addresses exactly the one document without upsert or multi.
QStringList Describe(const std::vector<CMDBRecord>& commands, const QString& id) {
    QStringList out;
    for (const CMDBRecord& command : commands) {
        const CMDBRecord* updates = command.GetArrayPtr(QStringLiteral("updates"));
        const CMDBRecord* first = updates ? updates->GetArrayPtr(QStringLiteral("0")) : nullptr;
        if (first == nullptr || updates->GetCount() != 1) {
            out << QStringLiteral("malformed");
            continue;
        }
        EXPECT_FALSE(first->GetBool(QStringLiteral("upsert"), false));
        EXPECT_FALSE(first->GetBool(QStringLiteral("multi"), false));
        const CMDBRecord* q = first->GetRecordPtr(QStringLiteral("q"));
        EXPECT_TRUE(q && q->GetFieldNames() == QStringList{"_id"} && q->GetStr("_id") == id);
        const CMDBRecord* u = first->GetRecordPtr(QStringLiteral("u"));
        if (u == nullptr || u->IsEmpty()) {
            out << QStringLiteral("malformed");
            continue;
        }
        QStringList ops;
        for (const QString& op : u->GetFieldNames()) {
            ops << op + QLatin1Char(' ') +
                       u->GetRecordPtr(op)->GetFieldNames().join(QLatin1Char(','));
        }
        out << ops.join(QStringLiteral(" | "));
    }
    return out;
}

TEST(WireSave, sends_one_update_with_every_field_in_order) {
    PersistTestDb store(TestBackend::Wire);
    ASSERT_TRUE(store.IsReady()) << store.SetupError().toStdString();
    store.InsertEScript(QStringLiteral(R"({"_id":"seq"})"));

    QString id = QStringLiteral("SEQ");
    bool rootChanged = true;
    const QString root = QStringLiteral("https://www.example.com:8443/start");
    CScriptObj s = TwoScripts(id);
    CTestAddData data;
    ScriptSaveResult r = SaveScript(store.Db(), {id, rootChanged, root}, s, true, &data);
    ASSERT_TRUE(r.Succeeded()) << r.m_strError.toStdString();

    // The root URL's server, protocol and port take the place of the test copy's.
    const QStringList expected{
        "$set domainlist,domainlist_available,lastchanged,logon.user,active,port,uselicense,"
        "userecording,usepermission,allowinvalidcertificates,internetprotocol,server,rooturl,"
        "kernel,locked_adr,urlrw_mime,urlrw_replace,logon.type,alternativeip,logon.onlyonce,"
        "logon.send_to_domain,logon.ins_script_in_url,logon.ajax_user_type,"
        "logon.ajax_user_nameid,logon.ajax_pwd_type,logon.ajax_submit_type,"
        "logon.ajax_pwd_nameid,logon.ajax_submit_nameid,urls,subscripts | "
        "$unset logon.pw,urlparameter",
    };
    EXPECT_EQ(Describe(store.LoggedCommands(QStringLiteral("update")), QStringLiteral("seq")),
              expected);
    EXPECT_EQ(r.m_nUpdatesApplied, 1);
    EXPECT_FALSE(rootChanged);

    const CMDBRecord doc = store.FetchEScript(QStringLiteral("seq"));
    EXPECT_EQ(doc.GetInt(QStringLiteral("port")), 8443);
    EXPECT_EQ(doc.GetStr(QStringLiteral("server")), u"www.example.com");
}

TEST(WireSave, a_dropped_connection_leaves_the_old_document_and_reports) {
    PersistTestOptions options;
    options.dropAfterUpdates = 0;
    PersistTestDb dropping(TestBackend::Wire, options);
    ASSERT_TRUE(dropping.IsReady()) << dropping.SetupError().toStdString();
    dropping.InsertEScript(QStringLiteral(
        R"({"_id":"drop","title":"T","domainlist":["old"],"urls":[{"url":"/old"}],
            "subscripts":[{"name":"old"}]})"));
    const CMDBRecord before = dropping.FetchEScript(QStringLiteral("drop"));

    QString id = QStringLiteral("drop");
    bool rootChanged = true;
    const QString root = QStringLiteral("http://new.example.com/");
    const ScriptSaveResult r =
        SaveScript(dropping.Db(), {id, rootChanged, root}, TwoScripts(id), false, nullptr);
    EXPECT_EQ(r.m_status, ScriptSaveStatus::Failed);
    EXPECT_EQ(r.m_nUpdatesApplied, 0);
    EXPECT_FALSE(r.m_strError.isEmpty());
    EXPECT_TRUE(rootChanged); // still to be written by the next save

    const CMDBRecord after = dropping.FetchEScript(id);
    EXPECT_TRUE(after == before) << after.ToJson().toStdString();
}

TEST(WireSave, a_removed_document_is_reported_missing_by_the_update_itself) {
    PersistTestDb store(TestBackend::Wire);
    ASSERT_TRUE(store.IsReady()) << store.SetupError().toStdString();
    QString id = QStringLiteral("gone");
    bool rootChanged = false;
    const ScriptSaveResult r =
        SaveScript(store.Db(), {id, rootChanged, QString()}, TwoScripts(id), false, nullptr);
    EXPECT_EQ(r.m_status, ScriptSaveStatus::DocumentMissing);
    // No find before the update: a removal cannot slip in between.
    EXPECT_TRUE(store.LoggedCommands(QStringLiteral("find")).empty());
    EXPECT_EQ(store.LoggedCommands(QStringLiteral("update")).size(), 1U);
    EXPECT_TRUE(store.FetchEScript(id).IsEmpty());
}

TEST(WireSave, a_session_that_cannot_reach_its_server_reports_instead_of_saving) {
    PersistTestDb store(TestBackend::Wire);
    ASSERT_TRUE(store.IsReady()) << store.SetupError().toStdString();
    // A server that has gone: port 1 on loopback refuses connections.
    CMongoDB gone(QStringLiteral("127.0.0.1:1"), QString());
    QString error;
    (void)gone.Connect(error);
    QString id = QStringLiteral("x");
    bool rootChanged = false;
    const QString root;
    const ScriptSaveResult r =
        SaveScript(gone, {id, rootChanged, root}, TwoScripts(id), false, nullptr);
    EXPECT_EQ(r.m_status, ScriptSaveStatus::Failed);
    EXPECT_EQ(r.m_nUpdatesApplied, 0);
    EXPECT_FALSE(r.m_strError.isEmpty());
}

} // namespace
