#include "recentfilelist.h"

#include <QSettings>

#include <algorithm>

CMyRecentFileList::CMyRecentFileList(int menuOffset, QString section, QString entryFormat, int size,
                                     int displayLength)
    : m_nMenuOffset(menuOffset), m_strSection(std::move(section)),
      m_strEntryFormat(std::move(entryFormat)), m_nDisplayLength(displayLength) {
    for (int i = 0; i < std::max(size, 0); ++i)
        m_names.append(QString());
}

CMyRecentFileList::~CMyRecentFileList() = default;

bool CMyRecentFileList::Add(const QString& id) {
    if (id.isEmpty() || id.size() > kMaxIdLength || m_names.isEmpty())
        return false;
    // The slot that falls off is the ID's own old place, or else the last one.
    qsizetype drop = m_names.indexOf(id);
    if (drop < 0)
        drop = m_names.size() - 1;
    m_names.removeAt(drop);
    m_names.prepend(id);
    return true;
}

int CMyRecentFileList::RemoveEqual(const QString& id) {
    int removed = 0;
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        if (!m_names[i].isEmpty() && m_names[i] == id) {
            m_names.removeAt(i);
            m_names.append(QString());
            ++removed;
            --i;
        }
    }
    return removed;
}

void CMyRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_names.size())
        return;
    m_names.removeAt(index);
    m_names.append(QString());
}

int CMyRecentFileList::GetCount() const {
    int count = 0;
    for (const QString& name : m_names)
        if (!name.isEmpty())
            ++count;
    return count;
}

QString CMyRecentFileList::GetAt(int index) const {
    if (index < 0 || index >= m_names.size())
        return {};
    return m_names[index];
}

QString CMyRecentFileList::GetDisplayName(int index) const {
    const QString name = GetAt(index);
    static const QString ellipsis = QStringLiteral("...");
    if (name.size() <= m_nDisplayLength || m_nDisplayLength <= ellipsis.size())
        return name;
    return name.left(m_nDisplayLength - ellipsis.size()) + ellipsis;
}

QString CMyRecentFileList::GetMenuText(int index) const {
    const QString name = GetDisplayName(index);
    if (name.isEmpty())
        return {};
    const int number = index + 1;
    // The mnemonic is the last digit, so that 10 still gets one; "&" in an ID stays visible.
    QString label = QString::number(number);
    label.insert(label.size() - 1, u'&');
    QString escaped = name;
    escaped.replace(u'&', QStringLiteral("&&"));
    return label + u' ' + escaped;
}

QString CMyRecentFileList::EntryName(int index) const {
    QString name = m_strEntryFormat;
    name.replace(QStringLiteral("%d"), QString::number(index + 1));
    return name;
}

void CMyRecentFileList::ReadList(QSettings& settings) {
    settings.beginGroup(m_strSection);
    QStringList read;
    for (int i = 0; i < m_names.size(); ++i) {
        const QString value = settings.value(EntryName(i)).toString().trimmed();
        // Hand-edited settings may hold gaps, repeats or overlong IDs; keep the list sound.
        if (!value.isEmpty() && value.size() <= kMaxIdLength && !read.contains(value))
            read.append(value);
    }
    settings.endGroup();
    for (int i = 0; i < m_names.size(); ++i)
        m_names[i] = i < read.size() ? read[i] : QString();
}

bool CMyRecentFileList::WriteList(QSettings& settings) const {
    settings.beginGroup(m_strSection);
    bool same = true;
    int filled = 0;
    for (int i = 0; i < m_names.size() && same; ++i) {
        if (m_names[i].isEmpty())
            continue;
        ++filled;
        const QVariant stored = settings.value(EntryName(i));
        same = stored.typeId() == QMetaType::QString && stored.toString() == m_names[i];
    }
    if (same && settings.childKeys().size() == filled && settings.childGroups().isEmpty()) {
        settings.endGroup();
        return false;
    }
    settings.remove(QString()); // the whole section: entries that fell off must go
    for (int i = 0; i < m_names.size(); ++i)
        if (!m_names[i].isEmpty())
            settings.setValue(EntryName(i), m_names[i]);
    settings.endGroup();
    return true;
}

std::unique_ptr<CMyRecentFileList> MakeEditorRecentList() {
    return std::make_unique<CMyRecentFileList>(0, QStringLiteral("RecentXALScript"),
                                               QStringLiteral("XALScript%d"), 10, 30);
}
