#include "dialrecordingform.h"

#include "dialrecording.h"

#include <QColor>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

CDialRecordingForm::CDialRecordingForm(CDialRecording& logic, QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_logic(logic) {
    setObjectName(QStringLiteral("recordingWindow"));
    setModal(false);
    // The user goes on browsing; the window only tells the state.
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* fields = new QFormLayout;
    m_pTitle = new QLabel(this);
    m_pTitle->setObjectName(QStringLiteral("title"));
    m_pRootURL = new QLabel(this);
    m_pRootURL->setObjectName(QStringLiteral("rootURL"));
    m_pRootURL->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fields->addRow(QCoreApplication::translate("XALScriptEdit", "E-script:"), m_pTitle);
    fields->addRow(QCoreApplication::translate("XALScriptEdit", "Root URL:"), m_pRootURL);

    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    QFont bold = m_pStatus->font();
    bold.setBold(true);
    m_pStatus->setFont(bold);
    m_pStatus->setAlignment(Qt::AlignCenter);

    m_pPause = new QPushButton(this);
    m_pPause->setObjectName(QStringLiteral("pauseButton"));
    m_pExit = new QPushButton(QCoreApplication::translate("XALScriptEdit", "Exit"), this);
    m_pExit->setObjectName(QStringLiteral("exitButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pPause);
    buttons->addWidget(m_pExit);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_pStatus);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(m_pPause, &QPushButton::clicked, this, [this] {
        m_logic.OnPauseResume();
        Refresh();
    });
    connect(m_pExit, &QPushButton::clicked, this, [this] { reject(); });
}

void CDialRecordingForm::Refresh() {
    setWindowTitle(m_logic.Caption());
    m_pTitle->setText(m_logic.TitleText());
    m_pRootURL->setText(m_logic.RootURLText());
    m_pStatus->setText(m_logic.StatusText());
    QPalette palette = m_pStatus->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(m_logic.StatusColor()));
    m_pStatus->setPalette(palette);
    m_pPause->setText(m_logic.PauseButtonText());
}

void CDialRecordingForm::ShowAtBottomRight() {
    Refresh();
    adjustSize();
    show();
    // Placed once shown: only then does the frame size include the title bar.
    if (QScreen* screen = this->screen())
        move(CDialRecording::BottomRightPosition(screen->availableGeometry(),
                                                 frameGeometry().size()));
}

void CDialRecordingForm::reject() {
    m_logic.OnExit();
    QDialog::reject();
}
