// URL decoding must cope with any text and keep its documented shape: a single round never
// lengthens the text, and a text without "%" survives repeated decoding unchanged.

#include "admtools.h"
#include "fuzzinput.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = FuzzText(data, size);
    const QString once = CAdmTools::URLDecode(text);
    if (once.size() > text.size())
        std::abort();
    const QString repeated = CAdmTools::URLDecodeRepeated(text, 10);
    if (!text.contains(u'%') && repeated != text)
        std::abort();
    // Decoding restores encoded Latin-1 text, except where the text itself holds the two
    // characters whose encoding is the special "%C3%BC".
    const QString encoded = CAdmTools::URLEncode(text);
    bool latin1 = true;
    for (QChar c : text)
        latin1 = latin1 && c.unicode() >= 0x10 && c.unicode() <= 0xFF;
    const QString utf8UUmlaut = QString(QChar(0xC3)) + QChar(0xBC);
    if (latin1 && !text.contains(utf8UUmlaut) && CAdmTools::URLDecode(encoded) != text)
        std::abort();
    return 0;
}
