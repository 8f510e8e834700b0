#include "xaldatadlg.h"

#include "dbaccess.h"
#include "escriptnewdata.h"
#include "escriptpropsdata.h"
#include "messages.h"
#include "mongodb.h"
#include "xalstrings.h"
#include "xaltools.h"

#include <QApplication>

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#ifndef XAL_VERSION
#define XAL_VERSION "0"
#endif

namespace {
// String table numbers of the dialogs' texts.
constexpr int kStrPropsTitle = 62511;
constexpr int kStrDomainsTip = 62512;
constexpr int kStrAvailableTip = 62513;
constexpr int kStrLabelID = 62514;
constexpr int kStrLabelTitle = 62515;
constexpr int kStrLabelDomains = 62516;
constexpr int kStrLabelAvailable = 62517;
constexpr int kStrLabelUser = 62518;
constexpr int kStrLabelPassword = 62519;
constexpr int kStrNewTitle = 62520;
constexpr int kStrOpen = 62521;
constexpr int kStrOpenWithProperties = 62522;
constexpr int kStrOpenWithRecording = 62523;
constexpr int kStrCreatedOnly = 62524;
constexpr int kStrLabelNewID = 62525;
constexpr int kStrLabelRootURL = 62526;
constexpr int kStrLabelAfter = 62527;
constexpr int kStrDatabaseDown = 148;

// A session for a dialog: the caller's, or one opened here and owned by the holder.
struct SessionHolder {
    CMongoDB* db = nullptr;
    std::unique_ptr<CMongoDB> own;

    bool Open(CMongoDB* given, IMessageSink& messages) {
        db = given;
        if (db)
            return true;
        QString error;
        own = OpenSuiteSession(error);
        if (!own) {
            messages.Ask(error, MsgButtons::Ok, MsgIcon::Warning);
            return false;
        }
        db = own.get();
        return true;
    }
};

// Puts form above OK and Cancel. OK runs onOk, which closes the dialog only when the input is
// accepted.
void LayOutWithButtons(QDialog& dialog, QFormLayout* form, const std::function<void()>& onOk) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, onOk);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

class CEScriptPropsDialog final : public QDialog {
public:
    CEScriptPropsDialog(CEScriptPropsData& data, const EScriptPropsAccept& accept, QWidget* parent)
        : QDialog(parent), m_data(data), m_accept(accept) {
        setWindowTitle(XalFormat(kStrPropsTitle, data.m_strID));
        auto* form = new QFormLayout;
        m_title = new QLineEdit(data.m_strTitle);
        m_domains = new QPlainTextEdit(data.m_lstDomain.join(u'\n'));
        m_domains->setToolTip(XalString(kStrDomainsTip));
        m_available = new QListWidget;
        m_available->addItems(data.m_lstDomainAvailable);
        m_available->setToolTip(XalString(kStrAvailableTip));
        connect(m_available, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
            QStringList lines = m_domains->toPlainText().split(u'\n');
            lines.append(item->text());
            m_domains->setPlainText(CEScriptPropsData::NormaliseDomains(lines).join(u'\n'));
        });
        m_user = new QLineEdit(data.m_strLogonUser);
        m_password = new QLineEdit(data.m_strLogonPW);
        m_password->setEchoMode(QLineEdit::Password);
        form->addRow(XalString(kStrLabelID), new QLabel(data.m_strID));
        form->addRow(XalString(kStrLabelTitle), m_title);
        form->addRow(XalString(kStrLabelDomains), m_domains);
        form->addRow(XalString(kStrLabelAvailable), m_available);
        form->addRow(XalString(kStrLabelUser), m_user);
        form->addRow(XalString(kStrLabelPassword), m_password);
        LayOutWithButtons(*this, form, [this] { TryAccept(); });
    }

