#pragma once
// The string table: every text the editor shows, by its number. Texts are looked up through
// the loaded language file first and fall back to the built-in English table.

#include <QString>

#include <utility>
#include <vector>

// Text of string number id; empty when the table has no such number. A translator installed
// on the application (context "XALScriptEdit", source = the English text) takes precedence.
QString XalString(int id);
// XalString(id) with each "%s" replaced in order by the arguments (missing ones give "").
QString XalFormat(int id, const QString& a1 = QString(), const QString& a2 = QString(),
                  const QString& a3 = QString());
// Every entry of the table with its English text, in numeric order.
std::vector<std::pair<int, QString>> XalStringTable();
