#pragma once
// The recording state of the application and what happens to each request the recorder
// reports: filtering, the skip of the first root request, and the queue that the recording
// window's timer hands to the main-script view. Widget-free; the recorder calls OnRecorded
// from its own thread, everything else runs on the user-interface thread.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

// One recorded request in the queue: URL (scheme, host and path), POST data, method (0 GET,
// 1 POST) and port (set only for the root-URL entry).
struct CInsertURLObj {
    QString strURL;
    QString strPostData;
    int nMethod = 0;
    int nPort = 0;

    bool operator==(const CInsertURLObj&) const = default;
};

// The proxy port lists handed to the recorder, from the settings document "system".
struct CProxyPortLists {
    QString strHttp;
    QString strHttps;
};
// httpValue, httpsValue: the configured ports as decimal text ("0" or empty when not set).
CProxyPortLists MakeProxyPortLists(const QString& httpValue, const QString& httpsValue);

class CRecordingSession {
public:
    // --- user-interface thread ---
    // Begins a recording: started and running, the first root request skipped, the root entry
    // queued. The hidden lists are those read for this start.
    void Start(bool urlFiltering, const QString& rootURL, const QStringList& hiddenURLs,
               const QStringList& hiddenURLsLocal, const QStringList& hiddenMimeTypes);
    void Stop();
    void SetPaused(bool paused);
    // Replaces the local patterns (domain exclusion while recording).
    void SetHiddenURLsLocal(const QStringList& patterns);
    // Replaces the global patterns (read at start-up, possibly after a recording started).
    void SetHiddenURLs(const QStringList& patterns);
    // Takes every queued entry, in order.
    [[nodiscard]] std::vector<CInsertURLObj> TakeQueue();

    // Started, paused included.
    [[nodiscard]] bool IsStarted() const;
    // Started and not paused.
    [[nodiscard]] bool IsRunning() const;
    [[nodiscard]] bool IsURLFiltering() const;

    // --- recorder thread ---
    // One report of the recorder, with the recorder callback's parameters (kind 0xFFFFFFFF
    // ends the recording; A, B and C are traced only). body holds bodyLength bytes.
    void OnRecorded(std::uint32_t nA, std::uint32_t kind, std::uint32_t nB, const char* host,
                    const char* path, const char* contentType, std::uint16_t nC,
                    const unsigned char* body, std::uint32_t bodyLength);

    // Called (on the recorder's thread) after the end report cleared the state.
    std::function<void()> m_onEnded;

private:
    [[nodiscard]] bool IsHidden(const QString& hostAndPath, const QString& contentType) const;

    mutable std::mutex m_mutex; // guards everything below (the queue lock)
    bool m_bRecording = false;
    bool m_bRecordingPaused = false;
    bool m_bURLFiltering = true;
    bool m_bSkipFirstRecorded = false;
    QString m_strRootURL;
    QStringList m_lstHiddenURLs;
    QStringList m_lstHiddenURLsLocal;
    QStringList m_lstHiddenMimeTypes;
    std::vector<CInsertURLObj> m_lstRecorded;
};
