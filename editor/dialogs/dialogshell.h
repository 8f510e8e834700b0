#pragma once
// What the editing dialogs need from the desktop: the clipboard as plain text and the default
// browser. Behind an interface so that the dialogs' logic runs in tests without a display.

#include <QString>

#include <optional>
#include <vector>

class IDialogShell {
public:
    virtual ~IDialogShell() = default;
    // Plain text of the clipboard; nullopt when the clipboard cannot be read.
    [[nodiscard]] virtual std::optional<QString> ClipboardText() = 0;
    virtual bool SetClipboardText(const QString& text) = 0;
    virtual bool OpenInBrowser(const QString& url) = 0;
};

// Keeps a clipboard in memory and records the addresses opened.
class CScriptedDialogShell final : public IDialogShell {
public:
    std::optional<QString> ClipboardText() override { return m_clipboard; }
    bool SetClipboardText(const QString& text) override {
        m_clipboard = text;
        return true;
    }
    bool OpenInBrowser(const QString& url) override {
        m_opened.push_back(url);
        return true;
    }

    std::optional<QString> m_clipboard;
    std::vector<QString> m_opened;
};
