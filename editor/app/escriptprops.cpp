#include "escriptprops.h"

#include "xaldatadlg.h"
#include "xalscripeditapp.h"

void RunEScriptProperties(CXALScripEditApp& app, const QString& xalID) {
    XALDlgEScriptProps(QStringList{xalID}, 1, app.GetDatabase(), app.Dialogs(), app.Messages());
}
