// CAdmTools: server colours and reserved variables.
#include "admtools.h"

#include "specialvars.h"

#include <algorithm>

namespace {

constexpr COLORREF kPalette[CAdmTools::kPaletteSize] = {
    0xF4F2EA, 0xFEF9E9, 0xEBF1CB, 0xD4E1EC, 0xFBE9E2, 0xF4F8E5, 0xE2DFEE,
    0xFFF9C5, 0xDEE0DD, 0xD5EDF7, 0xFBEDF4, 0xE1F1EA, 0xFFFDED, 0xE5D8DB,
    0xC3DFC4, 0xCED0D2, 0xFCEED8, 0xDCE3D5, 0xE9F6FC, 0xFBEBE3,
};

} // namespace

COLORREF CAdmTools::PaletteColor(int index) {
    const int wrapped = ((index % kPaletteSize) + kPaletteSize) % kPaletteSize;
    return kPalette[wrapped];
}

COLORREF CAdmTools::GetServerColor(const QString& server, std::vector<CServerColorObj>& list,
                                   int& counter) {
    const auto known = std::find_if(list.begin(), list.end(), [&server](const auto& entry) {
        return entry.m_strServer == server;
    });
    if (known != list.end())
        return known->m_crColor;
    // Wraps after the last entry; a counter out of range (never incremented past the end, so
    // no overflow) starts over at the first.
    counter = counter < 0 || counter >= kPaletteSize - 1 ? 0 : counter + 1;
    CServerColorObj entry;
    entry.m_strServer = server;
    entry.m_crColor = kPalette[counter];
    list.push_back(entry);
    return entry.m_crColor;
}

QString CAdmTools::ExtractSpecialVariable(const QString& text) {
    const qsizetype start = text.indexOf(kXalUrlPrefix);
    if (start < 0)
        return {};
    const qsizetype end = text.indexOf(u'_', start + kXalUrlPrefix.size());
    return end < 0 ? QString() : text.mid(start, end - start + 1);
}

bool CAdmTools::GetSpecialVariableKind(const QString& text, QString& kind) {
    if (!text.contains(kXalUrlPrefix))
        return false;
    kind = kXalUrlPrefix;
    return true;
}

QString FlexibleParameterName(int number) {
    return kXalUrlPrefix + QString::number(number) + u'_';
}

int FlexibleParameterNumber(const QString& text) {
    if (!text.startsWith(kXalUrlPrefix) || !text.endsWith(u'_'))
        return -1;
    const QStringView digits =
        QStringView(text).mid(kXalUrlPrefix.size(), text.size() - kXalUrlPrefix.size() - 1);
    if (digits.isEmpty() || digits.size() > 9 || (digits.size() > 1 && digits[0] == u'0'))
        return -1;
    int number = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}

bool HoldsInternalVariable(const QString& text) {
    return text.contains(kXalUrlPrefix);
}

bool HoldsLogonVariable(const QString& text) {
    return text.contains(kXalUrlUser) || text.contains(kXalUrlPassword);
}
