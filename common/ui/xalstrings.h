#pragma once
// The string table: every text the editor shows, by its number. Texts are looked up through
// the loaded language file first and fall back to the built-in English table.

#include <QString>

// Text of string number id; empty when the table has no such number. A translator installed
// on the application (context "XALScriptEdit", source = the English text) takes precedence.
QString XalString(int id);
// XalString(id) with each "%s" replaced in order by the arguments (missing ones give "").
QString XalFormat(int id, const QString& a1 = QString(), const QString& a2 = QString(),
                  const QString& a3 = QString());
