// xaldb: imports, exports and removes documents of the suite's database from the command line.

#include "mongodb.h"
#include "xaltools.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <array>
#include <cstdio>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: xaldb [--server TEXT] [--set NAME] [--user USER --password PASSWORD] COMMAND\n"
    "commands:\n"
    "  import [--replace] NAMESPACE FILE   insert the document or array of documents in FILE\n"
    "                                      (MongoDB Extended JSON); --replace overwrites\n"
    "                                      documents with the same _id\n"
    "  export NAMESPACE [ID]               print documents, one canonical Extended JSON per line\n"
    "  remove NAMESPACE ID                 delete the document with that _id\n"
    "server TEXT: host[:port][,host...], a mongodb:// URI, or embedded:<file>\n";

void PrintError(const QString& text) {
    std::fprintf(stderr, "xaldb: %s\n", text.toLocal8Bit().constData());
}

struct Options {
    QString server;
    QString replicaSet;
    QString user;
    QString password;
    bool replace = false;
    QStringList positional;
};

QString ConnectionField(const std::array<char16_t, kXalConnectionChars>& block, int offset) {
    return QString::fromUtf16(block.data() + offset);
}

// Without --server the suite's access configuration file names the database, as for every
// other program of the suite; --set, --user and --password still override its values.
bool ApplyDefaultConnection(Options& options, QString& error) {
    std::array<char16_t, kXalConnectionChars> block{};
    if (!XALIsMDBDataAvailable(block.data())) {
        error = QStringLiteral("no database server given: use --server, or set ZVHOME to a suite "
                               "home whose system/cfg/zvaccess.cfg names a server");
        return false;
    }
    options.server = ConnectionField(block, kXalConnServer);
    if (options.replicaSet.isEmpty())
        options.replicaSet = ConnectionField(block, kXalConnSet);
    if (options.user.isEmpty()) {
        options.user = ConnectionField(block, kXalConnUser);
        options.password = ConnectionField(block, kXalConnPassword);
    }
    return true;
}

bool ParseArguments(const QStringList& args, Options& options, QString& error) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& target) {
            if (i + 1 >= args.size()) {
                error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            target = args[++i];
            return true;
        };
        if (a == u"--server") {
            if (!value(options.server))
                return false;
        } else if (a == u"--set") {
            if (!value(options.replicaSet))
                return false;
        } else if (a == u"--user") {
            if (!value(options.user))
                return false;
        } else if (a == u"--password") {
            if (!value(options.password))
                return false;
        } else if (a == u"--replace") {
            options.replace = true;
        } else if (a == u"--help" || a == u"-h") {
            error.clear();
            return false;
        } else if (a.startsWith(u"--")) {
            error = QStringLiteral("unknown option %1").arg(a);
            return false;
        } else {
            options.positional.append(a);
        }
    }
    if (options.positional.isEmpty()) {
        error = QStringLiteral("no command given");
        return false;
    }
    if (!options.user.isEmpty() && options.password.isNull()) {
        error = QStringLiteral("--user needs --password");
        return false;
    }
    return true;
}

bool LoadDocuments(const QString& path, std::vector<CMDBRecord>& out, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    CMDBRecord parsed;
    QString parseError;
    if (!CMDBRecord::FromJson(text, parsed, &parseError)) {
        error = QStringLiteral("%1 is not valid Extended JSON: %2").arg(path, parseError);
        return false;
    }
    if (!parsed.IsArray()) {
        out.push_back(std::move(parsed));
        return true;
    }
    for (int i = 0; i < parsed.GetCount(); ++i) {
        CMDBRecord* element = parsed.GetRecordPtr(i);
        if (!element || element->IsArray()) {
            error = QStringLiteral("element %1 of %2 is not a document").arg(i).arg(path);
            return false;
        }
        out.push_back(*element);
    }
    return true;
}

