#include "urlparser.h"

namespace {

struct Scheme {
    QLatin1StringView prefix;
    unsigned service;
};

constexpr Scheme kSchemes[] = {
    {QLatin1StringView("http://"), 3},
    {QLatin1StringView("https://"), 4107},
    {QLatin1StringView("ftp://"), 1},
};

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Port text of the authority; empty means "none named". -1 for anything that is no port.
int ParsePort(QStringView text) {
    if (text.isEmpty() || text.size() > 5)
        return text.isEmpty() ? -2 : -1;
    int port = 0;
    for (QChar c : text) {
        if (!IsAsciiDigit(c))
            return -1;
        port = port * 10 + (c.unicode() - u'0');
    }
    return port <= 65535 ? port : -1;
}

} // namespace

bool XalParseURL(const QString& input, XalParsedURL& result) {
    const QString url = input.trimmed();
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes)
        if (url.startsWith(s.prefix, Qt::CaseInsensitive)) {
            scheme = &s;
            break;
        }
    if (!scheme)
        return false;

    const qsizetype start = scheme->prefix.size();
    qsizetype end = start;
    while (end < url.size() && url[end] != u'/' && url[end] != u'?' && url[end] != u'#')
        ++end;
    QStringView authority = QStringView(url).mid(start, end - start);
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0)
        authority = authority.mid(at + 1);

    QStringView host = authority;
    QStringView portText;
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return false;
        host = authority.left(close + 1);
        QStringView rest = authority.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(u':'))
                return false;
            portText = rest.mid(1);
        }
    } else if (const qsizetype colon = authority.lastIndexOf(u':'); colon >= 0) {
        host = authority.left(colon);
        portText = authority.mid(colon + 1);
    }
    if (host.isEmpty())
        return false;
    const int port = ParsePort(portText);
    if (port == -1)
        return false;

    result.service = scheme->service;
    result.server = host.toString();
    result.object = url.mid(end);
    if (!result.object.startsWith(u'/'))
        result.object.prepend(u'/');
    if (port >= 0)
        result.port = port;
    return true;
}
