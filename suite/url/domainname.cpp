#include "domainname.h"

namespace {

constexpr qsizetype kMaxLabel = 63;
constexpr qsizetype kMaxName = 253;

bool IsLabelCharacter(QChar c) {
    // Letters beyond ASCII: servers may be written with their international names.
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'*';
}

bool IsLabel(QStringView label) {
    if (label.isEmpty() || label.size() > kMaxLabel)
        return false;
    if (label.front() == u'-' || label.back() == u'-')
        return false;
    for (QChar c : label)
        if (!IsLabelCharacter(c))
            return false;
    return true;
}

bool IsIPv6Literal(QStringView text) {
    if (text.size() < 4 || text.front() != u'[' || text.back() != u']')
        return false;
    const QStringView inner = text.mid(1, text.size() - 2);
    if (inner.count(u':') < 2)
        return false;
    for (QChar c : inner)
        if (!(c.isDigit() || (c >= u'a' && c <= u'f') || c == u':' || c == u'.'))
            return false;
    return true;
}

} // namespace

bool IsDomainListEntry(const QString& entry) {
    const QString text = entry.trimmed().toLower();
    QStringView name(text);
    if (IsIPv6Literal(name))
        return true;
    if (name.startsWith(u'.'))
        name = name.mid(1);
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty() || name.size() > kMaxName)
        return false;
    for (QStringView label : name.tokenize(u'.'))
        if (!IsLabel(label))
            return false;
    return true;
}