private:
    void TryAccept() {
        m_data.m_strTitle = m_title->text();
        m_data.m_lstDomain = m_domains->toPlainText().split(u'\n', Qt::SkipEmptyParts);
        m_data.m_strLogonUser = m_user->text();
        m_data.m_strLogonPW = m_password->text();
        CEScriptPropsData::Field field = CEScriptPropsData::Field::None;
        if (m_accept(m_data, field)) {
            accept();
            return;
        }
        switch (field) {
        case CEScriptPropsData::Field::Title:
            m_title->setFocus();
            break;
        case CEScriptPropsData::Field::DomainList:
            m_domains->setFocus();
            break;
        case CEScriptPropsData::Field::LogonUser:
            m_user->setFocus();
            break;
        case CEScriptPropsData::Field::LogonPW:
            m_password->setFocus();
            break;
        case CEScriptPropsData::Field::None:
            break;
        }
    }

    CEScriptPropsData& m_data;
    const EScriptPropsAccept& m_accept;
    QLineEdit* m_title;
    QPlainTextEdit* m_domains;
    QListWidget* m_available;
    QLineEdit* m_user;
    QLineEdit* m_password;
};

class CEScriptNewDialog final : public QDialog {
public:
    CEScriptNewDialog(CEScriptNewData& data, const EScriptNewAccept& accept, QWidget* parent)
        : QDialog(parent), m_data(data), m_accept(accept) {
        setWindowTitle(XalString(kStrNewTitle));
        auto* form = new QFormLayout;
        m_id = new QLineEdit(data.m_strID);
        m_title = new QLineEdit(data.m_strTitle);
        m_root = new QLineEdit(data.m_strRootURL);
        m_root->setPlaceholderText(QStringLiteral("https://www.example.com/login"));
        m_open = new QComboBox;
        m_open->addItem(XalString(kStrOpen), CEScriptNewData::kOpen);
        m_open->addItem(XalString(kStrOpenWithProperties), CEScriptNewData::kOpenWithProperties);
        m_open->addItem(XalString(kStrOpenWithRecording), CEScriptNewData::kOpenWithRecording);
        m_open->addItem(XalString(kStrCreatedOnly), CEScriptNewData::kCreatedOnly);
        m_open->setCurrentIndex(std::max(0, m_open->findData(data.m_nOpenCode)));
        form->addRow(XalString(kStrLabelNewID), m_id);
        form->addRow(XalString(kStrLabelTitle), m_title);
        form->addRow(XalString(kStrLabelRootURL), m_root);
        form->addRow(XalString(kStrLabelAfter), m_open);
        LayOutWithButtons(*this, form, [this] { TryAccept(); });
    }

private:
    void TryAccept() {
        m_data.m_strID = m_id->text();
        m_data.m_strTitle = m_title->text();
        m_data.m_strRootURL = m_root->text();
        m_data.m_nOpenCode = m_open->currentData().toInt();
        CEScriptNewData::Field field = CEScriptNewData::Field::None;
        if (m_accept(m_data, field)) {
            accept();
            return;
        }
        m_id->setText(m_data.m_strID); // shows the ID as verified
        QLineEdit* focus = field == CEScriptNewData::Field::Title     ? m_title
                           : field == CEScriptNewData::Field::RootURL ? m_root
                                                                      : m_id;
        focus->setFocus();
        focus->selectAll();
    }

    CEScriptNewData& m_data;
    const EScriptNewAccept& m_accept;
    QLineEdit* m_id;
    QLineEdit* m_title;
    QLineEdit* m_root;
    QComboBox* m_open;
};
} // namespace

QWidget* CQtDataDialogs::Parent() const {
    return m_parent ? m_parent : QApplication::activeWindow();
}

bool CQtDataDialogs::EScriptProps(CEScriptPropsData& data, const EScriptPropsAccept& accept) {
    CEScriptPropsDialog dialog(data, accept, Parent());
    return dialog.exec() == QDialog::Accepted;
}

