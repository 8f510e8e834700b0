#include "editdialogform.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

namespace {
constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// The user's settings file is the user's alone: created 0600 before anything is written to it
// (its folder 0700), and kept so when it already exists.
void MakeSettingsPrivate(const QSettings& settings) {
    const QString path = settings.fileName();
    if (settings.format() != QSettings::NativeFormat && settings.format() != QSettings::IniFormat)
        return;
    const QFileInfo info(path);
    if (!info.dir().exists() && QDir().mkpath(info.absolutePath()))
        QFile::setPermissions(info.absolutePath(), kOwnerOnly | QFileDevice::ExeOwner);
    QFile file(path);
    if (!file.exists())
        file.open(QIODevice::WriteOnly | QIODevice::NewOnly, kOwnerOnly);
    else if (file.permissions() != kOwnerOnly)
        file.setPermissions(kOwnerOnly);
}
} // namespace

CEditDialogForm::CEditDialogForm(const QString& key, QWidget* parent)
    : QDialog(parent), m_key(key) {
    setSizeGripEnabled(true);
}

QDialogButtonBox* CEditDialogForm::AddButtons(QBoxLayout* layout) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (TryAccept())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    return buttons;
}

void CEditDialogForm::RestoreSize() {
    const QSize needed = sizeHint().expandedTo(minimumSizeHint());
    const QSize stored =
        QSettings().value(QStringLiteral("EditDialogs/%1/size").arg(m_key)).toSize();
    resize(stored.isValid() ? stored.expandedTo(minimumSizeHint()) : needed);
}

void CEditDialogForm::done(int result) {
    QSettings settings;
    MakeSettingsPrivate(settings);
    settings.setValue(QStringLiteral("EditDialogs/%1/size").arg(m_key), size());
    QDialog::done(result);
}

QLabel* CEditDialogForm::Heading(const QString& text) {
    auto* label = new QLabel(text);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: rgb(0, 0, 230);"));
    return label;
}
