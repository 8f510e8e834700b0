// Every wrapper operation, run against both stores: the embedded file and a MongoDB server
// (the wire test database).

#include "store_test_support.h"

#include <chrono>
#include <memory>

namespace {

using namespace storetest;

enum class Store { Embedded, MongoDB };

class Conformance : public ::testing::TestWithParam<Store> {
protected:
    void SetUp() override {
        if (GetParam() == Store::Embedded) {
            m_embedded = std::make_unique<xal::test::TemporaryEmbeddedStore>();
            m_server = m_embedded->ServerText();
        } else {
            auto& server = SharedServer();
            ASSERT_TRUE(server.IsRunning());
            m_server = server.ServerText();
        }
        db = std::make_unique<CMongoDB>(m_server, QString());
        QString error;
        ASSERT_TRUE(db->Connect(error)) << error.toStdString();
        EXPECT_TRUE(error.isEmpty());
        ns = TestNamespace();
    }

    CMDBRecord Doc(const char* id) const {
        CMDBRecord d;
        QString error;
        EXPECT_TRUE(db->SeekReference(ns, S(id), d)) << db->GetLastError().toStdString();
        return d;
    }

    std::vector<QString> Ids(const CMDBRecord& query) const {
        CMDBRecordList list;
        EXPECT_TRUE(db->SeekToList(ns, query, list)) << db->GetLastError().toStdString();
        std::vector<QString> ids;
        for (const auto& r : list)
            ids.push_back(r->GetStr(S("_id")));
        return ids;
    }

    void InsertNumbered(int count) {
        for (int i = 0; i < count; ++i) {
            CMDBRecord d;
            d.SetStr(S("_id"), QStringLiteral("d%1").arg(i));
            d.SetInt(S("n"), i);
            d.SetStr(S("group"), i % 2 ? S("odd") : S("even"));
            d.SetDateInMilliSecs(S("lastchanged"), 1'000'000 + i * 1000LL);
            ASSERT_TRUE(db->Insert(ns, d)) << db->GetLastError().toStdString();
        }
    }

