// Saving e-scripts field by field, against both database backends.

#include "persisttestdb.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <gtest/gtest.h>

namespace {

CURLParamObj Param(const QString& name, const QString& raw, int method = 0, int special = 0,
                   const QString& org = QString()) {
    CURLParamObj p;
    p.m_strName = name;
    p.m_strRawValue = raw;
    p.m_strValue = raw;
    p.m_nMethod = method;
    p.m_nSpecialVariable = special;
    p.m_strOrgValue = org;
    return p;
}

CURLObj Url(const QString& server, const QString& address, int protocol = 0) {
    CURLObj u;
    u.m_strServer = server;
    u.m_strURL = address;
    u.m_nInternetProtocol = protocol;
    return u;
}

// An e-script as the views hand it over: main script of two URLs, one conditional script.
CScriptObj SampleScript() {
    CScriptObj s;
    s.m_strID = QStringLiteral("shop");
    s.m_lstDomain = QStringList{".example.com"};
    s.m_lstDomainAvailable = QStringList{".example.com", ".cdn.net"};
    s.m_strLogonUser = QStringLiteral("alice");
    s.m_strLogonPW = QStringLiteral("pw");
    CSubscriptObj main;
    CURLObj login = Url(QStringLiteral("www.example.com"), QStringLiteral("/login"), 1);
    login.m_nMethod = 1;
    login.m_nPort = 8443;
    login.m_lstParams.push_back(Param("user", "_XALURL_USER_", 1, 0x200, "alice"));
    login.m_lstParams.push_back(Param("q", "a%20b", 1));
    main.m_lstURLs.push_back(login);
    main.m_lstURLs.push_back(Url(QStringLiteral("www.example.com"), QStringLiteral("/home")));
    s.m_lstScripts.push_back(main);
    CSubscriptObj cond;
    cond.m_nKind = 1;
    cond.m_strName = QStringLiteral("relogin");
    CURLObj first = Url(QStringLiteral("www.example.com"), QStringLiteral("/expired"));
    first.m_lstParams.push_back(Param("r", "1"));
    first.m_lstParams.back().m_strValue = QStringLiteral("shown");
    cond.m_lstURLs.push_back(first);
    s.m_lstScripts.push_back(cond);
    return s;
}

class Saving : public ::testing::TestWithParam<TestBackend> {
protected:
    void SetUp() override {
        m_store = std::make_unique<PersistTestDb>(GetParam());
        ASSERT_TRUE(m_store->IsReady()) << m_store->SetupError().toStdString();
    }

    ScriptSaveResult Save(const CScriptObj& script, bool testMode = false,
                          const CTestAddData* data = nullptr) {
        m_id = script.m_strID;
        return SaveScript(m_store->Db(), {m_id, m_rootChanged, m_newRoot}, script, testMode, data);
    }

    CMDBRecord Stored(const QString& id = QStringLiteral("shop")) {
        return m_store->FetchEScript(id);
    }

    static const CMDBRecord& Element(const CMDBRecord& doc, const QString& array, int index) {
        const CMDBRecord* a = doc.GetArrayPtr(array);
        EXPECT_NE(a, nullptr) << array.toStdString();
        const CMDBRecord* e = a ? a->GetArrayPtr(QString::number(index)) : nullptr;
        EXPECT_NE(e, nullptr) << array.toStdString() << "." << index;
        static const CMDBRecord empty;
        return e ? *e : empty;
    }

