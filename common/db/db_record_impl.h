#pragma once
// Inside of CMDBRecord, shared by the record code and the embedded store's query and update
// engine. Not part of the wrapper's interface.

#include "db_blockpool.h"
#include "mongodb.h"

#include <QHash>

#include <atomic>
#include <cstring>

#include <bson/bson.h>

namespace xal::db {

struct Value {
    CMDBRecord::Type type = CMDBRecord::Type::Missing;
    union {
        std::int32_t i32;
        std::int64_t i64; // also a date's milliseconds
        double dbl;
        bool b;
    } num{};
    QString str;
    std::unique_ptr<CMDBRecord> rec; // Document or Array. Owned.
    std::vector<std::uint8_t> raw;   // Other: a BSON document {"": value}, kept byte for byte

    Value() = default;
    Value(const Value& other);
    Value& operator=(const Value& other);
    Value(Value&&) noexcept = default;
    Value& operator=(Value&&) noexcept = default;
};

struct Field {
    QString name; // empty in arrays: the element's position is its name
    Value value;
};

// Friend of CMDBRecord: lets the store engine reach the fields without widening the interface.
class RecordAccess {
public:
    static std::vector<Field>& Fields(CMDBRecord& record);
    static const std::vector<Field>& Fields(const CMDBRecord& record);
    static void SetArray(CMDBRecord& record, bool isArray);
    // The field's value, or null. On arrays the name is a decimal index.
    static const Value* Find(const CMDBRecord& record, const QString& name);
    static Value* Find(CMDBRecord& record, const QString& name);
    // Sets (replacing in place) or appends; on arrays an index past the end pads with nulls.
    static void Put(CMDBRecord& record, const QString& name, Value value);
    static bool Remove(CMDBRecord& record, const QString& name);
    static void InvalidateIndex(CMDBRecord& record);
    // Appends one value to an open BSON document under key.
    static bool AppendValue(bson_t* out, const char* key, int keyLength, const Value& value);
    // The value of name: a pointer into the fields, or tmp filled from not yet decoded bytes.
    static const Value* Lookup(const CMDBRecord& record, const QString& name, Value& tmp);
    // Turns a record read from BSON (which decodes on demand) into plain fields, one level.
    static void Materialize(const CMDBRecord& record);
    // Gives the record pools' free slabs back when no record is alive (see BlockPool::Trim).
    static void TrimPools();
    // As CMDBRecord::FromBson, keeping the given bytes instead of copying them.
    static bool FromBsonBytes(std::vector<std::uint8_t> bytes, CMDBRecord& out);
};

// Strict decimal index ("0", "17"; not "01", "-1", "1a"), or -1.
int ParseIndex(const QString& text);

} // namespace xal::db

// ---- shared by the record code ------------------------------------------------------------

namespace xal::db {

// MongoDB refuses documents nested deeper than this; the limit also bounds every recursion.
constexpr int kMaxDepth = 100;
// Below this many fields a linear scan beats building a hash.
constexpr std::size_t kIndexThreshold = 12;

struct LazyEntry {
    std::uint32_t offset; // of the element inside its level's bytes
    std::uint32_t keyLength;
    std::uint32_t childStart; // a document or array: where its own entries begin
    std::uint32_t childCount;
};

// The bytes of a document read from BSON and the index of all its levels, shared by the
// records that decode it on demand. Never changed after it is built.
struct LazyDocument {
    std::vector<std::uint8_t> bytes;
    std::vector<LazyEntry> entries; // each level's entries lie together
};

QByteArray KeyBytes(const QString& name);
// A BSON key against a wide name, without converting in the common ASCII case.
bool KeyEquals(const char* key, std::uint32_t length, const QString& name);
// Index of the key name among the count entries of a level, searching from start on and
// wrapping around; -1 when there is none.
int ScanKeys(const std::uint8_t* data, const LazyEntry* entries, std::uint32_t count,
             std::uint32_t start, const QString& name);
CMDBRecord::Type TypeOf(bson_type_t t);
// Reads a value that is not a document or array.
bool ReadScalar(const bson_iter_t* iter, Value& out);
// Indexes every level once, checking its structure, so that decoding on demand later neither
// walks a level twice nor meets a damaged or absurdly deep document.
bool IndexLevel(const std::uint8_t* data, std::uint32_t length, int depth,
                std::vector<LazyEntry>& out, std::uint32_t& first, std::uint32_t& count);

} // namespace xal::db

