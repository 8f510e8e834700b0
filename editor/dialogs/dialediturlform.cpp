#include "dialediturlform.h"

#include "dialediturl.h"
#include "dialogtext.h"
#include "xalstrings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The row icon shows the method mark: G (GET), P (POST), U (POST sent in the URL anyway).
QIcon MethodIcon(int mark) {
    static const char* const kLetters[] = {"G", "P", "U"};
    static const QColor kColours[] = {QColor(0, 120, 0), QColor(0, 0, 200), QColor(160, 90, 0)};
    const int index = mark >= 0 && mark <= 2 ? mark : 0;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(kColours[index]);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::fromLatin1(kLetters[index]));
    return QIcon(pixmap);
}

QPushButton* CommandButton(const char* text, int tooltip) {
    auto* button = new QPushButton(DialogText(text));
    button->setToolTip(XalString(tooltip));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CDialEditURLForm::CDialEditURLForm(CDialEditURL& dialog, QWidget* parent)
    : CEditDialogForm(QStringLiteral("EditURL"), parent), m_dialog(dialog) {
    setWindowTitle(m_dialog.Title());
    auto* layout = new QVBoxLayout(this);

    auto* urlGroup = new QGroupBox(DialogText("URL"));
    auto* urlForm = new QFormLayout(urlGroup);
    m_protocol = new QComboBox;
    m_protocol->addItems({QStringLiteral("HTTP"), QStringLiteral("HTTPS")});
    urlForm->addRow(DialogText("Pro&tocol:"), m_protocol);
    m_server = new QLineEdit;
    m_server->setPlaceholderText(XalString(19));
    urlForm->addRow(DialogText("&Server:"), m_server);
    m_address = new QLineEdit;
    m_address->setPlaceholderText(XalString(20));
    urlForm->addRow(DialogText("Add&ress:"), m_address);
    m_method = new QComboBox;
    m_method->addItem(MethodIcon(0), XalString(129));
    m_method->addItem(MethodIcon(1), XalString(130));
    urlForm->addRow(DialogText("&Method:"), m_method);
    layout->addWidget(urlGroup);

    auto* paramGroup = new QGroupBox;
    auto* paramLayout = new QVBoxLayout(paramGroup);
    QLabel* paramHeading = Heading(DialogText("URL &parameter"));
    paramLayout->addWidget(paramHeading);
    auto* listRow = new QHBoxLayout;
    m_params = new QTreeWidget;
    m_params->setColumnCount(2);
    m_params->setHeaderLabels({XalString(119), XalString(120)});
    m_params->setRootIsDecorated(false);
    m_params->setSortingEnabled(false);
    m_params->setSelectionMode(QAbstractItemView::SingleSelection);
    m_params->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_params->setColumnWidth(0, 300);
    m_params->setColumnWidth(1, 200);
    // Both columns at their starting widths, and a few rows, without scrolling.
    m_params->setMinimumSize(520, 160);
    paramHeading->setBuddy(m_params);
    listRow->addWidget(m_params, 1);
    auto* listButtons = new QVBoxLayout;
    m_add = CommandButton("&Add", 142);
    m_edit = CommandButton("&Edit", 143);
    m_delete = CommandButton("&Delete", 144);
    m_deleteAll = CommandButton("Delete a&ll", 145);
    m_up = CommandButton("&Up", 146);
    m_down = CommandButton("Do&wn", 147);
    for (QPushButton* button : {m_add, m_edit, m_delete, m_deleteAll, m_up, m_down})
        listButtons->addWidget(button);
    listButtons->addStretch(1);
    listRow->addLayout(listButtons);
    paramLayout->addLayout(listRow);
    layout->addWidget(paramGroup, 1);

    auto* completeGroup = new QGroupBox;
    auto* completeLayout = new QVBoxLayout(completeGroup);
    QLabel* completeHeading = Heading(DialogText("&Complete e-script URL"));
    completeLayout->addWidget(completeHeading);
    m_complete = new QLineEdit;
    m_complete->setReadOnly(true);
    completeHeading->setBuddy(m_complete);
    completeLayout->addWidget(m_complete);
    auto* completeRow = new QHBoxLayout;
    completeRow->addStretch(1);
    m_paste = CommandButton("&Insert URL", 149);
    m_copy = CommandButton("Cop&y URL", 150);
    m_browser = CommandButton("&Browser", 151);
    completeRow->addWidget(m_paste);
    completeRow->addWidget(m_copy);
    completeRow->addWidget(m_browser);
    completeLayout->addLayout(completeRow);
    layout->addWidget(completeGroup);
    AddButtons(layout);

    connect(m_protocol, &QComboBox::activated, this, [this](int index) {
        m_dialog.SetProtocol(index);
        RefreshState();
    });
    connect(m_server, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.SetServer(text);
        RefreshState();
    });
    connect(m_address, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_dialog.SetAddress(text);
        RefreshState();
    });
    connect(m_method, &QComboBox::activated, this,
            [this](int index) { Run([this, index] { m_dialog.ChangeMethod(index); }); });
    connect(m_params, &QTreeWidget::currentItemChanged, this, [this] {
        m_dialog.Select(m_params->indexOfTopLevelItem(m_params->currentItem()));
        RefreshState();
    });
    connect(m_params, &QTreeWidget::itemDoubleClicked, this,
            [this] { Run([this] { m_dialog.EditParameter(); }); });
    connect(m_add, &QPushButton::clicked, this,
            [this] { Run([this] { m_dialog.AddParameter(); }); });
    connect(m_edit, &QPushButton::clicked, this,
            [this] { Run([this] { m_dialog.EditParameter(); }); });
    connect(m_delete, &QPushButton::clicked, this,
            [this] { Run([this] { m_dialog.DeleteParameter(); }); });
    connect(m_deleteAll, &QPushButton::clicked, this,
            [this] { Run([this] { m_dialog.DeleteAllParameters(); }); });
    connect(m_up, &QPushButton::clicked, this, [this] { Run([this] { m_dialog.MoveUp(); }); });
    connect(m_down, &QPushButton::clicked, this, [this] { Run([this] { m_dialog.MoveDown(); }); });
    connect(m_paste, &QPushButton::clicked, this, [this] {
        Run([this] { m_dialog.PasteURL(); });
        RefreshFields();
    });
    connect(m_copy, &QPushButton::clicked, this, [this] { m_dialog.CopyURL(); });
    connect(m_browser, &QPushButton::clicked, this, [this] { m_dialog.OpenInBrowser(); });

    m_protocol->setEnabled(!m_dialog.m_bServerLocked);
    m_server->setEnabled(!m_dialog.m_bServerLocked);
    m_paste->setEnabled(!m_dialog.m_bServerLocked);
    RefreshFields();
    RefreshRows();
    RestoreSize();
    m_server->setFocus();
}

