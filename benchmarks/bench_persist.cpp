// LoadScript and SaveScript on a large e-script (10,000 URLs x 8 parameters, 3 conditional
// scripts) against baselines that do the same work with libbson, SQLite and libmongoc
// directly. Prints the wrapper/baseline ratios at the end.
//
// The embedded store always runs. The MongoDB backend runs when XAL_BENCH_MONGODB names a
// server ("host:port" or a mongodb:// URI). The wire-protocol test database of the tests
// works there too, but it needs 10 to 35 s per operation on a document of this size, so only
// the client's CPU time says anything with it.

#include "benchstore.h"
#include "escriptlayout.h"
#include "mongodb.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <bson/bson.h>
#include <mongoc/mongoc.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr int kUrls = 10000;
constexpr int kParams = 8;
constexpr int kConditional = 3;
const QString kId = QStringLiteral("bench-escript");

CScriptObj MakeScript() {
    return MakeLargeEScript(kId);
}

const CScriptObj& Script() {
    static const CScriptObj script = MakeScript();
    return script;
}

// The same e-script with one parameter value edited (same length): saves alternate between
// the two, so that every save really changes the stored document, as a user's save does.
const CScriptObj& EditedScript() {
    static const CScriptObj script = [] {
        CScriptObj s = MakeScript();
        CURLParamObj& param = s.m_lstScripts[0].m_lstURLs[kUrls / 2].m_lstParams[3];
        param.m_strRawValue.replace(0, 5, QStringLiteral("edit-"));
        param.m_strValue = param.m_strRawValue;
        return s;
    }();
    return script;
}

// ---- raw libbson: reading -------------------------------------------------------------------

QString Utf8(const bson_iter_t& it) {
    uint32_t len = 0;
    const char* s = bson_iter_utf8(&it, &len);
    return QString::fromUtf8(s, static_cast<qsizetype>(len));
}

int Int(const bson_iter_t& it) {
    return BSON_ITER_HOLDS_NUMBER(&it) ? static_cast<int>(bson_iter_as_int64(&it)) : 0;
}

CURLObj RawReadUrl(bson_iter_t& doc, int fallbackPort) {
    CURLObj url;
    int port = 0;
    bson_iter_t params;
    bool hasParams = false;
    while (bson_iter_next(&doc)) {
        const char* key = bson_iter_key(&doc);
        if (!strcmp(key, "url") && BSON_ITER_HOLDS_UTF8(&doc)) {
            url.m_strURL = Utf8(doc);
        } else if (!strcmp(key, "server") && BSON_ITER_HOLDS_UTF8(&doc)) {
            url.m_strServer = Utf8(doc);
        } else if (!strcmp(key, "orgvalue") && BSON_ITER_HOLDS_UTF8(&doc)) {
            url.m_strOrgValue = Utf8(doc);
        } else if (!strcmp(key, "method")) {
            url.m_nMethod = Int(doc);
        } else if (!strcmp(key, "internetprotocol")) {
            url.m_nInternetProtocol = Int(doc);
        } else if (!strcmp(key, "port")) {
            port = Int(doc);
        } else if (!strcmp(key, "sendasmultipartmime") && BSON_ITER_HOLDS_BOOL(&doc)) {
            url.m_bSendAsMultipartMime = bson_iter_bool(&doc);
        } else if (!strcmp(key, "parameters") && BSON_ITER_HOLDS_ARRAY(&doc)) {
            hasParams = bson_iter_recurse(&doc, &params);
        }
    }
    auto isDefault = [](int p) { return p == 0 || p == 80 || p == 443; };
    url.m_nPort = !isDefault(port) ? port : (!isDefault(fallbackPort) ? fallbackPort : 0);
    if (url.m_strOrgValue.isEmpty()) {
        static const char* prefixes[] = {"http://", "https://", "ftp://"};
        url.m_strOrgValue = QString::fromLatin1(prefixes[url.m_nInternetProtocol % 3]) +
                            url.m_strServer + url.m_strURL;
    }
    while (hasParams && bson_iter_next(&params)) {
        bson_iter_t p;
        if (!BSON_ITER_HOLDS_DOCUMENT(&params) || !bson_iter_recurse(&params, &p)) {
            break;
        }
        CURLParamObj param;
        while (bson_iter_next(&p)) {
            const char* key = bson_iter_key(&p);
            if (!strcmp(key, "name") && BSON_ITER_HOLDS_UTF8(&p)) {
                param.m_strName = Utf8(p);
            } else if (!strcmp(key, "value") && BSON_ITER_HOLDS_UTF8(&p)) {
                param.m_strValue = Utf8(p);
            } else if (!strcmp(key, "orgvalue") && BSON_ITER_HOLDS_UTF8(&p)) {
                param.m_strOrgValue = Utf8(p);
            } else if (!strcmp(key, "method")) {
                param.m_nMethod = Int(p);
            } else if (!strcmp(key, "specialvariable")) {
                param.m_nSpecialVariable = Int(p);
            }
        }
        url.m_lstParams.push_back(std::move(param));
    }
    return url;
}

