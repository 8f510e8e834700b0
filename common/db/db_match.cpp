#include "db_match.h"

#include <QStringList>

#include <cmath>
#include <cstring>

namespace xal::db {
namespace {

using Type = CMDBRecord::Type;

int BsonTypeOfOther(const Value& v) {
    // raw holds {"": value}: int32 length, then the element's type byte.
    return v.raw.size() > 4 ? v.raw[4] : 0;
}

int Bracket(const Value& v) {
    switch (v.type) {
    case Type::Missing:
    case Type::Null:
        return 1;
    case Type::Int32:
    case Type::Int64:
    case Type::Double:
        return 2;
    case Type::String:
        return 3;
    case Type::Document:
        return 4;
    case Type::Array:
        return 5;
    case Type::Bool:
        return 8;
    case Type::Date:
        return 9;
    case Type::Other:
        switch (BsonTypeOfOther(v)) {
        case BSON_TYPE_MINKEY:
            return 0;
        case BSON_TYPE_BINARY:
            return 6;
        case BSON_TYPE_OID:
            return 7;
        case BSON_TYPE_TIMESTAMP:
            return 10;
        case BSON_TYPE_REGEX:
            return 11;
        case BSON_TYPE_MAXKEY:
            return 13;
        default:
            return 12;
        }
    }
    return 12;
}

long double AsLongDouble(const Value& v) {
    switch (v.type) {
    case Type::Int32:
        return v.num.i32;
    case Type::Int64:
        return static_cast<long double>(v.num.i64);
    default:
        return v.num.dbl;
    }
}

int Sign(long double x) {
    return x < 0 ? -1 : (x > 0 ? 1 : 0);
}

int CompareNumbers(const Value& a, const Value& b) {
    if (a.type != Type::Double && b.type != Type::Double) {
        const std::int64_t x = a.type == Type::Int32 ? a.num.i32 : a.num.i64;
        const std::int64_t y = b.type == Type::Int32 ? b.num.i32 : b.num.i64;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const long double x = AsLongDouble(a);
    const long double y = AsLongDouble(b);
    // MongoDB sorts NaN below every other number.
    if (std::isnan(x) || std::isnan(y))
        return std::isnan(x) ? (std::isnan(y) ? 0 : -1) : 1;
    return Sign(x - y);
}

int CompareRecords(const CMDBRecord& a, const CMDBRecord& b, bool compareNames) {
    const auto& fa = RecordAccess::Fields(a);
    const auto& fb = RecordAccess::Fields(b);
    for (std::size_t i = 0; i < fa.size() && i < fb.size(); ++i) {
        const int bracket = Bracket(fa[i].value) - Bracket(fb[i].value);
        if (bracket != 0)
            return Sign(bracket);
        if (compareNames) {
            const int names = fa[i].name.toUtf8().compare(fb[i].name.toUtf8());
            if (names != 0)
                return Sign(names);
        }
        const int values = CompareValues(fa[i].value, fb[i].value);
        if (values != 0)
            return values;
    }
    return fa.size() < fb.size() ? -1 : (fa.size() > fb.size() ? 1 : 0);
}

std::vector<QStringView> SplitPath(const QString& path) {
    std::vector<QStringView> parts;
    for (auto part : QStringView(path).split(u'.'))
        parts.push_back(part);
    return parts;
}

// Every value a dotted path reaches, expanding arrays of sub-documents on the way as MongoDB
// does ("urls.method" looks into each element of urls).
void Collect(const CMDBRecord& record, const std::vector<QStringView>& parts, std::size_t i,
             std::vector<const Value*>& out) {
    const QString part = parts[i].toString();
    const Value* v = RecordAccess::Find(record, part);
    if (!v && record.IsArray()) {
        for (const auto& f : RecordAccess::Fields(record)) {
            if (f.value.type == Type::Document)
                Collect(*f.value.rec, parts, i, out);
        }
        return;
    }
    if (!v)
        return;
    if (i + 1 == parts.size())
        out.push_back(v);
    else if (v->rec)
        Collect(*v->rec, parts, i + 1, out);
}

bool IsOperatorDocument(const Value& v) {
    if (v.type != Type::Document)
        return false;
    const auto& fields = RecordAccess::Fields(*v.rec);
    return !fields.empty() && fields.front().name.startsWith(u'$');
}

bool EqualsAny(const std::vector<const Value*>& candidates, const Value& wanted) {
    if (candidates.empty())
        return wanted.type == Type::Null;
    for (const Value* c : candidates) {
        if (CompareValues(*c, wanted) == 0 && Bracket(*c) == Bracket(wanted))
            return true;
        if (c->type == Type::Array) {
            for (const auto& e : RecordAccess::Fields(*c->rec)) {
                if (Bracket(e.value) == Bracket(wanted) && CompareValues(e.value, wanted) == 0)
                    return true;
            }
        }
    }
    return false;
}

template <typename Pred>
bool CompareAny(const std::vector<const Value*>& candidates, const Value& bound, Pred pred) {
    auto test = [&](const Value& v) {
        return Bracket(v) == Bracket(bound) && pred(CompareValues(v, bound));
    };
    for (const Value* c : candidates) {
        if (test(*c))
            return true;
        if (c->type == Type::Array) {
            for (const auto& e : RecordAccess::Fields(*c->rec)) {
                if (test(e.value))
                    return true;
            }
        }
    }
    return false;
}

bool Truthy(const Value& v) {
    switch (v.type) {
    case Type::Bool:
        return v.num.b;
    case Type::Int32:
        return v.num.i32 != 0;
    case Type::Int64:
        return v.num.i64 != 0;
    case Type::Double:
        return v.num.dbl != 0.0;
    case Type::Null:
    case Type::Missing:
        return false;
    default:
        return true;
    }
}

const QStringList& SupportedOperators() {
    static const QStringList ops{QStringLiteral("$eq"), QStringLiteral("$ne"),
                                 QStringLiteral("$lt"), QStringLiteral("$lte"),
                                 QStringLiteral("$gt"), QStringLiteral("$gte"),
                                 QStringLiteral("$in"), QStringLiteral("$exists")};
    return ops;
}

bool MatchOperator(const std::vector<const Value*>& candidates, const QString& op,
                   const Value& arg) {
    if (op == u"$eq")
        return EqualsAny(candidates, arg);
    if (op == u"$ne")
        return !EqualsAny(candidates, arg);
    if (op == u"$lt")
        return CompareAny(candidates, arg, [](int c) { return c < 0; });
    if (op == u"$lte")
        return CompareAny(candidates, arg, [](int c) { return c <= 0; });
    if (op == u"$gt")
        return CompareAny(candidates, arg, [](int c) { return c > 0; });
    if (op == u"$gte")
        return CompareAny(candidates, arg, [](int c) { return c >= 0; });
    if (op == u"$exists")
        return candidates.empty() != Truthy(arg);
    if (op == u"$in") {
        for (const auto& e : RecordAccess::Fields(*arg.rec)) {
            if (EqualsAny(candidates, e.value))
                return true;
        }
        return false;
    }
    return false;
}

bool CheckPath(const QString& path, QString& error) {
    if (path.isEmpty() || path.startsWith(u'.') || path.endsWith(u'.') || path.contains(u"..")) {
        error = QStringLiteral("The field path '%1' is not valid").arg(path);
        return false;
    }
    return true;
}

QString ValueText(const Value& v) {
    CMDBRecord holder;
    RecordAccess::Put(holder, QStringLiteral("v"), v);
    QString json = holder.ToJson();
    return json;
}

// Creates intermediate sub-documents as MongoDB's $set does; null when the path runs into a
// value that cannot hold a field.
CMDBRecord* ParentForSet(CMDBRecord& document, const std::vector<QStringView>& parts,
                         const QString& path, QString& error) {
    CMDBRecord* cur = &document;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const QString part = parts[i].toString();
        if (cur->IsArray() && ParseIndex(part) < 0) {
            error =
                QStringLiteral("Cannot create field '%1' in an array (path '%2')").arg(part, path);
            return nullptr;
        }
        Value* v = RecordAccess::Find(*cur, part);
        if (!v) {
            Value sub;
            sub.type = Type::Document;
            sub.rec = std::make_unique<CMDBRecord>();
            RecordAccess::Put(*cur, part, std::move(sub));
            v = RecordAccess::Find(*cur, part);
        } else if (!v->rec) {
            error = QStringLiteral("Cannot create field '%1' in element {%2: %3}")
                        .arg(parts[i + 1].toString(), part, ValueText(*v));
            return nullptr;
        }
        cur = v->rec.get();
    }
    if (cur->IsArray() && ParseIndex(parts.back().toString()) < 0) {
        error = QStringLiteral("Cannot create field '%1' in an array (path '%2')")
                    .arg(parts.back().toString(), path);
        return nullptr;
    }
    return cur;
}

bool SetPath(CMDBRecord& document, const QString& path, const Value& value, QString& error) {
    const auto parts = SplitPath(path);
    CMDBRecord* parent = ParentForSet(document, parts, path, error);
    if (!parent)
        return false;
    RecordAccess::Put(*parent, parts.back().toString(), value);
    return true;
}

void UnsetPath(CMDBRecord& document, const QString& path) {
    const auto parts = SplitPath(path);
    CMDBRecord* cur = &document;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        Value* v = RecordAccess::Find(*cur, parts[i].toString());
        if (!v || !v->rec)
            return;
        cur = v->rec.get();
    }
    const QString last = parts.back().toString();
    if (cur->IsArray()) {
        // MongoDB keeps array positions: an unset element becomes null.
        if (Value* v = RecordAccess::Find(*cur, last)) {
            *v = Value();
            v->type = Type::Null;
        }
        return;
    }
    RecordAccess::Remove(*cur, last);
}

bool PathsConflict(const QString& a, const QString& b) {
    if (a == b)
        return true;
    const QString& shorter = a.size() < b.size() ? a : b;
    const QString& longer = a.size() < b.size() ? b : a;
    return longer.startsWith(shorter) && longer[shorter.size()] == u'.';
}

bool IsIdPath(const QString& path) {
    return path == u"_id" || path.startsWith(u"_id.");
}

} // namespace

