#include "dialediturlparamsform.h"

#include "dialediturlparams.h"
#include "dialogtext.h"
#include "editencoded.h"
#include "xalstrings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

CDialEditURLParamsForm::CDialEditURLParamsForm(CDialEditURLParams& dialog, QWidget* parent)
    : CEditDialogForm(QStringLiteral("EditURLParams"), parent), m_dialog(dialog) {
    setWindowTitle(m_dialog.Title());
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_name = new QLineEdit(m_dialog.m_strName);
    m_name->setPlaceholderText(CEditEncodedLogic::CueText(XalString(21)));
    form->addRow(DialogText("&Name:"), m_name);

    m_value = new CEditEncoded;
    m_value->SetPrompt(XalString(29));
    m_value->setText(m_dialog.m_strValue);
    m_value->SetHandlers([this](const QString& text) { return m_dialog.ValueEdited(text); },
                         [this] { return m_dialog.m_nKind; },
                         [this] { return m_dialog.EncodingMode(); });
    m_encoding = new QToolButton;
    m_encoding->setCheckable(true);
    m_encoding->setToolTip(DialogText("Switch URL encoding of typed characters"));
    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(m_value, 1);
    valueRow->addWidget(m_encoding);
    form->addRow(DialogText("&Value:"), valueRow);
    qobject_cast<QLabel*>(form->labelForField(valueRow))->setBuddy(m_value);

    m_nonEncoded = new QLineEdit;
    m_nonEncoded->setReadOnly(true);
    form->addRow(DialogText("&Decoded value:"), m_nonEncoded);

    m_kind = new QComboBox;
    form->addRow(DialogText("&Kind:"), m_kind);
    layout->addLayout(form);

    m_sendInURL = new QCheckBox(DialogText(
        "POST is used for transmitting URL parameters - &send parameter in the URL anyway"));
    layout->addWidget(m_sendInURL);
    m_information = Heading(QString());
    m_information->setWordWrap(true);
    layout->addWidget(m_information);
    layout->addStretch(1);
    AddButtons(layout);

    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.SetName(text);
        Refresh();
    });
    connect(m_value, &CEditEncoded::ValueChanged, this, &CDialEditURLParamsForm::Refresh);
    connect(m_kind, &QComboBox::activated, this, [this](int index) {
        m_dialog.ChooseKind(index);
        Refresh();
    });
    connect(m_encoding, &QToolButton::clicked, this, [this] {
        m_dialog.ToggleEncodingMode();
        Refresh();
        m_value->setFocus();
    });
    connect(m_sendInURL, &QCheckBox::toggled, this,
            [this](bool checked) { m_dialog.m_bSendInURL = checked; });

    m_kind->addItems(m_dialog.KindEntries());
    m_sendInURL->setChecked(m_dialog.m_bSendInURL);
    m_value->SetBackground(m_dialog.ValueBackground());
    setTabOrder(m_name, m_value);
    setTabOrder(m_value, m_encoding);
    setTabOrder(m_encoding, m_nonEncoded);
    setTabOrder(m_nonEncoded, m_kind);
    setTabOrder(m_kind, m_sendInURL);
    Refresh();
    RestoreSize();
}

void CDialEditURLParamsForm::Refresh() {
    const QSignalBlocker blockKind(m_kind);
    if (m_kind->count() != m_dialog.KindEntries().size()) {
        m_kind->clear();
        m_kind->addItems(m_dialog.KindEntries());
    }
    m_kind->setCurrentIndex(m_dialog.KindIndex());
    m_kind->setEnabled(m_dialog.IsKindEnabled());
    if (m_value->text() != m_dialog.m_strValue)
        m_value->setText(m_dialog.m_strValue);
    m_value->setReadOnly(m_dialog.IsValueReadOnly());
    if (m_value->Background() != m_dialog.ValueBackground() && !m_value->hasFocus())
        m_value->SetBackground(m_dialog.ValueBackground());
    m_nonEncoded->setText(m_dialog.m_strNonEncodedValue);
    m_encoding->setEnabled(m_dialog.IsEncodingButtonEnabled());
    m_encoding->setChecked(m_dialog.EncodingMode() == 1);
    m_encoding->setText(m_dialog.EncodingMode() == 1 ? QStringLiteral("%") : QStringLiteral("a"));
    m_sendInURL->setEnabled(m_dialog.IsSendInURLEnabled());
    m_information->setText(m_dialog.InformationText());
    OkButton()->setEnabled(m_dialog.IsOKEnabled());
}

bool CDialEditURLParamsForm::TryAccept() {
    if (m_dialog.OnOK())
        return true;
    if (m_dialog.FocusField() == CDialEditURLParams::Field::Value)
        m_value->setFocus();
    else
        m_name->setFocus();
    return false;
}
