#pragma once
// The recorder's functions taken from its module, libxalrecorder.so, which a program opens
// when a recording first needs it: the module brings OpenSSL, which opening an e-script never
// needs. The module is found like a library: the programs' RUNPATH names the folder it is
// installed in (lib/xal beside their lib folder) and the build tree's folder of modules.

#include "xalrecord.h"

#include <QString>

#include <optional>

inline constexpr char kXRModuleName[] = "libxalrecorder.so";

struct XRModule {
    decltype(&::XRStartRecording) XRStartRecording = nullptr;
    decltype(&::XRLastError) XRLastError = nullptr;
    decltype(&::XRStopRecording) XRStopRecording = nullptr;
    decltype(&::XRProxyPort) XRProxyPort = nullptr;
    decltype(&::XRLeafKeyHash) XRLeafKeyHash = nullptr;
    decltype(&::IsInstalledLspW) IsInstalledLspW = nullptr;
};

// Opens the module (a file name searched for in the folders of the program's own libraries, or
// a path) and takes its functions.
// Nothing, with error "<file> could not be loaded: <reason>", when it cannot be opened or lacks
// one of them. An opened module stays loaded for the rest of the process (its threads may
// outlive a caller); opening it again gives the same functions and the same recorder.
std::optional<XRModule> XROpenModule(const QString& file, QString& error);
