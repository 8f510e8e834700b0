#pragma once
// Reserved variables that stand in URL addresses and parameter values, and the bits that mark
// them. The proxy fills them in when it runs the e-script; all are matched case-sensitively.

#include <QString>

// Every reserved name begins with this prefix; a text holding it holds an internal variable.
inline const QString kXalUrlPrefix = QStringLiteral("_XALURL_");
inline const QString kXalUrlUser = QStringLiteral("_XALURL_USER_");
inline const QString kXalUrlPassword = QStringLiteral("_XALURL_PASSWORD_");
inline const QString kXalUrlConditionTemplate = QStringLiteral("_XALURL_CONDITION_TEMPLATE_");
// Stands for one "*" of a condition URL only while its syntax is checked; never stored.
inline const QString kXalCondWildcard = QStringLiteral("_____XAL_COND_WILDCARD_____");

// "_XALURL_<n>_": flexible parameter number n (decimal, no leading zeros).
[[nodiscard]] QString FlexibleParameterName(int number);
// Number n when the text is exactly "_XALURL_<n>_", otherwise -1.
[[nodiscard]] int FlexibleParameterNumber(const QString& text);
// True when the text contains the reserved prefix.
[[nodiscard]] bool HoldsInternalVariable(const QString& text);
// True when the text contains the logon user or logon password variable.
[[nodiscard]] bool HoldsLogonVariable(const QString& text);

// CURLParamObj::m_nSpecialVariable and the flags of a parameter row's grid record.
enum SpecialVariableBits : int {
    kSpecialVarOrdinary = 0x40,         // plain parameter row, no variable
    kSpecialVarLogonUser = 0x200,       // value is _XALURL_USER_
    kSpecialVarLogonPassword = 0x400,   // value is _XALURL_PASSWORD_
    kSpecialVarFlexNameValue = 0x800,   // placeholder chosen for this name and value
    kSpecialVarUndecoded = 0x4000,      // shown undecoded; never set by the editor
    kSpecialVarFlexValue = 0x8000,      // value is, or holds, a placeholder
    kSpecialVarFlexCondition = 0x20000, // belongs to a flexible condition
};

// CURLObj::m_nFlags.
inline constexpr int kURLFlagPlain = 0;
inline constexpr int kURLFlagFlexible = 9999;         // whole value: address holds a placeholder
inline constexpr int kURLFlagFlexCondition = 0x20000; // address is the condition template
inline constexpr int kURLFlagSplitCondition = 4096;   // split marks while a script is created
inline constexpr int kURLFlagSplitFollower = 8192;
