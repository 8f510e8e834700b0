#include "dialrecording.h"

#include "xalstrings.h"

#include <algorithm>

namespace {
constexpr int kStringRecording = 8;
constexpr int kStringPaused = 9;
constexpr int kStringResume = 10;
constexpr int kStringStop = 11;
constexpr int kStringCaption = 32;
constexpr int kStringWithFiltering = 33;
constexpr int kStringWithoutFiltering = 34;

constexpr std::uint32_t kGreen = 0x008000;
constexpr std::uint32_t kRed = 0xFF0000;
} // namespace

void CDialRecording::Show(const QString& strTitle, const QString& strRootURL, bool bURLFiltering) {
    m_bRunning = true;
    m_strTitle = strTitle;
    m_strRootURL = strRootURL;
    m_bURLFiltering = bURLFiltering;
}

void CDialRecording::OnPauseResume() {
    m_bRunning = !m_bRunning;
    if (m_onPause)
        m_onPause(!m_bRunning);
}

void CDialRecording::OnExit() {
    m_bRunning = false;
    if (m_onExit)
        m_onExit();
}

QString CDialRecording::Caption() const {
    return XalFormat(kStringCaption,
                     XalString(m_bURLFiltering ? kStringWithFiltering : kStringWithoutFiltering));
}

QString CDialRecording::StatusText() const {
    return XalString(m_bRunning ? kStringRecording : kStringPaused);
}

std::uint32_t CDialRecording::StatusColor() const {
    return m_bRunning ? kGreen : kRed;
}

QString CDialRecording::PauseButtonText() const {
    return XalString(m_bRunning ? kStringStop : kStringResume);
}

QPoint CDialRecording::BottomRightPosition(const QRect& available, const QSize& frame) {
    // A window larger than the area keeps its top left corner on the screen.
    const int x = std::max(available.left(), available.left() + available.width() - frame.width());
    const int y = std::max(available.top(), available.top() + available.height() - frame.height());
    return {x, y};
}