void RawReadUrls(bson_iter_t& array, CSubscriptObj& sub, int fallbackPort) {
    int index = 0;
    while (bson_iter_next(&array)) {
        bson_iter_t u;
        if (!BSON_ITER_HOLDS_DOCUMENT(&array) || !bson_iter_recurse(&array, &u)) {
            break;
        }
        sub.m_lstURLs.push_back(RawReadUrl(u, index++ == 0 ? fallbackPort : 0));
    }
}

void RawStrings(bson_iter_t& it, QStringList& out) {
    bson_iter_t a;
    if (BSON_ITER_HOLDS_ARRAY(&it) && bson_iter_recurse(&it, &a)) {
        while (bson_iter_next(&a)) {
            if (BSON_ITER_HOLDS_UTF8(&a)) {
                out << Utf8(a);
            }
        }
    }
}

CScriptObj RawReadScript(const bson_t& doc) {
    CScriptObj s;
    bson_iter_t it;
    bson_iter_init(&it, &doc);
    bson_iter_t urls;
    bson_iter_t subs;
    bool hasUrls = false;
    bool hasSubs = false;
    while (bson_iter_next(&it)) {
        const char* key = bson_iter_key(&it);
        if (!strcmp(key, "_id")) {
            s.m_strID = Utf8(it);
        } else if (!strcmp(key, "port")) {
            s.m_nPort = Int(it);
        } else if (!strcmp(key, "domainlist")) {
            RawStrings(it, s.m_lstDomain);
        } else if (!strcmp(key, "domainlist_available")) {
            RawStrings(it, s.m_lstDomainAvailable);
        } else if (!strcmp(key, "logon") && BSON_ITER_HOLDS_DOCUMENT(&it)) {
            bson_iter_t l;
            bson_iter_recurse(&it, &l);
            while (bson_iter_next(&l)) {
                if (!strcmp(bson_iter_key(&l), "user")) {
                    s.m_strLogonUser = Utf8(l);
                } else if (!strcmp(bson_iter_key(&l), "pw")) {
                    s.m_strLogonPW = Utf8(l);
                }
            }
        } else if (!strcmp(key, "urlparameter") && BSON_ITER_HOLDS_ARRAY(&it)) {
            bson_iter_t a;
            bson_iter_recurse(&it, &a);
            while (bson_iter_next(&a) && BSON_ITER_HOLDS_DOCUMENT(&a)) {
                bson_iter_t e;
                bson_iter_recurse(&a, &e);
                CFindReplaceObj entry;
                while (bson_iter_next(&e)) {
                    if (!strcmp(bson_iter_key(&e), "find")) {
                        entry.m_strFind = Utf8(e);
                    } else if (!strcmp(bson_iter_key(&e), "variable")) {
                        entry.m_strReplace = Utf8(e);
                    }
                }
                if (entry.m_strFind.endsWith(QLatin1Char('='))) {
                    entry.m_strFind.chop(1);
                }
                s.m_lstURLParameter.push_back(std::move(entry));
            }
        } else if (!strcmp(key, "urls") && BSON_ITER_HOLDS_ARRAY(&it)) {
            hasUrls = bson_iter_recurse(&it, &urls);
        } else if (!strcmp(key, "subscripts") && BSON_ITER_HOLDS_ARRAY(&it)) {
            hasSubs = bson_iter_recurse(&it, &subs);
        }
    }
    if (hasUrls) {
        CSubscriptObj main;
        RawReadUrls(urls, main, s.m_nPort);
        s.m_lstScripts.push_back(std::move(main));
    }
    while (hasSubs && bson_iter_next(&subs) && BSON_ITER_HOLDS_DOCUMENT(&subs)) {
        bson_iter_t c;
        bson_iter_recurse(&subs, &c);
        CSubscriptObj sub;
        sub.m_nKind = 1;
        while (bson_iter_next(&c)) {
            if (!strcmp(bson_iter_key(&c), "name")) {
                sub.m_strName = Utf8(c);
            } else if (!strcmp(bson_iter_key(&c), "urls") && BSON_ITER_HOLDS_ARRAY(&c)) {
                bson_iter_t a;
                bson_iter_recurse(&c, &a);
                RawReadUrls(a, sub, 0);
            }
        }
        s.m_lstScripts.push_back(std::move(sub));
    }
    return s;
}