    std::unique_ptr<PersistTestDb> m_store;
    QString m_id;
    bool m_rootChanged = false;
    QString m_newRoot;
};

TEST_P(Saving, writes_documents_with_fields_in_their_order_and_keeps_foreign_fields) {
    m_store->InsertEScript(
        QStringLiteral(R"({"_id":"shop","title":"Shop","kernel":{"$numberLong":"7"},
        "locked_adr":["/x"],"uselicense":1,"logon":{"type":{"$numberLong":"4"},"user":"old"}})"));
    const ScriptSaveResult r = Save(SampleScript());
    ASSERT_TRUE(r.Succeeded()) << r.m_strError.toStdString();
    EXPECT_EQ(r.m_nUpdatesApplied, 1); // one update of the one document

    const CMDBRecord doc = Stored();
    EXPECT_EQ(doc.GetStr("title"), u"Shop");
    EXPECT_EQ(doc.GetLL("kernel"), 7);
    EXPECT_EQ(doc.GetInt("uselicense"), 1);
    EXPECT_EQ(doc.GetType("kernel"), CMDBRecord::Type::Int64);
    EXPECT_EQ(doc.GetType("lastchanged"), CMDBRecord::Type::Date);
    EXPECT_EQ(doc.GetDateInMilliSecs("lastchanged") % 1000, 0);
    EXPECT_GT(doc.GetDateInMilliSecs("lastchanged"), 1600000000000LL);
    QStringList domains;
    doc.DataToArrayObj("domainlist_available", domains);
    EXPECT_EQ(domains, (QStringList{".example.com", ".cdn.net"}));
    const CMDBRecord* logon = doc.GetRecordPtr("logon");
    ASSERT_NE(logon, nullptr);
    EXPECT_EQ(logon->GetLL("type"), 4);
    EXPECT_EQ(logon->GetStr("user"), u"alice");

    const CMDBRecord& login = Element(doc, "urls", 0);
    EXPECT_EQ(login.GetFieldNames(),
              (QStringList{"port", "sendasmultipartmime", "url", "internetprotocol", "server",
                           "method", "orgvalue", "parameters"}));
    EXPECT_EQ(login.GetType("port"), CMDBRecord::Type::Int32);
    EXPECT_EQ(login.GetInt("port"), 8443);
    EXPECT_EQ(login.GetStr("orgvalue"), u"https://www.example.com/login"); // no port in it
    const CMDBRecord& user = Element(login, "parameters", 0);
    EXPECT_EQ(user.GetFieldNames(),
              (QStringList{"value", "method", "name", "specialvariable", "orgvalue"}));
    EXPECT_EQ(user.GetStr("value"), u"_XALURL_USER_");
    EXPECT_EQ(user.GetStr("orgvalue"), u"alice");
    EXPECT_EQ(Element(login, "parameters", 1).GetStr("orgvalue"), u"a%20b");

    const CMDBRecord& home = Element(doc, "urls", 1);
    EXPECT_FALSE(home.HasField("parameters")); // never an empty array
    EXPECT_FALSE(home.HasField("specialvariable"));

    const CMDBRecord& cond = Element(doc, "subscripts", 0);
    EXPECT_EQ(cond.GetFieldNames(),
              (QStringList{"name", "urlpattern", "parameterpattern", "urls"}));
    EXPECT_EQ(cond.GetStr("urlpattern"), u"http://www.example.com/expired");
    EXPECT_EQ(cond.GetStr("parameterpattern"), u"r=shown"); // values as displayed
    const CMDBRecord& condUrl = Element(cond, "urls", 0);
    EXPECT_EQ(condUrl.GetFieldNames(),
              (QStringList{"port", "sendasmultipartmime", "url", "internetprotocol", "server",
                           "method", "orgvalue", "specialvariable", "parameters"}));
    EXPECT_EQ(Element(condUrl, "parameters", 0).GetStr("value"), u"1"); // raw value stored
}

TEST_P(Saving, orgvalue_of_urls_follows_variables_and_flexible_conditions) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"shop"})"));
    CScriptObj s;
    s.m_strID = QStringLiteral("shop");
    CSubscriptObj main;
    CURLObj plain = Url("h.example", "/a");
    plain.m_strOrgValue = QStringLiteral("http://stale/ignored");
    CURLObj flexBare = Url("h.example", "/_XALURL_0_/b", 1);
    flexBare.m_strOrgValue = QStringLiteral("/shop/b");
    CURLObj flexFull = Url("h.example", "/_XALURL_1_/c");
    flexFull.m_strOrgValue = QStringLiteral("http://h.example:81/cart/c");
    main.m_lstURLs = {plain, flexBare, flexFull};
    CSubscriptObj cond;
    cond.m_nKind = 1;
    cond.m_strName = QStringLiteral("c");
    CURLObj condition = Url("h.example", "/_XALURL_CONDITION_TEMPLATE_");
    condition.m_nFlags = 0x20000;
    condition.m_strOrgValue = QStringLiteral("kept as is");
    CURLObj condPlain = Url("h.example", "/p");
    condPlain.m_nFlags = 9999;
    condPlain.m_strOrgValue = QStringLiteral("http://other/p");
    cond.m_lstURLs = {condition, condPlain};
    s.m_lstScripts = {main, cond};
    ASSERT_TRUE(Save(s).Succeeded());

    const CMDBRecord doc = Stored();
    EXPECT_EQ(Element(doc, "urls", 0).GetStr("orgvalue"), u"http://h.example/a");
    EXPECT_EQ(Element(doc, "urls", 1).GetStr("orgvalue"), u"https://h.example/shop/b");
    EXPECT_EQ(Element(doc, "urls", 2).GetStr("orgvalue"), u"http://h.example:81/cart/c");
    const CMDBRecord& c = Element(doc, "subscripts", 0);
    EXPECT_EQ(Element(c, "urls", 0).GetStr("orgvalue"), u"kept as is");
    EXPECT_EQ(Element(c, "urls", 0).GetInt("specialvariable"), 0x20000);
    EXPECT_EQ(Element(c, "urls", 1).GetStr("orgvalue"), u"http://h.example/p");
    EXPECT_EQ(c.GetStr("urlpattern"), u"http://h.example/_XALURL_CONDITION_TEMPLATE_");
}