    std::unique_ptr<xal::test::TemporaryEmbeddedStore> m_embedded;
    QString m_server;
    std::unique_ptr<CMongoDB> db;
    QString ns;
};

CMDBRecord RichDocument() {
    CMDBRecord doc;
    doc.SetStr(S("_id"), S("rich"));
    doc.SetStr(S("title"), S("Zürich – 東京 – 𝄞"));
    doc.SetInt(S("port"), 443);
    doc.SetLL(S("kernel"), -9'000'000'000LL);
    doc.SetBool(S("allowinvalidcertificates"), false);
    doc.SetDateInMilliSecs(S("lastchanged"), -86'400'000LL); // before 1970
    doc.SetDouble(S("ratio"), 1.5);
    CMDBRecord logon;
    logon.SetStr(S("user"), S("anna"));
    logon.SetStr(S("pw"), S("s3cret"));
    logon.SetLL(S("type"), 2);
    doc.SetRecord(S("logon"), std::move(logon));
    CMDBRecord urls = CMDBRecord::MakeArray();
    for (int i = 0; i < 3; ++i) {
        CMDBRecord url;
        url.SetStr(S("url"), QStringLiteral("/p%1").arg(i));
        url.SetInt(S("method"), i);
        CMDBRecord params = CMDBRecord::MakeArray();
        CMDBRecord p;
        p.SetStr(S("name"), S("q"));
        p.SetStr(S("value"), S("ä&b"));
        params.AppendRecord(p);
        url.SetRecord(S("params"), std::move(params));
        urls.AppendRecord(std::move(url));
    }
    doc.SetRecord(S("urls"), std::move(urls));
    CMDBRecord domains = CMDBRecord::MakeArray();
    domains.AppendStr(S("a.example"));
    domains.AppendStr(S("b.example"));
    doc.SetRecord(S("domainlist"), std::move(domains));
    return doc;
}

TEST_P(Conformance, documents_come_back_with_exact_types_and_order) {
    const CMDBRecord doc = RichDocument();
    ASSERT_TRUE(db->Insert(ns, doc)) << db->GetLastError().toStdString();
    EXPECT_EQ(Doc("rich"), doc);

    CMDBRecordList all;
    ASSERT_TRUE(db->SeekToList(ns, CMDBRecord(), all));
    ASSERT_EQ(all.GetCount(), 1);
    EXPECT_EQ(*all.GetAt(0), doc);

    // Without an _id the store gives one, first in the document, as a server does.
    CMDBRecord bare;
    bare.SetInt(S("x"), 1);
    ASSERT_TRUE(db->Insert(ns, bare));
    CMDBRecord query;
    query.SetInt(S("x"), 1);
    CMDBRecord found;
    ASSERT_TRUE(db->SeekFirst(ns, query, found));
    EXPECT_EQ(found.GetFieldNames(), (QStringList{S("_id"), S("x")}));
    EXPECT_EQ(found.GetStr(S("_id")).size(), 24);

    // A missing _id leaves the record empty and is no error.
    CMDBRecord none;
    none.SetStr(S("stale"), S("x"));
    EXPECT_FALSE(db->SeekReference(ns, S("nope"), none));
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_TRUE(db->GetLastError().isEmpty());
}

TEST_P(Conformance, duplicate_id_fails_and_is_told_apart) {
    InsertNumbered(1);
    CMDBRecord again;
    again.SetStr(S("_id"), S("d0"));
    again.SetStr(S("other"), S("value"));
    EXPECT_FALSE(db->Insert(ns, again));
    EXPECT_TRUE(db->LastErrorWasDuplicateKey());
    EXPECT_FALSE(db->GetLastError().isEmpty());
    EXPECT_FALSE(Doc("d0").HasField(S("other"))) << "the stored document is untouched";

    // Names a server refuses are refused by both stores, nested ones too.
    for (const char* name : {"a.b", "$where", ""}) {
        CMDBRecord odd;
        odd.SetStr(S("_id"), S("odd"));
        CMDBRecord sub;
        sub.SetInt(S(name), 1);
        odd.SetRecord(S("sub"), sub);
        EXPECT_FALSE(db->Insert(ns, odd)) << name;
        EXPECT_FALSE(db->LastErrorWasDuplicateKey());
        EXPECT_FALSE(db->GetLastError().isEmpty());
    }

    EXPECT_TRUE(db->SeekReference(ns, S("d0"), again));
    EXPECT_FALSE(db->LastErrorWasDuplicateKey());
    EXPECT_TRUE(db->GetLastError().isEmpty());
}

TEST_P(Conformance, queries_match_equalities_lt_dotted_fields_and_arrays) {
    InsertNumbered(6);
    CMDBRecord q;
    q.SetStr(S("group"), S("odd"));
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("d1"), S("d3"), S("d5")}));

    // $lt on dates, as the removal of stale documents uses it.
    CMDBRecord lt;
    lt.SetDateInMilliSecs(S("$lt"), 1'003'000);
    q.Clear();
    q.SetRecord(S("lastchanged"), lt);
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("d0"), S("d1"), S("d2")}));
    // A number is not a date: type brackets keep them apart.
    lt.Clear();
    lt.SetLL(S("$lt"), 9'999'999'999LL);
    q.SetRecord(S("lastchanged"), lt);
    EXPECT_TRUE(Ids(q).empty());

    // Numbers compare across int32, int64 and double.
    q.Clear();
    q.SetLL(S("n"), 4);
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("d4")}));
    q.SetDouble(S("n"), 4.0);
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("d4")}));
    lt.Clear();
    lt.SetDouble(S("$lt"), 1.5);
    q.Clear();
    q.SetRecord(S("n"), lt);
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("d0"), S("d1")}));

    ASSERT_TRUE(db->Insert(ns, RichDocument()));
    q.Clear();
    q.SetStr(S("logon.user"), S("anna"));
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("rich")}));
    q.Clear();
    q.SetStr(S("domainlist"), S("b.example"));
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("rich")}));
    q.Clear();
    q.SetInt(S("urls.method"), 2);
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("rich")}));
    q.Clear();
    q.SetStr(S("urls.1.url"), S("/p1"));
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("rich")}));
    q.SetStr(S("urls.1.url"), S("/p2"));
    EXPECT_TRUE(Ids(q).empty());
    q.Clear();
    q.SetStr(S("title"), S("Zürich – 東京 – 𝄞"));
    q.SetInt(S("port"), 443);
    EXPECT_EQ(Ids(q), (std::vector<QString>{S("rich")}));
    q.SetInt(S("port"), 80);
    EXPECT_TRUE(Ids(q).empty()) << "every field of the query must match";
}

TEST_P(Conformance, field_selection_returns_only_the_named_fields_and_id) {
    ASSERT_TRUE(db->Insert(ns, RichDocument()));
    CMDBRecord query;
    query.SetStr(S("_id"), S("rich"));
    CMDBRecord out;
    ASSERT_TRUE(db->SeekFirst(ns, query, out, QStringList{S("logon.user"), S("port")}));
    EXPECT_EQ(out.GetCount(), 3);
    EXPECT_EQ(out.GetStr(S("_id")), S("rich"));
    EXPECT_EQ(out.GetInt(S("port")), 443);
    ASSERT_NE(out.GetRecordPtr(S("logon")), nullptr);
    EXPECT_EQ(out.GetRecordPtr(S("logon"))->GetFieldNames(), QStringList{S("user")});

    CMDBRecordList list;
    const QStringList fields{S("title")};
    ASSERT_TRUE(db->SeekToList(ns, query, list, &fields));
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0)->GetFieldNames().size(), 2);
}

