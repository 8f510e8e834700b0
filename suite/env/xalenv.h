#pragma once
// The suite's environment store. Variables live in the process environment, so programs
// started from here inherit them; names are compared ignoring case, as the suite's
// programs spell them inconsistently. The operations keep the numbers by which the
// suite's programs know them.

#include <QHash>
#include <QString>

// 1: sets every variable of the map.
void XalEnvSetAll(const QHash<QString, QString>& variables);

// 3: the suite's environment is there when "zvhome" is set to a non-empty value.
[[nodiscard]] bool XalEnvIsAvailable();

// 7: sets one variable. An existing variable keeps the spelling of its name; a name that
// is empty or contains "=" or a zero character is ignored.
void XalEnvSet(const QString& name, const QString& value);

// 10: the value of a variable, empty when unset. The buffer form writes at most size - 1
// characters and a terminating zero; a value that does not fit leaves the buffer empty.
[[nodiscard]] QString XalEnvGet(const QString& name);
void XalEnvGet(const QString& name, char16_t* buffer, int size);

// 11: replaces each "%NAME%" by the variable's value; a placeholder of an unset variable
// and a lone "%" stay as written. False when the buffer is null or the text does not fit
// (the buffer is then empty).
// allResolved (optional) tells whether every placeholder named a set variable.
[[nodiscard]] QString XalEnvExpand(const QString& text, bool* allResolved = nullptr);
bool XalEnvExpand(const QString& text, char16_t* buffer, int size);
