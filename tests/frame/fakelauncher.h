#pragma once
// A launcher that records what it was asked to start.

#include "commands_shell.h"

#include <QStringList>

class CFakeLauncher final : public ISuiteLauncher {
public:
    explicit CFakeLauncher(bool succeed = true) : m_succeed(succeed) {}
    bool StartScriptEditor(const QString& id, const QString& arguments) override {
        calls.append(QStringLiteral("editor|") + id + u'|' + arguments);
        return m_succeed;
    }
    bool StartTools() override {
        calls.append(QStringLiteral("tools"));
        return m_succeed;
    }
    bool StartDiagnostic() override {
        calls.append(QStringLiteral("diagnostic"));
        return m_succeed;
    }
    bool FindProgram(const QString& fileName, QString& location) override {
        const bool found = missing.isEmpty() || !missing.contains(fileName);
        location = found ? QStringLiteral("/bin/") + fileName : QStringLiteral("/a, /b");
        return found;
    }

    QStringList calls;
    QStringList missing; // programs found nowhere

private:
    bool m_succeed;
};
