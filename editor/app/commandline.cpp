#include "commandline.h"

namespace {
bool RemoveSwitch(QString& text, const QString& name) {
    if (!text.contains(name))
        return false;
    text.remove(name);
    return true;
}
} // namespace

CCommandLine ParseCommandLine(const QString& commandLine) {
    CCommandLine result;
    QString text = commandLine.toLower();
    // Order matters only for overlapping texts; it is kept as the switches are documented.
    result.bRecording = RemoveSwitch(text, QStringLiteral("/mode:recording"));
    result.bShowProperties = RemoveSwitch(text, QStringLiteral("/mode:showproperties"));
    result.bXalID = RemoveSwitch(text, QStringLiteral("/xalid:"));
    result.strRemainder = text;
    return result;
}

QString JoinArguments(const QStringList& arguments) {
    return arguments.join(QLatin1Char(' '));
}
