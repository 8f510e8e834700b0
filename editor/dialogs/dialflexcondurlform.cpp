#include "dialflexcondurlform.h"

#include "dialflexcondurl.h"
#include "dialogtext.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDialFlexCondURLForm::CDialFlexCondURLForm(CDialFlexCondURL& dialog, QWidget* parent)
    : CEditDialogForm(QStringLiteral("FlexCondURL"), parent), m_dialog(dialog) {
    setWindowTitle(CDialFlexCondURL::Title());
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox;
    auto* groupLayout = new QVBoxLayout(group);
    auto* label = new QLabel(DialogText("&Conditional URL (\"*\" stands for any text)"));
    m_url = new QLineEdit(m_dialog.m_strConditionURL);
    m_url->setMinimumWidth(
        m_url->fontMetrics().horizontalAdvance(m_dialog.m_strConditionURL.left(120)) + 16);
    label->setBuddy(m_url);
    groupLayout->addWidget(label);
    groupLayout->addWidget(m_url);
    layout->addWidget(group);
    layout->addStretch(1);
    AddButtons(layout);
    connect(m_url, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.m_strConditionURL = text;
        OkButton()->setEnabled(m_dialog.IsOKEnabled());
    });
    OkButton()->setEnabled(m_dialog.IsOKEnabled());
    RestoreSize();
    m_url->setFocus();
}

bool CDialFlexCondURLForm::TryAccept() {
    if (m_dialog.OnOK())
        return true;
    m_url->setFocus();
    return false;
}
