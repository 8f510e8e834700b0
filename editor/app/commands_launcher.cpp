#include "commands_shell.h"

#include "xaltools.h"

namespace {
const char16_t* OrNull(const QString& text) {
    return text.isNull() ? nullptr : reinterpret_cast<const char16_t*>(text.utf16());
}

class CToolsLauncher final : public ISuiteLauncher {
public:
    bool StartScriptEditor(const QString& id, const QString& arguments) override {
        return XALStartScriptEditor(OrNull(id), OrNull(arguments));
    }
    bool StartTools() override { return XALStartTools(); }
    bool StartDiagnostic() override { return XALStartDiagnostic(); }
    bool FindProgram(const QString& fileName, QString& location) override {
        return XALFindProgram(OrNull(fileName), location);
    }
};
} // namespace

std::unique_ptr<ISuiteLauncher> MakeToolsLauncher() {
    return std::make_unique<CToolsLauncher>();
}