int CompareValues(const Value& a, const Value& b) {
    const int bracket = Bracket(a) - Bracket(b);
    if (bracket != 0)
        return Sign(bracket);
    switch (a.type) {
    case Type::Int32:
    case Type::Int64:
    case Type::Double:
        return CompareNumbers(a, b);
    case Type::String:
        // Binary UTF-8 order, as MongoDB's simple collation compares strings.
        return Sign(a.str.toUtf8().compare(b.str.toUtf8()));
    case Type::Bool:
        return Sign(static_cast<int>(a.num.b) - static_cast<int>(b.num.b));
    case Type::Date:
        return a.num.i64 < b.num.i64 ? -1 : (a.num.i64 > b.num.i64 ? 1 : 0);
    case Type::Document:
        return CompareRecords(*a.rec, *b.rec, true);
    case Type::Array:
        return CompareRecords(*a.rec, *b.rec, false);
    case Type::Other: {
        const std::size_t n = std::min(a.raw.size(), b.raw.size());
        const int c = n ? std::memcmp(a.raw.data(), b.raw.data(), n) : 0;
        if (c != 0)
            return Sign(c);
        return a.raw.size() < b.raw.size() ? -1 : (a.raw.size() > b.raw.size() ? 1 : 0);
    }
    case Type::Missing:
    case Type::Null:
        return 0;
    }
    return 0;
}

