// CAdmTools: percent-encoding, validation, pattern matching and text conversions.
#include "admtools.h"

#include "advurl.h"
#include "ansicodepage.h" // QJAnsi, the process's ANSI code page
#include "hexdigit.h"

#include <boost/regex.hpp>

#include <algorithm>
#include <locale>
#include <new>
#include <stdexcept>

namespace {

bool StaysUnencoded(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'!' || c == u'(' || c == u')' || c == u'*' || c == u'-' || c == u'.' ||
           c == u'_' || c == u'~';
}

std::locale UnicodeLocale() {
    static const std::locale locale = [] {
        try {
            return std::locale("C.UTF-8");
        } catch (const std::runtime_error&) {
            return std::locale::classic();
        }
    }();
    return locale;
}

} // namespace

QString CAdmTools::URLEncode(const QString& text) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    QString out;
    out.reserve(text.size());
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (StaysUnencoded(c)) {
            out += qc;
            continue;
        }
        out += u'%';
        bool leading = true;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const int digit = (c >> shift) & 0xF;
            if (leading && digit == 0 && shift > 0)
                continue;
            leading = false;
            out += QChar(kHex[digit]);
        }
    }
    return out;
}

QString CAdmTools::URLDecode(const QString& text) {
    // One pass does both steps: "%C3%BC" cannot overlap a "%XX" that decodes, because a
    // decoding "%" consumes two hex digits and the sequence begins with "%".
    static constexpr char16_t kUUmlaut[] = u"%C3%BC";
    const char16_t* s = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    QString out(n, Qt::Uninitialized); // decoding never lengthens the text
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c == u'+') {
            *d++ = u' ';
        } else if (c != u'%') {
            *d++ = c;
        } else if (n - i >= 6 && std::equal(kUUmlaut, kUUmlaut + 6, s + i)) {
            *d++ = 0xFC;
            i += 5;
        } else if (i + 2 < n && HexDigitValue(s[i + 1]) >= 0 && HexDigitValue(s[i + 2]) >= 0) {
            *d++ = char16_t(HexDigitValue(s[i + 1]) * 16 + HexDigitValue(s[i + 2]));
            i += 2;
        } else {
            *d++ = u'%';
        }
    }
    out.truncate(d - reinterpret_cast<const char16_t*>(out.constData()));
    return out;
}

QString CAdmTools::URLDecodeRepeated(const QString& text, int rounds) {
    QString result = text;
    for (int done = 0; done < rounds && result.contains(u'%'); ++done)
        result = URLDecode(result);
    return result;
}

bool CAdmTools::IsHexPair(const QString& text) {
    return text.size() == 2 && HexDigitValue(text[0].unicode()) >= 0 &&
           HexDigitValue(text[1].unicode()) >= 0;
}

bool CAdmTools::IsValidURL(const QString& url) {
    // The checker reads the text as typed. Handing it the URLEncode form instead would leave it
    // guessing where a character ends ("%20AC" is "€" or a blank and "AC"), and it guessed
    // wrong for "€", "…", curly quotes and many CJK characters.
    CAdvURL checker;
    checker.SetURL(url, false);
    return checker.IsValid();
}

bool CAdmTools::ValidateParameter(const QString& value, QString& offending) {
    const bool valid = CAdvURL().ValidateParameter(QStringLiteral("_dummy=") + value);
    if (!valid)
        offending = value;
    return valid;
}

int CAdmTools::IsNotMatching(const QString& pattern, const QString& text) {
    try {
        boost::wregex expression;
        // Letter case of non-ASCII letters ("ü" and "Ü") folds only under a Unicode locale.
        expression.imbue(UnicodeLocale());
        expression.assign(pattern.toStdWString(),
                          boost::regex_constants::perl | boost::regex_constants::icase);
        return boost::regex_match(text.toStdWString(), expression) ? 0 : 1;
    } catch (...) {
        // Invalid pattern, or a match too complex to finish: treat as "no match".
        return 1;
    }
}

std::string CAdmTools::ToUTF8(const QString& text) {
    return text.toStdString();
}

QString CAdmTools::ToUTF8Chars(std::string_view ansi) {
    return WideToUTF8Chars(FromANSI(ansi));
}

QString CAdmTools::WideToUTF8Chars(const QString& text) {
    // Each byte widens to the character of the same code (not through the code page), so that
    // URLEncode yields the UTF-8 percent-encoding for every character; under Windows-1252 bytes
    // 0x80-0x9F ("Ä" is C3 84) would otherwise turn into unrelated characters.
    const QByteArray utf8 = text.toUtf8();
    return QString::fromLatin1(utf8);
}

std::uint32_t CAdmTools::ToANSI(const QString& text, std::string& out) {
    try {
        const QByteArray bytes = QJAnsi::FromUnicode(QJAnsi::ProcessCodePage(), text);
        out.assign(bytes.constData(), size_t(bytes.size()));
        return kAnsiOk;
    } catch (const std::bad_alloc&) {
        out.clear();
        return kAnsiOutOfMemory;
    }
}

QString CAdmTools::FromANSI(std::string_view ansi) {
    const QByteArray bytes = QByteArray::fromRawData(ansi.data(), qsizetype(ansi.size()));
    // Bytes that are not valid in a multi-byte code page still give text, never nothing.
    return QJAnsi::ToUnicode(QJAnsi::ProcessCodePage(), bytes).value_or(QString::fromUtf8(bytes));
}
