#pragma once
// Byte-exact file contents for the reader tests.

#include <QByteArray>
#include <QString>

QByteArray Utf16Bytes(const QString& text, bool withMark);
void WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);
