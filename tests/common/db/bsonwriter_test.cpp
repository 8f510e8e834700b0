// The BSON writer and the embedded store's update of stored bytes must give exactly what the
// record code gives: a save that took the fast path must store the same document.

#include "bsonwriter.h"
#include "store_test_support.h"

#include <QTemporaryDir>

#include <vector>

namespace {

using namespace storetest;

const QString kNs = QStringLiteral("xaldata.escript");

TEST(BsonWriter, writes_the_bytes_the_records_write) {
    const QString lone = QString(QChar(0xD800)) + S("x");        // a lone surrogate
    const QString mixed = S("abcdefghij\u00e4klmnopqrstuvwxyz"); // not ASCII past 8 units
    const QString nul = S("a") + QChar(0) + S("b");
    const QString keyWithNul = S("k") + QChar(0) + S("ey");

    CMDBRecord expected;
    expected.SetStr(S("ascii"), S("plain text"));
    expected.SetStr(S("umlaut \u00e4"), S("\u65e5\u672c \U0001F600"));
    expected.SetStr(S("lone"), lone);
    expected.SetStr(S("mixed"), mixed);
    expected.SetStr(S("nul"), nul);
    expected.SetStr(keyWithNul, S("cut key"));
    expected.SetInt(S("i32"), -7);
    expected.SetLL(S("i64"), std::int64_t{1} << 40);
    expected.SetBool(S("b"), true);
    expected.SetDateInMilliSecs(S("d"), 1700000000000);
    CMDBRecord array = CMDBRecord::MakeArray();
    for (int i = 0; i < 12; ++i) {
        CMDBRecord element;
        element.SetInt(S("n"), i);
        array.AppendRecord(std::move(element));
    }
    expected.SetRecord(S("list"), array);
    CMDBRecord extra;
    extra.SetStr(S("unknown"), S("kept"));
    extra.SetInt(S("other"), 3);
    CMDBRecord withExtras;
    withExtras.SetStr(S("own"), S("x"));
    withExtras.AppendFields(extra);
    expected.SetRecord(S("sub"), withExtras);
    expected.SetRecord(S("record"), extra);

    CMDBBsonWriter w(std::vector<std::uint8_t>(1 << 16, 0xAB)); // a used buffer is reused
    w.AppendStr(S("ascii"), S("plain text"));
    w.AppendStr(S("umlaut \u00e4"), S("\u65e5\u672c \U0001F600"));
    w.AppendStr(S("lone"), lone);
    w.AppendStr(S("mixed"), mixed);
    w.AppendStr(S("nul"), nul);
    w.AppendStr(CMDBBsonWriter::Key(keyWithNul), S("cut key"));
    w.AppendInt(S("i32"), -7);
    w.AppendLL(S("i64"), std::int64_t{1} << 40);
    w.AppendBool(S("b"), true);
    w.AppendDateInMilliSecs(S("d"), 1700000000000);
    w.BeginArray(S("list"));
    for (int i = 0; i < 12; ++i) {
        w.BeginDocument(S("ignored in arrays"));
        w.AppendInt(S("n"), i);
        w.End();
    }
    w.End();
    w.BeginDocument(S("sub"));
    w.AppendStr(S("own"), S("x"));
    const std::vector<std::uint8_t> extraBytes = extra.ToBson();
    EXPECT_TRUE(w.AppendFieldsOf(extraBytes.data(), extraBytes.size()));
    const std::uint8_t broken[] = {20, 0, 0, 0, 2, 'a', 0, 99, 0, 0, 0, 0};
    EXPECT_FALSE(w.AppendFieldsOf(broken, sizeof broken));
    w.End();
    w.AppendRecord(S("record"), extra);

    EXPECT_EQ(w.Finish(), expected.ToBson());

    // From no buffer at all, with text whose UTF-8 outgrows the room its length promised, and
    // again after Finish: the writer grows where it must and starts afresh.
    const QString wide(3000, QChar(0x65E5));
    CMDBRecord grown;
    grown.SetStr(S("wide"), wide);
    grown.SetStr(S("after"), S("end"));
    CMDBBsonWriter fresh;
    for (int round = 0; round < 2; ++round) {
        fresh.AppendStr(S("wide"), wide);
        fresh.AppendStr(S("after"), S("end"));
        EXPECT_EQ(fresh.Finish(), grown.ToBson()) << round;
    }
}

// Two stores holding the same document get the same update, one as a record and one as
// bytes; they must end with the same bytes, or both refuse it alike.
struct Twin {
    xal::test::TemporaryEmbeddedStore recordFile;
    xal::test::TemporaryEmbeddedStore bytesFile;
    CMongoDB records{recordFile.ServerText(), QString()};
    CMongoDB bytes{bytesFile.ServerText(), QString()};

    explicit Twin(const QString& json) {
        QString error;
        EXPECT_TRUE(records.Connect(error) && bytes.Connect(error)) << error.toStdString();
        CMDBRecord doc;
        EXPECT_TRUE(CMDBRecord::FromJson(json, doc, &error)) << error.toStdString();
        EXPECT_TRUE(records.Insert(kNs, doc));
        EXPECT_TRUE(bytes.Insert(kNs, doc));
    }

