#pragma once
// The programs' private modules: libraries a program opens when a feature is first used, so
// that a start does not load what most runs never need (the recorder with OpenSSL, printing
// with its support library). A module is found like one of the program's own libraries: the
// programs' RUNPATH names the folder the modules are installed in (lib/xal beside the lib
// folder) and the build tree's folder of modules.

#include <QString>

// Opens the module file (a bare name searched for in the folders of the program's own
// libraries, or a path) for the rest of the process, its symbols kept to itself. Null, with
// error "<file> could not be loaded: <reason>", when it cannot be opened.
void* OpenProgramModule(const QString& file, QString& error);

// The address of symbol in module; null, with error "<file> could not be loaded: it has no
// function <symbol>", when it has none.
void* ProgramModuleSymbol(void* module, const QString& file, const char* symbol, QString& error);
