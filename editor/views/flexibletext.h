#pragma once
// Text rules of flexible parameters that the view commands share: where a spread may put a
// placeholder, how a reset value is encoded, and which numbered placeholders a text shows.

#include <QString>

#include <vector>

// Replaces every whole piece strValue that follows strSeparator and ends at the next
// separator or at nEnd (-1: the end of the text) by strReplacement, searching from nFrom.
// "/123" in "/1234/" is no whole piece. True when anything was replaced.
bool ReplaceWholePieces(QString& strText, const QString& strSeparator, const QString& strValue,
                        const QString& strReplacement, qsizetype nFrom = 0, qsizetype nEnd = -1);
// Replaces whole path segments strValue of a URL label (the host and the query stay as they
// are). True when anything was replaced.
bool ReplaceInURLPath(QString& strLabel, const QString& strValue, const QString& strReplacement);
// URL-encodes what is not encoded yet: "%xx" sequences already in the text stay as they are.
[[nodiscard]] QString EncodeUnencoded(const QString& strText);
// Numbers of the placeholders "_XALURL_<n>_" the text shows, highest first, each once.
[[nodiscard]] std::vector<int> PlaceholderNumbersIn(const QString& strText);
// The text with every placeholder numbered nFrom..nCount-1 moved down by one (the gap after
// the freed number nFrom-1 closes); other text stays.
[[nodiscard]] QString ShiftPlaceholdersDown(const QString& strText, int nFrom, int nCount);
// The regular expression that a condition URL's address with "*" wildcards stands for:
// "*" matches any text, every other character only itself.
[[nodiscard]] QString ConditionAddressPattern(const QString& strAddress);
