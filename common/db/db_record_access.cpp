// The inside of CMDBRecord: reading BSON on demand, plain fields, and writing BSON.

#include "db_record_impl.h"

#include <cstring>
#include <limits>

namespace xal::db {

using Type = CMDBRecord::Type;

QByteArray KeyBytes(const QString& name) {
    QByteArray key = name.toUtf8();
    // BSON keys end at the first NUL; cut there rather than produce a corrupt document.
    const auto nul = key.indexOf('\0');
    if (nul >= 0)
        key.truncate(nul);
    return key;
}

bool KeyEquals(const char* key, std::uint32_t length, const QString& name) {
    const auto size = static_cast<std::uint32_t>(name.size());
    if (length < size)
        return false; // UTF-8 never needs fewer units than UTF-16
    // While both sides are ASCII, units match one to one, so keys that differ are told apart
    // here; only non-ASCII text is converted to compare.
    const QChar* chars = name.constData();
    std::uint32_t i = 0;
    for (; i < size; ++i) {
        const auto c = static_cast<unsigned char>(key[i]);
        const char16_t u = chars[i].unicode();
        if (c >= 0x80 || u >= 0x80)
            break;
        if (u != c)
            return false;
    }
    if (i == size)
        return length == size; // an ASCII name is as long in UTF-8 as in UTF-16
    return QString::fromUtf8(key, static_cast<qsizetype>(length)) == name;
}

int ScanKeys(const std::uint8_t* data, const LazyEntry* entries, std::uint32_t count,
             std::uint32_t start, const QString& name) {
    // Names are nearly always short ASCII: narrowed once, each key is then a length check and
    // at most one memcmp. Other names take the general comparison.
    constexpr qsizetype kShort = 64;
    char ascii[kShort];
    const qsizetype size = name.size();
    const char16_t* chars = reinterpret_cast<const char16_t*>(name.constData());
    char16_t high = size <= kShort ? 0 : 0x80;
    for (qsizetype c = 0; c < size && high < 0x80; ++c) {
        high |= chars[c];
        ascii[c] = static_cast<char>(chars[c]);
    }
    const bool narrow = high < 0x80;
    std::uint32_t i = start < count ? start : 0;
    for (std::uint32_t n = 0; n < count; ++n, i = i + 1 < count ? i + 1 : 0) {
        const char* key = reinterpret_cast<const char*>(data) + entries[i].offset + 1;
        const std::uint32_t length = entries[i].keyLength;
        if (narrow ? length == static_cast<std::uint32_t>(size) &&
                         std::memcmp(key, ascii, static_cast<std::size_t>(size)) == 0
                   : KeyEquals(key, length, name))
            return static_cast<int>(i);
    }
    return -1;
}

Type TypeOf(bson_type_t t) {
    switch (t) {
    case BSON_TYPE_UTF8:
        return Type::String;
    case BSON_TYPE_INT32:
        return Type::Int32;
    case BSON_TYPE_INT64:
        return Type::Int64;
    case BSON_TYPE_BOOL:
        return Type::Bool;
    case BSON_TYPE_DATE_TIME:
        return Type::Date;
    case BSON_TYPE_DOUBLE:
        return Type::Double;
    case BSON_TYPE_NULL:
        return Type::Null;
    case BSON_TYPE_DOCUMENT:
        return Type::Document;
    case BSON_TYPE_ARRAY:
        return Type::Array;
    default:
        return Type::Other;
    }
}

// Reads a value that is not a document or array.
bool ReadScalar(const bson_iter_t* iter, Value& out) {
    out.type = TypeOf(bson_iter_type(iter));
    switch (out.type) {
    case Type::String: {
        std::uint32_t len = 0;
        const char* s = bson_iter_utf8(iter, &len);
        // Invalid sequences become U+FFFD instead of failing the whole document.
        out.str = QString::fromUtf8(s, static_cast<qsizetype>(len));
        return true;
    }
    case Type::Int32:
        out.num.i32 = bson_iter_int32(iter);
        return true;
    case Type::Int64:
        out.num.i64 = bson_iter_int64(iter);
        return true;
    case Type::Bool:
        out.num.b = bson_iter_bool(iter);
        return true;
    case Type::Date:
        out.num.i64 = bson_iter_date_time(iter);
        return true;
    case Type::Double:
        out.num.dbl = bson_iter_double(iter);
        return true;
    case Type::Null:
    case Type::Missing:
        return true;
    case Type::Document:
    case Type::Array:
        return false;
    case Type::Other: {
        bson_t one = BSON_INITIALIZER;
        const bool ok = bson_append_iter(&one, "", 0, iter);
        if (ok) {
            const std::uint8_t* data = bson_get_data(&one);
            out.raw.assign(data, data + one.len);
        }
        bson_destroy(&one);
        return ok;
    }
    }
    return false;
}

// Indexes every level once, checking its structure, so that decoding on demand later neither
// walks a level twice nor meets a damaged or absurdly deep document.
bool IndexLevel(const std::uint8_t* data, std::uint32_t length, int depth,
                std::vector<LazyEntry>& out, std::uint32_t& first, std::uint32_t& count) {
    bson_iter_t it;
    if (!bson_iter_init_from_data(&it, data, length))
        return false;
    const auto start = out.size();
    while (bson_iter_next(&it)) {
        const std::uint32_t offset = bson_iter_offset(&it);
        if (data[offset] == BSON_TYPE_EOD)
            return false;
        out.push_back({offset, bson_iter_key_len(&it), 0, 0});
    }
    if (it.err_off != 0 || out.size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    first = static_cast<std::uint32_t>(start);
    count = static_cast<std::uint32_t>(out.size() - start);
    for (std::size_t i = start; i < start + count; ++i) {
        const std::uint8_t type = data[out[i].offset];
        if (type != BSON_TYPE_DOCUMENT && type != BSON_TYPE_ARRAY)
            continue;
        // The walk above has checked that the embedded document lies inside this one.
        const std::uint8_t* sub = data + out[i].offset + 1 + out[i].keyLength + 1;
        std::uint32_t subLength = 0;
        std::memcpy(&subLength, sub, sizeof subLength);
        subLength = BSON_UINT32_FROM_LE(subLength);
        std::uint32_t childStart = 0;
        std::uint32_t childCount = 0;
        if (depth >= kMaxDepth ||
            !IndexLevel(sub, subLength, depth + 1, out, childStart, childCount))
            return false;
        out[i].childStart = childStart;
        out[i].childCount = childCount;
    }
    return true;
}

Value::Value(const Value& other)
    : type(other.type), num(other.num), str(other.str),
      rec(other.rec ? std::make_unique<CMDBRecord>(*other.rec) : nullptr), raw(other.raw) {}

Value& Value::operator=(const Value& other) {
    if (this != &other) {
        Value copy(other);
        *this = std::move(copy);
    }
    return *this;
}

int ParseIndex(const QString& text) {
    const auto n = text.size();
    if (n == 0 || n > 9 || (n > 1 && text[0] == u'0'))
        return -1;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

const Value* RecordAccess::Lookup(const CMDBRecord& record, const QString& name, Value& tmp) {
    const auto& d = *record.d;
    if (!d.Lazy())
        return Find(record, name);
    const int i = d.LazyFind(name);
    if (i < 0)
        return nullptr;
    d.Peek(static_cast<std::size_t>(i), tmp);
    return tmp.type == Type::Missing ? nullptr : &tmp;
}

void RecordAccess::Materialize(const CMDBRecord& record) {
    auto& d = *record.d;
    if (!d.Lazy())
        return;
    std::vector<Field> fields;
    fields.reserve(d.entryCount);
    for (std::size_t i = 0; i < d.entryCount; ++i) {
        Field f;
        if (!d.isArray)
            f.name = QString::fromUtf8(d.KeyAt(i), d.entries[i].keyLength);
        d.Peek(i, f.value);
        if (f.value.type == Type::Document || f.value.type == Type::Array) {
            // Sub-records already handed out keep their addresses.
            f.value.rec = d.TakeChild(i);
            if (!f.value.rec)
                f.value.type = Type::Missing;
        }
        if (f.value.type != Type::Missing)
            fields.push_back(std::move(f));
    }
    d.DropLazy();
    d.fields = std::move(fields);
}

std::vector<Field>& RecordAccess::Fields(CMDBRecord& record) {
    Materialize(record);
    return record.d->fields;
}
const std::vector<Field>& RecordAccess::Fields(const CMDBRecord& record) {
    Materialize(record);
    return record.d->fields;
}
void RecordAccess::SetArray(CMDBRecord& record, bool isArray) {
    Materialize(record);
    record.d->isArray = isArray;
    InvalidateIndex(record);
}
void RecordAccess::InvalidateIndex(CMDBRecord& record) {
    record.d->indexValid = false;
    record.d->index.clear();
}

const Value* RecordAccess::Find(const CMDBRecord& record, const QString& name) {
    Materialize(record);
    const auto& d = *record.d;
    if (d.isArray) {
        const int i = ParseIndex(name);
        return i >= 0 && static_cast<std::size_t>(i) < d.fields.size() ? &d.fields[i].value
                                                                       : nullptr;
    }
    if (d.fields.size() < kIndexThreshold) {
        for (const auto& f : d.fields) {
            if (f.name == name)
                return &f.value;
        }
        return nullptr;
    }
    if (!d.indexValid) {
        d.index.clear();
        d.index.reserve(static_cast<qsizetype>(d.fields.size()));
        // Walk backwards so a repeated name (possible in foreign BSON) finds its first field.
        for (int i = static_cast<int>(d.fields.size()) - 1; i >= 0; --i)
            d.index.insert(d.fields[i].name, i);
        d.indexValid = true;
    }
    const auto it = d.index.constFind(name);
    return it == d.index.cend() ? nullptr : &d.fields[*it].value;
}

Value* RecordAccess::Find(CMDBRecord& record, const QString& name) {
    return const_cast<Value*>(Find(static_cast<const CMDBRecord&>(record), name));
}

void RecordAccess::Put(CMDBRecord& record, const QString& name, Value value) {
    Materialize(record);
    auto& d = *record.d;
    if (d.isArray) {
        const int i = ParseIndex(name);
        if (i < 0)
            return;
        const auto pos = static_cast<std::size_t>(i);
        while (d.fields.size() < pos) {
            Field pad;
            pad.value.type = Type::Null;
            d.fields.push_back(std::move(pad));
        }
        if (pos < d.fields.size())
            d.fields[pos].value = std::move(value);
        else
            d.fields.push_back(Field{QString(), std::move(value)});
        return;
    }
    if (Value* existing = Find(record, name)) {
        *existing = std::move(value);
        return;
    }
    d.fields.push_back(Field{name, std::move(value)});
    if (d.indexValid)
        d.index.insert(name, static_cast<int>(d.fields.size()) - 1);
}

bool RecordAccess::Remove(CMDBRecord& record, const QString& name) {
    Materialize(record);
    auto& d = *record.d;
    if (d.isArray) {
        const int i = ParseIndex(name);
        if (i < 0 || static_cast<std::size_t>(i) >= d.fields.size())
            return false;
        d.fields.erase(d.fields.begin() + i);
        return true;
    }
    for (auto it = d.fields.begin(); it != d.fields.end(); ++it) {
        if (it->name == name) {
            d.fields.erase(it);
            InvalidateIndex(record);
            return true;
        }
    }
    return false;
}

bool RecordAccess::AppendValue(bson_t* out, const char* key, int keyLength, const Value& v) {
    switch (v.type) {
    case Type::String: {
        const QByteArray utf8 = v.str.toUtf8();
        return bson_append_utf8(out, key, keyLength, utf8.constData(),
                                static_cast<int>(utf8.size()));
    }
    case Type::Int32:
        return bson_append_int32(out, key, keyLength, v.num.i32);
    case Type::Int64:
        return bson_append_int64(out, key, keyLength, v.num.i64);
    case Type::Bool:
        return bson_append_bool(out, key, keyLength, v.num.b);
    case Type::Date:
        return bson_append_date_time(out, key, keyLength, v.num.i64);
    case Type::Double:
        return bson_append_double(out, key, keyLength, v.num.dbl);
    case Type::Null:
    case Type::Missing:
        return bson_append_null(out, key, keyLength);
    case Type::Document:
    case Type::Array: {
        const bool isArray = v.type == Type::Array;
        if (v.rec->d->Lazy() && !v.rec->d->Pristine())
            Materialize(*v.rec);
        const auto& sub = *v.rec->d;
        if (sub.Lazy()) {
            // Still the bytes it was read as: copy them whole.
            bson_t bytes;
            if (!bson_init_static(&bytes, sub.data, sub.length))
                return false;
            return isArray ? bson_append_array(out, key, keyLength, &bytes)
                           : bson_append_document(out, key, keyLength, &bytes);
        }
        bson_t child;
        if (!(isArray ? bson_append_array_begin(out, key, keyLength, &child)
                      : bson_append_document_begin(out, key, keyLength, &child)))
            return false;
        bool ok = true;
        char indexKey[16];
        for (std::size_t i = 0; ok && i < sub.fields.size(); ++i) {
            if (isArray) {
                const char* k = nullptr;
                const auto len = bson_uint32_to_string(static_cast<std::uint32_t>(i), &k, indexKey,
                                                       sizeof indexKey);
                ok = AppendValue(&child, k, static_cast<int>(len), sub.fields[i].value);
            } else {
                const QByteArray k = KeyBytes(sub.fields[i].name);
                ok = AppendValue(&child, k.constData(), static_cast<int>(k.size()),
                                 sub.fields[i].value);
            }
        }
        const bool closed =
            isArray ? bson_append_array_end(out, &child) : bson_append_document_end(out, &child);
        return ok && closed;
    }
    case Type::Other: {
        bson_t doc;
        bson_iter_t it;
        if (!bson_init_static(&doc, v.raw.data(), v.raw.size()) || !bson_iter_init(&it, &doc) ||
            !bson_iter_next(&it))
            return false;
        return bson_append_iter(out, key, keyLength, &it);
    }
    }
    return false;
}

} // namespace xal::db
