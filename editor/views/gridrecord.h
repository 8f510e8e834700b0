#pragma once
// The record a script grid row carries, and the row data bits of the script grids.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace RowBits {
inline constexpr std::uint32_t kURL = 0x20;
inline constexpr std::uint32_t kParam = 0x40;
inline constexpr std::uint32_t kLogonUser = 0x200;
inline constexpr std::uint32_t kLogonPassword = 0x400;
inline constexpr std::uint32_t kFlexByNameValue = 0x800;
inline constexpr std::uint32_t kConditionURL = 0x1000;
inline constexpr std::uint32_t kScriptURL = 0x2000;
inline constexpr std::uint32_t kSpecialValue = 0x4000;
inline constexpr std::uint32_t kFlexByValue = 0x8000;
inline constexpr std::uint32_t kInDialog = 0x10000;
inline constexpr std::uint32_t kFlexCondition = 0x20000;
} // namespace RowBits

// Record flags of a URL whose address holds a flexible parameter.
inline constexpr int kURLFlexibleFlags = 9999;
// Split marks of collected URLs: condition URL and the URLs of a new conditional script.
inline constexpr int kSplitCondition = 4096;
inline constexpr int kSplitScript = 8192;

class CGridItemRecord {
public:
    int m_nFlags = 0;
    QString m_strOrgValue; // URL row: URL as recorded; parameter row: value before replacement
    QString m_strRawValue; // parameter row: stored (undecoded) value
    QString m_strValue;    // parameter row: displayed value
    // Stored fields of the row's URL or parameter the editor does not know (a BSON document),
    // written back by the save; they travel with the row when it moves.
    QByteArray m_baExtraFields;
};

// One spread of a flexible parameter over a view's rows (UpdateAllScripts).
struct CSpreadRequest {
    QString strPlaceholder;
    int nMode = 0; // 1 by name and value, 2 by value
    bool bInAddresses = false;
    bool bInValues = false;
    QString strSeparator;
    QString strName;
    QString strValue;
    CGridItemRecord templ;
};
