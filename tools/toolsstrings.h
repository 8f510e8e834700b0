#pragma once
// Small text helpers shared by the library's exports.

#include <QString>

#include <string>

// Zero-terminated UTF-16 copy of text, for handing a QString to a char16_t export.
inline std::u16string ToUtf16(const QString& text) {
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// Copies text into a zero-terminated field of size characters, cutting it when too long
// (before a character that would not fit whole).
void CopyToField(const QString& text, char16_t* field, int size);

// Reads a zero-terminated field of at most size characters.
QString FieldText(const char16_t* field, int size);
