// The suite's environment variables from the settings document "env".

#include "accessconfig.h"
#include "mongodb.h"
#include "xalenv.h"
#include "xaltools.h"

#include <QSysInfo>

namespace {

// "64" on a 64-bit processor, whatever the word size of this program.
QString OsType() {
    static const QString type = [] {
        const QString arch = QSysInfo::currentCpuArchitecture().toLower();
        const bool is64 = arch.contains(QLatin1String("64")) || arch == QLatin1String("alpha") ||
                          arch == QLatin1String("s390x");
        return is64 ? QStringLiteral("64") : QStringLiteral("32");
    }();
    return type;
}

// Variables keyed by lower-case name, as the environment compares names ignoring case;
// a later element overwrites the value of an earlier one of the same name, not its spelling.
class CEnvMap {
public:
    void Set(const QString& name, const QString& value) {
        auto it = m_values.find(name.toLower());
        if (it == m_values.end())
            m_values.insert(name.toLower(), {name, value});
        else
            it->second = value;
    }
    [[nodiscard]] QString Value(const QString& name) const {
        return m_values.value(name.toLower()).second;
    }
    [[nodiscard]] bool Contains(const QString& name) const {
        return m_values.contains(name.toLower());
    }
    [[nodiscard]] QHash<QString, QString> ToHash() const {
        QHash<QString, QString> hash;
        for (const auto& [name, value] : m_values)
            hash.insert(name, value);
        return hash;
    }

private:
    QHash<QString, std::pair<QString, QString>> m_values;
};

bool ReadEnvDocument(CMongoDB& db, CEnvMap& map) {
    CMDBRecord env;
    if (!db.SeekReference(QStringLiteral("xaldata.settings"), QStringLiteral("env"), env))
        return false;
    const CMDBRecord* variables = env.GetArrayPtr(QStringLiteral("variables"));
    const int count = variables != nullptr ? variables->GetCount() : 0;
    for (int i = 0; i < count; ++i) {
        // Holes, elements of another kind and nameless variables are skipped: the
        // environment cannot hold an empty name. Names are taken as written.
        const CMDBRecord* element = variables->GetRecordPtr(i);
        if (element == nullptr)
            continue;
        const QString name = element->GetStr(QStringLiteral("variable"));
        if (!name.isEmpty())
            map.Set(name, element->GetStr(QStringLiteral("value")));
    }
    return true;
}

} // namespace

extern "C" bool XALInitEnvFromMDB() {
    try {
        const std::unique_ptr<CMongoDB> db = ConnectConfiguredDatabase();
        if (!db)
            return false;
        CEnvMap map;
        if (!ReadEnvDocument(*db, map))
            return false;
        map.Set(QStringLiteral("zvostype"), OsType());
        if (map.Contains(QStringLiteral("zvhome")))
            map.Set(QStringLiteral("zvbindir"),
                    map.Value(QStringLiteral("zvhome")) + QStringLiteral("/system/") + OsType());
        XalEnvSetAll(map.ToHash());
        return true;
    } catch (...) {
        return false;
    }
}
