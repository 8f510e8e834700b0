#include "xalrecordmodule.h"

#include <QFile>

#include <dlfcn.h>

#include <type_traits>

namespace {
QString LoadError(const QString& file, const QString& reason) {
    return QStringLiteral("%1 could not be loaded: %2").arg(file, reason);
}
} // namespace

std::optional<XRModule> XROpenModule(const QString& file, QString& error) {
    error.clear();
    const QByteArray name = QFile::encodeName(file);
    // Local: the module's symbols (its copy of the proxy's code) stay its own.
    void* library = ::dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* reason = ::dlerror();
        error = LoadError(file, reason ? QString::fromLocal8Bit(reason) : QStringLiteral("?"));
        return std::nullopt;
    }
    XRModule module;
    QString missing;
    const auto take = [&](auto& pointer, const char* symbol) {
        pointer =
            reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(::dlsym(library, symbol));
        if (pointer == nullptr && missing.isEmpty())
            missing = QString::fromLatin1(symbol);
    };
    take(module.XRStartRecording, "XRStartRecording");
    take(module.XRLastError, "XRLastError");
    take(module.XRStopRecording, "XRStopRecording");
    take(module.XRProxyPort, "XRProxyPort");
    take(module.XRLeafKeyHash, "XRLeafKeyHash");
    take(module.IsInstalledLspW, "IsInstalledLspW");
    if (!missing.isEmpty()) {
        // Nothing of it was used: it may go again.
        ::dlclose(library);
        error = LoadError(file, QStringLiteral("it has no function %1").arg(missing));
        return std::nullopt;
    }
    return module;
}

bool XRIsModuleLoaded(const QString& file) {
    const QByteArray name = QFile::encodeName(file);
    void* library = ::dlopen(name.constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (library == nullptr)
        return false;
    ::dlclose(library); // only the reference just taken
    return true;
}
