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

// "$set a,b" for each logged update: the operator and its field names, and checks that every
// update addresses exactly the one document without upsert or multi.
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
        if (u == nullptr || u->GetCount() != 1) {
            out << QStringLiteral("malformed");
            continue;
        }
        const QString op = u->GetFieldNames().front();
        out << op + QLatin1Char(' ') + u->GetRecordPtr(op)->GetFieldNames().join(QLatin1Char(','));
    }
    return out;
}

TEST(WireSave, sends_the_updates_in_their_order_with_their_fields_in_order) {
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

    const QStringList expected{
        "$set domainlist,domainlist_available,lastchanged,logon.user,logon.pw",
        "$set logon.user",
        "$unset logon.pw",
        "$set active,port,uselicense,userecording,usepermission,allowinvalidcertificates,"
        "internetprotocol,server,rooturl,kernel,locked_adr,urlrw_mime,urlrw_replace,logon.type,"
        "alternativeip,logon.onlyonce,logon.send_to_domain,logon.ins_script_in_url,"
        "logon.ajax_user_type,logon.ajax_user_nameid,logon.ajax_pwd_type,logon.ajax_submit_type,"
        "logon.ajax_pwd_nameid,logon.ajax_submit_nameid",
        "$unset urlparameter",
        "$set urls",
        "$set subscripts",
        "$set rooturl,server,internetprotocol,port",
    };
    EXPECT_EQ(Describe(store.LoggedCommands(QStringLiteral("update")), QStringLiteral("seq")),
              expected);
    EXPECT_EQ(r.m_nUpdatesApplied, expected.size());

    const CMDBRecord doc = store.FetchEScript(QStringLiteral("seq"));
    EXPECT_EQ(doc.GetInt(QStringLiteral("port")), 8443);
    EXPECT_EQ(doc.GetStr(QStringLiteral("server")), u"www.example.com");
}

TEST(WireSave, a_dropped_connection_stops_the_save_and_saving_again_converges) {
    PersistTestOptions options;
    options.dropAfterUpdates = 3;
    PersistTestDb dropping(TestBackend::Wire, options);
    ASSERT_TRUE(dropping.IsReady()) << dropping.SetupError().toStdString();
    const QString original = QStringLiteral(
        R"({"_id":"drop","title":"T","domainlist":["old"],"urls":[{"url":"/old"}],
            "subscripts":[{"name":"old"}]})");
    dropping.InsertEScript(original);

    QString id = QStringLiteral("drop");
    bool rootChanged = true;
    const QString root = QStringLiteral("http://new.example.com/");
    const CScriptObj s = TwoScripts(id);
    const ScriptSaveResult r =
        SaveScript(dropping.Db(), {id, rootChanged, root}, s, false, nullptr);
    EXPECT_EQ(r.m_status, ScriptSaveStatus::Failed);
    EXPECT_EQ(r.m_nUpdatesApplied, 3);
    EXPECT_FALSE(r.m_strError.isEmpty());
    EXPECT_TRUE(rootChanged); // the root URL was not written yet

    // The first three updates stay applied, nothing after them.
    const CMDBRecord partial = dropping.FetchEScript(id);
    ASSERT_FALSE(partial.IsEmpty()) << dropping.Db().GetLastError().toStdString();
    QStringList domains;
    partial.DataToArrayObj(QStringLiteral("domainlist"), domains);
    EXPECT_EQ(domains, QStringList{".example.com"});
    EXPECT_EQ(partial.GetArrayPtr(QStringLiteral("urls"))
                  ->GetArrayPtr(QStringLiteral("0"))
                  ->GetStr(QStringLiteral("url")),
              u"/old");

    // Saving the half-written document again gives what one whole save gives.
    PersistTestDb again(TestBackend::Embedded);
    ASSERT_TRUE(again.Db().Insert(QStringLiteral("xaldata.escript"), partial));
    again.InsertEScript(
        QString(original).replace(QStringLiteral("\"drop\""), QStringLiteral("\"whole\"")));
    ASSERT_TRUE(SaveScript(again.Db(), {id, rootChanged, root}, s, false, nullptr).Succeeded());
    EXPECT_FALSE(rootChanged);
    QString wholeId = QStringLiteral("whole");
    bool wholeRoot = true;
    CScriptObj w = s;
    ASSERT_TRUE(SaveScript(again.Db(), {wholeId, wholeRoot, root}, w, false, nullptr).Succeeded());

    CMDBRecord converged = again.FetchEScript(QStringLiteral("drop"));
    CMDBRecord whole = again.FetchEScript(QStringLiteral("whole"));
    for (CMDBRecord* doc : {&converged, &whole}) {
        doc->RemoveField(QStringLiteral("_id"));
        doc->RemoveField(QStringLiteral("lastchanged"));
    }
    EXPECT_TRUE(converged == whole) << converged.ToJson().toStdString() << "\n"
                                    << whole.ToJson().toStdString();
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
