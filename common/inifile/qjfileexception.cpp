#include "qjfileexception.h"

#include <cerrno>

int QJFileErrorFromErrno(int err) {
    using namespace QJFileError;
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return kFileNotFound;
    case ENOTDIR:
        return kPathNotFound;
    case EMFILE:
    case ENFILE:
        return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY:
        return kAccessDenied;
    case EBADF:
        return kInvalidHandle;
    case ENOMEM:
        return kNotEnoughMemory;
    case EROFS:
        return kWriteProtect;
    case EWOULDBLOCK:
        return kSharingViolation;
    case EEXIST:
        return kFileExists;
    case EINVAL:
        return kInvalidParameter;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return kDiskFull;
    case ENAMETOOLONG:
        return kFilenameTooLong;
    case EILSEQ:
        return kNoUnicodeTranslation;
    case EIO:
        return kIoDevice;
    default:
        return kGenFailure;
    }
}

CQJFileException::CQJFileException(Cause cause, int osError, const QString& fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {
    m_what = "file error " + std::to_string(osError);
    if (!fileName.isEmpty())
        m_what += " on " + fileName.toStdString();
}

CQJFileException::Cause CQJFileException::CauseFromOsError(int osError) {
    using namespace QJFileError;
    switch (osError) {
    case 0:
        return none;
    case kFileNotFound:
        return fileNotFound;
    case kPathNotFound:
    case kFilenameTooLong:
        return badPath;
    case kTooManyOpenFiles:
        return tooManyOpenFiles;
    case kAccessDenied:
    case kWriteProtect:
        return accessDenied;
    case kInvalidHandle:
        return invalidFile;
    case kNegativeSeek:
        return badSeek;
    case kIoDevice:
        return hardIO;
    case kSharingViolation:
        return sharingViolation;
    case kDiskFull:
        return diskFull;
    default:
        return genericException;
    }
}

const char* CQJFileException::what() const noexcept {
    return m_what.empty() ? "file error" : m_what.c_str();
}
