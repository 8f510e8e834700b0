#pragma once
// "--help" and "--version": answered before anything else starts, so they need no display,
// no database and no lock. Any other command line keeps the "/xalid:" grammar.

#include <QString>
#include <QStringList>

enum class InfoSwitch { None, Help, Version };

// The switch when it is the only argument after the program's name.
InfoSwitch FindInfoSwitch(const QStringList& arguments);

QString UsageText();
QString VersionText();
