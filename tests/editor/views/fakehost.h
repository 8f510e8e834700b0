#pragma once
// A scripted application for the view tests: records what the views ask of it.

#include "messages.h"
#include "scriptmodel.h"
#include "viewhost.h"

#include <QPoint>
#include <QString>

#include <vector>

class CFakeHost final : public IViewHost {
public:
    void SetModified(bool bModified) override {
        m_bModified = bModified;
        ++m_nModifiedCalls;
    }
    IMessageSink& Messages() override { return m_messages; }
    void CloseMainWindow() override { ++m_nCloseCalls; }
    [[nodiscard]] bool IsLoaded() const override { return m_bLoaded; }
    [[nodiscard]] bool IsRecording() const override { return m_bRecording; }
    bool SaveAccount() override {
        ++m_nSaveCalls;
        return m_bSaveSucceeds;
    }
    [[nodiscard]] QString GetScriptTitle() const override { return m_strTitle; }
    void ShowContextMenu(int nMenuId, const QPoint&) override { m_menus.push_back(nMenuId); }
    void SetConditionalScriptButton(bool bDelete) override { m_buttonStates.push_back(bDelete); }
    void SetRootURL(const QString& strRootURL) override { m_strRootURL = strRootURL; }
    void StartRecording() override { ++m_nRecordingStarts; }

    CScriptedMessages m_messages;
    bool m_bModified = false;
    int m_nModifiedCalls = 0;
    int m_nCloseCalls = 0;
    bool m_bLoaded = true;
    bool m_bRecording = false;
    int m_nSaveCalls = 0;
    bool m_bSaveSucceeds = true;
    QString m_strTitle = QStringLiteral("Portal");
    std::vector<int> m_menus;
    std::vector<bool> m_buttonStates;
    QString m_strRootURL;
    int m_nRecordingStarts = 0;
};

// Small builders for e-scripts in tests.
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