// ---- raw libbson: update documents ----------------------------------------------------------

void AppendUtf8(bson_t* doc, const char* key, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    bson_append_utf8(doc, key, -1, utf8.constData(), static_cast<int>(utf8.size()));
}

void AppendStrings(bson_t* doc, const char* key, const QStringList& strings) {
    bson_t array;
    bson_append_array_begin(doc, key, -1, &array);
    char buf[16];
    for (int i = 0; i < strings.size(); ++i) {
        const char* k = nullptr;
        bson_uint32_to_string(static_cast<uint32_t>(i), &k, buf, sizeof buf);
        AppendUtf8(&array, k, strings[i]);
    }
    bson_append_array_end(doc, &array);
}

void AppendUrls(bson_t* doc, const char* key, const CSubscriptObj& sub, bool conditional) {
    static const char* prefixes[] = {"http://", "https://", "ftp://"};
    bson_t array;
    bson_append_array_begin(doc, key, -1, &array);
    char buf[16];
    for (std::size_t i = 0; i < sub.m_lstURLs.size(); ++i) {
        const CURLObj& url = sub.m_lstURLs[i];
        const char* k = nullptr;
        bson_uint32_to_string(static_cast<uint32_t>(i), &k, buf, sizeof buf);
        bson_t u;
        bson_append_document_begin(&array, k, -1, &u);
        BSON_APPEND_INT32(&u, "port", url.m_nPort);
        BSON_APPEND_BOOL(&u, "sendasmultipartmime", false);
        AppendUtf8(&u, "url", url.m_strURL);
        BSON_APPEND_INT32(&u, "internetprotocol", url.m_nInternetProtocol);
        AppendUtf8(&u, "server", url.m_strServer);
        BSON_APPEND_INT32(&u, "method", url.m_nMethod);
        AppendUtf8(&u, "orgvalue",
                   QString::fromLatin1(prefixes[url.m_nInternetProtocol % 3]) + url.m_strServer +
                       url.m_strURL);
        if (conditional) {
            BSON_APPEND_INT32(&u, "specialvariable", url.m_nFlags);
        }
        if (!url.m_lstParams.empty()) {
            bson_t params;
            bson_append_array_begin(&u, "parameters", -1, &params);
            char pbuf[16];
            for (std::size_t j = 0; j < url.m_lstParams.size(); ++j) {
                const CURLParamObj& param = url.m_lstParams[j];
                const char* pk = nullptr;
                bson_uint32_to_string(static_cast<uint32_t>(j), &pk, pbuf, sizeof pbuf);
                bson_t p;
                bson_append_document_begin(&params, pk, -1, &p);
                AppendUtf8(&p, "value", param.m_strRawValue);
                BSON_APPEND_INT32(&p, "method", param.m_nMethod);
                AppendUtf8(&p, "name", param.m_strName);
                BSON_APPEND_INT32(&p, "specialvariable", param.m_nSpecialVariable);
                AppendUtf8(&p, "orgvalue", param.m_strRawValue);
                bson_append_document_end(&params, &p);
            }
            bson_append_array_end(&u, &params);
        }
        bson_append_document_end(&array, &u);
    }
    bson_append_array_end(doc, &array);
}

