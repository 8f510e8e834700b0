#include "bsonwriter.h"

#include "db_record_impl.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint8_t kString = 0x02;
constexpr std::uint8_t kDocument = 0x03;
constexpr std::uint8_t kArray = 0x04;
constexpr std::uint8_t kBool = 0x08;
constexpr std::uint8_t kDate = 0x09;
constexpr std::uint8_t kInt32 = 0x10;
constexpr std::uint8_t kInt64 = 0x12;

// Narrows n UTF-16 units to bytes while they are ASCII; returns how many were.
std::size_t NarrowAscii(const char16_t* chars, std::size_t n, std::uint8_t* dst) {
    std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        const __m128i high = _mm_and_si128(v, nonAscii);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF)
            return i;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + i), _mm_packus_epi16(v, v));
    }
#endif
    for (; i < n; ++i) {
        if (chars[i] >= 0x80)
            return i;
        dst[i] = static_cast<std::uint8_t>(chars[i]);
    }
    return n;
}

std::uint8_t* Put32(std::uint8_t* out, std::uint32_t n) {
    const std::uint32_t le = BSON_UINT32_TO_LE(n);
    std::memcpy(out, &le, 4);
    return out + 4;
}

// Room for an element's type, key and NUL (an element number takes at most 10 digits); a
// short key is copied as a block of 16 bytes.
std::size_t HeaderRoom(const QByteArray& key) {
    return 1 + std::max<std::size_t>(static_cast<std::size_t>(key.size()) + 1, 16);
}

void Patch32(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t length) {
    Put32(bytes.data() + at, static_cast<std::uint32_t>(length));
}

} // namespace

CMDBBsonWriter::Key::Key(QStringView name) : m_utf8(name.toUtf8()) {
    const auto nul = m_utf8.indexOf('\0');
    if (nul >= 0)
        m_utf8.truncate(nul);
    if (static_cast<std::size_t>(m_utf8.size()) < m_head.size())
        std::memcpy(m_head.data(), m_utf8.constData(), static_cast<std::size_t>(m_utf8.size()));
}

CMDBBsonWriter::CMDBBsonWriter(std::vector<std::uint8_t> buffer) : m_bytes(std::move(buffer)) {
    // The buffer keeps its size: bytes already there are overwritten, not zeroed again.
    m_levels.push_back({0, 0, false});
    Commit(Put32(Room(4), 0));
}

void CMDBBsonWriter::Grow(std::size_t size) {
    // Value-initialises the new bytes once; every later write into them is a plain store.
    m_bytes.resize(std::max({m_bytes.size() * 2, size, std::size_t{256}}));
}

