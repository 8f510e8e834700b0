#include "dialurlparamsflexform.h"

#include "dialogtext.h"
#include "dialurlparamsflex.h"
#include "editencodedlogic.h"
#include "xalstrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CDialURLParamsFlexForm::CDialURLParamsFlexForm(CDialURLParamsFlex& dialog, QWidget* parent)
    : CEditDialogForm(QStringLiteral("URLParamsFlex"), parent), m_dialog(dialog) {
    setWindowTitle(CDialURLParamsFlex::Title());
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(m_dialog.m_strName);
    m_name->setReadOnly(true);
    form->addRow(DialogText("&Name:"), m_name);
    m_value = new QLineEdit;
    form->addRow(DialogText("&Value:"), m_value);
    m_mode = new QComboBox;
    m_mode->addItems(CDialURLParamsFlex::ModeEntries());
    form->addRow(DialogText("&The parameter:"), m_mode);
    layout->addLayout(form);
    layout->addWidget(Heading(DialogText("Replace the value also in")));
    m_inURL = new QCheckBox(DialogText("the &URL"));
    m_inParams = new QCheckBox(DialogText("the &parameters; with separator"));
    m_separator = new QLineEdit;
    m_separator->setPlaceholderText(CEditEncodedLogic::CueText(XalString(22)));
    auto* paramsRow = new QHBoxLayout;
    paramsRow->addWidget(m_inParams);
    paramsRow->addWidget(m_separator, 1);
    layout->addWidget(m_inURL);
    layout->addLayout(paramsRow);
    layout->addStretch(1);
    AddButtons(layout);

    connect(m_mode, &QComboBox::activated, this, [this](int mode) {
        m_dialog.ChooseMode(mode);
        Refresh();
    });
    connect(m_value, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_dialog.m_strValue = text; });
    connect(m_inURL, &QCheckBox::toggled, this,
            [this](bool checked) { m_dialog.m_bReplaceInURL = checked; });
    connect(m_inParams, &QCheckBox::toggled, this, [this](bool checked) {
        m_dialog.m_bReplaceInParams = checked;
        Refresh();
    });
    connect(m_separator, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_dialog.m_strSeparator = text; });

    m_inURL->setChecked(m_dialog.m_bReplaceInURL);
    m_inParams->setChecked(m_dialog.m_bReplaceInParams);
    m_separator->setText(m_dialog.m_strSeparator);
    Refresh();
    RestoreSize();
    m_mode->setFocus();
}

void CDialURLParamsFlexForm::Refresh() {
    m_mode->setCurrentIndex(m_dialog.m_nMode);
    m_value->setText(m_dialog.m_strValue);
    // A flexible value is the variable; only a predefined one can be typed.
    m_value->setReadOnly(m_dialog.m_nMode != 0);
    m_inURL->setEnabled(m_dialog.AreReplaceBoxesEnabled());
    m_inParams->setEnabled(m_dialog.AreReplaceBoxesEnabled());
    m_separator->setEnabled(m_dialog.IsSeparatorEnabled());
}

bool CDialURLParamsFlexForm::TryAccept() {
    return m_dialog.OnOK();
}