struct CMDBRecord::Impl {
    // Never destroyed: records in static storage may be freed after any pool would be.
    static xal::db::BlockPool& Pool() {
        static auto* pool = new xal::db::BlockPool((sizeof(Impl) + alignof(Impl) - 1) /
                                                   alignof(Impl) * alignof(Impl));
        return *pool;
    }
    static void* operator new(std::size_t size) {
        return size == sizeof(Impl) ? Pool().Take() : ::operator new(size);
    }
    static void operator delete(void* p, std::size_t size) noexcept {
        if (size == sizeof(Impl))
            Pool().Give(p);
        else
            ::operator delete(p);
    }

    bool isArray = false;
    std::vector<xal::db::Field> fields;
    mutable QHash<QString, int> index;
    mutable bool indexValid = false;

    // Decoding on demand: set while this level still is the BSON it was read from.
    std::shared_ptr<const xal::db::LazyDocument> buffer;
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    const xal::db::LazyEntry* entries = nullptr;
    std::uint32_t entryCount = 0;
    // Sub-records made when reached: the first one of a level (most documents have at most
    // one) in place, more by entry.
    mutable std::unique_ptr<CMDBRecord> firstChild;
    mutable std::uint32_t firstChildIndex = 0;
    mutable std::vector<std::unique_ptr<CMDBRecord>> children;
    // Where the next linear search by name starts. Only a hint, but reads of one record from
    // several threads must not race on it, hence atomic (relaxed: plain moves on x86).
    mutable std::atomic<std::uint32_t> scanFrom{0};

    [[nodiscard]] bool Lazy() const { return buffer != nullptr; }

    bool IterAt(std::size_t i, bson_iter_t* it) const {
        return bson_iter_init_from_data_at_offset(it, data, length, entries[i].offset,
                                                  entries[i].keyLength);
    }

    const char* KeyAt(std::size_t i) const {
        // An element is its type byte, then its NUL-terminated key.
        return reinterpret_cast<const char*>(data) + entries[i].offset + 1;
    }

    int LazyFind(const QString& name) const {
        if (isArray) {
            const int i = xal::db::ParseIndex(name);
            return i >= 0 && static_cast<std::uint32_t>(i) < entryCount ? i : -1;
        }
        if (entryCount < xal::db::kIndexThreshold) {
            // Readers mostly ask for fields in about the order they are stored, so the scan
            // starts after the last field found and wraps around.
            const int i = xal::db::ScanKeys(data, entries, entryCount,
                                            scanFrom.load(std::memory_order_relaxed), name);
            if (i >= 0) {
                const auto next = static_cast<std::uint32_t>(i) + 1;
                scanFrom.store(next < entryCount ? next : 0, std::memory_order_relaxed);
            }
            return i;
        }
        if (!indexValid) {
            index.clear();
            index.reserve(static_cast<qsizetype>(entryCount));
            for (int i = static_cast<int>(entryCount) - 1; i >= 0; --i)
                index.insert(QString::fromUtf8(KeyAt(i), entries[i].keyLength), i);
            indexValid = true;
        }
        const auto it = index.constFind(name);
        return it == index.cend() ? -1 : *it;
    }

    static std::unique_ptr<CMDBRecord> MakeLazy(std::shared_ptr<const xal::db::LazyDocument> doc,
                                                const std::uint8_t* bytes, std::uint32_t len,
                                                bool array, std::uint32_t first,
                                                std::uint32_t count) {
        auto rec = std::make_unique<CMDBRecord>();
        auto& d = *rec->d;
        d.data = bytes;
        d.length = len;
        d.entries = doc->entries.data() + first;
        d.entryCount = count;
        d.buffer = std::move(doc);
        d.isArray = array;
        return rec;
    }