std::uint8_t* CMDBBsonWriter::Element(std::uint8_t* out, std::uint8_t type, const Key& key) {
    *out++ = type;
    Level& level = m_levels.back();
    if (!level.array) {
        const auto n = static_cast<std::size_t>(key.m_utf8.size());
        if (n < key.m_head.size()) {
            std::memcpy(out, key.m_head.data(), key.m_head.size()); // the NUL included
            return out + n + 1;
        }
        std::memcpy(out, key.m_utf8.constData(), n);
        out += n;
        *out++ = 0;
        return out;
    }
    // Element numbers are most of the keys of a large document; written in place.
    std::uint32_t n = level.next++;
    std::size_t digits = 1;
    for (std::uint32_t rest = n; rest >= 10; rest /= 10)
        ++digits;
    std::uint8_t* p = out + digits;
    *p = 0;
    do {
        *--p = static_cast<std::uint8_t>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    return out + digits + 1;
}

void CMDBBsonWriter::Fixed(std::uint8_t type, const Key& key, const void* value,
                           std::size_t length) {
    std::uint8_t* out = Element(Room(HeaderRoom(key.m_utf8) + length), type, key);
    std::memcpy(out, value, length);
    Commit(out + length);
}

void CMDBBsonWriter::AppendStr(const Key& key, QStringView value) {
    const auto n = static_cast<std::size_t>(value.size());
    std::uint8_t* start = Room(HeaderRoom(key.m_utf8) + 5 + n);
    std::uint8_t* text = Element(start, kString, key) + 4;
    std::size_t length = n;
    if (NarrowAscii(value.utf16(), n, text) != n) {
        // Not ASCII: Qt converts, as CMDBRecord does (UTF-8 needs up to 3 bytes a unit).
        const std::size_t headerAt = static_cast<std::size_t>(text - m_bytes.data());
        const QByteArray utf8 = value.toUtf8();
        length = static_cast<std::size_t>(utf8.size());
        if (m_bytes.size() < headerAt + length + 1)
            Grow(headerAt + length + 1);
        text = m_bytes.data() + headerAt;
        std::memcpy(text, utf8.constData(), length);
    }
    text[length] = 0;
    Put32(text - 4, static_cast<std::uint32_t>(length + 1));
    Commit(text + length + 1);
}

void CMDBBsonWriter::AppendInt(const Key& key, std::int32_t value) {
    const std::uint32_t le = BSON_UINT32_TO_LE(static_cast<std::uint32_t>(value));
    Fixed(kInt32, key, &le, 4);
}

void CMDBBsonWriter::AppendLL(QStringView key, std::int64_t value) {
    const std::uint64_t le = BSON_UINT64_TO_LE(static_cast<std::uint64_t>(value));
    Fixed(kInt64, Key(key), &le, 8);
}

void CMDBBsonWriter::AppendBool(const Key& key, bool value) {
    const std::uint8_t b = value ? 1 : 0;
    Fixed(kBool, key, &b, 1);
}

void CMDBBsonWriter::AppendDateInMilliSecs(QStringView key, std::int64_t msSinceEpoch) {
    const std::uint64_t le = BSON_UINT64_TO_LE(static_cast<std::uint64_t>(msSinceEpoch));
    Fixed(kDate, Key(key), &le, 8);
}

void CMDBBsonWriter::AppendRecord(QStringView key, const CMDBRecord& record) {
    std::vector<std::uint8_t> bytes = record.ToBson();
    if (bytes.empty()) {
        // The record outgrew BSON: an empty document rather than broken bytes.
        bytes = {5, 0, 0, 0, 0};
    }
    Fixed(record.IsArray() ? kArray : kDocument, Key(key), bytes.data(), bytes.size());
}

bool CMDBBsonWriter::AppendFieldsOf(const std::uint8_t* data, std::size_t length) {
    bson_t doc;
    if (data == nullptr || !bson_init_static(&doc, data, length))
        return false;
    // The elements lie between the length and the closing NUL; check that they are whole
    // before copying them.
    bson_iter_t it;
    if (!bson_iter_init(&it, &doc))
        return false;
    while (bson_iter_next(&it)) {
    }
    if (it.err_off != 0)
        return false;
    const std::size_t n = length - 5;
    std::uint8_t* out = Room(n);
    std::memcpy(out, data + 4, n);
    Commit(out + n);
    return true;
}

void CMDBBsonWriter::Open(std::uint8_t type, const Key& key, bool array) {
    std::uint8_t* out = Element(Room(HeaderRoom(key.m_utf8) + 4), type, key);
    Commit(out + 4);
    m_levels.push_back({static_cast<std::size_t>(out - m_bytes.data()), 0, array});
}

void CMDBBsonWriter::BeginDocument(const Key& key) {
    Open(kDocument, key, false);
}

void CMDBBsonWriter::BeginArray(const Key& key) {
    Open(kArray, key, true);
}

void CMDBBsonWriter::End() {
    if (m_levels.size() <= 1)
        return;
    std::uint8_t* out = Room(1);
    *out = 0;
    Commit(out + 1);
    const std::size_t start = m_levels.back().start;
    Patch32(m_bytes, start, m_used - start);
    m_levels.pop_back();
}

std::vector<std::uint8_t> CMDBBsonWriter::Finish() {
    while (m_levels.size() > 1)
        End();
    std::uint8_t* end = Room(1);
    *end = 0;
    Commit(end + 1);
    if (m_used > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return {};
    Patch32(m_bytes, 0, m_used);
    m_bytes.resize(m_used); // shrinks: the capacity stays with the caller
    std::vector<std::uint8_t> out = std::move(m_bytes);
    m_bytes.clear();
    m_used = 0;
    m_levels.assign(1, {0, 0, false});
    Commit(Put32(Room(4), 0));
    return out;
}
