#include "printing.h"

#include "programmodule.h"

std::unique_ptr<IPrinting> OpenPrinting(QString& error, const char* module) {
    const QString file = QString::fromLocal8Bit(module);
    // Stays loaded for the rest of the process: its dialogs' code may run until the end.
    void* library = OpenProgramModule(file, error);
    using Factory = IPrinting* (*)();
    auto* factory = reinterpret_cast<Factory>(
        library != nullptr ? ProgramModuleSymbol(library, file, kPrintModuleFactory, error)
                           : nullptr);
    return factory != nullptr ? std::unique_ptr<IPrinting>(factory()) : nullptr;
}