TEST_P(Saving, orgvalue_of_parameters_follows_variables_and_flexible_conditions) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"shop"})"));
    CScriptObj s;
    s.m_strID = QStringLiteral("shop");
    CURLObj u = Url("h", "/x");
    u.m_lstParams = {Param("plain", "v", 0, 0x40, "stale"),
                     Param("flex", "_XALURL_2_", 0, 0x8000, "42"),
                     Param("inner", "a-_XALURL_3_-b", 0, 0x8000, "a-7-b"),
                     Param("pw", "_XALURL_PASSWORD_", 1, 0x400, "secret"),
                     Param("cond", "x.*", 0, 0x20000, "xyz")};
    CSubscriptObj main;
    main.m_lstURLs = {u};
    CSubscriptObj cond;
    cond.m_nKind = 1;
    cond.m_strName = QStringLiteral("c");
    cond.m_lstURLs = {u};
    s.m_lstScripts = {main, cond};
    ASSERT_TRUE(Save(s).Succeeded());

    const CMDBRecord doc = Stored();
    const CMDBRecord& mainUrl = Element(doc, "urls", 0);
    const QStringList expectedMain{"v", "42", "a-7-b", "secret", "x.*"};
    for (int i = 0; i < expectedMain.size(); ++i) {
        EXPECT_EQ(Element(mainUrl, "parameters", i).GetStr("orgvalue"), expectedMain[i]) << i;
    }
    // In a conditional script the flexible-condition bit keeps the model's orgvalue too.
    const CMDBRecord& condUrl = Element(Element(doc, "subscripts", 0), "urls", 0);
    EXPECT_EQ(Element(condUrl, "parameters", 4).GetStr("orgvalue"), u"xyz");
    EXPECT_EQ(Element(condUrl, "parameters", 4).GetInt("specialvariable"), 0x20000);
}

TEST_P(Saving, empty_logon_flexible_list_and_conditional_scripts_are_removed) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"shop","logon":{"user":"u","pw":"p",
        "type":{"$numberLong":"4"},"notallowedpage":"/no"},
        "urlparameter":[{"find":"a=","variable":"_XALURL_0_"}],"subscripts":[{"name":"old"}]})"));
    CScriptObj s;
    s.m_strID = QStringLiteral("shop");
    s.m_lstScripts.push_back(CSubscriptObj());
    ASSERT_TRUE(Save(s).Succeeded());

    const CMDBRecord doc = Stored();
    const CMDBRecord* logon = doc.GetRecordPtr("logon");
    ASSERT_NE(logon, nullptr);
    EXPECT_FALSE(logon->HasField("user"));
    EXPECT_FALSE(logon->HasField("pw"));
    EXPECT_EQ(logon->GetLL("type"), 4);
    EXPECT_EQ(logon->GetStr("notallowedpage"), u"/no");
    EXPECT_FALSE(doc.HasField("urlparameter"));
    EXPECT_FALSE(doc.HasField("subscripts"));
    ASSERT_NE(doc.GetArrayPtr("urls"), nullptr);
    EXPECT_EQ(doc.GetArrayPtr("urls")->GetCount(), 0);
}

