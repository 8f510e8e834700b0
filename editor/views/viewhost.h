#pragma once
// What the script views need from the frame around them: messages, context menus, the ribbon's
// button, closing and starting a recording. The e-script's values are the document's
// (CXALScripEditDoc), not the host's. The views sit below editor/app, so the application
// implements this interface and hands it to CXALScripEditView; tests script it.

#include <QPoint>
#include <QString>

class IDialogShell;
class IEditDialogs;
class IMessageSink;

class IViewHost {
public:
    virtual ~IViewHost() = default;

    virtual IMessageSink& Messages() = 0;
    // Closes the main window; the document's SaveModified decides whether it really closes.
    virtual void CloseMainWindow() = 0;
    // A recording runs and is not paused.
    [[nodiscard]] virtual bool IsRecording() const = 0;
    // The Save command before closing; false when the save failed (the host has told the
    // user why).
    virtual bool SaveAccount() = 0;
    // Shows context menu nMenuId (ids in commandids.h) at a global screen position. The
    // chosen command comes back through CXALScripEditView::OnCommand.
    virtual void ShowContextMenu(int nMenuId, const QPoint& globalPos) = 0;
    // The ribbon's conditional-script button: true shows "Delete conditional script".
    virtual void SetConditionalScriptButton(bool bDelete) = 0;
    // Starts a recording exactly as the Start recording command does.
    virtual void StartRecording() = 0;
    // The editing dialogs the commands open, and the desktop's clipboard and browser.
    virtual IEditDialogs& EditDialogs() = 0;
    virtual IDialogShell& DialogShell() = 0;
    // "Exclude domain from recording" with the server's display name and its URL pattern.
    virtual void ExcludeDomain(const QString& strDisplayName, const QString& strPattern) = 0;
};
