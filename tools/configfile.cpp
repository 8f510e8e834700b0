#include "configfile.h"

#include "qjinifile.h"

#include <QFileInfo>

std::unique_ptr<CQJIniFile> ReadConfigFile(const QString& path) {
    // Reading would create a missing file; asking must never leave an empty one behind.
    // Files the user may only read are read by the reader itself.
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    auto file = std::make_unique<CQJIniFile>(path);
    const int result = file->Read();
    file->Close();
    return result == 0 ? std::move(file) : nullptr;
}