TEST_P(Saving, find_texts_get_equals_sign_unless_marked_and_multipart_is_always_false) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"shop"})"));
    CScriptObj s;
    s.m_strID = QStringLiteral("shop");
    CFindReplaceObj byValue{QStringLiteral("sid"), QStringLiteral("_XALURL_0_"), 0, {}};
    CFindReplaceObj byAddress{QStringLiteral("/shop/"), QStringLiteral("_XALURL_1_"), 1, {}};
    s.m_lstURLParameter = {byValue, byAddress};
    CURLObj multipart = Url("h", "/upload");
    multipart.m_bSendAsMultipartMime = true;
    CSubscriptObj main;
    main.m_lstURLs = {multipart};
    s.m_lstScripts = {main};
    ASSERT_TRUE(Save(s).Succeeded());

    const CMDBRecord doc = Stored();
    EXPECT_EQ(Element(doc, "urlparameter", 0).GetStr("find"), u"sid=");
    EXPECT_EQ(Element(doc, "urlparameter", 0).GetStr("variable"), u"_XALURL_0_");
    EXPECT_EQ(Element(doc, "urlparameter", 1).GetStr("find"), u"/shop/");
    EXPECT_EQ(Element(doc, "urls", 0).GetType("sendasmultipartmime"), CMDBRecord::Type::Bool);
    EXPECT_FALSE(Element(doc, "urls", 0).GetBool("sendasmultipartmime", true));
}

TEST_P(Saving, test_mode_writes_test_copy_fields_with_their_types) {
    m_store->InsertEScript(
        QStringLiteral(R"({"_id":"xaltest3","test":true,"logon":{"notallowedpage":"/keep"}})"));
    CScriptObj s = SampleScript();
    s.m_strID = QStringLiteral("xaltest3");
    s.m_strServer = QStringLiteral("www.example.com");
    s.m_strRootURL = QStringLiteral("https://www.example.com/login");
    s.m_nInternetProtocol = 1;
    CTestAddData data;
    data.m_llPort = 8443;
    data.m_llKernel = 5;
    data.m_bAllowInvalidCertificates = true;
    data.m_lstLockedAdr = QStringList{"/admin"};
    data.m_lstURLRwReplace = {CFindReplaceObj{QStringLiteral("a"), QStringLiteral("b"), 0, {}}};
    data.m_llLogonType = 2;
    data.m_nLogonOnlyOnce = 1;
    data.m_llAjaxPwdType = 6;
    data.m_llAjaxSubmitType = 9;
    data.m_strAjaxPwdNameID = QStringLiteral("pwfield");
    data.m_strAlternativeIP = QStringLiteral("10.1.2.3");
    data.m_strNotAllowedPage = QStringLiteral("/never-written");
    const ScriptSaveResult r = Save(s, true, &data);
    ASSERT_TRUE(r.Succeeded()) << r.m_strError.toStdString();
    EXPECT_EQ(r.m_nUpdatesApplied, 1);

    const CMDBRecord doc = Stored(QStringLiteral("xaltest3"));
    EXPECT_EQ(doc.GetType("active"), CMDBRecord::Type::Int32);
    EXPECT_EQ(doc.GetInt("active"), 1);
    EXPECT_EQ(doc.GetType("port"), CMDBRecord::Type::Int64);
    EXPECT_EQ(doc.GetLL("port"), 8443);
    EXPECT_EQ(doc.GetType("kernel"), CMDBRecord::Type::Int64);
    EXPECT_EQ(doc.GetLL("kernel"), 5);
    for (const char* sw : {"uselicense", "userecording", "usepermission"}) {
        EXPECT_EQ(doc.GetType(sw), CMDBRecord::Type::Int32) << sw;
        EXPECT_EQ(doc.GetInt(sw, -1), 0) << sw;
    }
    EXPECT_TRUE(doc.GetBool("allowinvalidcertificates"));
    EXPECT_EQ(doc.GetInt("internetprotocol"), 1);
    EXPECT_EQ(doc.GetStr("server"), u"www.example.com");
    EXPECT_EQ(doc.GetStr("rooturl"), u"https://www.example.com/login");
    EXPECT_EQ(doc.GetStr("alternativeip"), u"10.1.2.3");
    EXPECT_EQ(Element(doc, "urlrw_replace", 0).GetStr("to"), u"b");
    ASSERT_NE(doc.GetArrayPtr("urlrw_mime"), nullptr);
    const CMDBRecord* logon = doc.GetRecordPtr("logon");
    ASSERT_NE(logon, nullptr);
    EXPECT_EQ(logon->GetType("type"), CMDBRecord::Type::Int64);
    EXPECT_EQ(logon->GetType("onlyonce"), CMDBRecord::Type::Int32);
    EXPECT_EQ(logon->GetLL("ajax_submit_type"), 9);
    EXPECT_EQ(logon->GetLL("ajax_pwd_type"), 6);
    EXPECT_EQ(logon->GetStr("ajax_pwd_nameid"), u"pwfield");
    EXPECT_EQ(logon->GetStr("notallowedpage"), u"/keep");
    EXPECT_FALSE(logon->HasField("alternativeip"));
    EXPECT_TRUE(doc.GetBool("test"));
}

