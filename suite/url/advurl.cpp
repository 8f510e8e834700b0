#include "advurl.h"

#include "hexdigit.h"
#include "urlparser.h"

#include <QStringDecoder>
#include <QUrl>

namespace {

// C0 controls and DEL. The C1 range 0x80-0x9F is not among them: callers check text in which
// each UTF-8 byte is one character (CAdmTools::ToUTF8Chars), and there those codes are bytes of
// ordinary letters ("Ä" is C3 84, "ß" C3 9F).
bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

// Characters that may stand in a URL (outside the host) without being percent-encoded.
bool MayStandInURL(char16_t c) {
    return c != u' ' && !IsControl(c) && !QStringView(u"<>\"{}|\\^`").contains(QChar(c));
}

// The encoder writes each code unit as "%" + hex without leading zeros, so one to four digits
// follow a "%" and the split of a run of hex digits is ambiguous. Two digits are read as one
// character, as in ordinary percent-encoding, unless they give a control character: then the
// shortest longer reading that gives a character allowed in a URL is taken (U+0141 "Ł" is
// written "%141"). A few characters above U+00FF whose code begins with that of a blank or
// delimiter (U+20AC "€" is "%20AC") therefore read as that blank and make the URL invalid.
QString DecodeWholeText(const QString& text) {
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] != u'%') {
            out += text[i];
            continue;
        }
        int digits = 0;
        while (digits < 4 && i + 1 + digits < n &&
               HexDigitValue(text[i + 1 + digits].unicode()) >= 0)
            ++digits;
        if (digits == 0) {
            out += u'%';
            continue;
        }
        const auto codeOf = [&](int len) {
            char16_t code = 0;
            for (int k = 0; k < len; ++k)
                code = char16_t(code * 16 + HexDigitValue(text[i + 1 + k].unicode()));
            return code;
        };
        int chosenLength = digits == 1 ? 1 : 2;
        if (digits >= 3 && IsControl(codeOf(2))) {
            for (int len = 3; len <= digits; ++len)
                if (MayStandInURL(codeOf(len))) {
                    chosenLength = len;
                    break;
                }
        }
        const char16_t code = codeOf(chosenLength);
        out += QChar(code);
        i += chosenLength;
    }
    return out;
}

bool IsHostValid(const QString& host) {
    if (host.startsWith(u'['))
        return true; // QUrl checks the IPv6 literal
    bool hasLetterOrDigit = false;
    QChar previous = u'.';
    for (QChar c : host) {
        if (c == u'.' && previous == u'.')
            return false; // empty label
        if (c.isLetterOrNumber())
            hasLetterOrDigit = true;
        else if (c != u'-' && c != u'_' && c != u'.')
            return false;
        previous = c;
    }
    return hasLetterOrDigit;
}

// Text in which each UTF-8 byte stands as one character (pasted and recorded URLs) is read as
// the text it encodes, so that it gets the verdict of the same URL typed: a host "市.cn" is
// letters, its bytes E5 B8 82 are not.
QString AsTypedText(const QString& url) {
    bool highByte = false;
    for (QChar c : url) {
        if (c.unicode() > 0xFF)
            return url;
        highByte = highByte || c.unicode() >= 0x80;
    }
    if (!highByte)
        return url;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(url.toLatin1());
    return decoder.hasError() ? url : decoded;
}

bool IsURLWellFormed(const QString& text) {
    const QString url = AsTypedText(text);
    XalParsedURL parsed;
    if (!XalParseURL(url, parsed) || url != url.trimmed())
        return false;
    if (!IsHostValid(parsed.server))
        return false;
    for (QChar c : url)
        if (!MayStandInURL(c.unicode()))
            return false;
    return QUrl(url, QUrl::StrictMode).isValid();
}

bool IsNameChar(QChar c) {
    return MayStandInURL(c.unicode()) && !QStringView(u"&#?=").contains(c);
}

bool IsValueChar(QChar c) {
    return MayStandInURL(c.unicode()) && c != u'&' && c != u'#';
}

} // namespace

void CAdvURL::SetURL(const QString& url, bool encoded) {
    m_strURL = encoded ? DecodeWholeText(url) : url;
    m_bValid = IsURLWellFormed(m_strURL);
}

bool CAdvURL::ValidateParameter(const QString& text) const {
    const qsizetype eq = text.indexOf(u'=');
    if (eq <= 0)
        return false;
    for (qsizetype i = 0; i < eq; ++i)
        if (!IsNameChar(text[i]))
            return false;
    for (qsizetype i = eq + 1; i < text.size(); ++i)
        if (!IsValueChar(text[i]))
            return false;
    return true;
}
