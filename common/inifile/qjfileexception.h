#pragma once
// File errors of the suite's text-file class. Error numbers follow the numbering the suite
// uses on every system (2 file not found, 32 sharing violation, 1113 no translation...), so a
// caller can compare against the same constants everywhere; errno values are mapped once here.

#include <QString>

#include <exception>
#include <string>

namespace QJFileError {
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kAccessDenied = 5;
constexpr int kInvalidHandle = 6;
constexpr int kNotEnoughMemory = 8;
constexpr int kWriteProtect = 19;
constexpr int kGenFailure = 31;
constexpr int kSharingViolation = 32;
constexpr int kFileExists = 80;
constexpr int kInvalidParameter = 87;
constexpr int kDiskFull = 112;
constexpr int kNegativeSeek = 131;
constexpr int kFilenameTooLong = 206;
constexpr int kNoUnicodeTranslation = 1113;
constexpr int kIoDevice = 1117;
} // namespace QJFileError

// Maps a C library errno value to the suite's error number (0 stays 0).
int QJFileErrorFromErrno(int err);

class CQJFileException : public std::exception {
public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        badSeek,
        hardIO,
        sharingViolation,
        diskFull,
    };

    CQJFileException() = default;
    CQJFileException(Cause cause, int osError, const QString& fileName = QString());

    // The cause that belongs to an error number (genericException for unknown numbers).
    static Cause CauseFromOsError(int osError);

    const char* what() const noexcept override;

    Cause m_cause = none;
    int m_lOsError = 0;
    QString m_strFileName;

private:
    std::string m_what;
};