TEST_P(Saving, id_is_lower_cased_and_a_missing_document_is_not_recreated) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"mixedcase"})"));
    CScriptObj s = SampleScript();
    s.m_strID = QStringLiteral("MixedCase");
    const ScriptSaveResult r = Save(s);
    ASSERT_TRUE(r.Succeeded()) << r.m_strError.toStdString();
    EXPECT_EQ(m_id, u"mixedcase");
    EXPECT_TRUE(Stored(QStringLiteral("mixedcase")).HasField("urls"));

    // Removed by another program while open: nothing is written, and the caller is told.
    CMDBRecord query;
    query.SetStr("_id", "mixedcase");
    ASSERT_TRUE(m_store->Db().Remove("xaldata.escript", query));
    m_rootChanged = true;
    m_newRoot = QStringLiteral("http://new.example/");
    const ScriptSaveResult gone = Save(s);
    EXPECT_EQ(gone.m_status, ScriptSaveStatus::DocumentMissing);
    EXPECT_EQ(gone.m_nUpdatesApplied, 0);
    EXPECT_TRUE(gone.m_strError.contains(QStringLiteral("mixedcase")));
    EXPECT_TRUE(Stored(QStringLiteral("mixedcase")).IsEmpty());
    EXPECT_TRUE(m_rootChanged); // still to be written
    CTestAddData data;
    s.m_strID.clear();
    EXPECT_EQ(Save(s, true, &data).m_status, ScriptSaveStatus::DocumentMissing);
    EXPECT_TRUE(Stored(QString()).IsEmpty());
}

