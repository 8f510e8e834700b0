#include "printing.h"

#include <QFile>

#include <dlfcn.h>

std::unique_ptr<IPrinting> OpenPrinting(QString& error, const char* module) {
    error.clear();
    const QString file = QString::fromLocal8Bit(module);
    // Stays loaded for the rest of the process: its dialogs' code may run until the end.
    void* library = ::dlopen(module, RTLD_NOW | RTLD_LOCAL);
    const char* reason = library == nullptr ? ::dlerror() : nullptr;
    using Factory = IPrinting* (*)();
    auto* factory = library != nullptr
                        ? reinterpret_cast<Factory>(::dlsym(library, kPrintModuleFactory))
                        : nullptr;
    if (factory == nullptr) {
        error =
            QStringLiteral("%1 could not be loaded: %2")
                .arg(file, reason != nullptr ? QString::fromLocal8Bit(reason)
                                             : QStringLiteral("it has no function %1")
                                                   .arg(QString::fromLatin1(kPrintModuleFactory)));
        return nullptr;
    }
    return std::unique_ptr<IPrinting>(factory());
}
