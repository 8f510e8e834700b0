#include "programmodule.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

#include <cstdlib>
#include <memory>

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

void* OpenProgramModule(const QString& file, QString& error) {
    error.clear();
    // Local: the module's symbols stay its own.
    void* module = ::dlopen(ModulePath(file).constData(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* reason = ::dlerror();
        error = LoadError(file, reason ? QString::fromLocal8Bit(reason) : QStringLiteral("?"));
    }
    return module;
}

void* ProgramModuleSymbol(void* module, const QString& file, const char* symbol, QString& error) {
    void* address = module != nullptr ? ::dlsym(module, symbol) : nullptr;
    if (address == nullptr)
        error = LoadError(file,
                          QStringLiteral("it has no function %1").arg(QString::fromLatin1(symbol)));
    return address;
}