bool CheckQuery(const CMDBRecord& query, QString& error) {
    for (const auto& f : RecordAccess::Fields(query)) {
        if (f.name.startsWith(u'$')) {
            error = QStringLiteral("The query operator %1 is not supported by the embedded store")
                        .arg(f.name);
            return false;
        }
        if (!CheckPath(f.name, error))
            return false;
        if (!IsOperatorDocument(f.value))
            continue;
        for (const auto& op : RecordAccess::Fields(*f.value.rec)) {
            if (!SupportedOperators().contains(op.name)) {
                error =
                    QStringLiteral("The query operator %1 is not supported by the embedded store")
                        .arg(op.name);
                return false;
            }
            if (op.name == u"$in" && op.value.type != Type::Array) {
                error = QStringLiteral("$in needs an array");
                return false;
            }
        }
    }
    return true;
}

bool Matches(const CMDBRecord& document, const CMDBRecord& query) {
    for (const auto& f : RecordAccess::Fields(query)) {
        std::vector<const Value*> candidates;
        Collect(document, SplitPath(f.name), 0, candidates);
        if (IsOperatorDocument(f.value)) {
            for (const auto& op : RecordAccess::Fields(*f.value.rec)) {
                if (!MatchOperator(candidates, op.name, op.value))
                    return false;
            }
        } else if (!EqualsAny(candidates, f.value)) {
            return false;
        }
    }
    return true;
}

