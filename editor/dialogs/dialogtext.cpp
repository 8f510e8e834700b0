#include "dialogtext.h"

#include <QCoreApplication>

QString DialogText(const char* english) {
    return QCoreApplication::translate("XALScriptEdit", english);
}
