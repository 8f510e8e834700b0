#pragma once
// Password text of the access configuration file: AES-256-GCM under a key derived from a
// short key text (PBKDF2-HMAC-SHA256 with a random salt), stored as base64 of
// salt | nonce | cipher text | tag. The tag makes wrong keys and damaged texts detectable.

#include <QByteArray>
#include <QString>

// Key text with which the suite's installation encrypts the "PW" value of its access file.
inline constexpr char kXalAccessKey[] = "QMZTRVKWB";

// Decrypts a text made by EncryptStringW with the same key. A null, wrong or damaged text
// or a wrong key gives false and an empty out.
bool DecryptStringW(const char* cipherText, const char* key, QString& out);

// Encrypts plain (as UTF-8); false only when the crypto library fails.
bool EncryptStringW(const QString& plain, const char* key, QByteArray& cipherText);
