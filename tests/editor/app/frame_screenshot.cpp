// Writes a picture of the main window with a small e-script loaded into the real tab view,
// made offscreen:
//   QT_QPA_PLATFORM=offscreen xal_frame_screenshot docs/main-window.png

#include "dialogshell.h"
#include "editdialogs.h"
#include "mainframe.h"
#include "messages.h"
#include "recentfilelist.h"
#include "scriptmodel.h"
#include "viewhost.h"
#include "xalscripteditdoc.h"
#include "xalscriptedittabwidget.h"
#include "xalscripteditview.h"

#include <QApplication>

#include <cstdio>

namespace {
class CPictureHost final : public IViewHost {
public:
    explicit CPictureHost(CMainFrame*& frame) : m_frame(frame) { m_doc.SetLoaded(true); }
    IMessageSink& Messages() override { return m_messages; }
    void CloseMainWindow() override {}
    bool IsRecording() const override { return false; }
    bool SaveAccount() override { return false; }
    void ShowContextMenu(int, const QPoint&) override {}
    void SetConditionalScriptButton(bool bDelete) override {
        if (m_frame)
            m_frame->SetConditionalScriptButton(bDelete);
    }
    void StartRecording() override {}
    IEditDialogs& EditDialogs() override { return m_editDialogs; }
    IDialogShell& DialogShell() override { return m_shell; }
    void ExcludeDomain(const QString&, const QString&) override {}

    CXALScripEditDoc m_doc;

private:
    CMainFrame*& m_frame;
    CScriptedMessages m_messages;
    CScriptedEditDialogs m_editDialogs;
    CScriptedDialogShell m_shell;
};

CURLObj Url(int method, const QString& address, std::vector<std::pair<QString, QString>> params) {
    CURLObj url;
    url.m_nMethod = method;
    url.m_strServer = QStringLiteral("shop.example");
    url.m_nInternetProtocol = kProtocolHttps;
    url.m_strURL = address;
    url.m_strOrgValue = QStringLiteral("https://shop.example") + address;
    for (const auto& [name, value] : params) {
        CURLParamObj param;
        param.m_strName = name;
        param.m_strValue = param.m_strOrgValue = param.m_strRawValue = value;
        param.m_nMethod = method == 1 ? 1 : 0;
        param.m_nSpecialVariable = 0x40;
        url.m_lstParams.push_back(param);
    }
    return url;
}

CScriptObj SampleScript() {
    CScriptObj script;
    script.m_strID = QStringLiteral("shop");
    script.m_strTitle = QStringLiteral("Web shop");
    script.m_strRootURL = QStringLiteral("https://shop.example/login");
    script.m_strServer = QStringLiteral("shop.example");
    script.m_nInternetProtocol = kProtocolHttps;
    CSubscriptObj main;
    main.m_lstURLs.push_back(
        Url(0, QStringLiteral("/login"), {{QStringLiteral("lang"), QStringLiteral("en")}}));
    main.m_lstURLs.push_back(Url(1, QStringLiteral("/auth"),
                                 {{QStringLiteral("user"), QStringLiteral("alice")},
                                  {QStringLiteral("remember"), QStringLiteral("1")}}));
    main.m_lstURLs.push_back(Url(0, QStringLiteral("/account/overview"), {}));
    script.m_lstScripts.push_back(main);
    CSubscriptObj timeout;
    timeout.m_nKind = 1;
    timeout.m_strName = QStringLiteral("session-timeout");
    timeout.m_lstURLs.push_back(Url(0, QStringLiteral("/expired"), {}));
    script.m_lstScripts.push_back(timeout);
    return script;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
        return 2;
    }
    CScriptedMessages messages;
    auto recent = MakeEditorRecentList();
    recent->Add(QStringLiteral("shop"));
    CMainFrame* framePtr = nullptr;
    CPictureHost host(framePtr);
    CXALScripEditView view(host, host.m_doc);

    FrameServices services;
    services.messages = &messages;
    services.recentFiles = recent.get();
    services.shellState = [] { return ShellState{true, 3, false, false, QString()}; };
    CMainFrame frame(std::move(services));
    framePtr = &frame;
    for (int command : {XalCmd::Save, XalCmd::SaveAndClose, XalCmd::Properties})
        frame.SetCommandHandler(command, [](int) {});
    // The views' commands, wired the way the application wires them.
    for (int command : {XalCmd::Create, XalCmd::Edit, XalCmd::Delete, XalCmd::ConditionalScript,
                        XalCmd::Up, XalCmd::Down, XalCmd::Browser})
        frame.SetCommandHandler(
            command, [&view](int c) { view.OnCommand(c); },
            [&view](int c) { return view.IsCommandEnabled(c); });
    frame.setWindowTitle(QStringLiteral("XAL Script Editor -  XALID: shop, title: Web shop"));
    frame.SetCentralView(new CXALScripEditTabWidget(view));
    view.SetScript(SampleScript());
    view.SetActiveTab(0);
    frame.resize(1100, 560);
    frame.show();
    app.processEvents();
    if (!frame.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
