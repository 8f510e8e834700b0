#include "xalstrings.h"

#include <algorithm>
#include <iterator>

namespace {
struct Entry {
    int id;
    const char16_t* text;
};

// Keep in numeric order.
constexpr Entry kStrings[] = {
    {26, u"To close the main script, you have to close the Script Editor. Close the Script Editor "
         u"now?"},
    {124, u"Main script"},
    {125, u"Conditional script: %s"},
    {135, u"E-script data have been modified.\nSave e-script?"},
    {140, u"Delete the conditional script called '%s'?"},
    {158,
     u"E-script data in '%s' has been changed.\nThis e-script does not contain any URLs in its "
     u"main script and thus cannot be saved.\nExit program?"},
};
} // namespace

QString XalString(int id) {
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const Entry& e, int key) { return e.id < key; });
    if (it == std::end(kStrings) || it->id != id)
        return {};
    return QString::fromUtf16(it->text);
}

QString XalFormat(int id, const QString& a1, const QString& a2, const QString& a3) {
    const QString pattern = XalString(id);
    const QString args[] = {a1, a2, a3};
    QString out;
    out.reserve(pattern.size() + a1.size() + a2.size() + a3.size());
    int next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u's') {
            if (next < 3)
                out += args[next];
            ++next;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}
