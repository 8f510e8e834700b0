#pragma once
// The recording window: a small modeless window, always on top, at the right bottom of the
// screen, that shows the e-script, its root URL and whether the recording runs or is paused,
// with the buttons to pause or resume and to leave. All behaviour is CDialRecording's.

#include <QDialog>

class CDialRecording;
class QLabel;
class QPushButton;

class CDialRecordingForm final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDialRecordingForm)
public:
    // The logic must outlive the form.
    explicit CDialRecordingForm(CDialRecording& logic, QWidget* pParent = nullptr);

    // Shows what the logic holds: caption, texts, status colour, button caption.
    void Refresh();
    // Refreshes, places the window at the right bottom of its screen's available area and
    // shows it without taking the focus from the main window.
    void ShowAtBottomRight();

protected:
    void reject() override; // the close box and Escape leave as "Exit" does

private:
    CDialRecording& m_logic;
    QLabel* m_pTitle = nullptr;      // 1009
    QLabel* m_pRootURL = nullptr;    // 1010
    QLabel* m_pStatus = nullptr;     // 1008
    QPushButton* m_pPause = nullptr; // 1007
    QPushButton* m_pExit = nullptr;  // 2
};
