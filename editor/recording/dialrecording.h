#pragma once
// The recording window's logic: what the small always-on-top status window shows while a
// recording is started, and what its buttons do. CDialRecordingForm (editor/app) is the Qt
// form over it.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <utility>

class CDialRecording {
public:
    // onPause gets the new paused state when the user pauses or resumes; onExit runs when the
    // user leaves the window by "Exit" or by closing it.
    CDialRecording(std::function<void(bool bPaused)> onPause, std::function<void()> onExit)
        : m_onPause(std::move(onPause)), m_onExit(std::move(onExit)) {}

    // A recording starts: running again, with the e-script's title, its root URL and the
    // filtering the recording was started with.
    void Show(const QString& strTitle, const QString& strRootURL, bool bURLFiltering);
    // Button 1007: pauses a running recording, resumes a paused one.
    void OnPauseResume();
    // Button "Exit" (and the window's close box): the recording stops, the window hides.
    void OnExit();
    // The recording ended without the window's doing (stop command, end report).
    void SetStopped() { m_bRunning = false; }

    [[nodiscard]] bool IsRunning() const { return m_bRunning; }
    [[nodiscard]] QString Caption() const;
    [[nodiscard]] const QString& TitleText() const { return m_strTitle; }
    [[nodiscard]] const QString& RootURLText() const { return m_strRootURL; }
    [[nodiscard]] QString StatusText() const;
    // 0xRRGGBB: green while recording, red while paused.
    [[nodiscard]] std::uint32_t StatusColor() const;
    [[nodiscard]] QString PauseButtonText() const;

    // Where a window of the given frame size sits at the right bottom of the available screen
    // area (the desktop without panels and task bars).
    [[nodiscard]] static QPoint BottomRightPosition(const QRect& available, const QSize& frame);

private:
    std::function<void(bool)> m_onPause;
    std::function<void()> m_onExit;
    bool m_bRunning = true;
    bool m_bURLFiltering = true;
    QString m_strTitle;
    QString m_strRootURL;
};
