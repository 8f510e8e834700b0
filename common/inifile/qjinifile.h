#pragma once
// Reader of the suite's INI-style configuration files ("[Section]" headers, "key = value"
// lines, ";" comments), ANSI or UTF-16. Read opens the file exclusively (creating it empty
// when missing) and keeps it open until Close or destruction, so users close it as soon as
// they have their values. Section and key names match in any letter case. Every operation
// holds the object's lock; no exception leaves the class.
//
// Comment lines are skipped: nothing offers them to callers and the file is never written.

#include <QString>

#include <map>
#include <memory>
#include <mutex>

class CQJStdioFile;

class CQJIniFile {
public:
    struct CaseInsensitiveLess {
        bool operator()(const QString& left, const QString& right) const;
    };

    // One section: its keys and their values.
    class CIniMap {
    public:
        [[nodiscard]] const QString* Find(const QString& key) const;
        void SetValue(const QString& key, const QString& value);

    private:
        std::map<QString, QString, CaseInsensitiveLess> m_mapValues;
    };
    // Sections by their header line including the brackets, e.g. "[Settings]".
    using CIniMapMap = std::map<QString, CIniMap, CaseInsensitiveLess>;

    static constexpr int kOpenAttempts = 15;
    static constexpr int kRetryPauseMs = 50;

    // A null name behaves like an empty one (Read then fails with a path error).
    explicit CQJIniFile(const QString& fileName = QString());
    virtual ~CQJIniFile();
    CQJIniFile(const CQJIniFile&) = delete;
    CQJIniFile& operator=(const CQJIniFile&) = delete;

    // Opens and parses the file: 0 on success, else the error number of the failure (32 when
    // another process kept the file locked through all attempts) or -1.
    int Read();
    // False, leaving `value` unchanged, for an empty name or a missing section or key.
    bool GetValue(const QString& section, const QString& key, QString& value) const;
    void Close();

    // Last-write time of the file (100 ns units since 1601) as of the last successful parse;
    // -1 before that and after a Read that could not open the file.
    [[nodiscard]] qint64 GetLastWriteTime() const;
    [[nodiscard]] bool WasRead() const;

    // Text as the reader compares it: blanks and control characters 9-13 dropped at both
    // ends, then one pair of matching surrounding quotes (" or ').
    static QString Trim(const QString& text);

private:
    int Parse();

    mutable std::recursive_mutex m_lock;
    std::unique_ptr<CQJStdioFile> m_pFile; // Owned; unopened until Read.
    QString m_strFileName;
    bool m_bDefaultUnicode = true; // an empty or new file counts as UTF-16
    CIniMapMap m_lstSections;
    bool m_bRead = false;
    qint64 m_llLastWrite = -1;
};
