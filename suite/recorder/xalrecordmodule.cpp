#include "xalrecordmodule.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <type_traits>

namespace {
QString LoadError(const QString& file, const QString& reason) {
    return QStringLiteral("%1 could not be loaded: %2").arg(file, reason);
}

// The folders the dynamic loader searches for the program's own libraries, in its order
// (LD_LIBRARY_PATH, the program's RUNPATH with $ORIGIN expanded, the system's). Searched here
// rather than left to dlopen, which uses the RUNPATH of its caller: with a sanitizer
// intercepting dlopen that caller is the sanitizer's library, not the program.
QStringList ProgramLibraryFolders() {
    QStringList folders;
    void* program = ::dlopen(nullptr, RTLD_NOW);
    if (program == nullptr)
        return folders;
    Dl_serinfo size{};
    if (::dlinfo(program, RTLD_DI_SERINFOSIZE, &size) == 0 && size.dls_size >= sizeof size) {
        const std::unique_ptr<void, decltype(&std::free)> buffer(std::malloc(size.dls_size),
                                                                 &std::free);
        auto* info = static_cast<Dl_serinfo*>(buffer.get());
        if (info != nullptr && ::dlinfo(program, RTLD_DI_SERINFOSIZE, info) == 0 &&
            ::dlinfo(program, RTLD_DI_SERINFO, info) == 0) {
            for (unsigned int i = 0; i < info->dls_cnt; ++i)
                folders.append(QFile::decodeName(info->dls_serpath[i].dls_name));
        }
    }
    ::dlclose(program);
    return folders;
}

// The file to open: a bare name as the first file of that name in the program's folders;
// a path, or a name found nowhere, as it is (dlopen then says why it fails).
QByteArray ModulePath(const QString& file) {
    if (!file.contains(u'/')) {
        for (const QString& folder : ProgramLibraryFolders()) {
            const QString candidate = folder + u'/' + file;
            if (QFileInfo::exists(candidate))
                return QFile::encodeName(candidate);
        }
    }
    return QFile::encodeName(file);
}
} // namespace

std::optional<XRModule> XROpenModule(const QString& file, QString& error) {
    error.clear();
    // Local: the module's symbols (its copy of the proxy's code) stay its own.
    void* library = ::dlopen(ModulePath(file).constData(), RTLD_NOW | RTLD_LOCAL);
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