template <class Command> void CDialEditURLForm::Run(Command command) {
    command();
    RefreshRows();
}

void CDialEditURLForm::RefreshFields() {
    m_protocol->setCurrentIndex(
        m_dialog.m_nProtocol == 0 || m_dialog.m_nProtocol == 1 ? m_dialog.m_nProtocol : -1);
    m_method->setCurrentIndex(m_dialog.m_nMethod == 1 ? 1 : 0);
    m_server->setText(m_dialog.m_strServer);
    m_address->setText(m_dialog.m_strAddress);
    RefreshState();
}

void CDialEditURLForm::RefreshRows() {
    const QSignalBlocker block(m_params);
    m_params->clear();
    for (const CURLParamRow& row : m_dialog.Rows()) {
        auto* item = new QTreeWidgetItem({row.strName, row.strShown});
        item->setIcon(0, MethodIcon(row.nMethodMark));
        m_params->addTopLevelItem(item);
    }
    if (m_dialog.Selected() >= 0)
        m_params->setCurrentItem(m_params->topLevelItem(m_dialog.Selected()));
    FitColumns();
    RefreshState();
}

void CDialEditURLForm::RefreshState() {
    const bool server = m_dialog.IsServerActionEnabled();
    OkButton()->setEnabled(server);
    m_copy->setEnabled(server);
    m_browser->setEnabled(server);
    m_up->setEnabled(m_dialog.IsUpEnabled());
    m_down->setEnabled(m_dialog.IsDownEnabled());
    m_edit->setEnabled(m_dialog.IsRowActionEnabled());
    m_delete->setEnabled(m_dialog.IsRowActionEnabled());
    m_deleteAll->setEnabled(m_dialog.IsRowActionEnabled());
    m_complete->setText(m_dialog.CompleteURL());
}

void CDialEditURLForm::FitColumns() {
    if (m_params->topLevelItemCount() == 0)
        return;
    m_params->resizeColumnToContents(0);
    m_params->resizeColumnToContents(1);
}

void CDialEditURLForm::resizeEvent(QResizeEvent* event) {
    CEditDialogForm::resizeEvent(event);
    FitColumns();
}

bool CDialEditURLForm::TryAccept() {
    if (m_dialog.OnOK())
        return true;
    if (m_dialog.FocusField() == CDialEditURL::Field::Address)
        m_address->setFocus();
    else
        m_server->setFocus();
    return false;
}
