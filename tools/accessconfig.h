#pragma once
// The database connection of the suite: its access configuration file and the session
// opened with it.

#include "dbaccess.h"

#include <QString>

#include <memory>

class CMongoDB;

// "%zvhome%/system/cfg/zvaccess.cfg" when the suite's environment is there, else
// "cfg/zvaccess.cfg" in the parent of the running program's directory.
QString AccessFilePath();

// Reads section "MongoDB" of the file; false when it cannot be read or names no server.
// A "PW" that does not decrypt leaves the password empty.
bool ReadAccessFile(const QString& path, CMDBAccess& access);

// The session of the suite's configuration (see OpenConfiguredSession); null when there is
// none or it cannot be opened.
std::unique_ptr<CMongoDB> ConnectConfiguredDatabase();
