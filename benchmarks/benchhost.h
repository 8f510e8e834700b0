#pragma once
// The frame side of the tab view for benchmarks: no window, scripted messages, and the
// document the view works on.

#include "dialogshell.h"
#include "editdialogs.h"
#include "messages.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"

class CBenchHost final : public IViewHost {
public:
    IMessageSink& Messages() override { return m_messages; }
    void CloseMainWindow() override {}
    [[nodiscard]] bool IsRecording() const override { return false; }
    bool SaveAccount() override { return true; }
    void ShowContextMenu(int, const QPoint&) override {}
    void SetConditionalScriptButton(bool) override {}
    void StartRecording() override {}
    IEditDialogs& EditDialogs() override { return m_editDialogs; }
    IDialogShell& DialogShell() override { return m_shell; }
    void ExcludeDomain(const QString&, const QString&) override {}

    CXALScripEditDoc m_doc;

private:
    CScriptedMessages m_messages;
    CScriptedEditDialogs m_editDialogs;
    CScriptedDialogShell m_shell;
};