int Import(CMongoDB& db, const Options& o) {
    if (o.positional.size() != 3) {
        PrintError(QStringLiteral("import needs NAMESPACE and FILE"));
        return kExitUsage;
    }
    const QString& ns = o.positional[1];
    std::vector<CMDBRecord> docs;
    QString error;
    if (!LoadDocuments(o.positional[2], docs, error)) {
        PrintError(error);
        return kExitFailure;
    }
    int imported = 0;
    for (const auto& doc : docs) {
        bool ok;
        if (o.replace && doc.HasField(QStringLiteral("_id"))) {
            // The query is the document's _id with its type, whatever that is.
            CMDBRecord query = doc;
            for (const auto& name : doc.GetFieldNames()) {
                if (name != u"_id")
                    query.RemoveField(name);
            }
            ok = db.Update(ns, query, doc, true, false);
        } else {
            ok = db.Insert(ns, doc);
        }
        if (!ok) {
            PrintError(QStringLiteral("document %1 (_id %2) was not imported: %3%4")
                           .arg(imported + 1)
                           .arg(doc.GetStr(QStringLiteral("_id"), QStringLiteral("?")),
                                db.GetLastError(),
                                db.LastErrorWasDuplicateKey()
                                    ? QStringLiteral(" (use --replace to overwrite it)")
                                    : QString()));
            if (imported > 0)
                PrintError(QStringLiteral("%1 earlier document(s) were imported").arg(imported));
            return kExitFailure;
        }
        ++imported;
    }
    std::fprintf(stderr, "xaldb: imported %d document(s) into %s\n", imported,
                 ns.toLocal8Bit().constData());
    return 0;
}

int Export(CMongoDB& db, const Options& o) {
    if (o.positional.size() < 2 || o.positional.size() > 3) {
        PrintError(QStringLiteral("export needs NAMESPACE and optionally an ID"));
        return kExitUsage;
    }
    const QString& ns = o.positional[1];
    CMDBRecord query;
    if (o.positional.size() == 3)
        query.SetStr(QStringLiteral("_id"), o.positional[2]);
    CMDBRecordList list;
    if (!db.SeekToList(ns, query, list)) {
        PrintError(QStringLiteral("cannot read %1: %2").arg(ns, db.GetLastError()));
        return kExitFailure;
    }
    if (o.positional.size() == 3 && list.IsEmpty()) {
        PrintError(QStringLiteral("no document with _id \"%1\" in %2").arg(o.positional[2], ns));
        return kExitFailure;
    }
    for (const auto& record : list) {
        const QByteArray line = record->ToJson().toUtf8();
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
        std::fputc('\n', stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}

int RemoveOne(CMongoDB& db, const Options& o) {
    if (o.positional.size() != 3) {
        PrintError(QStringLiteral("remove needs NAMESPACE and ID"));
        return kExitUsage;
    }
    const QString& ns = o.positional[1];
    CMDBRecord found;
    if (!db.SeekReference(ns, o.positional[2], found)) {
        PrintError(
            db.GetLastError().isEmpty()
                ? QStringLiteral("no document with _id \"%1\" in %2").arg(o.positional[2], ns)
                : db.GetLastError());
        return kExitFailure;
    }
    CMDBRecord query;
    query.SetStr(QStringLiteral("_id"), o.positional[2]);
    if (!db.Remove(ns, query, true)) {
        PrintError(
            QStringLiteral("cannot remove \"%1\": %2").arg(o.positional[2], db.GetLastError()));
        return kExitFailure;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    QString error;
    if (!ParseArguments(QCoreApplication::arguments(), options, error)) {
        if (!error.isEmpty())
            PrintError(error);
        std::fputs(kUsage, error.isEmpty() ? stdout : stderr);
        return error.isEmpty() ? 0 : kExitUsage;
    }
    const QString command = options.positional.front();
    if (command != u"import" && command != u"export" && command != u"remove") {
        PrintError(QStringLiteral("unknown command %1").arg(command));
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (options.server.isEmpty()) {
        if (!ApplyDefaultConnection(options, error)) {
            PrintError(error);
            return kExitUsage;
        }
    }

    CMongoDB db(options.server, options.replicaSet);
    if (!db.Connect(error)) {
        PrintError(error);
        return kExitFailure;
    }
    if (!options.user.isEmpty() &&
        !db.Authenticate(QStringLiteral("admin"), options.user, options.password, error, true)) {
        PrintError(error);
        return kExitFailure;
    }
    if (command == u"import")
        return Import(db, options);
    if (command == u"export")
        return Export(db, options);
    return RemoveOne(db, options);
}
