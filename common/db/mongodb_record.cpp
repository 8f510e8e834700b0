// CMDBRecord: an ordered tree of BSON values with wide-text names, and its BSON and Extended
// JSON forms (through libbson).
//
// A record read from BSON keeps the bytes and decodes on demand: a level is indexed when first
// asked, values become QStrings only when read, and sub-records are made when first reached.
// Loading a large e-script therefore costs little more than walking its BSON by hand. The first
// change to a level turns that level into plain fields; sub-records stay on demand.

#include "db_blockpool.h"
#include "db_record_impl.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

using xal::db::Field;
using xal::db::KeyBytes;
using xal::db::LazyDocument;
using xal::db::RecordAccess;
using xal::db::TypeOf;
using xal::db::Value;
using Type = CMDBRecord::Type;

namespace {

bool ValuesEqual(const Value& a, const Value& b);

bool FieldsEqual(const std::vector<Field>& a, const std::vector<Field>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || !ValuesEqual(a[i].value, b[i].value))
            return false;
    }
    return true;
}

bool ValuesEqual(const Value& a, const Value& b) {
    if (a.type != b.type)
        return false;
    switch (a.type) {
    case Type::String:
        return a.str == b.str;
    case Type::Int32:
        return a.num.i32 == b.num.i32;
    case Type::Int64:
    case Type::Date:
        return a.num.i64 == b.num.i64;
    case Type::Bool:
        return a.num.b == b.num.b;
    case Type::Double:
        return std::bit_cast<std::uint64_t>(a.num.dbl) == std::bit_cast<std::uint64_t>(b.num.dbl);
    case Type::Document:
    case Type::Array:
        return *a.rec == *b.rec;
    case Type::Other:
        return a.raw == b.raw;
    case Type::Missing:
    case Type::Null:
        return true;
    }
    return false;
}

bool DoubleFits(double v, double lo, double hi) {
    return std::isfinite(v) && v >= lo && v <= hi;
}

QString ObjectIdText(const Value& v) {
    bson_t doc;
    if (!bson_init_static(&doc, v.raw.data(), v.raw.size()))
        return {};
    bson_iter_t it;
    if (bson_iter_init(&it, &doc) && bson_iter_next(&it) && BSON_ITER_HOLDS_OID(&it)) {
        char hex[25];
        bson_oid_to_string(bson_iter_oid(&it), hex);
        return QString::fromLatin1(hex);
    }
    return {};
}

} // namespace

// ---------------------------------------------------------------------------------------------

CDbException::CDbException(int code, const QString& text)
    : std::runtime_error(text.toStdString()), m_nCode(code), m_strText(text) {}

// ---------------------------------------------------------------------------------------------

namespace {
xal::db::BlockPool& RecordPool() {
    // Never destroyed, like the pool of Impl blocks.
    static auto* pool = new xal::db::BlockPool(sizeof(CMDBRecord));
    return *pool;
}
} // namespace

void RecordAccess::TrimPools() {
    RecordPool().Trim();
    CMDBRecord::Impl::Pool().Trim();
}

void* CMDBRecord::operator new(std::size_t size) {
    return size == sizeof(CMDBRecord) ? RecordPool().Take() : ::operator new(size);
}

void CMDBRecord::operator delete(void* p, std::size_t size) noexcept {
    if (size == sizeof(CMDBRecord))
        RecordPool().Give(p);
    else
        ::operator delete(p);
}

CMDBRecord::CMDBRecord() : d(std::make_unique<Impl>()) {}

CMDBRecord::CMDBRecord(const CMDBRecord& other) : d(std::make_unique<Impl>()) {
    d->isArray = other.d->isArray;
    if (other.d->Lazy() && !other.d->Pristine())
        RecordAccess::Materialize(other);
    if (other.d->Lazy()) {
        // The bytes never change, so a copy can share them.
        d->buffer = other.d->buffer;
        d->data = other.d->data;
        d->length = other.d->length;
        d->entries = other.d->entries;
        d->entryCount = other.d->entryCount;
    } else {
        d->fields = other.d->fields;
    }
}

CMDBRecord& CMDBRecord::operator=(const CMDBRecord& other) {
    if (this != &other) {
        // Copy first: other may live inside this record.
        CMDBRecord copy(other);
        std::swap(d, copy.d);
    }
    return *this;
}

CMDBRecord::CMDBRecord(CMDBRecord&& other) noexcept : d(std::move(other.d)) {
    other.d = std::make_unique<Impl>();
}

