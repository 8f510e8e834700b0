#pragma once
// The list of recently opened e-scripts. It holds XAL IDs, not paths, and lives in the
// program's settings under its own section ("RecentXALScript", entries "XALScript1"...).

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

class CMyRecentFileList {
public:
    static constexpr int kMaxIdLength = 259;

    CMyRecentFileList(int menuOffset, QString section, QString entryFormat, int size,
                      int displayLength);
    ~CMyRecentFileList();
    CMyRecentFileList(const CMyRecentFileList&) = delete;
    CMyRecentFileList& operator=(const CMyRecentFileList&) = delete;

    // Puts id at the top; an equal entry elsewhere is taken out, so the ID stands once.
    // Refuses (false, list unchanged) an empty ID or one longer than kMaxIdLength.
    bool Add(const QString& id);
    // Takes out every entry equal to id (case-sensitive); returns how many went.
    int RemoveEqual(const QString& id);
    void Remove(int index);

    // Number of slots, and number of filled slots (filled slots come first).
    [[nodiscard]] int GetSize() const { return static_cast<int>(m_names.size()); }
    [[nodiscard]] int GetCount() const;
    // Entry at index; empty for an empty slot or an index outside the list.
    [[nodiscard]] QString GetAt(int index) const;
    // Entry shortened to the display length ("..." marks a cut).
    [[nodiscard]] QString GetDisplayName(int index) const;
    // Menu text with the entry's number as mnemonic: "&1 abc", ..., "1&0 xyz".
    [[nodiscard]] QString GetMenuText(int index) const;
    [[nodiscard]] int GetMenuOffset() const { return m_nMenuOffset; }

    void ReadList(QSettings& settings);
    // Writes the list only where the settings hold something else (an unchanged list costs no
    // write of the file); true when it wrote.
    bool WriteList(QSettings& settings) const;

    [[nodiscard]] QString Section() const { return m_strSection; }
    [[nodiscard]] QString EntryName(int index) const;

private:
    int m_nMenuOffset;
    QString m_strSection;
    QString m_strEntryFormat;
    int m_nDisplayLength;
    QStringList m_names;
};

// The editor's list: section "RecentXALScript", "XALScript%d", 10 entries, 30 characters.
std::unique_ptr<CMyRecentFileList> MakeEditorRecentList();
