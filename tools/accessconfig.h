#pragma once
// The database connection of the suite: its access configuration file and the session
// opened with it.

#include <QString>

#include <memory>

class CMongoDB;

struct CMDBAccess {
    QString server;
    QString set;
    QString user;
    QString password;
};

// "%zvhome%/system/cfg/zvaccess.cfg" when the suite's environment is there, else
// "cfg/zvaccess.cfg" in the parent of the running program's directory.
QString AccessFilePath();

// Reads section "MongoDB" of the file; false when it cannot be read or names no server.
// A "PW" that does not decrypt leaves the password empty.
bool ReadAccessFile(const QString& path, CMDBAccess& access);

// The connection data as XALIsMDBDataAvailable hands them out; false when none.
bool ReadConnectionData(CMDBAccess& access);

// A connected (and, with a user, authenticated) session, or null.
std::unique_ptr<CMongoDB> ConnectDatabase(const CMDBAccess& access);

// ConnectDatabase with the data of ReadConnectionData; null when there are none.
std::unique_ptr<CMongoDB> ConnectConfiguredDatabase();
