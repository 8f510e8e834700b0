// The URL parser, the URL and parameter checks and the URL splitting helpers on any text.

#include "admtools.h"
#include "advurl.h"
#include "fuzzinput.h"
#include "urlparser.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = FuzzText(data, size);
    XalParsedURL parsed;
    parsed.port = 80;
    if (XalParseURL(text, parsed)) {
        if (parsed.server.isEmpty() || !parsed.object.startsWith(u'/') || parsed.port < 0 ||
            parsed.port > 65535)
            std::abort();
        if (parsed.service != kServiceHttp && parsed.service != kServiceHttps &&
            parsed.service != kServiceFtp)
            std::abort();
    }
    CAdvURL checker;
    checker.SetURL(text, size % 2 == 0);
    if (checker.IsValid() && !XalParseURL(checker.GetURL(), parsed))
        std::abort();
    (void)checker.ValidateParameter(text);
    (void)CAdmTools::IsValidURL(text);
    (void)CAdmTools::GetDomain(text);
    (void)CAdmTools::GetAddressBefore(text, text.right(3));
    QString url = text;
    CAdmTools::EnsureProtocol(url);
    (void)CAdmTools::GetProtocolIndex(url);
    (void)CAdmTools::StripProtocol(url, kServiceHttp);
    return 0;
}
