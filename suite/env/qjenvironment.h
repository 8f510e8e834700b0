#pragma once
// Access to the suite's environment variables for the suite's programs (same store as
// xalenv.h).

#include <QString>

class CQJEnvironment {
public:
    // Value of the variable, empty when unset.
    [[nodiscard]] static QString Get(const QString& name);
    // True and the value when the variable is set to a non-empty value.
    static bool Get(const QString& name, QString& value);
    // Expands "%NAME%" placeholders of text into out; false when a placeholder names an
    // unset variable (out then keeps that placeholder as written).
    static bool StrToRealStr(const QString& text, QString& out);
};
