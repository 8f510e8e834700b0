#pragma once
// Text file that is either UTF-16 little-endian or ANSI (the process's ANSI code page) and
// reads and writes lines in either. The encoding is detected on every Open. Failures of
// reading, writing and seeking are thrown as CQJFileException; Open reports them instead.
//
// Sharing modes are advisory whole-file locks (flock) taken on Open and held until Close, so
// that the suite's programs that open a file exclusively exclude each other; a conflicting
// lock makes Open fail at once with error 32.

#include "qjfileexception.h"

#include <QString>

#include <cstdio>

class CQJStdioFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000, // treated as shareExclusive
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = SEEK_SET, current = SEEK_CUR, end = SEEK_END };

    // Largest piece one ReadString returns; longer lines come back in further pieces.
    static constexpr qsizetype kMaxPiece = 4095;

    CQJStdioFile();
    virtual ~CQJStdioFile();
    CQJStdioFile(const CQJStdioFile&) = delete;
    CQJStdioFile& operator=(const CQJStdioFile&) = delete;

    // Opens in binary mode whatever the flags say, then detects the encoding. On failure
    // returns false and, when given, fills `error` (m_lOsError 0 never happens on failure).
    bool Open(const QString& fileName, unsigned openFlags, CQJFileException* error = nullptr);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_pStream != nullptr; }
    [[nodiscard]] QString GetFilePath() const { return m_strFileName; }

    // Reads the next line including its line end, or the next piece of at most max - 1
    // characters, into `buffer` (always zero-terminated). Returns null at the end of the file,
    // for a null buffer and when max leaves no room for a character. With stripLineEnd the text
    // is cut at its first CR and at its first LF.
    char16_t* ReadString(char16_t* buffer, qsizetype max, bool stripLineEnd = false);
    // The next line (or piece of at most 4095 characters) without its line end; false at the
    // end of the file. A lone CR ends the text but not the line.
    bool ReadString(QString& text);
    // A null text writes nothing; a text of exactly one LF is written as CR LF.
    void WriteString(const QString& text, bool appendLineEnd = false);

    qint64 Seek(qint64 offset, SeekPosition from);
    void SeekToBegin() { Seek(0, begin); }
    [[nodiscard]] qint64 GetPosition() const;
    [[nodiscard]] qint64 GetLength() const;
    // Last-write time as 100-nanosecond intervals since 1601-01-01 UTC, -1 when unknown.
    [[nodiscard]] qint64 GetLastWriteTime() const;

    // ANSI code page of this file; the process's code page at construction.
    void SetAnsiCodePage(unsigned codePage) { m_nCodePage = codePage; }
    [[nodiscard]] unsigned GetAnsiCodePage() const { return m_nCodePage; }

    bool m_bUnicode = true;        // UTF-16 LE, else ANSI
    bool m_bHasBOM = false;        // starts with FF FE
    bool m_bNoBOMHandling = false; // reading does not skip, writing does not add the mark

private:
    enum class LastOp { none, read, write };

    void DetectEncoding();
    void ThrowIfClosed() const;
    [[noreturn]] void ThrowErrno(CQJFileException::Cause cause, int err) const;
    void PrepareFor(LastOp op);
    qsizetype ReadUtf16Piece(char16_t* buffer, qsizetype limit);
    qsizetype ReadAnsiPiece(char16_t* buffer, qsizetype limit);
    void WriteBytes(const char* data, qsizetype size);

    FILE* m_pStream = nullptr; // Owned.
    QString m_strFileName;
    unsigned m_nCodePage;
    bool m_bReadable = false;
    LastOp m_lastOp = LastOp::none;
};
