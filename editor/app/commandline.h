#pragma once
// The editor's command line: "/xalid:" (required), "/mode:recording", "/mode:showproperties".
// The whole line is lower-cased, every occurrence of each switch is removed, and what is left
// is the XAL ID, so any unknown text stays part of the ID.

#include <QString>
#include <QStringList>

struct CCommandLine {
    bool bXalID = false;
    bool bRecording = false;
    bool bShowProperties = false;
    QString strRemainder; // lower-cased, switches removed, not trimmed

    [[nodiscard]] QString XalID() const { return strRemainder.trimmed(); }
    // A usable command line names "/xalid:" and leaves a non-blank ID.
    [[nodiscard]] bool IsValid() const { return bXalID && !XalID().isEmpty(); }
};

CCommandLine ParseCommandLine(const QString& commandLine);
// The program's arguments after its name, joined by single blanks.
QString JoinArguments(const QStringList& arguments);
