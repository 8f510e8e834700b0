// Hostile stored e-scripts: a load followed by a save keeps every stored field, or the e-script
// is not savable and the store stays as it was.

#include "persisttestdb.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// True when every field of expected is in actual with the same value, recursively; lists the
// first difference in why.
bool Keeps(const CMDBRecord& actual, const CMDBRecord& expected, const QString& path,
           QString& why) {
    for (const QString& name : expected.GetFieldNames()) {
        const QString at = path + QLatin1Char('/') + name;
        const CMDBRecord::Type type = expected.GetType(name);
        if (actual.GetType(name) != type) {
            why = at + QStringLiteral(" lost or retyped");
            return false;
        }
        if (type == CMDBRecord::Type::Document || type == CMDBRecord::Type::Array) {
            const CMDBRecord* a = actual.GetRecordPtr(name);
            const CMDBRecord* e = expected.GetRecordPtr(name);
            if (a->GetCount() < e->GetCount() || !Keeps(*a, *e, at, why)) {
                why = why.isEmpty() ? at + QStringLiteral(" shorter") : why;
                return false;
            }
            continue;
        }
        CMDBRecord one = expected;
        CMDBRecord other = actual;
        for (const QString& n : expected.GetFieldNames()) {
            if (n != name) {
                one.RemoveField(n);
            }
        }
        for (const QString& n : actual.GetFieldNames()) {
            if (n != name) {
                other.RemoveField(n);
            }
        }
        if (!(one == other)) {
            why = at + QStringLiteral(" changed: ") + other.ToJson();
            return false;
        }
    }
    return true;
}

struct Loaded {
    CScriptObj script;
    CMDBRecord before;
};

Loaded Load(PersistTestDb& store, const QString& json) {
    store.InsertEScript(json);
    Loaded out;
    out.script.m_strID = QStringLiteral("h");
    out.before = store.FetchEScript(QStringLiteral("h"));
    EXPECT_TRUE(LoadScript(store.Db(), out.script));
    DeriveConditionalFlags(out.script);
    return out;
}

ScriptSaveResult Save(PersistTestDb& store, const CScriptObj& script) {
    QString id = QStringLiteral("h");
    bool rootChanged = false;
    return SaveScript(store.Db(), {id, rootChanged, QString()}, script, false, nullptr);
}

TEST(FaithfulSave, what_a_save_cannot_write_back_makes_the_escript_read_only) {
    // Each document and the field its message must name.
    const std::pair<const char*, const char*> cases[] = {
        {R"("urls":[{"url":"/a"},7,{"url":"/c"}],"urlparameter":[{"find":"a="}])", "'urls[1]'"},
        {R"("urls":[{"url":"/a"},null])", "'urls[1]'"},
        {R"("urls":{"0":{"url":"/a"}})", "'urls'"},
        {R"("subscripts":[7,{"name":"a","urls":[]},{"name":"b"}])", "'subscripts[0]'"},
        {R"("urls":[{"url":"/a","parameters":[{"name":"p"},"x",{"name":"q"}]}])",
         "'urls[0].parameters[1]'"},
        {R"("logon":"alice")", "'logon'"},
        {R"("logon":{"user":"u","pw":5})", "'logon.pw'"},
        {R"("urls":[{"url":"/a","server":"h","port":70000}])", "'urls[0].port'"},
        {R"("port":-1,"urls":[{"url":"/a"}])", "'port'"},
        {R"("urls":[{"url":12}])", "'urls[0].url'"},
        {R"("urls":[{"url":"/a","method":"POST"}])", "'urls[0].method'"},
        {R"("domainlist":[".a.com",3])", "'domainlist[1]'"},
        {R"("domainlist_available":".a.com")", "'domainlist_available'"},
        {R"("subscripts":[{"name":"c","urls":[{"url":"/x","specialvariable":"f"}]}])",
         "'subscripts[0].urls[0].specialvariable'"},
        {R"("urlparameter":[{"find":"a=","variable":{"v":1}}])", "'urlparameter[0].variable'"},
        {R"("rooturl":5,"urls":[{"url":"/a"}])", "'rooturl'"},
        {R"("internetprotocol":"https","urls":[{"url":"/a"}])", "'internetprotocol'"},
        {R"("urls":[{"url":"/a","sendasmultipartmime":"yes"}])", "'urls[0].sendasmultipartmime'"},
    };
    for (const auto& [fields, named] : cases) {
        PersistTestDb store(TestBackend::Embedded);
        Loaded l = Load(store, QStringLiteral(R"({"_id":"h",%1})").arg(QLatin1String(fields)));
        EXPECT_TRUE(l.script.m_strNotSavable.contains(QLatin1String(named)))
            << fields << " -> " << l.script.m_strNotSavable.toStdString();
        const ScriptSaveResult r = Save(store, l.script);
        EXPECT_EQ(r.m_status, ScriptSaveStatus::Failed) << fields;
        EXPECT_EQ(r.m_strError, l.script.m_strNotSavable);
        EXPECT_TRUE(store.FetchEScript(QStringLiteral("h")) == l.before) << fields;
    }
}

