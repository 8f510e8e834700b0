#include "xalenv.h"

#include <QProcessEnvironment>

#include <algorithm>
#include <mutex>

namespace {

// qputenv/qgetenv lock each call; this lock keeps look-up-then-set sequences whole.
std::mutex& StoreMutex() {
    static std::mutex mutex;
    return mutex;
}

bool IsValidName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('=')) && !name.contains(QChar(0));
}

// The spelling under which the environment holds name, or an empty string.
QString FindName(const QString& name) {
    if (qEnvironmentVariableIsSet(name.toLocal8Bit().constData()))
        return name;
    const QStringList keys = QProcessEnvironment::systemEnvironment().keys();
    for (const QString& key : keys) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return key;
    }
    return {};
}

QString GetLocked(const QString& name) {
    if (!IsValidName(name))
        return {};
    const QString stored = FindName(name);
    return stored.isEmpty() ? QString() : qEnvironmentVariable(stored.toLocal8Bit().constData());
}

void SetLocked(const QString& name, const QString& value) {
    if (!IsValidName(name) || value.contains(QChar(0)))
        return;
    QString stored = FindName(name);
    if (stored.isEmpty())
        stored = name;
    qputenv(stored.toLocal8Bit().constData(), value.toLocal8Bit());
}

bool CopyToBuffer(const QString& text, char16_t* buffer, int size) {
    if (buffer == nullptr || size <= 0)
        return false;
    if (text.size() >= size) {
        buffer[0] = 0;
        return false;
    }
    std::copy_n(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), buffer);
    buffer[text.size()] = 0;
    return true;
}

} // namespace

void XalEnvSetAll(const QHash<QString, QString>& variables) {
    const std::lock_guard lock(StoreMutex());
    for (auto it = variables.cbegin(); it != variables.cend(); ++it)
        SetLocked(it.key(), it.value());
}

bool XalEnvIsAvailable() {
    const std::lock_guard lock(StoreMutex());
    return !GetLocked(QStringLiteral("zvhome")).isEmpty();
}

void XalEnvSet(const QString& name, const QString& value) {
    const std::lock_guard lock(StoreMutex());
    SetLocked(name, value);
}

QString XalEnvGet(const QString& name) {
    const std::lock_guard lock(StoreMutex());
    return GetLocked(name);
}

void XalEnvGet(const QString& name, char16_t* buffer, int size) {
    CopyToBuffer(XalEnvGet(name), buffer, size);
}

QString XalEnvExpand(const QString& text, bool* allResolved) {
    const std::lock_guard lock(StoreMutex());
    bool resolved = true;
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('%'), pos);
        if (open < 0)
            break;
        const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
        if (close < 0)
            break;
        out += QStringView(text).mid(pos, open - pos);
        const QString name = text.mid(open + 1, close - open - 1);
        const QString stored = IsValidName(name) ? FindName(name) : QString();
        if (stored.isEmpty()) {
            // Keep the first "%" as text; the second may open the next placeholder.
            out += QLatin1Char('%');
            pos = open + 1;
            if (IsValidName(name))
                resolved = false;
            continue;
        }
        out += qEnvironmentVariable(stored.toLocal8Bit().constData());
        pos = close + 1;
    }
    out += QStringView(text).mid(pos);
    if (allResolved != nullptr)
        *allResolved = resolved;
    return out;
}

bool XalEnvExpand(const QString& text, char16_t* buffer, int size) {
    return CopyToBuffer(XalEnvExpand(text), buffer, size);
}
