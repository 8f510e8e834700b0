#include "qjinifile.h"

#include "qjstdiofile.h"

#include <chrono>
#include <thread>

bool CQJIniFile::CaseInsensitiveLess::operator()(const QString& left, const QString& right) const {
    return QString::compare(left, right, Qt::CaseInsensitive) < 0;
}

const QString* CQJIniFile::CIniMap::Find(const QString& key) const {
    const auto it = m_mapValues.find(key);
    return it == m_mapValues.end() ? nullptr : &it->second;
}

void CQJIniFile::CIniMap::SetValue(const QString& key, const QString& value) {
    m_mapValues.insert_or_assign(key, value);
}

CQJIniFile::CQJIniFile(const QString& fileName)
    : m_pFile(std::make_unique<CQJStdioFile>()), m_strFileName(fileName) {}

CQJIniFile::~CQJIniFile() {
    Close();
}

QString CQJIniFile::Trim(const QString& text) {
    const auto isBlank = [](QChar ch) {
        return ch == u' ' || (ch.unicode() >= 9 && ch.unicode() <= 13);
    };
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text.at(first)))
        ++first;
    while (last > first && isBlank(text.at(last - 1)))
        --last;
    if (last - first > 1) {
        const QChar quote = text.at(first);
        if ((quote == u'"' || quote == u'\'') && text.at(last - 1) == quote) {
            ++first;
            --last;
        }
    }
    return text.mid(first, last - first);
}

int CQJIniFile::Read() {
    std::lock_guard guard(m_lock);
    m_lstSections.clear();
    m_bRead = true;

    if (m_pFile->IsOpen())
        m_pFile->Close();
    else
        m_pFile->m_bUnicode = m_bDefaultUnicode;
    m_pFile->m_bNoBOMHandling = true; // Parse steps over the mark itself

    constexpr unsigned kFlags = CQJStdioFile::modeReadWrite | CQJStdioFile::shareExclusive |
                                CQJStdioFile::modeCreate | CQJStdioFile::modeNoTruncate;
    int error = 0;
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        CQJFileException failure;
        bool opened = m_pFile->Open(m_strFileName, kFlags, &failure);
        // Write access only serves creating a missing file; a configuration the user may
        // only read (installed read-only) is still read.
        if (!opened && (failure.m_lOsError == QJFileError::kAccessDenied ||
                        failure.m_lOsError == QJFileError::kWriteProtect))
            opened = m_pFile->Open(m_strFileName,
                                   CQJStdioFile::modeRead | CQJStdioFile::shareExclusive, &failure);
        if (opened)
            return Parse();
        error = failure.m_lOsError;
        if (error != 0 && error != QJFileError::kSharingViolation)
            break;
        // Another process reads the file right now; it closes it within moments.
        std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
    }
    m_llLastWrite = -1;
    return error != 0 ? error : -1;
}

int CQJIniFile::Parse() {
    std::lock_guard guard(m_lock);
    m_lstSections.clear();
    int result = -1;
    try {
        m_pFile->Seek(m_pFile->m_bHasBOM ? 2 : 0, CQJStdioFile::begin);
        CIniMap* current = nullptr;
        QString line;
        while (m_pFile->ReadString(line)) {
            const QString text = Trim(line);
            if (text.isEmpty())
                continue;
            const qsizetype equals = text.indexOf(u'=');
            if (text.startsWith(u'[') && text.endsWith(u']') &&
                (equals < 0 || current == nullptr)) {
                current = &m_lstSections[text];
            } else if (text.startsWith(u';')) {
                continue;
            } else if (equals >= 0 && current != nullptr) {
                current->SetValue(Trim(text.left(equals)), Trim(text.mid(equals + 1)));
            }
        }
        m_llLastWrite = m_pFile->GetLastWriteTime();
        return 0;
    } catch (const CQJFileException& failure) {
        result = failure.m_lOsError != 0 ? failure.m_lOsError : -1;
    } catch (...) {
        result = -1;
    }
    m_lstSections.clear();
    m_pFile->Close();
    return result;
}

bool CQJIniFile::GetValue(const QString& section, const QString& key, QString& value) const {
    std::lock_guard guard(m_lock);
    if (section.isEmpty() || key.isEmpty())
        return false;
    const auto found =
        m_lstSections.find(QStringLiteral("[") + Trim(section) + QStringLiteral("]"));
    if (found == m_lstSections.end())
        return false;
    const QString* stored = found->second.Find(Trim(key));
    if (stored == nullptr)
        return false;
    value = *stored;
    return true;
}

void CQJIniFile::Close() {
    std::lock_guard guard(m_lock);
    m_pFile->Close();
}

qint64 CQJIniFile::GetLastWriteTime() const {
    std::lock_guard guard(m_lock);
    return m_llLastWrite;
}

bool CQJIniFile::WasRead() const {
    std::lock_guard guard(m_lock);
    return m_bRead;
}