TEST_P(Conformance, dotted_set_and_unset_change_only_their_fields) {
    ASSERT_TRUE(db->Insert(ns, RichDocument()));
    CMDBRecord query;
    query.SetStr(S("_id"), S("rich"));
    CMDBRecord set;
    set.SetStr(S("logon.user"), S("bert"));
    set.SetInt(S("urls.1.method"), 7);
    set.SetLL(S("fresh.deep.value"), 5'000'000'000LL);
    set.SetDateInMilliSecs(S("lastchanged"), 1'700'000'000'000LL);
    CMDBRecord unset;
    unset.SetStr(S("logon.pw"), QString());
    unset.SetStr(S("title"), QString());
    unset.SetStr(S("never.there"), QString());
    CMDBRecord update;
    update.SetRecord(S("$set"), set);
    update.SetRecord(S("$unset"), unset);
    ASSERT_TRUE(db->Update(ns, query, update)) << db->GetLastError().toStdString();

    const CMDBRecord doc = Doc("rich");
    EXPECT_FALSE(doc.HasField(S("title")));
    const CMDBRecord* logon = doc.GetRecordPtr(S("logon"));
    ASSERT_NE(logon, nullptr);
    EXPECT_EQ(logon->GetStr(S("user")), S("bert"));
    EXPECT_FALSE(logon->HasField(S("pw")));
    EXPECT_EQ(logon->GetType(S("type")), CMDBRecord::Type::Int64) << "other logon fields stay";
    const CMDBRecord* url1 = doc.GetArrayPtr(S("urls"))->GetArrayPtr(S("1"));
    EXPECT_EQ(url1->GetInt(S("method")), 7);
    EXPECT_EQ(url1->GetStr(S("url")), S("/p1"));
    EXPECT_EQ(doc.GetRecordPtr(S("fresh"))->GetRecordPtr(S("deep"))->GetType(S("value")),
              CMDBRecord::Type::Int64);
    EXPECT_EQ(doc.GetType(S("lastchanged")), CMDBRecord::Type::Date);
    EXPECT_EQ(doc.GetArrayPtr(S("urls"))->GetCount(), 3);

    // A path through a text field cannot be created: error, document unchanged.
    CMDBRecord bad;
    bad.SetStr(S("domainlist.x"), S("no"));
    bad.SetStr(S("ok"), S("would be set"));
    update.Clear();
    update.SetRecord(S("$set"), bad);
    EXPECT_FALSE(db->Update(ns, query, update));
    EXPECT_FALSE(db->GetLastError().isEmpty());
    EXPECT_EQ(Doc("rich"), doc);

    // Setting one array element past the end pads with nulls.
    set.Clear();
    set.SetStr(S("domainlist.3"), S("d.example"));
    update.Clear();
    update.SetRecord(S("$set"), set);
    ASSERT_TRUE(db->Update(ns, query, update)) << db->GetLastError().toStdString();
    const CMDBRecord padded = Doc("rich");
    const CMDBRecord* domains = padded.GetArrayPtr(S("domainlist"));
    ASSERT_EQ(domains->GetCount(), 4);
    EXPECT_EQ(domains->GetType(S("2")), CMDBRecord::Type::Null);
    EXPECT_EQ(domains->GetStr(S("3")), S("d.example"));
}

TEST_P(Conformance, upsert_and_multi_follow_the_server_rules) {
    InsertNumbered(4);
    CMDBRecord set;
    set.SetBool(S("seen"), true);
    CMDBRecord update;
    update.SetRecord(S("$set"), set);

    CMDBRecord query;
    query.SetStr(S("group"), S("even"));
    ASSERT_TRUE(db->Update(ns, query, update, false, false));
    CMDBRecord seen;
    seen.SetBool(S("seen"), true);
    EXPECT_EQ(Ids(seen), (std::vector<QString>{S("d0")})) << "multi off changes the first only";
    ASSERT_TRUE(db->Update(ns, query, update, false, true));
    EXPECT_EQ(Ids(seen), (std::vector<QString>{S("d0"), S("d2")}));

    query.Clear();
    query.SetStr(S("_id"), S("new"));
    query.SetStr(S("logon.user"), S("carl"));
    ASSERT_TRUE(db->Update(ns, query, update, false, false));
    EXPECT_FALSE(db->SeekReference(ns, S("new"), seen)) << "no upsert, no document";
    ASSERT_TRUE(db->Update(ns, query, update, true, false)) << db->GetLastError().toStdString();
    const CMDBRecord created = Doc("new");
    EXPECT_EQ(created.GetStr(S("_id")), S("new"));
    EXPECT_EQ(created.GetRecordPtr(S("logon"))->GetStr(S("user")), S("carl"));
    EXPECT_TRUE(created.GetBool(S("seen")));
    ASSERT_TRUE(db->Update(ns, query, update, true, false));
    EXPECT_EQ(Ids(CMDBRecord()).size(), 5u) << "a second upsert finds the first";

    // A whole-document replacement keeps the _id.
    CMDBRecord replacement;
    replacement.SetStr(S("only"), S("this"));
    query.Clear();
    query.SetStr(S("_id"), S("d1"));
    ASSERT_TRUE(db->Update(ns, query, replacement));
    const CMDBRecord replaced = Doc("d1");
    EXPECT_EQ(replaced.GetFieldNames(), (QStringList{S("_id"), S("only")}));
}

TEST_P(Conformance, remove_deletes_matches_with_lt_dates_and_just_one) {
    InsertNumbered(6);
    CMDBRecord lt;
    lt.SetDateInMilliSecs(S("$lt"), 1'002'000);
    CMDBRecord query;
    query.SetRecord(S("lastchanged"), lt);
    ASSERT_TRUE(db->Remove(ns, query));
    EXPECT_EQ(Ids(CMDBRecord()), (std::vector<QString>{S("d2"), S("d3"), S("d4"), S("d5")}));

    query.Clear();
    query.SetStr(S("group"), S("odd"));
    ASSERT_TRUE(db->Remove(ns, query, true));
    EXPECT_EQ(Ids(CMDBRecord()), (std::vector<QString>{S("d2"), S("d4"), S("d5")}));
    ASSERT_TRUE(db->Remove(ns, CMDBRecord()));
    EXPECT_TRUE(Ids(CMDBRecord()).empty());
}

TEST_P(Conformance, scoped_connection_sends_updates_and_refuses_use_after_done) {
    InsertNumbered(1);
    auto conn = db->GetScopedDbConnectionPtr();
    ASSERT_NE(conn, nullptr);
    CMDBRecord query;
    query.SetStr(S("_id"), S("d0"));
    CMDBRecord set;
    set.SetStr(S("logon.user"), S("dora"));
    CMDBRecord update;
    update.SetRecord(S("$set"), set);
    conn->update(ns, query, update);
    EXPECT_EQ(Doc("d0").GetRecordPtr(S("logon"))->GetStr(S("user")), S("dora"));

    // Conflicting paths are refused by the server: the scoped connection raises.
    CMDBRecord conflict;
    conflict.SetStr(S("logon"), S("flat"));
    update.SetRecord(S("$unset"), conflict);
    EXPECT_THROW(conn->update(ns, query, update), CDbException);

    conn->Done();
    try {
        conn->update(ns, query, update);
        FAIL() << "an update after Done must raise";
    } catch (const CDbException& e) {
        EXPECT_EQ(e.code(), kDbErrorConnectionReturned);
        EXPECT_EQ(e.text(), S("connection was returned to the pool already"));
    }
}

TEST_P(Conformance, unreachable_store_fails_fast_with_a_message) {
    const QString server = GetParam() == Store::MongoDB
                               ? QStringLiteral("127.0.0.1:%1").arg(ClosedPort())
                               : S("embedded:/nonexistent-folder-for-xal-tests/store.xaldb");
    CMongoDB unreachable(server, QString());
    QString error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(unreachable.Connect(error));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(unreachable.IsConnected());
    CMDBRecord out;
    EXPECT_FALSE(unreachable.SeekReference(S("xaldata.escript"), S("x"), out));
    EXPECT_FALSE(unreachable.GetLastError().isEmpty());
    auto conn = unreachable.GetScopedDbConnectionPtr();
    ASSERT_NE(conn, nullptr);
    EXPECT_THROW(conn->update(S("xaldata.escript"), CMDBRecord(), CMDBRecord()), CDbException);
}

INSTANTIATE_TEST_SUITE_P(Stores, Conformance, ::testing::Values(Store::Embedded, Store::MongoDB),
                         [](const auto& info) {
                             return info.param == Store::Embedded ? std::string("Embedded")
                                                                  : std::string("MongoDB");
                         });

} // namespace
