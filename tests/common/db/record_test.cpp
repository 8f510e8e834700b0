// CMDBRecord: types, conversions, copies, look-ups and the BSON / Extended JSON forms.

#include "mongodb.h"

#include <bson/bson.h>
#include <gtest/gtest.h>

namespace {

using Type = CMDBRecord::Type;

QString S(const char* text) {
    return QString::fromUtf8(text);
}

CMDBRecord SampleDocument() {
    CMDBRecord doc;
    doc.SetStr(S("_id"), S("demo"));
    doc.SetStr(S("title"), S("Grüße – ✓ 𝄞"));
    doc.SetInt(S("port"), 8080);
    doc.SetLL(S("kernel"), 5'000'000'000LL);
    doc.SetBool(S("test"), true);
    doc.SetDateInMilliSecs(S("lastchanged"), 1'700'000'000'123LL);
    doc.SetDouble(S("ratio"), 0.25);
    doc.SetNull(S("nothing"));
    auto* logon = new CMDBRecord;
    logon->SetStr(S("user"), S("anna"));
    logon->SetLL(S("type"), 3);
    doc.SetRecordPtr(S("logon"), logon);
    CMDBRecord urls = CMDBRecord::MakeArray();
    for (int i = 0; i < 3; ++i) {
        CMDBRecord url;
        url.SetStr(S("url"), QStringLiteral("/page%1").arg(i));
        url.SetInt(S("method"), i % 2);
        urls.AppendRecord(std::move(url));
    }
    doc.SetRecord(S("urls"), std::move(urls));
    CMDBRecord domains = CMDBRecord::MakeArray();
    domains.AppendStr(S("a.example"));
    domains.AppendStr(S("b.example"));
    doc.SetRecord(S("domainlist"), std::move(domains));
    return doc;
}

TEST(Record, every_type_survives_bson_and_extended_json) {
    const CMDBRecord doc = SampleDocument();
    const auto bytes = doc.ToBson();
    ASSERT_FALSE(bytes.empty());
    CMDBRecord back;
    ASSERT_TRUE(CMDBRecord::FromBson(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back, doc);
    EXPECT_EQ(back.GetFieldNames(), doc.GetFieldNames());
    EXPECT_EQ(back.GetType(S("port")), Type::Int32);
    EXPECT_EQ(back.GetType(S("kernel")), Type::Int64);
    EXPECT_EQ(back.GetType(S("lastchanged")), Type::Date);
    EXPECT_EQ(back.GetType(S("test")), Type::Bool);
    EXPECT_EQ(back.GetStr(S("title")), S("Grüße – ✓ 𝄞"));

    const QString json = doc.ToJson();
    EXPECT_TRUE(json.contains(S("{ \"$numberInt\" : \"8080\" }")));
    EXPECT_TRUE(json.contains(S("{ \"$numberLong\" : \"5000000000\" }")));
    EXPECT_TRUE(json.contains(S("\"$date\" : { \"$numberLong\" : \"1700000000123\" }")));
    CMDBRecord fromJson;
    QString error;
    ASSERT_TRUE(CMDBRecord::FromJson(json, fromJson, &error)) << error.toStdString();
    EXPECT_EQ(fromJson, doc);

    CMDBRecord array;
    ASSERT_TRUE(CMDBRecord::FromJson(doc.GetArrayPtr(S("urls"))->ToJson(), array, &error));
    EXPECT_TRUE(array.IsArray());
    EXPECT_EQ(array, *doc.GetArrayPtr(S("urls")));

    // Foreign types (here an ObjectId) are kept byte for byte and read as text.
    ASSERT_TRUE(CMDBRecord::FromJson(S(R"({"_id": {"$oid": "0123456789abcdef01234567"}})"),
                                     fromJson, &error));
    EXPECT_EQ(fromJson.GetType(S("_id")), Type::Other);
    EXPECT_EQ(fromJson.GetStr(S("_id")), S("0123456789abcdef01234567"));
    EXPECT_EQ(fromJson.ToJson(), S(R"({ "_id" : { "$oid" : "0123456789abcdef01234567" } })"));
}

TEST(Record, values_convert_to_the_requested_type_or_give_the_default) {
    CMDBRecord r;
    r.SetInt(S("i"), 42);
    r.SetLL(S("small"), 7);
    r.SetLL(S("big"), 5'000'000'000LL);
    r.SetDouble(S("d"), 3.9);
    r.SetDouble(S("nan"), std::nan(""));
    r.SetBool(S("b"), true);
    r.SetStr(S("digits"), S(" 123 "));
    r.SetStr(S("word"), S("port"));
    r.SetDateInMilliSecs(S("when"), 1000);
    r.SetRecord(S("sub"), CMDBRecord());

    EXPECT_EQ(r.GetLL(S("i")), 42);
    EXPECT_EQ(r.GetInt(S("small")), 7);
    EXPECT_EQ(r.GetInt(S("big"), -1), -1) << "int64 beyond int32 must not wrap";
    EXPECT_EQ(r.GetLL(S("big")), 5'000'000'000LL);
    EXPECT_EQ(r.GetInt(S("d")), 3);
    EXPECT_EQ(r.GetInt(S("nan"), -1), -1);
    EXPECT_EQ(r.GetLL(S("nan"), -1), -1);
    EXPECT_EQ(r.GetInt(S("b")), 1);
    EXPECT_TRUE(r.GetBool(S("i")));
    EXPECT_EQ(r.GetInt(S("digits")), 123);
    EXPECT_EQ(r.GetInt(S("word"), -5), -5);
    EXPECT_EQ(r.GetStr(S("i")), S("42"));
    EXPECT_EQ(r.GetStr(S("sub"), S("def")), S("def"));
    EXPECT_EQ(r.GetInt(S("sub"), 9), 9);
    EXPECT_EQ(r.GetDateInMilliSecs(S("when")), 1000);
    EXPECT_EQ(r.GetDateInMilliSecs(S("word"), 77), 77);
    EXPECT_EQ(r.GetStr(S("missing"), S("x")), S("x"));
    EXPECT_FALSE(r.GetBool(S("missing")));
    EXPECT_EQ(r.GetRecordPtr(S("i")), nullptr);
    EXPECT_EQ(r.GetArrayPtr(S("sub")), nullptr) << "a sub-document is not an array";
}

TEST(Record, setting_replaces_in_place_and_copies_are_deep) {
    CMDBRecord doc = SampleDocument();
    doc.SetStr(S("port"), S("now text"));
    EXPECT_EQ(doc.GetFieldNames().indexOf(S("port")), 2) << "a replaced field keeps its place";
    EXPECT_EQ(doc.GetType(S("port")), Type::String);

    CMDBRecord copy = doc;
    copy.GetRecordPtr(S("logon"))->SetStr(S("user"), S("bert"));
    copy.GetArrayPtr(S("urls"))->GetArrayPtr(S("0"))->SetInt(S("method"), 9);
    EXPECT_EQ(doc.GetRecordPtr(S("logon"))->GetStr(S("user")), S("anna"));
    EXPECT_EQ(doc.GetArrayPtr(S("urls"))->GetArrayPtr(S("0"))->GetInt(S("method")), 0);
    EXPECT_FALSE(copy == doc);

    // Assigning a record its own sub-record must not read freed memory.
    copy = *copy.GetRecordPtr(S("logon"));
    EXPECT_EQ(copy.GetStr(S("user")), S("bert"));
    EXPECT_EQ(copy.GetCount(), 2);

    CMDBRecord moved = std::move(copy);
    EXPECT_EQ(moved.GetStr(S("user")), S("bert"));
    EXPECT_TRUE(copy.IsEmpty()); // NOLINT(bugprone-use-after-move): moved-from is empty
}

TEST(Record, lookups_by_index_and_name_on_large_records) {
    CMDBRecord arr = CMDBRecord::MakeArray();
    for (int i = 0; i < 10000; ++i) {
        CMDBRecord url;
        url.SetInt(S("n"), i);
        arr.AppendRecord(std::move(url));
    }
    CMDBRecord doc;
    doc.SetRecord(S("urls"), std::move(arr));
    const CMDBRecord* urls = doc.GetArrayPtr(S("urls"));
    ASSERT_NE(urls, nullptr);
    EXPECT_EQ(urls->GetCount(), 10000);
    EXPECT_EQ(urls->GetArrayPtr(S("1234"))->GetInt(S("n")), 1234);
    EXPECT_EQ(urls->GetArrayPtr(S("9999"))->GetInt(S("n")), 9999);
    for (const char* bad : {"10000", "01234", "-1", "12a", "", " 1"})
        EXPECT_EQ(urls->GetArrayPtr(S(bad)), nullptr) << bad;

    CMDBRecord wide;
    for (int i = 0; i < 50; ++i)
        wide.SetInt(QStringLiteral("f%1").arg(i), i);
    EXPECT_EQ(wide.GetInt(S("f40")), 40);
    EXPECT_TRUE(wide.RemoveField(S("f10")));
    EXPECT_EQ(wide.GetInt(S("f40")), 40);
    EXPECT_FALSE(wide.HasField(S("f10")));
    wide.SetInt(S("late"), 99);
    wide.SetInt(S("f20"), -20);
    EXPECT_EQ(wide.GetInt(S("late")), 99);
    EXPECT_EQ(wide.GetInt(S("f20")), -20);
    EXPECT_EQ(wide.GetCount(), 50);

    QStringList domains{S("kept")};
    EXPECT_TRUE(SampleDocument().DataToArrayObj(S("domainlist"), domains));
    EXPECT_EQ(domains, (QStringList{S("kept"), S("a.example"), S("b.example")}));
    EXPECT_FALSE(SampleDocument().DataToArrayObj(S("title"), domains));
}

TEST(Record, records_read_from_bson_see_every_change_made_through_them) {
    const auto bytes = SampleDocument().ToBson();
    CMDBRecord doc;
    ASSERT_TRUE(CMDBRecord::FromBson(bytes.data(), bytes.size(), doc));
    CMDBRecord* logon = doc.GetRecordPtr(S("logon"));
    CMDBRecord* urls = doc.GetArrayPtr(S("urls"));
    CMDBRecord* url2 = urls->GetArrayPtr(S("2"));
    ASSERT_TRUE(logon && urls && url2);

    // Changes below the top reach the bytes, copies and comparisons of the whole.
    url2->SetStr(S("url"), S("/changed"));
    logon->RemoveField(S("type"));
    CMDBRecord reread;
    const auto changed = doc.ToBson();
    ASSERT_TRUE(CMDBRecord::FromBson(changed.data(), changed.size(), reread));
    EXPECT_EQ(reread.GetArrayPtr(S("urls"))->GetArrayPtr(S("2"))->GetStr(S("url")), S("/changed"));
    EXPECT_FALSE(reread.GetRecordPtr(S("logon"))->HasField(S("type")));
    const CMDBRecord copy = doc;
    EXPECT_EQ(copy.GetArrayPtr(S("urls"))->GetArrayPtr(S("2"))->GetStr(S("url")), S("/changed"));
    CMDBRecord original;
    ASSERT_TRUE(CMDBRecord::FromBson(bytes.data(), bytes.size(), original));
    EXPECT_FALSE(doc == original);
    EXPECT_EQ(doc, reread);

    // Sub-records handed out keep their address when the parent changes.
    doc.SetStr(S("added"), S("x"));
    doc.RemoveField(S("title"));
    EXPECT_EQ(logon->GetStr(S("user")), S("anna"));
    EXPECT_EQ(url2->GetStr(S("url")), S("/changed"));
    EXPECT_EQ(doc.GetRecordPtr(S("logon")), logon);
    EXPECT_EQ(doc.GetArrayPtr(S("urls")), urls);
    EXPECT_EQ(urls->GetArrayPtr(S("2")), url2);

    // A copy is independent of the record it came from.
    CMDBRecord second;
    ASSERT_TRUE(CMDBRecord::FromBson(bytes.data(), bytes.size(), second));
    CMDBRecord secondCopy = second;
    secondCopy.GetRecordPtr(S("logon"))->SetStr(S("user"), S("zoe"));
    EXPECT_EQ(second.GetRecordPtr(S("logon"))->GetStr(S("user")), S("anna"));
    EXPECT_EQ(second, original);
}

// Reads straight from the bytes take shortcuts (ASCII names, the last position found, typed
// fast paths); every answer must be the one the decoded fields give.
TEST(Record, reads_from_bson_answer_as_the_decoded_fields_do) {
    const QString longName(80, u'k');
    const QStringList names{S("url"), S("urls"), S("urlpattern"), S("u"),   S("prénom"), S("名前"),
                            longName, S("n"),    S("flag"),       S("big"), S("sub"),    S("list")};
    CMDBRecord small;
    small.SetStr(names[0], S("/a"));
    small.SetStr(names[1], S("plural"));
    small.SetStr(names[2], S("p*"));
    small.SetInt(names[3], 7);
    small.SetStr(names[4], S("Zoë"));
    small.SetInt(names[5], 5);
    small.SetStr(names[6], S("long"));
    small.SetStr(names[7], S("12"));
    small.SetBool(names[8], true);
    small.SetLL(names[9], 5'000'000'000LL);
    CMDBRecord sub;
    sub.SetStr(S("inner"), S("deep"));
    small.SetRecord(names[10], sub);
    CMDBRecord list = CMDBRecord::MakeArray();
    list.AppendRecord(sub);
    list.AppendStr(S("x"));
    small.SetRecord(names[11], list);

    CMDBRecord wide = small; // past the size where a name index is built
    for (int i = 0; i < 20; ++i)
        wide.SetInt(QStringLiteral("w%1").arg(i), i);

    const QStringList probes =
        names +
        QStringList{S("ur"), S("urlx"), S("prenom"), S("名"), QString(79, u'k'), S("w19"), S("")};
    for (const CMDBRecord* source : {&small, &wide}) {
        const auto bytes = source->ToBson();
        // Forwards, backwards and repeated, so each search starts somewhere else.
        QStringList order = probes;
        for (auto it = probes.rbegin(); it != probes.rend(); ++it)
            order << *it << *it;
        CMDBRecord lazy;
        ASSERT_TRUE(CMDBRecord::FromBson(bytes.data(), bytes.size(), lazy));
        CMDBRecord decoded;
        ASSERT_TRUE(CMDBRecord::FromBson(bytes.data(), bytes.size(), decoded));
        decoded.RemoveField(S("no such field")); // turns it into plain fields
        for (const QString& name : order) {
            SCOPED_TRACE(name.toStdString());
            EXPECT_EQ(lazy.HasField(name), decoded.HasField(name));
            EXPECT_EQ(lazy.GetType(name), decoded.GetType(name));
            EXPECT_EQ(lazy.GetStr(name, S("def")), decoded.GetStr(name, S("def")));
            EXPECT_EQ(lazy.GetInt(name, -1), decoded.GetInt(name, -1));
            EXPECT_EQ(lazy.GetLL(name, -1), decoded.GetLL(name, -1));
            EXPECT_EQ(lazy.GetBool(name, false), decoded.GetBool(name, false));
        }
        EXPECT_EQ(lazy.GetStr(S("prénom")), S("Zoë"));
        EXPECT_EQ(lazy.GetInt(S("名前")), 5);
        EXPECT_EQ(lazy.GetStr(longName), S("long"));
        EXPECT_EQ(lazy.GetStr(S("urls")), S("plural"));
        EXPECT_EQ(lazy.GetInt(S("n")), 12);
        EXPECT_EQ(lazy.GetInt(S("big"), -1), -1);
        EXPECT_EQ(lazy.GetStr(S("u")), S("7"));
        EXPECT_EQ(lazy.GetStr(S("sub"), S("def")), S("def"));
        EXPECT_EQ(lazy.GetInt(S("sub"), -1), -1);
        const CMDBRecord* nested = lazy.GetArrayPtr(S("list"));
        ASSERT_NE(nested, nullptr);
        EXPECT_EQ(nested->GetArrayPtr(S("0"))->GetStr(S("inner")), S("deep"));
        EXPECT_EQ(nested->GetArrayPtr(S("1")), nullptr);
        EXPECT_EQ(nested->GetStr(S("1")), S("x"));
        EXPECT_EQ(lazy.GetRecordPtr(S("sub"))->GetStr(S("inner")), S("deep"));
        EXPECT_EQ(lazy.GetRecordPtr(S("url")), nullptr);
        EXPECT_EQ(lazy, decoded);
    }
}

TEST(Record, bad_input_gives_defaults_never_a_crash) {
    // Invalid UTF-8 in a stored string.
    bson_t raw = BSON_INITIALIZER;
    const char bad[] = {'o', 'k', static_cast<char>(0xC3), static_cast<char>(0x28), 'x'};
    bson_append_utf8(&raw, "s", 1, bad, sizeof bad);
    bson_append_utf8(&raw, "n", 1, "12", 2);
    CMDBRecord r;
    ASSERT_TRUE(CMDBRecord::FromBson(bson_get_data(&raw), raw.len, r));
    EXPECT_TRUE(r.GetStr(S("s")).startsWith(S("ok")));
    EXPECT_TRUE(r.GetStr(S("s")).contains(QChar(0xFFFD)));
    EXPECT_EQ(r.GetInt(S("n")), 12);

    // Damaged and truncated BSON.
    std::vector<std::uint8_t> bytes(bson_get_data(&raw), bson_get_data(&raw) + raw.len);
    bson_destroy(&raw);
    EXPECT_FALSE(CMDBRecord::FromBson(bytes.data(), bytes.size() - 3, r));
    bytes[4] = 0x7f; // unknown element type
    EXPECT_FALSE(CMDBRecord::FromBson(bytes.data(), bytes.size(), r));
    EXPECT_FALSE(CMDBRecord::FromBson(nullptr, 0, r));

    // Nesting deeper than a server accepts is refused instead of exhausting the stack.
    QString deep;
    for (int i = 0; i < 200; ++i)
        deep += S("{\"a\":");
    deep += S("1");
    for (int i = 0; i < 200; ++i)
        deep += u'}';
    QString error;
    EXPECT_FALSE(CMDBRecord::FromJson(deep, r, &error));
    EXPECT_FALSE(CMDBRecord::FromJson(S("{\"a\": "), r, &error));
    EXPECT_FALSE(error.isEmpty());

    // A 10 MB string goes through unharmed.
    CMDBRecord big;
    big.SetStr(S("blob"), QString(10 * 1024 * 1024, u'x'));
    const auto blob = big.ToBson();
    CMDBRecord bigBack;
    ASSERT_TRUE(CMDBRecord::FromBson(blob.data(), blob.size(), bigBack));
    EXPECT_EQ(bigBack.GetStr(S("blob")).size(), 10 * 1024 * 1024);

    // A NUL inside a name cannot reach the BSON key.
    CMDBRecord nul;
    nul.SetInt(QString::fromUtf16(u"a\0b", 3), 1);
    const auto nulBytes = nul.ToBson();
    ASSERT_TRUE(CMDBRecord::FromBson(nulBytes.data(), nulBytes.size(), r));
    EXPECT_EQ(r.GetInt(S("a")), 1);
}

} // namespace
