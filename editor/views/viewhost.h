#pragma once
// What the script views need from the application. The views sit below editor/app, so the
// application implements this interface and hands it to CXALScripEditView; tests script it.

#include <QPoint>
#include <QString>

class IMessageSink;

class IViewHost {
public:
    virtual ~IViewHost() = default;

    // Sets the application's and the document's modified flag together.
    virtual void SetModified(bool bModified) = 0;
    virtual IMessageSink& Messages() = 0;
    // Closes the main window; the document's SaveModified decides whether it really closes.
    virtual void CloseMainWindow() = 0;
    // An e-script has been loaded (the application's m_bLoaded).
    [[nodiscard]] virtual bool IsLoaded() const = 0;
    // A recording runs and is not paused.
    [[nodiscard]] virtual bool IsRecording() const = 0;
    // SaveAccount; false when the save failed (the host has told the user why).
    virtual bool SaveAccount() = 0;
    // Title of the loaded e-script, shown in the closing question for an empty main script.
    [[nodiscard]] virtual QString GetScriptTitle() const = 0;
    // Shows context menu nMenuId (ids in viewcommands.h) at a global screen position. The
    // chosen command comes back through CXALScripEditView::OnCommand.
    virtual void ShowContextMenu(int nMenuId, const QPoint& globalPos) = 0;
    // The ribbon's conditional-script button: true shows "Delete conditional script".
    virtual void SetConditionalScriptButton(bool bDelete) = 0;
    // Root URL check of the main script: records the new root URL (with its query) as the
    // application's root URL and changed root URL.
    virtual void SetRootURL(const QString& strRootURL) = 0;
    // Starts a recording exactly as the Start recording command does.
    virtual void StartRecording() = 0;
};