    void ExpectSameResult(const QString& updateJson) {
        SCOPED_TRACE(updateJson.toStdString());
        CMDBRecord update;
        ASSERT_TRUE(CMDBRecord::FromJson(updateJson, update));
        CMDBRecord query;
        query.SetStr(S("_id"), S("e"));
        std::int64_t matchedRecords = -1;
        std::int64_t matchedBytes = -1;
        const bool okRecords = records.Update(kNs, query, update, false, false, &matchedRecords);
        const bool okBytes =
            bytes.UpdateBson(kNs, query, update.ToBson(), false, false, &matchedBytes);
        EXPECT_EQ(okRecords, okBytes);
        EXPECT_EQ(records.GetLastError(), bytes.GetLastError());
        EXPECT_EQ(matchedRecords, matchedBytes);
        EXPECT_EQ(Stored(records).ToBson(), Stored(bytes).ToBson());
    }

    static CMDBRecord Stored(CMongoDB& db) {
        CMDBRecord out;
        db.SeekReference(kNs, S("e"), out);
        return out;
    }
};

TEST(RawUpdate, stores_what_the_record_engine_stores) {
    Twin twin(S(R"({"_id": "e", "title": "t", "logon": {"type": {"$numberLong": "2"},
        "user": "old", "odd": 1.5}, "urls": [{"url": "/a"}], "dup": 1, "dup": 2,
        "text": "kept", "nothing": null, "list": [1, 2]})"));
    // In place, appended in order, into and out of a sub-document, a new parent, unsets.
    twin.ExpectSameResult(S(R"({"$set": {"urls": [{"url": "/b", "port": 8080}],
        "lastchanged": {"$date": {"$numberLong": "1700000000000"}}, "logon.user": "new",
        "logon.pw": "pw", "fresh.one": "x", "title": "t2", "fresh2.a": 1},
        "$unset": {"logon.odd": "", "missing": "", "other.path": "", "text": ""}})"));
    // The same update again: nothing changes.
    twin.ExpectSameResult(S(R"({"$set": {"title": "t2"}})"));
    // Cases handed to the record engine: a name stored twice, a path into an array or a
    // value that is not a document, longer paths, _id, conflicts, other operators.
    twin.ExpectSameResult(S(R"({"$set": {"dup": 3}})"));
    twin.ExpectSameResult(S(R"({"$set": {"list.1": 5}})"));
    twin.ExpectSameResult(S(R"({"$set": {"text2": "a", "nothing.x": 1}})"));
    twin.ExpectSameResult(S(R"({"$set": {"a.b.c": 1}})"));
    twin.ExpectSameResult(S(R"({"$set": {"_id": "other"}})"));
    twin.ExpectSameResult(S(R"({"$set": {"logon": {}, "logon.user": "x"}})"));
    twin.ExpectSameResult(S(R"({"$set": {"x..y": 1}})"));
    twin.ExpectSameResult(S(R"({"$inc": {"n": 1}})"));
    twin.ExpectSameResult(S(R"({"title": "replaced whole"})"));
}

TEST(RawUpdate, a_change_made_elsewhere_between_two_saves_is_kept) {
    xal::test::TemporaryEmbeddedStore file;
    CMongoDB editor(file.ServerText(), QString());
    CMongoDB other(file.ServerText(), QString());
    QString error;
    ASSERT_TRUE(editor.Connect(error) && other.Connect(error)) << error.toStdString();
    CMDBRecord doc;
    doc.SetStr(S("_id"), S("e"));
    ASSERT_TRUE(editor.Insert(kNs, doc));
    CMDBRecord query;
    query.SetStr(S("_id"), S("e"));
    auto save = [&](int n) {
        CMDBBsonWriter w;
        w.BeginDocument(S("$set"));
        w.AppendInt(S("saved"), n);
        w.End();
        std::int64_t matched = 0;
        EXPECT_TRUE(editor.UpdateBson(kNs, query, w.Finish(), false, false, &matched));
        EXPECT_EQ(matched, 1);
    };
    auto setField = [&](CMongoDB& db, const char* name) {
        CMDBRecord set;
        set.SetStr(S(name), S("kept"));
        CMDBRecord update;
        update.SetRecord(S("$set"), set);
        EXPECT_TRUE(db.Update(kNs, query, update));
    };

    save(1);
    setField(other, "byAnotherProgram"); // another session, same file
    save(2);
    setField(editor, "byThisSession"); // the same session through the record engine
    save(3);

    CMDBRecord stored;
    ASSERT_TRUE(other.SeekReference(kNs, S("e"), stored));
    EXPECT_EQ(stored.GetInt(S("saved")), 3);
    EXPECT_EQ(stored.GetStr(S("byAnotherProgram")), S("kept"));
    EXPECT_EQ(stored.GetStr(S("byThisSession")), S("kept"));

    // A removed document is not re-created and the save says it matched nothing.
    ASSERT_TRUE(other.Remove(kNs, query));
    CMDBBsonWriter w;
    w.BeginDocument(S("$set"));
    w.AppendInt(S("saved"), 4);
    w.End();
    std::int64_t matched = -1;
    EXPECT_TRUE(editor.UpdateBson(kNs, query, w.Finish(), false, false, &matched));
    EXPECT_EQ(matched, 0);
    EXPECT_FALSE(other.SeekReference(kNs, S("e"), stored));
}

} // namespace
