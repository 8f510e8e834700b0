#pragma once
// The suite's e-script properties dialog, as the editor runs it: for the one e-script under
// edit, storing its changes straight into the database.

#include <QString>

class CXALScripEditApp;

void RunEScriptProperties(CXALScripEditApp& app, const QString& xalID);