TEST_P(Saving, changed_root_url_writes_server_protocol_and_port_once) {
    m_store->InsertEScript(QStringLiteral(
        R"({"_id":"shop","rooturl":"http://old/","server":"old","internetprotocol":0,"port":8080})"));
    m_rootChanged = true;
    m_newRoot = QStringLiteral("https://new.example.com/portal?x=1");
    ASSERT_TRUE(Save(SampleScript()).Succeeded());
    EXPECT_FALSE(m_rootChanged);
    CMDBRecord doc = Stored();
    EXPECT_EQ(doc.GetStr("rooturl"), m_newRoot);
    EXPECT_EQ(doc.GetStr("server"), u"new.example.com");
    EXPECT_EQ(doc.GetInt("internetprotocol"), 1);
    EXPECT_EQ(doc.GetType("port"), CMDBRecord::Type::Int32);
    EXPECT_EQ(doc.GetInt("port"), 80); // the parser's port when the URL names none

    m_rootChanged = true;
    m_newRoot = QStringLiteral("ftp://files.example.com:2121/in");
    ASSERT_TRUE(Save(SampleScript()).Succeeded());
    doc = Stored();
    EXPECT_EQ(doc.GetInt("internetprotocol"), 2);
    EXPECT_EQ(doc.GetInt("port"), 2121);

    // A root URL the parser cannot split leaves server, protocol and port as stored.
    m_rootChanged = true;
    m_newRoot = QStringLiteral("no scheme at all");
    ASSERT_TRUE(Save(SampleScript()).Succeeded());
    doc = Stored();
    EXPECT_EQ(doc.GetStr("rooturl"), u"no scheme at all");
    EXPECT_EQ(doc.GetStr("server"), u"files.example.com");
    EXPECT_EQ(doc.GetInt("port"), 2121);
}

TEST_P(Saving, raw_value_is_stored_and_loaded_value_fills_in_when_raw_is_empty) {
    m_store->InsertEScript(QStringLiteral(R"({"_id":"shop"})"));
    CScriptObj s;
    s.m_strID = QStringLiteral("shop");
    CURLObj u = Url("h", "/x");
    CURLParamObj shown = Param("a", "caf%C3%A9");
    shown.m_strValue = QStringLiteral("café");
    CURLParamObj loaded = Param("b", QString());
    loaded.m_strValue = QStringLiteral("kept");
    u.m_lstParams = {shown, loaded};
    CSubscriptObj main;
    main.m_lstURLs = {u};
    s.m_lstScripts = {main};
    ASSERT_TRUE(Save(s).Succeeded());
    const CMDBRecord doc = Stored();
    const CMDBRecord& url = Element(doc, "urls", 0);
    EXPECT_EQ(Element(url, "parameters", 0).GetStr("value"), u"caf%C3%A9");
    EXPECT_EQ(Element(url, "parameters", 1).GetStr("value"), u"kept");
    EXPECT_EQ(Element(url, "parameters", 1).GetStr("orgvalue"), u"kept");
}

// A document already in the form the editor writes comes back unchanged, apart from the
// time of the save.
TEST_P(Saving, load_then_save_gives_back_the_same_document) {
    const QString json = QStringLiteral(R"({"_id":"round","title":"Round trip",
        "rooturl":"https://portal.example.com/start?lang=en","server":"portal.example.com",
        "internetprotocol":1,"port":443,"kernel":{"$numberLong":"3"},
        "domainlist_available":[".example.com"],"domainlist":[".example.com",".example.org"],
        "logon":{"user":"bob","pw":"pw1","type":{"$numberLong":"1"},"onlyonce":0},
        "urlparameter":[{"find":"sid=","variable":"_XALURL_0_"},{"find":"/en/","variable":"_XALURL_1_"}],
        "urls":[
          {"port":0,"sendasmultipartmime":false,"url":"/start?lang=en","internetprotocol":1,
           "server":"portal.example.com","method":0,"orgvalue":"https://portal.example.com/start?lang=en"},
          {"port":8443,"sendasmultipartmime":false,"url":"/_XALURL_1_/login","internetprotocol":1,
           "server":"portal.example.com","method":1,"orgvalue":"https://portal.example.com/en/login",
           "parameters":[
             {"value":"_XALURL_USER_","method":1,"name":"user","specialvariable":512,"orgvalue":"bob"},
             {"value":"_XALURL_PASSWORD_","method":1,"name":"pass","specialvariable":1024,"orgvalue":"pw1"},
             {"value":"_XALURL_0_","method":2,"name":"sid","specialvariable":32768,"orgvalue":"9f8e"},
             {"value":"Gr%C3%BC%C3%9Fe","method":1,"name":"msg","specialvariable":64,"orgvalue":"Gr%C3%BC%C3%9Fe"}]}],
        "subscripts":[
          {"name":"expired","urlpattern":"https://portal.example.com/_XALURL_CONDITION_TEMPLATE_",
           "parameterpattern":"why=.*","urls":[
             {"port":0,"sendasmultipartmime":false,"url":"/_XALURL_CONDITION_TEMPLATE_","internetprotocol":1,
              "server":"portal.example.com","method":0,"orgvalue":"https://portal.example.com/session/*",
              "specialvariable":131072,
              "parameters":[{"value":".*","method":0,"name":"why","specialvariable":131072,"orgvalue":"timeout"}]},
             {"port":0,"sendasmultipartmime":false,"url":"/relogin","internetprotocol":1,
              "server":"portal.example.com","method":0,"orgvalue":"https://portal.example.com/relogin",
              "specialvariable":0}]},
          {"name":"empty","urlpattern":"","parameterpattern":"","urls":[]}],
        "lastchanged":{"$date":{"$numberLong":"1000"}},"allowinvalidcertificates":false})");
    m_store->InsertEScript(json);
    CMDBRecord before = Stored(QStringLiteral("round"));

    CScriptObj s;
    s.m_strID = QStringLiteral("round");
    ASSERT_TRUE(LoadScript(m_store->Db(), s));
    DeriveConditionalFlags(s);
    ASSERT_TRUE(Save(s).Succeeded());

    CMDBRecord after = Stored(QStringLiteral("round"));
    EXPECT_GT(after.GetDateInMilliSecs("lastchanged"), 1000);
    before.RemoveField("lastchanged");
    after.RemoveField("lastchanged");
    EXPECT_TRUE(after == before) << "before: " << before.ToJson().toStdString()
                                 << "\nafter:  " << after.ToJson().toStdString();
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Backends, Saving, ::testing::ValuesIn(PersistBackends()),
                         [](const auto& info) { return BackendName(info.param); });