    // The sub-record at entry i, or null when that value is not a document or array.
    CMDBRecord* Child(std::size_t i) const {
        if (firstChild && firstChildIndex == i)
            return firstChild.get();
        if (!children.empty() && children[i])
            return children[i].get();
        // Indexing has checked where the embedded document lies, so its bytes are read directly.
        const std::uint8_t type = data[entries[i].offset];
        if (type != BSON_TYPE_DOCUMENT && type != BSON_TYPE_ARRAY)
            return nullptr;
        const std::uint8_t* bytes = data + entries[i].offset + 1 + entries[i].keyLength + 1;
        std::uint32_t len = 0;
        std::memcpy(&len, bytes, sizeof len);
        len = BSON_UINT32_FROM_LE(len);
        auto child = MakeLazy(buffer, bytes, len, type == BSON_TYPE_ARRAY, entries[i].childStart,
                              entries[i].childCount);
        if (!firstChild) {
            firstChild = std::move(child);
            firstChildIndex = static_cast<std::uint32_t>(i);
            return firstChild.get();
        }
        if (children.empty())
            children.resize(entryCount);
        children[i] = std::move(child);
        return children[i].get();
    }

    // Hands the sub-record at entry i over to a field, keeping its address.
    std::unique_ptr<CMDBRecord> TakeChild(std::size_t i) {
        if (!Child(i))
            return nullptr;
        if (firstChild && firstChildIndex == i)
            return std::move(firstChild);
        return std::move(children[i]);
    }

    [[nodiscard]] bool HoldsString(std::size_t i) const {
        return data[entries[i].offset] == BSON_TYPE_UTF8;
    }

    [[nodiscard]] bool HoldsInt32(std::size_t i) const {
        return data[entries[i].offset] == BSON_TYPE_INT32;
    }

    // The number at entry i, which must hold an int32.
    [[nodiscard]] std::int32_t Int32At(std::size_t i) const {
        std::uint32_t n = 0;
        std::memcpy(&n, data + entries[i].offset + 1 + entries[i].keyLength + 1, sizeof n);
        return static_cast<std::int32_t>(BSON_UINT32_FROM_LE(n));
    }

    // The string at entry i, which must hold one.
    [[nodiscard]] QString StringAt(std::size_t i) const {
        const std::uint8_t* value = data + entries[i].offset + 1 + entries[i].keyLength + 1;
        std::uint32_t len = 0;
        std::memcpy(&len, value, sizeof len);
        len = BSON_UINT32_FROM_LE(len);
        // Invalid sequences become U+FFFD instead of failing the whole document.
        return QString::fromUtf8(reinterpret_cast<const char*>(value) + 4,
                                 len > 0 ? static_cast<qsizetype>(len) - 1 : 0);
    }

    // Fills tmp with the value at entry i (for sub-records only its type).
    void Peek(std::size_t i, xal::db::Value& tmp) const {
        // The common kinds straight from the bytes; indexing has checked their bounds.
        const std::uint8_t* element = data + entries[i].offset;
        const std::uint8_t* value = element + 1 + entries[i].keyLength + 1;
        switch (*element) {
        case BSON_TYPE_UTF8:
            tmp.type = Type::String;
            tmp.str = StringAt(i);
            return;
        case BSON_TYPE_INT32:
            tmp.type = Type::Int32;
            tmp.num.i32 = Int32At(i);
            return;
        case BSON_TYPE_BOOL:
            tmp.type = Type::Bool;
            tmp.num.b = *value != 0;
            return;
        case BSON_TYPE_NULL:
            tmp.type = Type::Null;
            return;
        default:
            break;
        }
        bson_iter_t it;
        if (!IterAt(i, &it)) {
            tmp.type = Type::Missing;
            return;
        }
        const Type t = xal::db::TypeOf(bson_iter_type(&it));
        if (t == Type::Document || t == Type::Array)
            tmp.type = t;
        else if (!xal::db::ReadScalar(&it, tmp))
            tmp.type = Type::Missing;
    }

    // Still exactly its bytes: lazy, and no sub-record handed out has been changed since.
    [[nodiscard]] bool Pristine() const {
        if (!Lazy())
            return false;
        if (firstChild && !firstChild->d->Pristine())
            return false;
        for (const auto& c : children) {
            if (c && !c->d->Pristine())
                return false;
        }
        return true;
    }

    void DropLazy() {
        buffer.reset();
        data = nullptr;
        length = 0;
        entries = nullptr;
        entryCount = 0;
        firstChild.reset();
        children.clear();
        children.shrink_to_fit();
        index.clear();
        indexValid = false;
        scanFrom.store(0, std::memory_order_relaxed);
    }
};
