#include "xaldatadlg.h"

#include "escriptnewdata.h"
#include "escriptpropsdata.h"
#include "mongodb.h"
#include "xalstrings.h"
#include "xaltools.h"

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

#include <array>
#include <functional>

#ifndef XAL_VERSION
#define XAL_VERSION "0"
#endif

namespace {
// String table numbers of the dialogs' texts.
constexpr int kStrCaption = 62510;
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

QString Caption() {
    return XalString(kStrCaption);
}

QString FieldOf(const char16_t* block, int offset, int length) {
    const char16_t* start = block + offset;
    int n = 0;
    while (n < length && start[n] != 0)
        ++n;
    return QString::fromUtf16(start, n);
}

// A session for a dialog: the caller's, or one opened here and owned by the holder.
struct SessionHolder {
    CMongoDB* db = nullptr;
    std::unique_ptr<CMongoDB> own;

    bool Open(CMongoDB* given, QWidget* parent) {
        db = given;
        if (db)
            return true;
        QString error;
        own = OpenSuiteSession(error);
        if (!own) {
            QMessageBox::warning(parent, Caption(), error);
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
    CEScriptPropsDialog(CEScriptPropsData& data, CMongoDB& db, QWidget* parent)
        : QDialog(parent), m_data(data), m_db(db) {
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
        QString error;
        CEScriptPropsData::Field field = CEScriptPropsData::Field::None;
        if (m_data.Store(m_db, error, &field)) {
            accept();
            return;
        }
        QMessageBox::warning(this, Caption(), error);
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
    CMongoDB& m_db;
    QLineEdit* m_title;
    QPlainTextEdit* m_domains;
    QListWidget* m_available;
    QLineEdit* m_user;
    QLineEdit* m_password;
};

class CEScriptNewDialog final : public QDialog {
public:
    CEScriptNewDialog(CEScriptNewData& data, CMongoDB& db, QWidget* parent)
        : QDialog(parent), m_data(data), m_db(db) {
        setWindowTitle(XalString(kStrNewTitle));
        auto* form = new QFormLayout;
        m_id = new QLineEdit;
        m_title = new QLineEdit;
        m_root = new QLineEdit;
        m_root->setPlaceholderText(QStringLiteral("https://www.example.com/login"));
        m_open = new QComboBox;
        m_open->addItem(XalString(kStrOpen), CEScriptNewData::kOpen);
        m_open->addItem(XalString(kStrOpenWithProperties), CEScriptNewData::kOpenWithProperties);
        m_open->addItem(XalString(kStrOpenWithRecording), CEScriptNewData::kOpenWithRecording);
        m_open->addItem(XalString(kStrCreatedOnly), CEScriptNewData::kCreatedOnly);
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
        QString error;
        CEScriptNewData::Field field = CEScriptNewData::Field::None;
        if (m_data.Create(m_db, error, field)) {
            accept();
            return;
        }
        m_id->setText(m_data.m_strID); // shows the ID as verified
        QMessageBox::warning(this, Caption(), error);
        QLineEdit* focus = field == CEScriptNewData::Field::Title     ? m_title
                           : field == CEScriptNewData::Field::RootURL ? m_root
                                                                      : m_id;
        focus->setFocus();
        focus->selectAll();
    }

    CEScriptNewData& m_data;
    CMongoDB& m_db;
    QLineEdit* m_id;
    QLineEdit* m_title;
    QLineEdit* m_root;
    QComboBox* m_open;
};
} // namespace

std::unique_ptr<CMongoDB> OpenSuiteSession(QString& error) {
    std::array<char16_t, kXalConnectionChars> block{};
    if (!XALIsMDBDataAvailable(block.data())) {
        error = XalString(kStrDatabaseDown);
        return nullptr;
    }
    const QString server = FieldOf(block.data(), kXalConnServer, 520);
    const QString set = FieldOf(block.data(), kXalConnSet, 100);
    const QString user = FieldOf(block.data(), kXalConnUser, 100);
    const QString password = FieldOf(block.data(), kXalConnPassword, 100);
    block.fill(0); // the password stays in memory no longer than needed
    auto db = std::make_unique<CMongoDB>(server, set);
    QString detail;
    if (!db->Connect(detail) ||
        (!user.isEmpty() && !db->Authenticate(QStringLiteral("admin"), user, password, detail))) {
        error = XalString(kStrDatabaseDown) + u'\n' + detail;
        return nullptr;
    }
    return db;
}

int XALDlgEScriptProps(const QStringList& array, int mode, CMongoDB* database, QWidget* parent) {
    Q_UNUSED(mode);
    if (array.isEmpty() || array.front().isEmpty())
        return 0;
    SessionHolder session;
    if (!session.Open(database, parent))
        return 0;
    CEScriptPropsData data;
    QString error;
    if (!data.Load(*session.db, array.front(), error)) {
        QMessageBox::warning(parent, Caption(), error);
        return 0;
    }
    CEScriptPropsDialog dialog(data, *session.db, parent);
    return dialog.exec() == QDialog::Accepted ? 1 : 0;
}

int XALDlgEScriptNew(QStringList& array, CMongoDB* database, QWidget* parent) {
    SessionHolder session;
    if (!session.Open(database, parent))
        return 0;
    CEScriptNewData data([](QString& id) { return XALTVerifyID(id); });
    CEScriptNewDialog dialog(data, *session.db, parent);
    if (dialog.exec() != QDialog::Accepted)
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

void XALDlgInformation(const CInformationData& info, QWidget* parent) {
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Information"));
    box.setIcon(QMessageBox::Information);
    box.setText(InformationLines(info).join(u'\n'));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