const char* const kUnknownFields = R"({"_id":"h","x_top":{"a":[1,{"b":[[{"c":null}]]}]},
    "domainlist":[".a.com"],"domainlist_available":[".a.com"],"logon":{"user":"u","pw":"p","x_logon":1},
    "urlparameter":[{"find":"sid=","variable":"_XALURL_SID_","x_up":true}],
    "urls":[{"port":0,"sendasmultipartmime":false,"url":"/one","internetprotocol":0,
             "server":"a.com","method":0,"orgvalue":"http://a.com/one",
             "parameters":[{"value":"1","method":0,"name":"p","specialvariable":0,
                            "orgvalue":"1","x_param":{"$numberLong":"5"}}],
             "specialvariable":3,"x_url":[1,{"a":null}],"x_nul":"a\u0000b"},
            {"port":0,"sendasmultipartmime":false,"url":"/two","internetprotocol":0,
             "server":"a.com","method":0,"orgvalue":"http://a.com/two","x_two":"2"}],
    "subscripts":[{"name":"c","urlpattern":"http://a.com/x","parameterpattern":"",
                   "urls":[{"port":0,"sendasmultipartmime":false,"url":"/x",
                            "internetprotocol":0,"server":"a.com","method":0,
                            "orgvalue":"http://a.com/x","specialvariable":0,"x_cu":"k"}],
                   "x_sub":{"deep":{"deeper":"d"}}}]})";

TEST(FaithfulSave, unknown_fields_go_back_unchanged_and_travel_with_their_element) {
    PersistTestDb store(TestBackend::Embedded);
    Loaded l = Load(store, QLatin1String(kUnknownFields));
    ASSERT_TRUE(l.script.m_strNotSavable.isEmpty()) << l.script.m_strNotSavable.toStdString();

    ScriptSaveResult r = Save(store, l.script);
    ASSERT_TRUE(r.Succeeded()) << r.m_strError.toStdString();
    CMDBRecord saved = store.FetchEScript(QStringLiteral("h"));
    QString why;
    EXPECT_TRUE(Keeps(saved, l.before, QString(), why)) << why.toStdString();
    saved.RemoveField(QStringLiteral("lastchanged"));
    EXPECT_TRUE(saved == l.before) << saved.ToJson().toStdString();

    // Moving the URLs and editing one: each keeps its own extra fields.
    std::vector<CURLObj>& urls = l.script.m_lstScripts.front().m_lstURLs;
    std::swap(urls[0], urls[1]);
    urls[0].m_strURL = QStringLiteral("/edited");
    ASSERT_TRUE(Save(store, l.script).Succeeded());
    const CMDBRecord moved = store.FetchEScript(QStringLiteral("h"));
    const CMDBRecord* stored = moved.GetArrayPtr(QStringLiteral("urls"));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->GetRecordPtr(0)->GetStr(QStringLiteral("url")), u"/edited");
    EXPECT_EQ(stored->GetRecordPtr(0)->GetStr(QStringLiteral("x_two")), u"2");
    EXPECT_EQ(stored->GetRecordPtr(1)->GetStr(QStringLiteral("x_nul")),
              QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
    EXPECT_EQ(stored->GetRecordPtr(1)->GetInt(QStringLiteral("specialvariable")), 3);
    EXPECT_EQ(stored->GetRecordPtr(1)
                  ->GetArrayPtr(QStringLiteral("parameters"))
                  ->GetRecordPtr(0)
                  ->GetLL(QStringLiteral("x_param")),
              5);
}

