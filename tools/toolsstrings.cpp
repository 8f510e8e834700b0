#include "toolsstrings.h"

#include <algorithm>

void CopyToField(const QString& text, char16_t* field, int size) {
    if (field == nullptr || size <= 0)
        return;
    int count = std::min(static_cast<int>(text.size()), size - 1);
    // Never keep half of a character outside the basic plane.
    if (count > 0 && count < text.size() && text.at(count - 1).isHighSurrogate())
        --count;
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), count, field);
    field[count] = 0;
}

QString FieldText(const char16_t* field, int size) {
    if (field == nullptr)
        return {};
    const char16_t* end = std::find(field, field + size, char16_t(0));
    return QString::fromUtf16(field, end - field);
}
