#include "xalrecordmodule.h"

#include "programmodule.h"

#include <dlfcn.h>

#include <type_traits>

std::optional<XRModule> XROpenModule(const QString& file, QString& error) {
    // Its copy of the proxy's code stays its own.
    void* library = OpenProgramModule(file, error);
    if (library == nullptr)
        return std::nullopt;
    XRModule module;
    bool complete = true;
    const auto take = [&](auto& pointer, const char* symbol) {
        if (!complete)
            return;
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(
            ProgramModuleSymbol(library, file, symbol, error));
        complete = pointer != nullptr;
    };
    take(module.XRStartRecording, "XRStartRecording");
    take(module.XRLastError, "XRLastError");
    take(module.XRStopRecording, "XRStopRecording");
    take(module.XRProxyPort, "XRProxyPort");
    take(module.XRLeafKeyHash, "XRLeafKeyHash");
    take(module.IsInstalledLspW, "IsInstalledLspW");
    if (!complete) {
        // Nothing of it was used: it may go again.
        ::dlclose(library);
        return std::nullopt;
    }
    return module;
}
