#pragma once
// The program's editing dialogs: each call opens the logic object and shows its Qt form as a
// modal dialog over the window that is active (the URL dialog over the main window, the
// parameter dialog over the URL dialog). Also the desktop's clipboard and browser.

#include "dialogshell.h"
#include "editdialogs.h"

#include <QPointer>
#include <QWidget>

class CQtEditDialogs final : public IEditDialogs {
public:
    explicit CQtEditDialogs(QWidget* parent) : m_parent(parent) {}

    bool EditURL(CDialEditURL& dialog) override;
    bool EditURLParams(CDialEditURLParams& dialog) override;
    bool URLParamsFlex(CDialURLParamsFlex& dialog) override;
    bool URLParameter(CDialURLParameter& dialog) override;
    bool NewSubscript(CDialNewSubscript& dialog) override;
    bool FlexCondURL(CDialFlexCondURL& dialog) override;

private:
    [[nodiscard]] QWidget* Parent() const;

    QPointer<QWidget> m_parent;
};

class CQtDialogShell final : public IDialogShell {
public:
    std::optional<QString> ClipboardText() override;
    bool SetClipboardText(const QString& text) override;
    bool OpenInBrowser(const QString& url) override;
};
