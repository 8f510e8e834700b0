#include "db_rawupdate.h"

#include <bson/bson.h>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace xal::db {
namespace {

struct Op {
    std::string_view top;   // first part of the path
    std::string_view child; // second part, empty for a top-level path
    bool set = false;
    const std::uint8_t* value = nullptr; // the $set value's bytes (after the key)
    std::size_t valueLength = 0;
    std::uint8_t type = 0;
    bool done = false;
};

std::string_view Key(const bson_iter_t& it) {
    return {bson_iter_key(&it), bson_iter_key_len(&it)};
}

// The bytes of the element the iterator stands on: type, key, value.
const std::uint8_t* ElementStart(const bson_iter_t& it) {
    return it.raw + it.off;
}

std::size_t ElementLength(const bson_iter_t& it) {
    return it.next_off - it.off;
}

const std::uint8_t* ValueStart(const bson_iter_t& it) {
    return it.raw + it.off + 1 + bson_iter_key_len(&it) + 1;
}

class Out {
public:
    explicit Out(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    std::size_t Begin() {
        const std::size_t at = m_bytes.size();
        m_bytes.resize(at + 4);
        return at;
    }
    void End(std::size_t at) {
        m_bytes.push_back(0);
        const auto n = static_cast<std::uint32_t>(m_bytes.size() - at);
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<std::uint8_t>(n >> (8 * i));
    }
    void Raw(const std::uint8_t* p, std::size_t n) { m_bytes.insert(m_bytes.end(), p, p + n); }
    void Header(std::uint8_t type, std::string_view key) {
        m_bytes.push_back(type);
        m_bytes.insert(m_bytes.end(), key.begin(), key.end());
        m_bytes.push_back(0);
    }
    void SetValue(const Op& op, std::string_view key) {
        Header(op.type, key);
        Raw(op.value, op.valueLength);
    }

private:
    std::vector<std::uint8_t>& m_bytes;
};

bool ValidPart(std::string_view part) {
    return !part.empty() && part.front() != '$';
}

bool ReadOps(const std::uint8_t* update, std::size_t length, std::vector<Op>& ops) {
    bson_t doc;
    bson_iter_t it;
    if (!bson_init_static(&doc, update, length) || !bson_iter_init(&it, &doc))
        return false;
    while (bson_iter_next(&it)) {
        const std::string_view name = Key(it);
        const bool set = name == "$set";
        if ((!set && name != "$unset") || !BSON_ITER_HOLDS_DOCUMENT(&it))
            return false;
        bson_iter_t field;
        if (!bson_iter_recurse(&it, &field))
            return false;
        while (bson_iter_next(&field)) {
            const std::string_view path = Key(field);
            Op op;
            op.set = set;
            const auto dot = path.find('.');
            op.top = path.substr(0, dot);
            if (dot != std::string_view::npos) {
                op.child = path.substr(dot + 1);
                if (!ValidPart(op.child) || op.child.find('.') != std::string_view::npos)
                    return false;
            }
            if (!ValidPart(op.top) || op.top == "_id")
                return false;
            if (set) {
                op.type = static_cast<std::uint8_t>(bson_iter_type(&field));
                op.value = ValueStart(field);
                op.valueLength = static_cast<std::size_t>(field.raw + field.next_off - op.value);
            }
            ops.push_back(op);
        }
        if (field.err_off != 0)
            return false;
    }
    if (it.err_off != 0)
        return false;
    // Two paths where one is the other or lies inside it conflict; the engine says so.
    for (std::size_t i = 0; i < ops.size(); ++i) {
        for (std::size_t j = i + 1; j < ops.size(); ++j) {
            if (ops[i].top == ops[j].top &&
                (ops[i].child.empty() || ops[j].child.empty() || ops[i].child == ops[j].child))
                return false;
        }
    }
    return true;
}

// Writes the sub-document of element it with the ops of its name applied.
bool MergeChild(const bson_iter_t& it, std::vector<Op*>& ops, Out& out) {
    bson_iter_t field;
    if (!bson_iter_recurse(&it, &field))
        return false;
    out.Header(BSON_TYPE_DOCUMENT, Key(it));
    const std::size_t at = out.Begin();
    while (bson_iter_next(&field)) {
        const std::string_view name = Key(field);
        Op* match = nullptr;
        for (Op* op : ops) {
            if (op->child == name) {
                if (op->done)
                    return false; // a name stored twice: the engine decides which one
                match = op;
            }
        }
        if (match == nullptr) {
            out.Raw(ElementStart(field), ElementLength(field));
            continue;
        }
        match->done = true;
        if (match->set)
            out.SetValue(*match, name);
    }
    if (field.err_off != 0)
        return false;
    for (Op* op : ops) {
        if (!op->done && op->set)
            out.SetValue(*op, op->child);
        op->done = true;
    }
    out.End(at);
    return true;
}

} // namespace

bool ApplyRawUpdate(const std::uint8_t* doc, std::size_t docLength, const std::uint8_t* update,
                    std::size_t updateLength, std::vector<std::uint8_t>& out) {
    std::vector<Op> ops;
    if (!ReadOps(update, updateLength, ops))
        return false;
    bson_t stored;
    bson_iter_t it;
    if (!bson_init_static(&stored, doc, docLength) || !bson_iter_init(&it, &stored))
        return false;
    out.clear();
    out.reserve(docLength + updateLength);
    Out writer(out);
    const std::size_t at = writer.Begin();
    std::vector<std::string_view> seen;
    std::vector<Op*> matching;
    while (bson_iter_next(&it)) {
        const std::string_view name = Key(it);
        matching.clear();
        for (Op& op : ops) {
            if (op.top == name)
                matching.push_back(&op);
        }
        if (matching.empty()) {
            writer.Raw(ElementStart(it), ElementLength(it));
            continue;
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end())
            return false;
        seen.push_back(name);
        Op& first = *matching.front();
        if (first.child.empty()) {
            // A whole field: set in place or dropped (no other path can touch it).
            first.done = true;
            if (first.set)
                writer.SetValue(first, name);
            continue;
        }
        if (!BSON_ITER_HOLDS_DOCUMENT(&it) || !MergeChild(it, matching, writer))
            return false;
    }
    if (it.err_off != 0)
        return false;
    // Fields the document does not hold yet follow in the order the update first names them;
    // a parent is made for the fields set inside it.
    for (Op& op : ops) {
        if (op.done || !op.set)
            continue;
        if (op.child.empty()) {
            writer.SetValue(op, op.top);
            op.done = true;
            continue;
        }
        writer.Header(BSON_TYPE_DOCUMENT, op.top);
        const std::size_t sub = writer.Begin();
        for (Op& child : ops) {
            if (!child.done && child.top == op.top && !child.child.empty()) {
                if (child.set)
                    writer.SetValue(child, child.child);
                child.done = true;
            }
        }
        writer.End(sub);
    }
    writer.End(at);
    return out.size() <= static_cast<std::size_t>(INT32_MAX);
}

} // namespace xal::db
