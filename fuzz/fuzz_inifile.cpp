// Feeds arbitrary bytes to the configuration reader as a file's content: detection, piece
// reading, trimming and both encodings must cope with anything without crashing.

#include "qjinifile.h"
#include "qjstdiofile.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// One scratch file for the whole run; every input overwrites it.
const QString& ScratchPath() {
    static const QString path = [] {
        char pattern[] = "/tmp/fuzz_inifile_XXXXXX";
        const int fd = ::mkstemp(pattern);
        if (fd < 0)
            std::abort();
        ::close(fd);
        std::atexit([] { std::remove(ScratchPath().toLocal8Bit().constData()); });
        return QString::fromLocal8Bit(pattern);
    }();
    return path;
}

bool WriteScratch(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(ScratchPath().toLocal8Bit().constData(), "wb");
    if (file == nullptr)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// Names to look up, taken from the input itself so that present keys are found too.
QStringList NamesFrom(const uint8_t* data, size_t size) {
    QStringList names = {QStringLiteral("Settings"), QStringLiteral("XalServer"),
                         QStringLiteral("MongoDB"), QStringLiteral("Server")};
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : bytes.left(4096).split('\n').mid(0, 8)) {
        const QString text = QString::fromLatin1(line);
        names << text << text.section(u'=', 0, 0) << text.mid(1, text.size() - 2);
    }
    return names;
}

void ReadRawPieces() {
    CQJStdioFile file;
    if (!file.Open(ScratchPath(), CQJStdioFile::modeRead | CQJStdioFile::shareDenyNone))
        return;
    char16_t small[7];
    try {
        for (int i = 0; i < 64 && file.ReadString(small, 7, i % 2 == 0) != nullptr; ++i) {
        }
    } catch (const CQJFileException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!WriteScratch(data, size))
        return 0;
    {
        CQJIniFile ini(ScratchPath());
        if (ini.Read() == 0) {
            const QStringList names = NamesFrom(data, size);
            QString value;
            for (const QString& section : names) {
                for (const QString& key : names)
                    ini.GetValue(section, key, value);
            }
        }
    }
    ReadRawPieces();
    return 0;
}
