#include "qjstdiofile.h"

#include "ansicodepage.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kDetectBytes = 1024;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr qint64 kEpochDelta = 11644473600LL;

int OpenRetryingOnSignal(const QByteArray& path, int flags) {
    int fd = -1;
    do {
        fd = ::open(path.constData(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// 0 when the lock is held (or the file system cannot lock), else errno.
int LockRetryingOnSignal(int fd, int operation) {
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)
            return 0;
        return errno;
    }
    return 0;
}

} // namespace

CQJStdioFile::CQJStdioFile() : m_nCodePage(QJAnsi::ProcessCodePage()) {}

CQJStdioFile::~CQJStdioFile() {
    Close();
}

bool CQJStdioFile::Open(const QString& fileName, unsigned openFlags, CQJFileException* error) {
    Close();
    openFlags = (openFlags & ~unsigned(typeText)) | typeBinary;

    const auto fail = [&](int osError) {
        if (error != nullptr)
            *error =
                CQJFileException(CQJFileException::CauseFromOsError(osError), osError, fileName);
        return false;
    };

    // Non-blocking only so that opening a FIFO cannot hang; it is refused below.
    int flags = O_CLOEXEC | O_NONBLOCK;
    const char* streamMode = nullptr;
    switch (openFlags & 0x3) {
    case modeRead:
        flags |= O_RDONLY;
        streamMode = "rb";
        break;
    case modeWrite:
        flags |= O_WRONLY;
        streamMode = "wb";
        break;
    case modeReadWrite:
        flags |= O_RDWR;
        streamMode = "r+b";
        break;
    default:
        return fail(QJFileError::kInvalidParameter);
    }
    if (openFlags & modeCreate)
        flags |= O_CREAT;
    if (fileName.isEmpty())
        return fail(QJFileError::kPathNotFound);

    const int fd = OpenRetryingOnSignal(QFile::encodeName(fileName), flags);
    if (fd < 0) {
        // With O_CREAT a missing entry can only be a missing folder.
        if (errno == ENOENT && (flags & O_CREAT))
            return fail(QJFileError::kPathNotFound);
        return fail(QJFileErrorFromErrno(errno));
    }
    const auto failClosing = [&](int osError) {
        ::close(fd);
        return fail(osError);
    };

    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return failClosing(QJFileErrorFromErrno(errno));
    if (S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        return failClosing(QJFileError::kAccessDenied);
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        return failClosing(QJFileErrorFromErrno(errno));

    const unsigned share = openFlags & 0x70;
    if (share != shareDenyNone) {
        const int operation =
            (share == shareDenyWrite || share == shareDenyRead) ? LOCK_SH : LOCK_EX;
        if (const int err = LockRetryingOnSignal(fd, operation); err != 0)
            return failClosing(QJFileErrorFromErrno(err));
    }
    // Truncate only once the lock is ours, so an opener that loses the race destroys nothing.
    if ((openFlags & modeCreate) && !(openFlags & modeNoTruncate) && S_ISREG(info.st_mode) &&
        ::ftruncate(fd, 0) != 0)
        return failClosing(QJFileErrorFromErrno(errno));

    FILE* stream = ::fdopen(fd, streamMode);
    if (stream == nullptr)
        return failClosing(QJFileErrorFromErrno(errno));

    m_pStream = stream;
    m_strFileName = fileName;
    m_bReadable = (openFlags & 0x3) != modeWrite;
    m_lastOp = LastOp::none;
    DetectEncoding();
    return true;
}

void CQJStdioFile::Close() {
    if (m_pStream == nullptr)
        return;
    // Writes are flushed as they happen, so closing has nothing left to report.
    std::fclose(m_pStream);
    m_pStream = nullptr;
    m_lastOp = LastOp::none;
}

void CQJStdioFile::DetectEncoding() {
    m_bHasBOM = false;
    struct stat info {};
    if (!m_bReadable || ::fstat(::fileno(m_pStream), &info) != 0 || info.st_size <= 0)
        return;
    unsigned char bytes[kDetectBytes];
    const std::size_t count = std::fread(bytes, 1, sizeof bytes, m_pStream);
    std::clearerr(m_pStream);
    std::fseek(m_pStream, 0, SEEK_SET);
    m_lastOp = LastOp::none;
    if (count == 0)
        return;

    m_bHasBOM = count >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
    bool hasZeroByte = false;
    for (std::size_t i = 0; i < count && !hasZeroByte; ++i)
        hasZeroByte = bytes[i] == 0;
    bool unitsPlausible = true;
    for (std::size_t i = 0; i + 1 < count; i += 2) {
        const unsigned unit = bytes[i] | (unsigned(bytes[i + 1]) << 8);
        if (unit == 0)
            break;
        if (unit == 0xFFFF || unit == 0x0A0D) {
            unitsPlausible = false;
            break;
        }
    }
    m_bUnicode = count % 2 == 0 && unitsPlausible && (hasZeroByte || m_bHasBOM);
}

void CQJStdioFile::ThrowIfClosed() const {
    if (m_pStream == nullptr)
        throw CQJFileException(CQJFileException::invalidFile, QJFileError::kInvalidHandle,
                               m_strFileName);
}

void CQJStdioFile::ThrowErrno(CQJFileException::Cause cause, int err) const {
    const int osError = QJFileErrorFromErrno(err != 0 ? err : EIO);
    throw CQJFileException(cause, osError, m_strFileName);
}

// A stdio stream needs a seek between reading and writing.
void CQJStdioFile::PrepareFor(LastOp op) {
    if (m_lastOp != LastOp::none && m_lastOp != op)
        std::fseek(m_pStream, 0, SEEK_CUR);
    m_lastOp = op;
}

qsizetype CQJStdioFile::ReadUtf16Piece(char16_t* buffer, qsizetype limit) {
    qsizetype count = 0;
    while (count < limit) {
        const int low = std::getc(m_pStream);
        if (low == EOF)
            break;
        const int high = std::getc(m_pStream);
        if (high == EOF)
            break; // a lone last byte is no character
        const auto unit = static_cast<char16_t>(low | (high << 8));
        buffer[count++] = unit;
        if (unit == u'\n')
            break;
    }
    // A full piece that ends between the two halves of a surrogate pair leaves the pair to the
    // next piece, so no piece holds half a character.
    if (count == limit && count > 1 && QChar::isHighSurrogate(buffer[count - 1])) {
        std::fseek(m_pStream, -2, SEEK_CUR);
        --count;
    }
    return count;
}

qsizetype CQJStdioFile::ReadAnsiPiece(char16_t* buffer, qsizetype limit) {
    QByteArray bytes;
    bytes.reserve(limit);
    while (bytes.size() < limit) {
        const int byte = std::getc(m_pStream);
        if (byte == EOF)
            break;
        bytes.append(static_cast<char>(byte));
        if (byte == '\n')
            break;
    }
    if (std::ferror(m_pStream))
        return 0;
    // A piece that ends inside a multi-byte character leaves that character to the next one.
    if (bytes.size() == limit && !bytes.endsWith('\n')) {
        const qsizetype tail = QJAnsi::IncompleteTailLength(m_nCodePage, bytes);
        if (tail > 0 && tail < bytes.size()) {
            std::fseek(m_pStream, -static_cast<long>(tail), SEEK_CUR);
            bytes.chop(tail);
        }
    }
    if (bytes.isEmpty())
        return 0;
    const std::optional<QString> text = QJAnsi::ToUnicode(m_nCodePage, bytes);
    if (!text)
        throw CQJFileException(CQJFileException::genericException,
                               QJFileError::kNoUnicodeTranslation, m_strFileName);
    // Every supported code page yields at most one UTF-16 unit per byte.
    const qsizetype count = std::min<qsizetype>(text->size(), limit);
    std::copy_n(reinterpret_cast<const char16_t*>(text->constData()), count, buffer);
    return count;
}

char16_t* CQJStdioFile::ReadString(char16_t* buffer, qsizetype max, bool stripLineEnd) {
    if (buffer == nullptr || max <= 0)
        return nullptr;
    buffer[0] = 0;
    if (max < 2)
        return nullptr;
    ThrowIfClosed();
    if (!m_bNoBOMHandling && m_bHasBOM && GetPosition() < 2)
        Seek(2, begin);
    PrepareFor(LastOp::read);

    const qsizetype limit = std::min(max - 1, kMaxPiece);
    const qsizetype count =
        m_bUnicode ? ReadUtf16Piece(buffer, limit) : ReadAnsiPiece(buffer, limit);
    if (std::ferror(m_pStream)) {
        const int err = errno;
        std::clearerr(m_pStream);
        ThrowErrno(CQJFileException::genericException, err);
    }
    if (count == 0)
        return nullptr;
    buffer[count] = 0;
    buffer[max - 1] = 0;
    if (stripLineEnd) {
        for (qsizetype i = 0; i < count; ++i) {
            if (buffer[i] == u'\r' || buffer[i] == u'\n') {
                buffer[i] = 0;
                break;
            }
        }
    }
    return buffer;
}

bool CQJStdioFile::ReadString(QString& text) {
    text.clear();
    char16_t buffer[kMaxPiece + 1];
    if (ReadString(buffer, kMaxPiece + 1, true) == nullptr)
        return false;
    // Not fromUtf16: that would swallow a U+FEFF at the start of the text.
    text = QString(reinterpret_cast<const QChar*>(buffer),
                   static_cast<qsizetype>(std::char_traits<char16_t>::length(buffer)));
    return true;
}

void CQJStdioFile::WriteBytes(const char* data, qsizetype size) {
    if (size > 0 && std::fwrite(data, 1, size, m_pStream) != static_cast<std::size_t>(size)) {
        const int err = errno;
        std::clearerr(m_pStream);
        ThrowErrno(CQJFileException::diskFull, err);
    }
    // Flushing here reports a full disk at the write that caused it.
    if (std::fflush(m_pStream) != 0) {
        const int err = errno;
        std::clearerr(m_pStream);
        ThrowErrno(CQJFileException::diskFull, err);
    }
}

void CQJStdioFile::WriteString(const QString& text, bool appendLineEnd) {
    if (text.isNull())
        return;
    ThrowIfClosed();
    PrepareFor(LastOp::write);

    const QString& lineText = text == QStringLiteral("\n") ? QStringLiteral("\r\n") : text;
    QByteArray bytes;
    if (!m_bNoBOMHandling && m_bUnicode && GetPosition() == 0) {
        bytes.append("\xFF\xFE", 2);
        m_bHasBOM = true;
    }
    if (m_bUnicode) {
        for (const QChar ch : lineText) {
            bytes.append(static_cast<char>(ch.unicode() & 0xFF));
            bytes.append(static_cast<char>(ch.unicode() >> 8));
        }
        if (appendLineEnd)
            bytes.append("\r\0\n\0", 4);
    } else {
        // The whole text is written, however long: a line cut short would be lost data.
        bytes.append(QJAnsi::FromUnicode(m_nCodePage, lineText));
        if (appendLineEnd)
            bytes.append("\r\n", 2);
    }
    WriteBytes(bytes.constData(), bytes.size());
}

qint64 CQJStdioFile::Seek(qint64 offset, SeekPosition from) {
    ThrowIfClosed();
    if (::fseeko(m_pStream, offset, from) != 0) {
        const int err = errno;
        if (err == EINVAL)
            throw CQJFileException(CQJFileException::badSeek, QJFileError::kNegativeSeek,
                                   m_strFileName);
        ThrowErrno(CQJFileException::badSeek, err);
    }
    m_lastOp = LastOp::none;
    return GetPosition();
}

qint64 CQJStdioFile::GetPosition() const {
    ThrowIfClosed();
    const off_t position = ::ftello(m_pStream);
    if (position < 0)
        ThrowErrno(CQJFileException::genericException, errno);
    return position;
}

qint64 CQJStdioFile::GetLength() const {
    ThrowIfClosed();
    struct stat info {};
    if (::fstat(::fileno(m_pStream), &info) != 0)
        ThrowErrno(CQJFileException::genericException, errno);
    return info.st_size;
}

qint64 CQJStdioFile::GetLastWriteTime() const {
    if (m_pStream == nullptr)
        return -1;
    struct stat info {};
    if (::fstat(::fileno(m_pStream), &info) != 0)
        return -1;
    return (static_cast<qint64>(info.st_mtim.tv_sec) + kEpochDelta) * 10'000'000 +
           info.st_mtim.tv_nsec / 100;
}