// The updates of a save (no test copy, no root change) as raw BSON, in their order.
// Each update is kept as its BSON bytes.
std::vector<std::vector<uint8_t>> RawUpdates(const CScriptObj& s) {
    std::vector<std::vector<uint8_t>> out;
    auto add = [&out](const char* op, auto fill) {
        bson_t* update = bson_new();
        bson_t fields;
        bson_append_document_begin(update, op, -1, &fields);
        fill(&fields);
        bson_append_document_end(update, &fields);
        const uint8_t* data = bson_get_data(update);
        out.emplace_back(data, data + update->len);
        bson_destroy(update);
    };
    add("$set", [&s](bson_t* f) {
        AppendStrings(f, "domainlist", s.m_lstDomain);
        AppendStrings(f, "domainlist_available", s.m_lstDomainAvailable);
        BSON_APPEND_DATE_TIME(f, "lastchanged",
                              CMongoDB::GetCurrentDateInMilliSecs() / 1000 * 1000);
        AppendUtf8(f, "logon.user", s.m_strLogonUser);
        AppendUtf8(f, "logon.pw", s.m_strLogonPW);
    });
    add("$set", [&s](bson_t* f) { AppendUtf8(f, "logon.user", s.m_strLogonUser); });
    add("$set", [&s](bson_t* f) { AppendUtf8(f, "logon.pw", s.m_strLogonPW); });
    add("$set", [&s](bson_t* f) {
        bson_t array;
        bson_append_array_begin(f, "urlparameter", -1, &array);
        for (std::size_t i = 0; i < s.m_lstURLParameter.size(); ++i) {
            bson_t e;
            bson_append_document_begin(&array, std::to_string(i).c_str(), -1, &e);
            AppendUtf8(&e, "find", s.m_lstURLParameter[i].m_strFind + QLatin1Char('='));
            AppendUtf8(&e, "variable", s.m_lstURLParameter[i].m_strReplace);
            bson_append_document_end(&array, &e);
        }
        bson_append_array_end(f, &array);
    });
    add("$set", [&s](bson_t* f) { AppendUrls(f, "urls", s.m_lstScripts[0], false); });
    add("$set", [&s](bson_t* f) {
        bson_t array;
        bson_append_array_begin(f, "subscripts", -1, &array);
        for (std::size_t i = 1; i < s.m_lstScripts.size(); ++i) {
            const CSubscriptObj& sub = s.m_lstScripts[i];
            bson_t c;
            bson_append_document_begin(&array, std::to_string(i - 1).c_str(), -1, &c);
            AppendUtf8(&c, "name", sub.m_strName);
            AppendUtf8(&c, "urlpattern", sub.m_lstURLs.front().m_strURL);
            AppendUtf8(&c, "parameterpattern", sub.m_lstURLs.front().GetParameterText());
            AppendUrls(&c, "urls", sub, true);
            bson_append_document_end(&array, &c);
        }
        bson_append_array_end(f, &array);
    });
    return out;
}

// ---- embedded store --------------------------------------------------------------------------

struct EmbeddedFixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bench.db"));
    CMongoDB db{QStringLiteral("embedded:") + path, QString()};

    EmbeddedFixture() { SeedEmbeddedStore(db, kId, Script()); }
};

