#pragma once
// Splits a URL into service, server, object and port, the way the editor's callers expect of
// the platform URL parser: only http, https and ftp are recognised (scheme in any case).

#include <QString>

struct XalParsedURL {
    unsigned service = 0; // 3 http, 4107 https, 1 ftp
    QString server;       // host as written, without user info, brackets kept for IPv6
    QString object;       // address with query and fragment; "/" when the URL names none
    int port = 0;         // the URL's port; the caller's value when the URL names none
};

// False (result unchanged) for text without a recognised scheme, without a host, or with a
// port that is not a number from 0 to 65535. Set result.port before the call to choose the
// port reported for a URL that names none (callers use 80).
[[nodiscard]] bool XalParseURL(const QString& url, XalParsedURL& result);
