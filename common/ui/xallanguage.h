#pragma once
// Where the editor's language files are: "XALScriptEdit.<lg>" (a Qt translation, context
// "XALScriptEdit") in a suite home's System/lg/<lg>/res, or, for an installation without a
// suite home, in <prefix>/share/xal/lg/<lg>/res beside the programs' bin folder.

#include <QString>

// The language file of the installation whose programs are in programDir; empty for a code
// that is no language code (so it can never name a path elsewhere).
QString XalInstalledLanguageFile(const QString& programDir, const QString& language);