EmbeddedFixture& Embedded() {
    static EmbeddedFixture fixture;
    return fixture;
}

struct RawSqlite {
    sqlite3* db = nullptr;
    explicit RawSqlite(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 5000);
    }
    ~RawSqlite() { sqlite3_close(db); }

    // The e-script's BSON. The bench store holds this one document only, so the statements
    // need no key (the store's own key encoding stays its business).
    std::vector<uint8_t> Read() {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT body FROM documents", -1, &st, nullptr);
        std::vector<uint8_t> body;
        if (sqlite3_step(st) == SQLITE_ROW) {
            const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(st, 0));
            body.assign(data, data + sqlite3_column_bytes(st, 0));
        }
        sqlite3_finalize(st);
        return body;
    }

    void Write(const bson_t& doc) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "UPDATE documents SET body = ?1", -1, &st, nullptr);
        sqlite3_bind_blob(st, 1, bson_get_data(&doc), static_cast<int>(doc.len), SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_finalize(st);
    }
};

// One top-level $set applied the plain way: copy every other field, append the new ones.
// (Dotted logon paths are applied to the top-level "logon" as a whole document, which is
// cheaper than what a real $set does, so the baseline errs on the fast side.)
void ApplySet(const bson_t& current, const bson_t& update, bson_t& out) {
    bson_iter_t set;
    bson_iter_init_find(&set, &update, "$set");
    bson_t fields;
    uint32_t len = 0;
    const uint8_t* data = nullptr;
    bson_iter_document(&set, &len, &data);
    bson_init_static(&fields, data, len);
    bson_init(&out);
    bson_iter_t it;
    bson_iter_init(&it, &current);
    while (bson_iter_next(&it)) {
        if (!bson_has_field(&fields, bson_iter_key(&it))) {
            bson_append_iter(&out, nullptr, 0, &it);
        }
    }
    bson_iter_t f;
    bson_iter_init(&f, &fields);
    while (bson_iter_next(&f)) {
        bson_append_iter(&out, nullptr, 0, &f);
    }
}

void BM_LoadScript_Embedded(benchmark::State& state) {
    CMongoDB& db = Embedded().db;
    for (auto _ : state) {
        CScriptObj s;
        s.m_strID = kId;
        if (!LoadScript(db, s)) {
            state.SkipWithError("not found");
        }
        benchmark::DoNotOptimize(s.m_lstScripts.data());
    }
}

void BM_LoadRawBson_Embedded(benchmark::State& state) {
    RawSqlite raw(Embedded().path);
    for (auto _ : state) {
        const std::vector<uint8_t> body = raw.Read();
        bson_t doc;
        if (body.empty() || !bson_init_static(&doc, body.data(), body.size())) {
            state.SkipWithError("no document");
            break;
        }
        CScriptObj s = RawReadScript(doc);
        benchmark::DoNotOptimize(s.m_lstScripts.data());
    }
}

void BM_SaveScript_Embedded(benchmark::State& state) {
    CMongoDB& db = Embedded().db;
    bool edited = false;
    for (auto _ : state) {
        QString id = kId;
        bool rootChanged = false;
        const QString root;
        edited = !edited;
        const ScriptSaveResult r = SaveScript(db, {id, rootChanged, root},
                                              edited ? EditedScript() : Script(), false, nullptr);
        if (!r.Succeeded()) {
            state.SkipWithError(qPrintable(r.m_strError));
        }
    }
}