bool UpsertSeed(const CMDBRecord& query, CMDBRecord& out, QString& error) {
    out.Clear();
    for (const auto& f : RecordAccess::Fields(query)) {
        const Value* value = &f.value;
        if (IsOperatorDocument(f.value)) {
            value = RecordAccess::Find(*f.value.rec, QStringLiteral("$eq"));
            if (!value)
                continue;
        }
        if (!SetPath(out, f.name, *value, error))
            return false;
    }
    return true;
}

bool ApplyUpdate(CMDBRecord& document, const CMDBRecord& update, QString& error) {
    const auto& ops = RecordAccess::Fields(update);
    const bool operators = !ops.empty() && ops.front().name.startsWith(u'$');
    const Value* oldId = RecordAccess::Find(document, QStringLiteral("_id"));

    if (!operators) {
        CMDBRecord replaced;
        if (oldId)
            RecordAccess::Put(replaced, QStringLiteral("_id"), *oldId);
        for (const auto& f : ops) {
            if (f.name.startsWith(u'$') || f.name.contains(u'.')) {
                error = QStringLiteral("The replacement document may not hold the field name '%1'")
                            .arg(f.name);
                return false;
            }
            if (f.name == u"_id" && oldId && CompareValues(*oldId, f.value) != 0) {
                error = QStringLiteral("The replacement would modify the immutable field '_id'");
                return false;
            }
            RecordAccess::Put(replaced, f.name, f.value);
        }
        document = std::move(replaced);
        return true;
    }

    QStringList paths;
    for (const auto& op : ops) {
        if (op.name != u"$set" && op.name != u"$unset") {
            error = QStringLiteral("The update operator %1 is not supported by the embedded store")
                        .arg(op.name.isEmpty() ? QStringLiteral("''") : op.name);
            return false;
        }
        if (op.value.type != Type::Document) {
            error = QStringLiteral("Modifiers operate on fields but %1 was given a value that is "
                                   "not a document")
                        .arg(op.name);
            return false;
        }
        for (const auto& f : RecordAccess::Fields(*op.value.rec)) {
            if (!CheckPath(f.name, error))
                return false;
            if (f.name.startsWith(u'$') || f.name.contains(u".$")) {
                error = QStringLiteral("The field path '%1' is not supported").arg(f.name);
                return false;
            }
            for (const auto& seen : paths) {
                if (PathsConflict(seen, f.name)) {
                    error = QStringLiteral("Updating the path '%1' would create a conflict at '%2'")
                                .arg(f.name, seen);
                    return false;
                }
            }
            paths.append(f.name);
            if (IsIdPath(f.name)) {
                const bool unchanged = op.name == u"$set" && f.name == u"_id" && oldId &&
                                       Bracket(*oldId) == Bracket(f.value) &&
                                       CompareValues(*oldId, f.value) == 0;
                if (!unchanged && (oldId || op.name == u"$unset")) {
                    error = QStringLiteral("Performing an update on the path '%1' would modify "
                                           "the immutable field '_id'")
                                .arg(f.name);
                    return false;
                }
            }
        }
    }

    // Work on a copy so a failing path leaves the stored document as it was.
    CMDBRecord changed(document);
    for (const auto& op : ops) {
        for (const auto& f : RecordAccess::Fields(*op.value.rec)) {
            if (op.name == u"$set") {
                if (!SetPath(changed, f.name, f.value, error))
                    return false;
            } else {
                UnsetPath(changed, f.name);
            }
        }
    }
    document = std::move(changed);
    return true;
}

