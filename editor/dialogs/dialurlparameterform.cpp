#include "dialurlparameterform.h"

#include "dialogtext.h"
#include "dialurlparameter.h"
#include "editencodedlogic.h"
#include "xalstrings.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

CDialURLParameterForm::CDialURLParameterForm(CDialURLParameter& dialog, QWidget* parent)
    : CEditDialogForm(QStringLiteral("URLParameter"), parent), m_dialog(dialog) {
    setWindowTitle(CDialURLParameter::Title());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        Heading(DialogText("Replace a part of a URL in this script with a flexible parameter")));
    auto* form = new QFormLayout;
    const auto readOnly = [](const QString& text) {
        auto* edit = new QLineEdit(text);
        edit->setReadOnly(true);
        return edit;
    };
    m_source = readOnly(m_dialog.m_strSourceURL);
    form->addRow(DialogText("&Original URL:"), m_source);
    m_separator = new QLineEdit(m_dialog.m_strSeparator);
    m_separator->setPlaceholderText(CEditEncodedLogic::CueText(XalString(23)));
    form->addRow(DialogText("Sepa&rator:"), m_separator);
    layout->addLayout(form);
    m_candidates = new QTreeWidget;
    m_candidates->setColumnCount(1);
    m_candidates->setHeaderLabels({XalString(16)});
    m_candidates->setColumnWidth(0, 300);
    m_candidates->setRootIsDecorated(false);
    m_candidates->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* listLabel = new QLabel(DialogText("Sec&tion to replace:"));
    listLabel->setBuddy(m_candidates);
    layout->addWidget(listLabel);
    layout->addWidget(m_candidates, 1);
    auto* results = new QFormLayout;
    m_parameter = readOnly(m_dialog.m_strParameter);
    results->addRow(DialogText("&Parameter:"), m_parameter);
    m_value = readOnly(QString());
    results->addRow(DialogText("&Value:"), m_value);
    m_newURL = readOnly(QString());
    results->addRow(DialogText("&New URL:"), m_newURL);
    layout->addLayout(results);
    AddButtons(layout);

    connect(m_separator, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.SetSeparator(text);
        RefreshList();
    });
    connect(m_candidates, &QTreeWidget::currentItemChanged, this, [this] {
        m_dialog.SelectCandidate(m_candidates->indexOfTopLevelItem(m_candidates->currentItem()));
        RefreshChoice();
    });
    RefreshList();
    RestoreSize();
    m_candidates->setFocus();
}

void CDialURLParameterForm::RefreshList() {
    const QSignalBlocker block(m_candidates);
    m_candidates->clear();
    for (const CURLTokenObj& token : m_dialog.Candidates())
        m_candidates->addTopLevelItem(new QTreeWidgetItem({token.m_strPrefix + token.m_strToken}));
    if (m_dialog.SelectedCandidate() >= 0)
        m_candidates->setCurrentItem(m_candidates->topLevelItem(m_dialog.SelectedCandidate()));
    RefreshChoice();
}

void CDialURLParameterForm::RefreshChoice() {
    m_newURL->setText(m_dialog.m_strNewURL);
    m_value->setText(m_dialog.m_strValue);
    OkButton()->setEnabled(m_dialog.IsOKEnabled());
}

bool CDialURLParameterForm::TryAccept() {
    return m_dialog.IsOKEnabled();
}
