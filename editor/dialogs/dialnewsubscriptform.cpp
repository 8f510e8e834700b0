#include "dialnewsubscriptform.h"

#include "dialnewsubscript.h"
#include "dialogtext.h"
#include "editencodedlogic.h"
#include "xalstrings.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDialNewSubscriptForm::CDialNewSubscriptForm(CDialNewSubscript& dialog, QWidget* parent)
    : CEditDialogForm(QStringLiteral("NewSubscript"), parent), m_dialog(dialog) {
    setWindowTitle(CDialNewSubscript::Title());
    auto* layout = new QVBoxLayout(this);
    auto* urlGroup = new QGroupBox(DialogText("URL of the conditional script"));
    auto* urlLayout = new QVBoxLayout(urlGroup);
    m_url = new QLineEdit(m_dialog.m_strURL);
    m_url->setReadOnly(true);
    m_url->setMinimumWidth(m_url->fontMetrics().horizontalAdvance(m_dialog.m_strURL.left(120)) +
                           16);
    urlLayout->addWidget(m_url);
    layout->addWidget(urlGroup);
    auto* nameGroup = new QGroupBox;
    auto* nameLayout = new QVBoxLayout(nameGroup);
    auto* nameLabel = new QLabel(DialogText("&Name"));
    m_name = new QLineEdit(m_dialog.m_strName);
    m_name->setPlaceholderText(CEditEncodedLogic::CueText(XalString(18)));
    nameLabel->setBuddy(m_name);
    nameLayout->addWidget(nameLabel);
    nameLayout->addWidget(m_name);
    layout->addWidget(nameGroup);
    layout->addStretch(1);
    AddButtons(layout);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.m_strName = text;
        OkButton()->setEnabled(m_dialog.IsOKEnabled());
    });
    OkButton()->setEnabled(m_dialog.IsOKEnabled());
    RestoreSize();
    m_name->setFocus();
}

bool CDialNewSubscriptForm::TryAccept() {
    if (m_dialog.OnOK())
        return true;
    m_name->setFocus();
    m_name->selectAll();
    return false;
}