namespace {

void ProjectInto(const CMDBRecord& source, const QList<QStringList>& paths, std::size_t depth,
                 CMDBRecord& out) {
    for (const auto& f : RecordAccess::Fields(source)) {
        bool whole = false;
        QList<QStringList> deeper;
        for (const auto& p : paths) {
            if (p.size() <= static_cast<qsizetype>(depth) || p[depth] != f.name)
                continue;
            if (p.size() == static_cast<qsizetype>(depth) + 1)
                whole = true;
            else
                deeper.append(p);
        }
        if (whole) {
            RecordAccess::Put(out, f.name, f.value);
        } else if (!deeper.isEmpty() && f.value.type == Type::Document) {
            CMDBRecord sub;
            ProjectInto(*f.value.rec, deeper, depth + 1, sub);
            Value v;
            v.type = Type::Document;
            v.rec = std::make_unique<CMDBRecord>(std::move(sub));
            RecordAccess::Put(out, f.name, std::move(v));
        } else if (!deeper.isEmpty() && f.value.type == Type::Array) {
            // Projection through an array keeps the projected part of each sub-document.
            CMDBRecord arr = CMDBRecord::MakeArray();
            for (const auto& e : RecordAccess::Fields(*f.value.rec)) {
                if (e.value.type != Type::Document)
                    continue;
                CMDBRecord sub;
                ProjectInto(*e.value.rec, deeper, depth + 1, sub);
                arr.AppendRecord(std::move(sub));
            }
            Value v;
            v.type = Type::Array;
            v.rec = std::make_unique<CMDBRecord>(std::move(arr));
            RecordAccess::Put(out, f.name, std::move(v));
        }
    }
}

} // namespace

CMDBRecord Project(const CMDBRecord& document, const QStringList& fields) {
    if (fields.isEmpty())
        return document;
    QList<QStringList> paths;
    paths.append(QStringList{QStringLiteral("_id")});
    for (const auto& f : fields)
        paths.append(f.split(u'.'));
    CMDBRecord out;
    ProjectInto(document, paths, 0, out);
    return out;
}

bool CheckStorableNames(const CMDBRecord& document, QString& error) {
    for (const auto& f : RecordAccess::Fields(document)) {
        if (!document.IsArray() &&
            (f.name.isEmpty() || f.name.contains(u'.') || f.name.startsWith(u'$'))) {
            error = QStringLiteral("The field name '%1' cannot be stored: names may not be "
                                   "empty, hold a dot or start with '$'")
                        .arg(f.name);
            return false;
        }
        if (f.value.rec && !CheckStorableNames(*f.value.rec, error))
            return false;
    }
    return true;
}

QByteArray IdKey(const Value& id) {
    switch (id.type) {
    case Type::String:
        return "s" + id.str.toUtf8();
    case Type::Int32:
        return "n" + QByteArray::number(id.num.i32);
    case Type::Int64:
        return "n" + QByteArray::number(static_cast<qlonglong>(id.num.i64));
    case Type::Double:
        if (std::isfinite(id.num.dbl) && std::trunc(id.num.dbl) == id.num.dbl &&
            std::fabs(id.num.dbl) < 9.2e18)
            return "n" + QByteArray::number(static_cast<qlonglong>(id.num.dbl));
        return "d" + QByteArray::number(id.num.dbl, 'g', 17);
    default: {
        CMDBRecord holder;
        RecordAccess::Put(holder, QString(), id);
        const auto bytes = holder.ToBson();
        return "b" + QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                static_cast<qsizetype>(bytes.size()))
                         .toHex();
    }
    }
}

} // namespace xal::db