CMDBRecord& CMDBRecord::operator=(CMDBRecord&& other) noexcept {
    if (this != &other) {
        std::swap(d, other.d);
        other.Clear();
    }
    return *this;
}

CMDBRecord::~CMDBRecord() = default;

CMDBRecord CMDBRecord::MakeArray() {
    CMDBRecord r;
    r.d->isArray = true;
    return r;
}

void CMDBRecord::SetStr(const QString& name, const QString& value) {
    Value v;
    v.type = Type::String;
    v.str = value;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetInt(const QString& name, std::int32_t value) {
    Value v;
    v.type = Type::Int32;
    v.num.i32 = value;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetLL(const QString& name, std::int64_t value) {
    Value v;
    v.type = Type::Int64;
    v.num.i64 = value;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetBool(const QString& name, bool value) {
    Value v;
    v.type = Type::Bool;
    v.num.b = value;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetDateInMilliSecs(const QString& name, std::int64_t msSinceEpoch) {
    Value v;
    v.type = Type::Date;
    v.num.i64 = msSinceEpoch;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetDouble(const QString& name, double value) {
    Value v;
    v.type = Type::Double;
    v.num.dbl = value;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetNull(const QString& name) {
    Value v;
    v.type = Type::Null;
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetRecordPtr(const QString& name, CMDBRecord* record) {
    if (record == nullptr || record == this)
        return;
    std::unique_ptr<CMDBRecord> owned(record);
    Value v;
    v.type = owned->IsArray() ? Type::Array : Type::Document;
    v.rec = std::move(owned);
    RecordAccess::Put(*this, name, std::move(v));
}

void CMDBRecord::SetRecord(const QString& name, CMDBRecord record) {
    SetRecordPtr(name, new CMDBRecord(std::move(record)));
}

void CMDBRecord::AppendStr(const QString& value) {
    if (!d->isArray)
        return;
    RecordAccess::Materialize(*this);
    Value v;
    v.type = Type::String;
    v.str = value;
    d->fields.push_back(Field{QString(), std::move(v)});
}

void CMDBRecord::AppendRecord(CMDBRecord record) {
    if (!d->isArray)
        return;
    RecordAccess::Materialize(*this);
    Value v;
    v.type = record.IsArray() ? Type::Array : Type::Document;
    v.rec = std::make_unique<CMDBRecord>(std::move(record));
    d->fields.push_back(Field{QString(), std::move(v)});
}

QString CMDBRecord::GetStr(const QString& name, const QString& def) const {
    if (d->Lazy()) {
        // The common case straight from the bytes, without a temporary value.
        const int i = d->LazyFind(name);
        if (i < 0)
            return def;
        if (d->HoldsString(static_cast<std::size_t>(i)))
            return d->StringAt(static_cast<std::size_t>(i));
    }
    Value tmp;
    const Value* v = RecordAccess::Lookup(*this, name, tmp);
    if (!v)
        return def;
    switch (v->type) {
    case Type::String:
        return v->str;
    case Type::Int32:
        return QString::number(v->num.i32);
    case Type::Int64:
        return QString::number(v->num.i64);
    case Type::Double:
        return QString::number(v->num.dbl, 'g', 17);
    case Type::Other: {
        const QString oid = ObjectIdText(*v);
        return oid.isEmpty() ? def : oid;
    }
    default:
        return def;
    }
}

namespace {

std::int64_t ValueAsLL(const Value& v, std::int64_t def) {
    switch (v.type) {
    case Type::Int32:
        return v.num.i32;
    case Type::Int64:
    case Type::Date:
        return v.num.i64;
    case Type::Bool:
        return v.num.b ? 1 : 0;
    case Type::Double:
        // 2^63 itself is not representable, hence the strict upper bound.
        return std::isfinite(v.num.dbl) && v.num.dbl >= -9223372036854775808.0 &&
                       v.num.dbl < 9223372036854775808.0
                   ? static_cast<std::int64_t>(v.num.dbl)
                   : def;
    case Type::String: {
        bool ok = false;
        const auto n = v.str.trimmed().toLongLong(&ok);
        return ok ? n : def;
    }
    default:
        return def;
    }
}

} // namespace

std::int64_t CMDBRecord::GetLL(const QString& name, std::int64_t def) const {
    Value tmp;
    const Value* v = RecordAccess::Lookup(*this, name, tmp);
    return v ? ValueAsLL(*v, def) : def;
}

std::int32_t CMDBRecord::GetInt(const QString& name, std::int32_t def) const {
    if (d->Lazy()) {
        const int i = d->LazyFind(name);
        if (i < 0)
            return def;
        if (d->HoldsInt32(static_cast<std::size_t>(i)))
            return d->Int32At(static_cast<std::size_t>(i));
    }
    Value tmp;
    const Value* v = RecordAccess::Lookup(*this, name, tmp);
    if (!v || v->type == Type::Date)
        return def;
    if (v->type == Type::Int32)
        return v->num.i32;
    if (v->type == Type::Double)
        return DoubleFits(v->num.dbl, -2147483648.0, 2147483647.0)
                   ? static_cast<std::int32_t>(v->num.dbl)
                   : def;
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::min();
    const std::int64_t n = ValueAsLL(*v, kNone);
    if (n == kNone || n < std::numeric_limits<std::int32_t>::min() ||
        n > std::numeric_limits<std::int32_t>::max())
        return def;
    return static_cast<std::int32_t>(n);
}

bool CMDBRecord::GetBool(const QString& name, bool def) const {
    Value tmp;
    const Value* v = RecordAccess::Lookup(*this, name, tmp);
    if (!v)
        return def;
    switch (v->type) {
    case Type::Bool:
        return v->num.b;
    case Type::Int32:
        return v->num.i32 != 0;
    case Type::Int64:
        return v->num.i64 != 0;
    case Type::Double:
        return v->num.dbl != 0.0;
    case Type::String: {
        const QString s = v->str.trimmed();
        if (s.compare(u"true", Qt::CaseInsensitive) == 0 || s == u"1")
            return true;
        if (s.compare(u"false", Qt::CaseInsensitive) == 0 || s == u"0")
            return false;
        return def;
    }
    default:
        return def;
    }
}

std::int64_t CMDBRecord::GetDateInMilliSecs(const QString& name, std::int64_t def) const {
    Value tmp;
    const Value* v = RecordAccess::Lookup(*this, name, tmp);
    if (!v || (v->type != Type::Date && v->type != Type::Int64 && v->type != Type::Int32 &&
               v->type != Type::Double))
        return def;
    return ValueAsLL(*v, def);
}

CMDBRecord* CMDBRecord::GetRecordPtr(const QString& name) const {
    if (d->Lazy()) {
        const int i = d->LazyFind(name);
        return i < 0 ? nullptr : d->Child(static_cast<std::size_t>(i));
    }
    const Value* v = RecordAccess::Find(*this, name);
    return v && v->rec ? v->rec.get() : nullptr;
}

CMDBRecord* CMDBRecord::GetRecordPtr(int index) const {
    if (index < 0)
        return nullptr;
    const auto i = static_cast<std::size_t>(index);
    if (d->Lazy())
        return i < d->entryCount ? d->Child(i) : nullptr;
    return i < d->fields.size() ? d->fields[i].value.rec.get() : nullptr;
}

CMDBRecord* CMDBRecord::GetArrayPtr(const QString& name) const {
    CMDBRecord* sub = GetRecordPtr(name);
    // In an array every element may be asked for (URL documents are array elements).
    return sub && (d->isArray || sub->IsArray()) ? sub : nullptr;
}

int CMDBRecord::GetCount() const {
    if (d->Lazy())
        return static_cast<int>(d->entryCount);
    return static_cast<int>(d->fields.size());
}

bool CMDBRecord::DataToArrayObj(const QString& name, QStringList& out) const {
    const CMDBRecord* array = GetRecordPtr(name);
    if (!array || !array->IsArray())
        return false;
    const int n = array->GetCount();
    Value tmp;
    for (int i = 0; i < n; ++i) {
        const Value* v = RecordAccess::Lookup(*array, QString::number(i), tmp);
        if (v && v->type == Type::String)
            out.append(v->str);
    }
    return true;
}

bool CMDBRecord::IsArray() const {
    return d->isArray;
}
bool CMDBRecord::IsEmpty() const {
    return GetCount() == 0;
}
bool CMDBRecord::HasField(const QString& name) const {
    if (d->Lazy())
        return d->LazyFind(name) >= 0;
    return RecordAccess::Find(*this, name) != nullptr;
}

CMDBRecord::Type CMDBRecord::GetType(const QString& name) const {
    if (d->Lazy()) {
        const int i = d->LazyFind(name);
        return i >= 0 ? TypeOf(static_cast<bson_type_t>(d->data[d->entries[i].offset]))
                      : Type::Missing;
    }
    const Value* v = RecordAccess::Find(*this, name);
    return v ? v->type : Type::Missing;
}

QStringList CMDBRecord::GetFieldNames() const {
    QStringList names;
    const int n = GetCount();
    names.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (d->isArray)
            names.append(QString::number(i));
        else if (d->Lazy())
            names.append(QString::fromUtf8(d->KeyAt(static_cast<std::size_t>(i)),
                                           d->entries[static_cast<std::size_t>(i)].keyLength));
        else
            names.append(d->fields[static_cast<std::size_t>(i)].name);
    }
    return names;
}

bool CMDBRecord::RemoveField(const QString& name) {
    return RecordAccess::Remove(*this, name);
}

void CMDBRecord::AppendFields(const CMDBRecord& other) {
    if (&other == this)
        return;
    for (const auto& field : RecordAccess::Fields(other))
        RecordAccess::Put(*this, field.name, field.value);
}

namespace {
// True when the n bytes are all ASCII (NUL included); eight at a time, as nearly every text of
// a stored e-script is.
bool IsAscii(const char* text, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, text + i, 8);
        if ((word & 0x8080808080808080ULL) != 0)
            return false;
    }
    for (; i < n; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0x80) != 0)
            return false;
    }
    return true;
}

bool IsUtf8(const char* text, std::size_t n, bool allowNul) {
    return (IsAscii(text, n) && (allowNul || std::memchr(text, 0, n) == nullptr)) ||
           bson_utf8_validate(text, n, allowNul);
}

// Keys and texts of the document at it, and of every document inside, are UTF-8 (texts may hold
// NUL). bson_validate's UTF-8 flag does not look at values in every libbson version.
bool Utf8Throughout(bson_iter_t* it) {
    while (bson_iter_next(it)) {
        const char* key = bson_iter_key(it);
        if (!IsUtf8(key, std::strlen(key), false))
            return false;
        switch (bson_iter_type(it)) {
        case BSON_TYPE_UTF8: {
            std::uint32_t length = 0;
            const char* text = bson_iter_utf8(it, &length);
            if (!IsUtf8(text, length, true))
                return false;
            break;
        }
        case BSON_TYPE_DOCUMENT:
        case BSON_TYPE_ARRAY: {
            bson_iter_t child;
            if (!bson_iter_recurse(it, &child) || !Utf8Throughout(&child))
                return false;
            break;
        }
        default:
            break;
        }
    }
    return true;
}
} // namespace

bool CMDBRecord::HasValidUtf8() const {
    // The stored bytes, while the record still holds them: once its values are decoded, text
    // that was not UTF-8 has become replacement characters, which would pass the check.
    bson_iter_t it;
    if (d->Lazy())
        return bson_iter_init_from_data(&it, d->data, d->length) && Utf8Throughout(&it);
    const std::vector<std::uint8_t> bytes = ToBson();
    return !bytes.empty() && bson_iter_init_from_data(&it, bytes.data(), bytes.size()) &&
           Utf8Throughout(&it);
}

void CMDBRecord::Clear() {
    d->DropLazy();
    d->fields.clear();
    RecordAccess::InvalidateIndex(*this);
}

std::vector<std::uint8_t> CMDBRecord::ToBson() const {
    if (d->Lazy() && !d->Pristine())
        RecordAccess::Materialize(*this);
    if (d->Lazy())
        return {d->data, d->data + d->length};
    bson_t doc = BSON_INITIALIZER;
    char indexKey[16];
    bool ok = true;
    for (std::size_t i = 0; ok && i < d->fields.size(); ++i) {
        if (d->isArray) {
            const char* k = nullptr;
            const auto len =
                bson_uint32_to_string(static_cast<std::uint32_t>(i), &k, indexKey, sizeof indexKey);
            ok = RecordAccess::AppendValue(&doc, k, static_cast<int>(len), d->fields[i].value);
        } else {
            const QByteArray k = KeyBytes(d->fields[i].name);
            ok = RecordAccess::AppendValue(&doc, k.constData(), static_cast<int>(k.size()),
                                           d->fields[i].value);
        }
    }
    std::vector<std::uint8_t> bytes;
    if (ok) {
        const std::uint8_t* data = bson_get_data(&doc);
        bytes.assign(data, data + doc.len);
    }
    bson_destroy(&doc);
    return bytes; // empty when the document outgrew what BSON can hold
}

bool CMDBRecord::FromBson(const std::uint8_t* data, std::size_t length, CMDBRecord& out) {
    if (data == nullptr) {
        out.Clear();
        out.d->isArray = false;
        return false;
    }
    return RecordAccess::FromBsonBytes(std::vector<std::uint8_t>(data, data + length), out);
}

bool RecordAccess::FromBsonBytes(std::vector<std::uint8_t> bytes, CMDBRecord& out) {
    out.Clear();
    out.d->isArray = false;
    const std::size_t length = bytes.size();
    if (length < 5 || length > std::numeric_limits<std::uint32_t>::max())
        return false;
    auto doc = std::make_shared<LazyDocument>();
    doc->bytes = std::move(bytes);
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    // The index is built in one walk straight into its place. Every element takes at least two
    // bytes (its type and the end of its key), so for a large document half its length is room
    // enough: the vector never moves, and of such a reservation only the pages written are ever
    // given memory. A small document's index grows as usual and is trimmed.
    constexpr std::size_t kReserveFrom = 64 * 1024; // bytes of document
    // Beyond MongoDB's largest document the bound is not reserved whole (the vector grows).
    constexpr std::size_t kReserveAtMost = std::size_t{8} << 20; // entries: 16 MB / 2
    const bool large = length >= kReserveFrom;
    if (large)
        doc->entries.reserve(std::min(length / 2, kReserveAtMost));
    if (!xal::db::IndexLevel(doc->bytes.data(), static_cast<std::uint32_t>(length), 1, doc->entries,
                             first, count))
        return false;
    if (!large)
        doc->entries.shrink_to_fit();
    out.d->data = doc->bytes.data();
    out.d->length = static_cast<std::uint32_t>(length);
    out.d->entries = doc->entries.data() + first;
    out.d->entryCount = count;
    out.d->buffer = std::move(doc);
    return true;
}

QString CMDBRecord::ToJson() const {
    const auto bytes = ToBson();
    bson_t doc;
    if (bytes.empty() || !bson_init_static(&doc, bytes.data(), bytes.size()))
        return {};
    char* json = bson_as_canonical_extended_json(&doc, nullptr);
    if (!json)
        return {};
    QString text = QString::fromUtf8(json);
    bson_free(json);
    if (!d->isArray)
        return text;
    // libbson prints only documents; an array is its elements' values between brackets.
    QStringList elements;
    RecordAccess::Materialize(*this);
    for (const auto& f : d->fields) {
        CMDBRecord holder;
        RecordAccess::Put(holder, QStringLiteral("v"), f.value);
        const QString one = holder.ToJson();
        const auto colon = one.indexOf(u':');
        elements.append(one.mid(colon + 1).chopped(1).trimmed());
    }
    return QStringLiteral("[ ") + elements.join(QStringLiteral(", ")) + QStringLiteral(" ]");
}

bool CMDBRecord::FromJson(const QString& json, CMDBRecord& out, QString* error) {
    const QByteArray utf8 = json.toUtf8();
    bson_t doc;
    bson_error_t err;
    if (!bson_init_from_json(&doc, utf8.constData(), utf8.size(), &err)) {
        if (error)
            *error = QString::fromUtf8(err.message);
        return false;
    }
    const bool ok = FromBson(bson_get_data(&doc), doc.len, out);
    bson_destroy(&doc);
    if (!ok) {
        if (error)
            *error = QStringLiteral("the document is nested too deeply");
        return false;
    }
    if (json.trimmed().startsWith(u'['))
        out.d->isArray = true; // libbson keyed the elements "0", "1", ...
    return true;
}

bool CMDBRecord::operator==(const CMDBRecord& other) const {
    if (d->isArray != other.d->isArray)
        return false;
    if (d->Pristine() && other.d->Pristine() && d->length == other.d->length &&
        std::memcmp(d->data, other.d->data, d->length) == 0)
        return true;
    return FieldsEqual(RecordAccess::Fields(*this), RecordAccess::Fields(other));
}

// ---------------------------------------------------------------------------------------------

CMDBRecordList::CMDBRecordList() = default;
CMDBRecordList::~CMDBRecordList() = default;

void CMDBRecordList::AddTail(CMDBRecord record) {
    m_records.push_back(std::make_unique<CMDBRecord>(std::move(record)));
}
