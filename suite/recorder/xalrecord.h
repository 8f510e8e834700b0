#pragma once
// The suite's recorder: a recording HTTP(S) forward proxy on 127.0.0.1 and a browser started
// with that proxy. Every request the browser makes to a recorded port is forwarded and then
// reported through the callback, from the recorder's own reporting thread; the last report of
// a recording is the end report (kind kXREndOfRecording).
//
// Environment:
//   XAL_RECORDER_BROWSER       browser program (name or path); default "chromium"
//   XAL_RECORDER_BROWSER_ARGS  further browser arguments, separated by blanks
//   XAL_RECORDER_TRUST_FILE    PEM file of further certificate authorities trusted for
//                              upstream HTTPS (besides the system's)
//   XAL_RECORDER_NO_BROWSER    "1": run the proxy only (tests and benchmarks drive it)
//   XAL_RECORDER_CA_DIR        folder of the certificate authority (default under the user's
//                              XDG data folder)

#include <QString>

#include <cstdint>

#if defined(XALRECORD_BUILD)
#define XALRECORD_API extern "C" __attribute__((visibility("default")))
#else
#define XALRECORD_API extern "C"
#endif

constexpr std::uint32_t kXREndOfRecording = 0xFFFFFFFFu;
constexpr std::uint32_t kXRHttpsBit = 0x1000u;

// nSequence: number of the request in this recording; nKind: method + 1 (0 GET, 1 POST,
// 2 any other), with kXRHttpsBit for intercepted HTTPS, or kXREndOfRecording; nStatus: the
// response status; host ("name" or "name:port" for a port other than the scheme's default);
// path with query; content type of the response; nPort: destination port; the request body.
using XRCallback = void (*)(std::uint32_t nSequence, std::uint32_t nKind, std::uint32_t nStatus,
                            const char* host, const char* path, const char* contentType,
                            std::uint16_t nPort, const unsigned char* body,
                            std::uint32_t bodyLength);

// Starts a recording: the proxy, then the browser opening strRootURL. Port lists are decimal
// port numbers separated by ","; a request is recorded only when its destination port is in
// one of them. A recording already running is stopped first. False when the proxy or the
// browser could not be started (nothing runs then and no end report follows).
XALRECORD_API bool XRStartRecording(const QString& strReserved, const QString& strRootURL,
                                    const QString& strHttpPorts, const QString& strHttpsPorts,
                                    XRCallback callback, int nFlags);
// Why the last XRStartRecording failed (empty after a successful start).
XALRECORD_API QString XRLastError();
// Stops the browser and the proxy; the end report is delivered before this returns.
XALRECORD_API void XRStopRecording(int nFlags);

// The port the running recording's proxy listens on (127.0.0.1), 0 when none runs.
XALRECORD_API std::uint16_t XRProxyPort();
// SPKI hash (base64 of SHA-256) of the key every intercepted host's certificate carries; empty
// when the recorder's certificate authority cannot be set up.
XALRECORD_API QString XRLeafKeyHash();

// Installation check: *pnInstalled is 1 when the recorder can run here (its certificate
// authority files are in place or can be made, and a browser program is found), else 0. The
// module paths name the interception modules of other platforms; here there are none.
// Returns 0; -1 for a null out pointer.
// The browser program recording would start; empty when none is found.
QString XRBrowserProgram();

XALRECORD_API int IsInstalledLspW(const QString& strModule32, const QString& strModule64,
                                  int* pnInstalled);
