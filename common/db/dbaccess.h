#pragma once
// The suite's database connection data: the block in which the tools library hands them out
// (XALIsMDBDataAvailable), its one decoder, and the one way to open a session with them
// (connect, then log on against "admin" when a user is configured).

#include <QString>

#include <memory>

class CMongoDB;

// Layout of the connection block: four zero-terminated fields at these offsets (in characters).
inline constexpr int kXalConnectionChars = 820;
inline constexpr int kXalConnServer = 0;     // "Server", 520 characters
inline constexpr int kXalConnSet = 520;      // "Set", 100 characters
inline constexpr int kXalConnUser = 620;     // "User", 100 characters
inline constexpr int kXalConnPassword = 720; // "PW" decrypted, 100 characters

struct CMDBAccess {
    QString server;
    QString set;
    QString user;
    QString password;
};

// Writes access into a block of kXalConnectionChars; a field too long for its place is cut
// (never between the halves of a surrogate pair) and always zero-terminated.
void EncodeConnectionBlock(const CMDBAccess& access, char16_t* block);
// Reads the four fields of a block; a field without its terminator ends at its place's end.
CMDBAccess DecodeConnectionBlock(const char16_t* block);

// What fills a connection block: the tools library's XALIsMDBDataAvailable.
using ConnectionBlockReader = bool (*)(char16_t* block);

// The configured connection data through reader; false when no server is configured. The
// block, which holds the password in clear, is wiped before returning.
bool ReadConnection(ConnectionBlockReader reader, CMDBAccess& access);

// Connects db and, when access names a user, logs on against "admin". False with the
// reason in error.
bool ConnectSession(CMongoDB& db, const CMDBAccess& access, QString& error);
// A new session on access.server and access.set, connected by ConnectSession; null with the
// reason in error.
std::unique_ptr<CMongoDB> OpenSession(const CMDBAccess& access, QString& error);
// The session of the suite's configuration: ReadConnection, then OpenSession.
std::unique_ptr<CMongoDB> OpenConfiguredSession(ConnectionBlockReader reader, QString& error);
