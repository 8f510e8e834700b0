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

// Reads section "MongoDB" of the file; false when it cannot be read, names no server or holds
// a value too long for its field of the connection block (nothing is cut silently). A "PW"
// that does not decrypt leaves the password empty. A file with a "PW" that other users can
// read gives a trace warning.
bool ReadAccessFile(const QString& path, CMDBAccess& access);
// Why ReadAccessFile gives false for path, for the user; empty when it gives true.
QString AccessFileProblem(const QString& path);

// The session of the suite's configuration (see OpenConfiguredSession); null when there is
// none or it cannot be opened.
std::unique_ptr<CMongoDB> ConnectConfiguredDatabase();
