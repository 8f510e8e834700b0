#pragma once

#include <QString>

#include <memory>

class CQJIniFile;

// The suite's configuration file at path, read and closed, or null when it is missing or
// cannot be read. A missing file is never created by asking.
std::unique_ptr<CQJIniFile> ReadConfigFile(const QString& path);
