#include "qjenvironment.h"

#include "xalenv.h"

QString CQJEnvironment::Get(const QString& name) {
    return XalEnvGet(name);
}

bool CQJEnvironment::Get(const QString& name, QString& value) {
    value = XalEnvGet(name);
    return !value.isEmpty();
}

bool CQJEnvironment::StrToRealStr(const QString& text, QString& out) {
    bool resolved = false;
    out = XalEnvExpand(text, &resolved);
    return resolved;
}