TEST(FaithfulSave, fields_of_every_kind_size_and_depth_go_back_byte_for_byte) {
    // Deep nesting, a 10 MB text, types the editor never writes, and a NUL inside a text, in
    // fields the editor does not know: a save of the loaded e-script keeps their bytes.
    QString deep = QStringLiteral("1");
    for (int i = 0; i < 90; ++i) {
        deep = (i % 2 == 0 ? QStringLiteral("{\"d\":%1}") : QStringLiteral("[%1]")).arg(deep);
    }
    const QString json = QStringLiteral(R"({"_id":"h","x_deep":%1,"x_big":"%2","x_double":-0.0,
            "x_regex":{"$regularExpression":{"pattern":"^a","options":"i"}},
            "x_binary":{"$binary":{"base64":"AAEC","subType":"80"}},
            "x_oid":{"$oid":"0123456789abcdef01234567"},"x_nul":"a\u0000b",
            "domainlist":[],"domainlist_available":[],
            "urls":[{"port":0,"sendasmultipartmime":false,"url":"/one","internetprotocol":0,
                     "server":"a.com","method":0,"orgvalue":"http://a.com/one"}]})")
                             .arg(deep, QString(10 * 1024 * 1024, u'z'));
    PersistTestDb store(TestBackend::Embedded);
    Loaded l = Load(store, json);
    ASSERT_TRUE(l.script.m_strNotSavable.isEmpty()) << l.script.m_strNotSavable.toStdString();
    ASSERT_TRUE(Save(store, l.script).Succeeded());
    CMDBRecord saved = store.FetchEScript(QStringLiteral("h"));
    EXPECT_EQ(saved.GetType(QStringLiteral("lastchanged")), CMDBRecord::Type::Date);
    saved.RemoveField(QStringLiteral("lastchanged"));
    EXPECT_EQ(saved.ToBson(), l.before.ToBson());
}

TEST(FaithfulSave, an_escript_too_large_to_store_is_refused_with_its_size_before_sending) {
    PersistTestOptions options;
    PersistTestDb store(TestBackend::Wire, options);
    ASSERT_TRUE(store.IsReady()) << store.SetupError().toStdString();
    // A 9 MB address: stored once it fits, but the save writes it twice (address and
    // original value), which no stored document can hold.
    const QString big(9 * 1024 * 1024, QLatin1Char('a'));
    Loaded l = Load(
        store, QStringLiteral(R"({"_id":"h","urls":[{"url":"/%1","server":"a.com"}]})").arg(big));
    const ScriptSaveResult r = Save(store, l.script);
    EXPECT_EQ(r.m_status, ScriptSaveStatus::Failed);
    EXPECT_TRUE(r.m_strError.contains(QStringLiteral("18.0 MB"))) << r.m_strError.toStdString();
    EXPECT_TRUE(store.LoggedCommands(QStringLiteral("update")).empty());
    EXPECT_TRUE(store.FetchEScript(QStringLiteral("h")) == l.before);
}

} // namespace