void BM_SaveRawSqlite_Embedded(benchmark::State& state) {
    RawSqlite raw(Embedded().path);
    for (auto _ : state) {
        for (const auto& bytes : RawUpdates(Script())) {
            bson_t update;
            bson_init_static(&update, bytes.data(), bytes.size());
            sqlite3_exec(raw.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            const std::vector<uint8_t> body = raw.Read();
            bson_t current;
            bson_init_static(&current, body.data(), body.size());
            bson_t next;
            ApplySet(current, update, next);
            raw.Write(next);
            bson_destroy(&next);
            sqlite3_exec(raw.db, "COMMIT", nullptr, nullptr, nullptr);
        }
    }
}

// One transaction writing one blob; a function of its own so that instruction counts
// (callgrind --toggle-collect) can single it out.
[[gnu::noinline]] void WriteTransaction(RawSqlite& raw, const bson_t& doc) {
    sqlite3_exec(raw.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    raw.Write(doc);
    sqlite3_exec(raw.db, "COMMIT", nullptr, nullptr, nullptr);
}

// The floor of any atomic save: one transaction writing the whole new document blob. The
// blobs of the e-script and of its edited form are read once from the store after saving
// each, and the writes alternate between them as the saves above do.
void BM_WriteBlobSqlite_Embedded(benchmark::State& state) {
    CMongoDB& db = Embedded().db;
    RawSqlite raw(Embedded().path);
    std::vector<uint8_t> bodies[2];
    for (int i = 0; i < 2; ++i) {
        QString id = kId;
        bool rootChanged = false;
        if (!SaveScript(db, {id, rootChanged, QString()}, i == 0 ? Script() : EditedScript(), false,
                        nullptr)
                 .Succeeded()) {
            state.SkipWithError("save failed");
            return;
        }
        bodies[i] = raw.Read();
    }
    bson_t docs[2];
    for (int i = 0; i < 2; ++i) {
        bson_init_static(&docs[i], bodies[i].data(), bodies[i].size());
    }
    int next = 0;
    for (auto _ : state) {
        WriteTransaction(raw, docs[next]);
        next = 1 - next;
    }
}

// ---- MongoDB server (optional) ---------------------------------------------------------------

struct MongoFixture {
    QString server;
    std::unique_ptr<CMongoDB> db;
    mongoc_client_t* client = nullptr;
    mongoc_collection_t* collection = nullptr;

    MongoFixture() {
        const char* env = std::getenv("XAL_BENCH_MONGODB");
        server = QString::fromLocal8Bit(env ? env : "");
        db = std::make_unique<CMongoDB>(server, QString());
        QString error;
        if (!db->Connect(error)) {
            std::fprintf(stderr, "MongoDB %s: %s\n", qPrintable(server), qPrintable(error));
            std::abort();
        }
        CMDBRecord query;
        query.SetStr(escript::kId, kId);
        db->Remove(escript::kNsEScript, query);
        CMDBRecord doc;
        doc.SetStr(escript::kId, kId);
        db->Insert(escript::kNsEScript, doc);
        QString id = kId;
        bool rootChanged = false;
        const QString root;
        if (!SaveScript(*db, {id, rootChanged, root}, Script(), false, nullptr).Succeeded()) {
            std::abort();
        }
        const QString uri = server.startsWith(QStringLiteral("mongodb://"))
                                ? server
                                : QStringLiteral("mongodb://") + server;
        client = mongoc_client_new(uri.toUtf8().constData());
        collection = mongoc_client_get_collection(client, "xaldata", "escript");
    }
    ~MongoFixture() {
        mongoc_collection_destroy(collection);
        mongoc_client_destroy(client);
    }
};

MongoFixture& Mongo() {
    static MongoFixture fixture;
    return fixture;
}

void BM_LoadScript_MongoDB(benchmark::State& state) {
    for (auto _ : state) {
        CScriptObj s;
        s.m_strID = kId;
        LoadScript(*Mongo().db, s);
        benchmark::DoNotOptimize(s.m_lstScripts.data());
    }
}

void BM_LoadRawBson_MongoDB(benchmark::State& state) {
    bson_t* query = BCON_NEW("_id", BCON_UTF8("bench-escript"));
    for (auto _ : state) {
        mongoc_cursor_t* cursor =
            mongoc_collection_find_with_opts(Mongo().collection, query, nullptr, nullptr);
        const bson_t* doc = nullptr;
        while (mongoc_cursor_next(cursor, &doc)) {
            CScriptObj s = RawReadScript(*doc);
            benchmark::DoNotOptimize(s.m_lstScripts.data());
        }
        mongoc_cursor_destroy(cursor);
    }
    bson_destroy(query);
}

void BM_SaveScript_MongoDB(benchmark::State& state) {
    for (auto _ : state) {
        QString id = kId;
        bool rootChanged = false;
        const QString root;
        const ScriptSaveResult r =
            SaveScript(*Mongo().db, {id, rootChanged, root}, Script(), false, nullptr);
        if (!r.Succeeded()) {
            state.SkipWithError(qPrintable(r.m_strError));
        }
    }
}

void BM_SaveRawMongoc_MongoDB(benchmark::State& state) {
    bson_t* query = BCON_NEW("_id", BCON_UTF8("bench-escript"));
    for (auto _ : state) {
        for (const auto& bytes : RawUpdates(Script())) {
            bson_t update;
            bson_init_static(&update, bytes.data(), bytes.size());
            bson_error_t error;
            if (!mongoc_collection_update_one(Mongo().collection, query, &update, nullptr, nullptr,
                                              &error)) {
                state.SkipWithError(error.message);
            }
        }
    }
    bson_destroy(query);
}

// Collects the mean real time of each benchmark and prints wrapper/baseline ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_times[run.benchmark_name()] = {run.GetAdjustedRealTime(),
                                                 run.GetAdjustedCPUTime()};
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        Ratio("LoadScript / raw libbson, embedded", "BM_LoadScript_Embedded",
              "BM_LoadRawBson_Embedded");
        Ratio("SaveScript / raw SQLite, embedded", "BM_SaveScript_Embedded",
              "BM_SaveRawSqlite_Embedded");
        Ratio("SaveScript / one blob write, embedded", "BM_SaveScript_Embedded",
              "BM_WriteBlobSqlite_Embedded");
        Ratio("LoadScript / raw libbson, MongoDB", "BM_LoadScript_MongoDB",
              "BM_LoadRawBson_MongoDB");
        Ratio("SaveScript / raw libmongoc, MongoDB", "BM_SaveScript_MongoDB",
              "BM_SaveRawMongoc_MongoDB");
    }

