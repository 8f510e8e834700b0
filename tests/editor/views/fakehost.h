#pragma once
// A scripted frame for the view tests: records what the views ask of it, and holds the
// document the views work on.

#include "dialogshell.h"
#include "editdialogs.h"
#include "messages.h"
#include "scriptmodel.h"
#include "specialvars.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"

#include <QPoint>
#include <QString>

#include <utility>
#include <vector>

class CFakeHost final : public IViewHost {
public:
    CFakeHost() { m_doc.SetLoaded(true); }
    IMessageSink& Messages() override { return m_messages; }
    void CloseMainWindow() override { ++m_nCloseCalls; }
    [[nodiscard]] bool IsRecording() const override { return m_bRecording; }
    bool SaveAccount() override {
        ++m_nSaveCalls;
        return m_bSaveSucceeds;
    }
    void ShowContextMenu(int nMenuId, const QPoint& globalPos) override {
        m_menus.push_back(nMenuId);
        m_menuPositions.push_back(globalPos);
    }
    void SetConditionalScriptButton(bool bDelete) override { m_buttonStates.push_back(bDelete); }
    void StartRecording() override { ++m_nRecordingStarts; }
    IEditDialogs& EditDialogs() override { return m_dialogs; }
    IDialogShell& DialogShell() override { return m_shell; }
    void ExcludeDomain(const QString& strDisplayName, const QString& strPattern) override {
        m_exclusions.push_back({strDisplayName, strPattern});
    }

    CXALScripEditDoc m_doc;
    CScriptedMessages m_messages;
    int m_nCloseCalls = 0;
    bool m_bRecording = false;
    int m_nSaveCalls = 0;
    bool m_bSaveSucceeds = true;
    std::vector<int> m_menus;
    std::vector<QPoint> m_menuPositions;
    std::vector<bool> m_buttonStates;
    int m_nRecordingStarts = 0;
    CScriptedEditDialogs m_dialogs;
    CScriptedDialogShell m_shell;
    std::vector<std::pair<QString, QString>> m_exclusions;
};

// Small builders for e-scripts in tests.
inline CFindReplaceObj Flex(const QString& find, const QString& replace) {
    CFindReplaceObj entry;
    entry.m_strFind = find;
    entry.m_strReplace = replace;
    return entry;
}

inline CFindReplaceObj Flex(const QString& find, int number) {
    return Flex(find, FlexibleParameterName(number));
}

inline CURLParamObj Param(const QString& name, const QString& value, int method = 0,
                          int special = 0, const QString& org = QString()) {
    CURLParamObj param;
    param.m_strName = name;
    param.m_strValue = value;
    param.m_nMethod = method;
    param.m_nSpecialVariable = special;
    param.m_strOrgValue = org;
    return param;
}

inline CURLObj Url(const QString& server, const QString& address, int method = 0,
                   std::vector<CURLParamObj> params = {}, int port = 0, int protocol = 0) {
    CURLObj url;
    url.m_strServer = server;
    url.m_strURL = address;
    url.m_nMethod = method;
    url.m_nPort = port;
    url.m_nInternetProtocol = protocol;
    url.m_strOrgValue = QStringLiteral("http://") + server + address;
    url.m_lstParams = std::move(params);
    return url;
}

inline CSubscriptObj Script(int kind, const QString& name, std::vector<CURLObj> urls) {
    CSubscriptObj script;
    script.m_nKind = kind;
    script.m_strName = name;
    script.m_lstURLs = std::move(urls);
    return script;
}
