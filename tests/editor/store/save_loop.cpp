// Saves one e-script of an embedded store again and again, each time with a new generation
// written into its domain list and into every URL; the crash test kills it at random moments.
// Usage: save_loop <store file> <id>

#include "mongodb.h"
#include "scriptload.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: save_loop <store file> <id>\n");
        return 2;
    }
    CMongoDB db(QStringLiteral("embedded:") + QString::fromLocal8Bit(argv[1]), QString());
    QString error;
    if (!db.Connect(error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (;;) {
        CScriptObj script;
        script.m_strID = QString::fromLocal8Bit(argv[2]);
        if (!LoadScript(db, script) || script.m_lstScripts.empty() ||
            script.m_lstDomain.isEmpty()) {
            std::fprintf(stderr, "cannot load: %s\n", qPrintable(db.GetLastError()));
            return 1;
        }
        const int generation = script.m_lstDomain.front().mid(4).toInt() + 1;
        const QString mark = QStringLiteral("-g%1").arg(generation);
        script.m_lstDomain = QStringList{QStringLiteral("gen-%1").arg(generation)};
        for (CURLObj& url : script.m_lstScripts.front().m_lstURLs) {
            url.m_strURL = url.m_strURL.section(QLatin1Char('-'), 0, 0) + mark;
        }
        QString id = script.m_strID;
        bool rootChanged = false;
        const ScriptSaveResult r =
            SaveScript(db, {id, rootChanged, QString()}, script, false, nullptr);
        if (!r.Succeeded()) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(r.m_strError));
            return 1;
        }
        std::printf("%d\n", generation);
        std::fflush(stdout);
    }
}