private:
    void Ratio(const char* label, const std::string& wrapper, const std::string& baseline) {
        const auto w = FindTimes(wrapper);
        const auto b = FindTimes(baseline);
        if (w.first > 0 && b.first > 0 && b.second > 0) {
            std::printf("ratio %-38s real %.2fx  cpu %.2fx\n", label, w.first / b.first,
                        w.second / b.second);
        }
    }
    std::pair<double, double> FindTimes(const std::string& prefix) const {
        for (const auto& [name, times] : m_times) {
            if (name.rfind(prefix, 0) == 0) {
                return times;
            }
        }
        return {0, 0};
    }
    std::map<std::string, std::pair<double, double>> m_times; // real, cpu
};

} // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_LoadScript_Embedded", BM_LoadScript_Embedded)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_LoadRawBson_Embedded", BM_LoadRawBson_Embedded)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SaveScript_Embedded", BM_SaveScript_Embedded)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_SaveRawSqlite_Embedded", BM_SaveRawSqlite_Embedded)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_WriteBlobSqlite_Embedded", BM_WriteBlobSqlite_Embedded)
        ->Unit(benchmark::kMillisecond);
    if (std::getenv("XAL_BENCH_MONGODB") != nullptr) {
        mongoc_init();
        benchmark::RegisterBenchmark("BM_LoadScript_MongoDB", BM_LoadScript_MongoDB)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_LoadRawBson_MongoDB", BM_LoadRawBson_MongoDB)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_SaveScript_MongoDB", BM_SaveScript_MongoDB)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("BM_SaveRawMongoc_MongoDB", BM_SaveRawMongoc_MongoDB)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
