#pragma once
// CAdmTools: the stateless toolbox for URL text that every part handling URLs uses —
// protocol prefixes, splitting, percent-encoding, validation, pattern matching, the text
// conversions the database and the operating system need, server colours and the reserved
// variables. Every operation accepts any text (empty, huge, non-BMP) and never throws.

#include "scriptmodel.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Service codes of the URL parser (suite/url).
inline constexpr unsigned kServiceFtp = 1;
inline constexpr unsigned kServiceHttp = 3;
inline constexpr unsigned kServiceHttps = 4107;

// Result codes of CAdmTools::ToANSI (Windows HRESULT values, kept for callers that log them).
inline constexpr std::uint32_t kAnsiOk = 0;
inline constexpr std::uint32_t kAnsiOutOfMemory = 0x8007000E; // E_OUTOFMEMORY

class CAdmTools {
public:
    // --- Protocols and methods --------------------------------------------------------------
    // "http://", "https://", "ftp://" for 0, 1, 2; empty otherwise.
    [[nodiscard]] static QString ProtocolPrefix(int protocol);
    // Prefix of the index followed by the server; empty (server dropped) for an unknown index.
    [[nodiscard]] static QString GetProtocolPrefix(const QString& server, int protocol);
    // 1 https, 2 ftp (prefix compared ignoring case, URL longer than 7 characters), else 0.
    [[nodiscard]] static int GetProtocolIndex(const QString& url);
    // True when the URL starts with one of the three prefixes, in any letter case.
    [[nodiscard]] static bool HasProtocol(const QString& url);
    // Puts "http://" in front of a URL of 8 or more characters that has no protocol prefix
    // (letter case ignored, so "HTTP://x" is left alone). Shorter texts never change.
    static void EnsureProtocol(QString& url);
    // Removes every occurrence of the prefix that belongs to the service code.
    [[nodiscard]] static QString StripProtocol(const QString& url, unsigned service);
    // "0" GET, "1" POST, "2" the unnamed third kind (string table); empty for anything else.
    [[nodiscard]] static QString GetMethodName(const QString& digit);
    // Empty for 0, 80 and 443, otherwise ":<port>".
    [[nodiscard]] static QString GetPortSuffix(int port);

    // --- Splitting --------------------------------------------------------------------------
    // Server part of the URL; empty when it does not parse.
    [[nodiscard]] static QString GetServer(const QString& url);
    // Part of the URL's object (address with query) in front of the first occurrence of text;
    // empty when the URL does not parse or the object does not contain the text.
    [[nodiscard]] static QString GetAddressBefore(const QString& url, const QString& text);
    // Host reduced to its domain: unchanged with fewer than two dots, else "." + everything
    // after the first dot. Empty when the URL does not parse.
    [[nodiscard]] static QString GetDomain(const QString& url);
    // Appends one parameter per non-empty "&"-piece holding "=" of the query, then of the POST
    // data; names and values are taken as they stand.
    static void ParseParameters(std::vector<CURLParamObj>& list, const QString& query,
                                int urlMethod, const QString& postData = QString());
    // Cuts the path at every character of separator (a character above U+FFFF counts whole,
    // in the path and in the separator) and appends one token per piece; see CURLTokenObj for
    // the three texts of a token. Each token holds about the whole URL, so the memory of a path
    // of many pieces grows with the square of its length: once this call's tokens would hold
    // more than kTokenizeLimit characters the remaining pieces are left out and the result is
    // false. True when every piece was listed.
    static constexpr qsizetype kTokenizeLimit = 16 * 1024 * 1024;
    static bool TokenizeURL(const QString& replacement, const QString& base, const QString& path,
                            const QString& separator, std::vector<CURLTokenObj>& list);

    // --- Encoding and decoding --------------------------------------------------------------
    // Keeps A-Z a-z 0-9 ! ( ) * - . _ ~; every other UTF-16 code unit becomes "%" + upper-case
    // hex without leading zeros (a tab gives "%9", U+20AC gives "%20AC").
    [[nodiscard]] static QString URLEncode(const QString& text);
    // "%C3%BC" becomes ü first; then "+" a space and "%" + two hex digits that character.
    [[nodiscard]] static QString URLDecode(const QString& text);
    // URLDecode while the text holds "%", at most rounds times (callers use 10).
    [[nodiscard]] static QString URLDecodeRepeated(const QString& text, int rounds = 10);
    [[nodiscard]] static bool IsHexPair(const QString& text);

    // --- Validation -------------------------------------------------------------------------
    // Well-formed http, https or ftp URL, as typed or with each UTF-8 byte one character.
    [[nodiscard]] static bool IsValidURL(const QString& url);
    // Checks "_dummy=<value>" as a parameter text; on rejection copies value to offending.
    [[nodiscard]] static bool ValidateParameter(const QString& value, QString& offending);
    // 0 when the whole text matches the Perl-syntax pattern (case ignored); 1 when it does not
    // or when the pattern is not a valid expression.
    [[nodiscard]] static int IsNotMatching(const QString& pattern, const QString& text);

    // --- Text conversions -------------------------------------------------------------------
    // UTF-8 bytes of the text (a lone surrogate, which has no UTF-8 form, becomes "?").
    [[nodiscard]] static std::string ToUTF8(const QString& text);
    // ANSI-code-page bytes -> text -> UTF-8, each UTF-8 byte becoming the character with that
    // code, so URLEncode of the result is the UTF-8 percent-encoding ("ü" -> "%C3%BC").
    [[nodiscard]] static QString ToUTF8Chars(std::string_view ansi);
    // The same for a text that is already wide (clipboard, dialogs).
    [[nodiscard]] static QString WideToUTF8Chars(const QString& text);
    // Copy of the text in the process's ANSI code page (QJAnsi; characters the code page lacks
    // become "_"). Returns kAnsiOk, or kAnsiOutOfMemory with out left empty.
    [[nodiscard]] static std::uint32_t ToANSI(const QString& text, std::string& out);
    // ANSI-code-page bytes as text.
    [[nodiscard]] static QString FromANSI(std::string_view ansi);

    // --- Server colours ---------------------------------------------------------------------
    // Colour of the server from the list; a new server takes the next palette entry (counter
    // incremented, wrapping after 20; callers start it at -1) and is appended to the list.
    static COLORREF GetServerColor(const QString& server, std::vector<CServerColorObj>& list,
                                   int& counter);
    static constexpr int kPaletteSize = 20;
    [[nodiscard]] static COLORREF PaletteColor(int index); // index taken modulo the size

    // --- Reserved variables -----------------------------------------------------------------
    // From the first "_XALURL_" up to and including the next "_" after it; empty when none.
    [[nodiscard]] static QString ExtractSpecialVariable(const QString& text);
    // True and kind = "_XALURL_" when the text holds the prefix; false (kind untouched) else.
    [[nodiscard]] static bool GetSpecialVariableKind(const QString& text, QString& kind);
};
