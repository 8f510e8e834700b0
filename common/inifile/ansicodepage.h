#pragma once
// The narrow "ANSI" text of the suite's files. The process has one ANSI code page, asked for
// once: XAL_ANSI_CODEPAGE when set (1252, 28591 or latin1, 65001 or utf-8), else 1252. Code page 0
// and numbers without a table here are read as 1252.

#include <QByteArray>
#include <QString>

#include <optional>

namespace QJAnsi {

constexpr unsigned kWindows1252 = 1252;
constexpr unsigned kLatin1 = 28591;
constexpr unsigned kUtf8 = 65001;

// The process's ANSI code page (cached after the first call).
unsigned ProcessCodePage();
// Replaces the cached code page, for a program that knows its users' code page better than
// the environment does.
void SetProcessCodePage(unsigned codePage);

// Bytes to text; nullopt when the bytes are not valid in the code page.
std::optional<QString> ToUnicode(unsigned codePage, const QByteArray& bytes);
// Text to bytes; characters the code page lacks become '_'.
QByteArray FromUnicode(unsigned codePage, const QString& text);

// How many bytes at the end of `bytes` start a character that continues beyond them (only
// multi-byte code pages have such; used to cut reads at character boundaries).
qsizetype IncompleteTailLength(unsigned codePage, const QByteArray& bytes);

} // namespace QJAnsi
