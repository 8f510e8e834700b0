#pragma once
// Turns fuzzer bytes into text: UTF-16 code units taken two bytes at a time, so lone
// surrogates and every code unit can occur.

#include <QString>

#include <cstddef>
#include <cstdint>

inline QString FuzzText(const std::uint8_t* data, std::size_t size) {
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text[qsizetype(i / 2)] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    return text;
}
