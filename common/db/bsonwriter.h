#pragma once
// Writes one BSON document front to back, without building records first. For documents of
// many megabytes (a whole e-script) records cost far more than the bytes; the output is the
// same as CMDBRecord::ToBson of the same fields in the same order.

#include <QByteArray>
#include <QStringView>

#include <array>
#include <cstdint>
#include <vector>

class CMDBRecord;

class CMDBBsonWriter {
public:
    // buffer: storage to write into; its capacity is reused, so that writing a large document
    // again neither grows nor faults in fresh memory.
    explicit CMDBBsonWriter(std::vector<std::uint8_t> buffer = {});

    // A field name converted once, for names written many times. Like every key it ends at a
    // first NUL.
    class Key {
    public:
        explicit Key(QStringView name);

    private:
        friend class CMDBBsonWriter;
        QByteArray m_utf8;
        // A short name with its NUL and zeros after it: copied as one 16-byte block.
        std::array<char, 16> m_head{};
    };

    // Inside an array the key is ignored: elements are numbered from 0.
    void AppendStr(const Key& key, QStringView value);
    void AppendInt(const Key& key, std::int32_t value);
    void AppendStr(QStringView key, QStringView value) { AppendStr(Key(key), value); }
    void AppendInt(QStringView key, std::int32_t value) { AppendInt(Key(key), value); }
    void AppendLL(QStringView key, std::int64_t value);
    void AppendBool(const Key& key, bool value);
    void AppendBool(QStringView key, bool value) { AppendBool(Key(key), value); }
    void AppendDateInMilliSecs(QStringView key, std::int64_t msSinceEpoch);
    void AppendRecord(QStringView key, const CMDBRecord& record); // sub-document or array
    // Appends every field of a BSON document as it is stored (duplicates included); false,
    // with nothing appended, when the bytes are not a document.
    bool AppendFieldsOf(const std::uint8_t* data, std::size_t length);
    void BeginDocument(const Key& key);
    void BeginArray(const Key& key);
    void BeginDocument(QStringView key) { BeginDocument(Key(key)); }
    void BeginArray(QStringView key) { BeginArray(Key(key)); }
    void End();

    // The finished document (every level still open is closed); empty when it outgrew what
    // BSON can hold (2 GB).
    [[nodiscard]] std::vector<std::uint8_t> Finish();

private:
    // Makes room for at most n more bytes and returns where they start; Commit(end) keeps
    // the bytes up to end. Inline: they run for every element of a document.
    std::uint8_t* Room(std::size_t n) {
        if (m_bytes.size() - m_used < n)
            Grow(m_used + n);
        return m_bytes.data() + m_used;
    }
    void Commit(const std::uint8_t* end) {
        m_used = static_cast<std::size_t>(end - m_bytes.data());
    }
    void Grow(std::size_t size);
    // Writes the element's type and key at out; returns the end.
    std::uint8_t* Element(std::uint8_t* out, std::uint8_t type, const Key& key);
    void Fixed(std::uint8_t type, const Key& key, const void* value, std::size_t length);
    void Open(std::uint8_t type, const Key& key, bool array);

    struct Level {
        std::size_t start;
        std::uint32_t next; // the next element number of an array
        bool array;
    };
    std::vector<std::uint8_t> m_bytes; // written up to m_used; the rest is room
    std::size_t m_used = 0;
    std::vector<Level> m_levels;
};
