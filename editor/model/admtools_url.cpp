// CAdmTools: protocol prefixes and splitting URLs into their parts.
#include "admtools.h"

#include "urlparser.h"
#include "xalstrings.h"

#include <algorithm>

namespace {

const QString kHttp = QStringLiteral("http://");
const QString kHttps = QStringLiteral("https://");
const QString kFtp = QStringLiteral("ftp://");

bool StartsWithProtocol(const QString& url) {
    return url.startsWith(kHttp, Qt::CaseInsensitive) ||
           url.startsWith(kHttps, Qt::CaseInsensitive) || url.startsWith(kFtp, Qt::CaseInsensitive);
}

bool IsIPv4Literal(const QString& host) {
    int dots = 0;
    int digits = 0;
    for (QChar c : host) {
        if (c == u'.') {
            if (digits == 0)
                return false;
            ++dots;
            digits = 0;
        } else if (c >= u'0' && c <= u'9') {
            ++digits;
        } else {
            return false;
        }
    }
    return dots == 3 && digits > 0;
}

// Length in code units of the character at `at`: 2 for a surrogate pair, else 1.
qsizetype CharacterLength(QStringView text, qsizetype at) {
    return at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate() ? 2
                                                                                               : 1;
}

// Code point of the character at `at`; a lone surrogate stands for itself.
char32_t CharacterAt(QStringView text, qsizetype at) {
    return CharacterLength(text, at) == 2 ? QChar::surrogateToUcs4(text[at], text[at + 1])
                                          : char32_t(text[at].unicode());
}

} // namespace

QString CAdmTools::ProtocolPrefix(int protocol) {
    switch (protocol) {
    case kProtocolHttp:
        return kHttp;
    case kProtocolHttps:
        return kHttps;
    case kProtocolFtp:
        return kFtp;
    default:
        return {};
    }
}

QString CAdmTools::GetProtocolPrefix(const QString& server, int protocol) {
    const QString prefix = ProtocolPrefix(protocol);
    return prefix.isEmpty() ? QString() : prefix + server;
}

int CAdmTools::GetProtocolIndex(const QString& url) {
    if (url.size() <= 7)
        return kProtocolHttp;
    if (url.startsWith(kHttps, Qt::CaseInsensitive))
        return kProtocolHttps;
    if (url.startsWith(kFtp, Qt::CaseInsensitive))
        return kProtocolFtp;
    return kProtocolHttp;
}

bool CAdmTools::HasProtocol(const QString& url) {
    // A 7-character "ftp://x" counts as having none: only "http://" may stand in 7 characters.
    if (url.size() >= 7 && url.startsWith(kHttp, Qt::CaseInsensitive))
        return true;
    return url.size() >= 8 && (url.startsWith(kHttps, Qt::CaseInsensitive) ||
                               url.startsWith(kFtp, Qt::CaseInsensitive));
}

void CAdmTools::EnsureProtocol(QString& url) {
    if (url.size() >= 8 && !StartsWithProtocol(url))
        url.prepend(kHttp);
}

QString CAdmTools::StripProtocol(const QString& url, unsigned service) {
    QString result = url;
    switch (service) {
    case kServiceHttp:
        return result.remove(kHttp);
    case kServiceHttps:
        return result.remove(kHttps);
    case kServiceFtp:
        return result.remove(kFtp);
    default:
        return result;
    }
}

QString CAdmTools::GetMethodName(const QString& digit) {
    if (digit == u"0")
        return XalString(129);
    if (digit == u"1")
        return XalString(130);
    if (digit == u"2")
        return XalString(126);
    return {};
}

QString CAdmTools::GetPortSuffix(int port) {
    if (port == 0 || port == 80 || port == 443)
        return {};
    return u':' + QString::number(port);
}

QString CAdmTools::GetServer(const QString& url) {
    XalParsedURL parsed;
    parsed.port = 80;
    return XalParseURL(url, parsed) ? parsed.server : QString();
}

QString CAdmTools::GetAddressBefore(const QString& url, const QString& text) {
    XalParsedURL parsed;
    parsed.port = 80;
    if (!XalParseURL(url, parsed))
        return {};
    const qsizetype at = parsed.object.indexOf(text);
    return at < 0 ? QString() : parsed.object.left(at);
}

QString CAdmTools::GetDomain(const QString& url) {
    const QString host = GetServer(url);
    // An address literal has no parent domain; its "suffix" would match unrelated hosts.
    if (host.count(u'.') < 2 || IsIPv4Literal(host))
        return host;
    return host.mid(host.indexOf(u'.'));
}

void CAdmTools::ParseParameters(std::vector<CURLParamObj>& list, const QString& query,
                                int urlMethod, const QString& postData) {
    const auto append = [&list](const QString& text, int method) {
        for (QStringView piece : QStringView(text).tokenize(u'&', Qt::SkipEmptyParts)) {
            const qsizetype eq = piece.indexOf(u'=');
            if (eq < 0)
                continue;
            CURLParamObj param;
            param.m_strName = piece.left(eq).toString();
            param.m_strValue = piece.mid(eq + 1).toString();
            param.m_nMethod = method;
            list.push_back(std::move(param));
        }
    };
    append(query, urlMethod != 0 ? 2 : 0);
    append(postData, urlMethod == 1 ? 1 : 0);
}

bool CAdmTools::TokenizeURL(const QString& replacement, const QString& base, const QString& path,
                            const QString& separator, std::vector<CURLTokenObj>& list) {
    if (path.isEmpty())
        return true;
    const QStringView rest = QStringView(path).mid(path.startsWith(u'/') ? 1 : 0);
    QString prefix = base;
    if (!prefix.isEmpty() && !prefix.endsWith(u'/'))
        prefix += u'/';

    std::vector<char32_t> separators;
    for (qsizetype i = 0; i < separator.size(); i += CharacterLength(separator, i))
        separators.push_back(CharacterAt(separator, i));
    const auto separatorLength = [&](qsizetype at) -> qsizetype {
        const qsizetype length = CharacterLength(rest, at);
        const char32_t c = CharacterAt(rest, at);
        return std::find(separators.begin(), separators.end(), c) != separators.end() ? length : 0;
    };

    qsizetype held = 0;
    qsizetype i = 0;
    while (i < rest.size()) {
        if (const qsizetype length = separatorLength(i); length > 0) {
            i += length;
            continue;
        }
        qsizetype end = i;
        while (end < rest.size() && separatorLength(end) == 0)
            end += CharacterLength(rest, end);
        const qsizetype prefixSize = prefix.size() + (list.empty() ? 0 : separator.size());
        const qsizetype tokenSize =
            (end - i) + prefixSize * 2 + replacement.size() + (rest.size() - end);
        if (held + tokenSize > kTokenizeLimit)
            return false;
        held += tokenSize;
        if (!list.empty())
            prefix += separator;
        CURLTokenObj token;
        token.m_strToken = rest.mid(i, end - i).toString();
        token.m_strPrefix = prefix;
        token.m_strReplaced = prefix + replacement + rest.mid(end).toString();
        prefix += token.m_strToken;
        list.push_back(std::move(token));
        i = end;
    }
    return true;
}
