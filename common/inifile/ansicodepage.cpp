#include "ansicodepage.h"

#include <QStringDecoder>

#include <array>
#include <atomic>
#include <cstdlib>

namespace QJAnsi {
namespace {

// 0x80..0x9F of code page 1252. The five bytes the code page leaves undefined map to the C1
// control of the same value, as the platform's own converter does, so no byte is ever lost.
constexpr std::array<char16_t, 32> k1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned CodePageFromEnvironment() {
    const char* value = std::getenv("XAL_ANSI_CODEPAGE");
    if (value == nullptr || *value == '\0')
        return kWindows1252;
    const QByteArray name = QByteArray(value).trimmed().toLower();
    if (name == "latin1" || name == "iso-8859-1")
        return kLatin1;
    if (name == "utf-8" || name == "utf8")
        return kUtf8;
    bool ok = false;
    const unsigned codePage = name.toUInt(&ok);
    return ok && (codePage == kLatin1 || codePage == kUtf8) ? codePage : kWindows1252;
}

std::atomic<unsigned>& CachedCodePage() {
    static std::atomic<unsigned> codePage{CodePageFromEnvironment()};
    return codePage;
}

int Encode1252(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return ch;
    for (std::size_t i = 0; i < k1252High.size(); ++i) {
        if (k1252High[i] == ch)
            return static_cast<int>(0x80 + i);
    }
    return -1;
}

// One '_' per unmappable character, a surrogate pair counting as one.
QByteArray EncodeSingleByte(const QString& text, bool latin1) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text.at(i).unicode();
        int byte = latin1 ? (ch <= 0xFF ? ch : -1) : Encode1252(ch);
        if (byte < 0) {
            byte = '_';
            if (QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
                QChar::isLowSurrogate(text.at(i + 1).unicode()))
                ++i;
        }
        bytes.append(static_cast<char>(byte));
    }
    return bytes;
}

} // namespace

unsigned ProcessCodePage() {
    return CachedCodePage().load();
}

void SetProcessCodePage(unsigned codePage) {
    CachedCodePage().store(codePage);
}

std::optional<QString> ToUnicode(unsigned codePage, const QByteArray& bytes) {
    if (codePage == kUtf8) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    if (codePage == kLatin1)
        return QString::fromLatin1(bytes);
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        out[i] = (byte >= 0x80 && byte < 0xA0) ? k1252High[byte - 0x80] : byte;
    }
    return text;
}

QByteArray FromUnicode(unsigned codePage, const QString& text) {
    if (codePage == kUtf8) {
        // Only a lone surrogate has no UTF-8 form.
        QString valid = text;
        for (qsizetype i = 0; i < valid.size(); ++i) {
            const char16_t ch = valid.at(i).unicode();
            if (QChar::isHighSurrogate(ch) && i + 1 < valid.size() &&
                QChar::isLowSurrogate(valid.at(i + 1).unicode()))
                ++i;
            else if (QChar::isSurrogate(ch))
                valid[i] = u'_';
        }
        return valid.toUtf8();
    }
    return EncodeSingleByte(text, codePage == kLatin1);
}

qsizetype IncompleteTailLength(unsigned codePage, const QByteArray& bytes) {
    if (codePage != kUtf8)
        return 0;
    // Walk back over at most three continuation bytes to the lead byte.
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 4 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue;
        const qsizetype needed = (byte & 0xE0) == 0xC0   ? 2
                                 : (byte & 0xF0) == 0xE0 ? 3
                                 : (byte & 0xF8) == 0xF0 ? 4
                                                         : 1;
        return needed > back ? back : 0;
    }
    return 0;
}

} // namespace QJAnsi
