#include "xalscripteditdoc.h"

#include "messages.h"
#include "mytreegridctrl.h"
#include "scriptview.h"
#include "viewhost.h"
#include "xalscripteditview.h"
#include "xalstrings.h"

bool CXALScripEditDoc::SaveModified(const CXALScripEditView& view) {
    if (!m_bModified)
        return true;
    IViewHost& host = view.Host();
    if (view.GetMainView().Grid().GetRowCount() == 0) {
        // Without a URL in the main script the e-script cannot be saved; only leaving is offered.
        return host.Messages().Ask(XalFormat(158, host.GetScriptTitle()), MsgButtons::YesNo,
                                   MsgIcon::Question) == MsgAnswer::Yes;
    }
    switch (host.Messages().Ask(XalString(135), MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        // A failed save keeps the editor open with its changes.
        return host.SaveAccount();
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}