bool CQtDataDialogs::EScriptNew(CEScriptNewData& data, const EScriptNewAccept& accept) {
    CEScriptNewDialog dialog(data, accept, Parent());
    return dialog.exec() == QDialog::Accepted;
}

void CQtDataDialogs::Information(const CInformationData& info) {
    QMessageBox box(Parent());
    box.setWindowTitle(QStringLiteral("Information"));
    box.setIcon(QMessageBox::Information);
    box.setText(InformationLines(info).join(u'\n'));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::unique_ptr<CMongoDB> OpenSuiteSession(QString& error) {
    QString detail;
    std::unique_ptr<CMongoDB> db = OpenConfiguredSession(XALIsMDBDataAvailable, detail);
    if (!db)
        error = XalString(kStrDatabaseDown) + u'\n' + detail;
    return db;
}

int XALDlgEScriptProps(const QStringList& array, int mode, CMongoDB* database,
                       IDataDialogs& dialogs, IMessageSink& messages) {
    Q_UNUSED(mode);
    if (array.isEmpty() || array.front().isEmpty())
        return 0;
    SessionHolder session;
    if (!session.Open(database, messages))
        return 0;
    CEScriptPropsData data;
    QString error;
    if (!data.Load(*session.db, array.front(), error)) {
        messages.Ask(error, MsgButtons::Ok, MsgIcon::Warning);
        return 0;
    }
    CMongoDB& db = *session.db;
    const EScriptPropsAccept accept = [&db, &messages](CEScriptPropsData& props,
                                                       EScriptPropsField& field) {
        QString why;
        if (props.Store(db, why, &field))
            return true;
        messages.Ask(why, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    };
    return dialogs.EScriptProps(data, accept) ? 1 : 0;
}

int XALDlgEScriptNew(QStringList& array, CMongoDB* database, IDataDialogs& dialogs,
                     IMessageSink& messages) {
    SessionHolder session;
    if (!session.Open(database, messages))
        return 0;
    CEScriptNewData data([](QString& id) { return XALTVerifyID(id); });
    CMongoDB& db = *session.db;
    const EScriptNewAccept accept = [&db, &messages](CEScriptNewData& created,
                                                     EScriptNewField& field) {
        QString why;
        if (created.Create(db, why, field))
            return true;
        messages.Ask(why, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    };
    if (!dialogs.EScriptNew(data, accept))
        return 0;
    array = data.ResultArray();
    return data.m_nOpenCode;
}

CInformationData ProgramInformation(const QString& databaseServer) {
    CInformationData info;
    info.programName = QStringLiteral("XAL E-script Editor (XALScripEdit)");
    info.version = QStringLiteral(XAL_VERSION);
    info.databaseServer = databaseServer;
#if defined(__clang__)
    const QString compiler = QStringLiteral("clang %1").arg(__clang_major__);
#elif defined(__GNUC__)
    const QString compiler = QStringLiteral("gcc %1.%2").arg(__GNUC__).arg(__GNUC_MINOR__);
#else
    const QString compiler = QStringLiteral("unknown compiler");
#endif
    info.build = QStringLiteral("%1, Qt %2").arg(compiler, QString::fromLatin1(qVersion()));
    return info;
}

QStringList InformationLines(const CInformationData& info) {
    // A server text may carry credentials ("mongodb://user:pw@host"); they are not shown.
    QString server = info.databaseServer;
    static const QString scheme = QStringLiteral("://");
    const qsizetype start = server.indexOf(scheme);
    const qsizetype at = server.indexOf(u'@');
    if (start >= 0 && at > start)
        server.remove(start + scheme.size(), at + 1 - start - scheme.size());
    return {info.programName, QStringLiteral("Version: ") + info.version,
            QStringLiteral("Database server: ") +
                (server.isEmpty() ? QStringLiteral("(not connected)") : server),
            QStringLiteral("Build: ") + info.build};
}

void XALDlgInformation(const CInformationData& info, IDataDialogs& dialogs) {
    dialogs.Information(info);
}
