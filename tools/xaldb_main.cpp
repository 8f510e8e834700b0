// xaldb: imports, exports and removes documents of the suite's database from the command line.

#include "dbaccess.h"
#include "mongodb.h"
#include "xaltools.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>
#include <QTextStream>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "usage: xaldb [--server TEXT] [--set NAME] [--user USER [--password-stdin]] COMMAND\n"
    "commands:\n"
    "  import [--replace] NAMESPACE FILE   insert the document or array of documents in FILE\n"
    "                                      (MongoDB Extended JSON); --replace overwrites\n"
    "                                      documents with the same _id\n"
    "  export NAMESPACE [ID]               print documents, one canonical Extended JSON per line\n"
    "  remove NAMESPACE ID                 delete the document with that _id\n"
    "server TEXT: host[:port][,host...], a mongodb:// URI, or embedded:<file>\n"
    "password: XALDB_PASSWORD, or the first line of standard input with --password-stdin\n"
    "          (--password PASSWORD works but shows it in the process list)\n";

void PrintError(const QString& text) {
    std::fprintf(stderr, "xaldb: %s\n", text.toLocal8Bit().constData());
}

struct Options {
    CMDBAccess access;
    bool replace = false;
    bool passwordStdin = false;
    QStringList positional;
};

// Without --server the suite's access configuration file names the database, as for every
// other program of the suite; --set, --user and --password still override its values.
bool ApplyDefaultConnection(Options& options, QString& error) {
    CMDBAccess configured;
    if (!ReadConnection(XALIsMDBDataAvailable, configured)) {
        std::array<char16_t, 2048> problem{};
        XALGetMDBDataProblem(problem.data(), static_cast<int>(problem.size()));
        error = QStringLiteral("no database server given (%1): use --server, or set ZVHOME to a "
                               "suite home whose system/cfg/zvaccess.cfg names a server")
                    .arg(QString::fromUtf16(problem.data()));
        return false;
    }
    configured.set = options.access.set.isEmpty() ? configured.set : options.access.set;
    if (!options.access.user.isEmpty()) {
        configured.user = options.access.user;
        configured.password = options.access.password;
    }
    options.access = configured;
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
            if (!value(options.access.server))
                return false;
        } else if (a == u"--set") {
            if (!value(options.access.set))
                return false;
        } else if (a == u"--user") {
            if (!value(options.access.user))
                return false;
        } else if (a == u"--password") {
            if (!value(options.access.password))
                return false;
            PrintError(QStringLiteral("warning: --password shows the password to every user of "
                                      "this machine; use XALDB_PASSWORD or --password-stdin"));
        } else if (a == u"--password-stdin") {
            options.passwordStdin = true;
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
    if (options.passwordStdin) {
        QTextStream in(stdin);
        options.access.password = in.readLine();
        if (options.access.password.isNull())
            options.access.password = QStringLiteral("");
    } else if (options.access.password.isNull() && qEnvironmentVariableIsSet("XALDB_PASSWORD")) {
        options.access.password = qEnvironmentVariable("XALDB_PASSWORD");
        if (options.access.password.isNull())
            options.access.password = QStringLiteral("");
    }
    if (!options.access.user.isEmpty() && options.access.password.isNull()) {
        error = QStringLiteral("--user needs a password: XALDB_PASSWORD or --password-stdin");
        return false;
    }
    return true;
}

// "line L, column C" of a character offset, for messages about the input.
QString Position(const QString& text, qsizetype offset) {
    const QStringView before = QStringView(text).left(offset);
    const qsizetype line = before.count(u'\n') + 1;
    const qsizetype column = offset - (before.lastIndexOf(u'\n') + 1) + 1;
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

// End (one past) of the JSON object or array starting at begin, or -1 when it is not closed.
qsizetype ValueEnd(const QString& text, qsizetype begin) {
    int depth = 0;
    bool inString = false;
    for (qsizetype i = begin; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inString) {
            if (c == u'\\')
                ++i;
            else if (c == u'"')
                inString = false;
        } else if (c == u'"') {
            inString = true;
        } else if (c == u'{' || c == u'[') {
            ++depth;
        } else if (c == u'}' || c == u']') {
            if (--depth == 0)
                return i + 1;
        }
    }
    return -1;
}

// The first field name repeated within one document of record, as a dotted path; empty if none.
QString RepeatedKey(const CMDBRecord& record, const QString& path) {
    const QStringList names = record.GetFieldNames();
    QSet<QString> seen;
    for (const QString& name : names) {
        const QString at = path.isEmpty() ? name : path + u'.' + name;
        if (!record.IsArray() && seen.contains(name))
            return at;
        seen.insert(name);
        const CMDBRecord::Type type = record.GetType(name);
        if (type == CMDBRecord::Type::Document || type == CMDBRecord::Type::Array) {
            if (const CMDBRecord* sub = record.GetRecordPtr(name)) {
                const QString inner = RepeatedKey(*sub, at);
                if (!inner.isEmpty())
                    return inner;
            }
        }
    }
    return QString();
}

bool TakeDocument(CMDBRecord document, const QString& where, std::vector<CMDBRecord>& out,
                  QString& error) {
    const QString repeated = RepeatedKey(document, QString());
    if (!repeated.isEmpty()) {
        error = QStringLiteral("the document at %1 holds the key '%2' twice").arg(where, repeated);
        return false;
    }
    out.push_back(std::move(document));
    return true;
}

// One document, an array of documents, or documents one after another (one per line); anything
// else is an error naming where it stands.
bool LoadDocuments(const QString& path, std::vector<CMDBRecord>& out, QString& error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    // Bytes that are not UTF-8 would be imported as replacement characters: refused.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(file.readAll());
    if (decoder.hasError()) {
        const qsizetype bad = text.indexOf(QChar(QChar::ReplacementCharacter));
        error = QStringLiteral("%1, %2: the file holds bytes that are not UTF-8")
                    .arg(path, Position(text, std::max<qsizetype>(bad, 0)));
        return false;
    }
    qsizetype pos = 0;
    bool any = false;
    while (true) {
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
        if (pos >= text.size())
            break;
        const QString where = QStringLiteral("%1, %2").arg(path, Position(text, pos));
        const QChar first = text[pos];
        if (first != u'{' && first != u'[') {
            error = QStringLiteral("%1: expected a document, found '%2'").arg(where, first);
            return false;
        }
        const qsizetype end = ValueEnd(text, pos);
        if (end < 0) {
            error = QStringLiteral("%1 is not valid Extended JSON: the %2 is not closed")
                        .arg(where,
                             first == u'{' ? QStringLiteral("document") : QStringLiteral("array"));
            return false;
        }
        CMDBRecord parsed;
        QString parseError;
        if (!CMDBRecord::FromJson(text.mid(pos, end - pos), parsed, &parseError)) {
            error = QStringLiteral("%1 is not valid Extended JSON: %2").arg(where, parseError);
            return false;
        }
        if (parsed.IsArray()) {
            if (any) {
                error = QStringLiteral("%1: an array must be the whole file").arg(where);
                return false;
            }
            for (int i = 0; i < parsed.GetCount(); ++i) {
                if (parsed.GetType(QString::number(i)) != CMDBRecord::Type::Document) {
                    error = QStringLiteral("element %1 of %2 is not a document").arg(i).arg(path);
                    return false;
                }
                if (!TakeDocument(*parsed.GetRecordPtr(i),
                                  QStringLiteral("%1 (element %2)").arg(where).arg(i), out, error))
                    return false;
            }
            pos = end;
            while (pos < text.size() && text[pos].isSpace())
                ++pos;
            if (pos < text.size()) {
                error = QStringLiteral("%1: text follows the array")
                            .arg(path + QStringLiteral(", ") + Position(text, pos));
                return false;
            }
            return true;
        }
        if (!TakeDocument(std::move(parsed), where, out, error))
            return false;
        any = true;
        pos = end;
    }
    if (!any) {
        error = QStringLiteral("%1 holds no document").arg(path);
        return false;
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

// Blanks a password given on the command line in the process's own arguments, so that the
// process list shows it only for the moment before this runs.
void HidePasswordArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--password") == 0) {
            std::memset(argv[i + 1], 'x', std::strlen(argv[i + 1]));
            ++i;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    QString error;
    const QStringList arguments = QCoreApplication::arguments();
    HidePasswordArgument(argc, argv);
    if (!ParseArguments(arguments, options, error)) {
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
    if (options.access.server.isEmpty()) {
        if (!ApplyDefaultConnection(options, error)) {
            PrintError(error);
            return kExitUsage;
        }
    }

    const std::unique_ptr<CMongoDB> db = OpenSession(options.access, error);
    if (!db) {
        PrintError(error);
        return kExitFailure;
    }
    if (command == u"import")
        return Import(*db, options);
    if (command == u"export")
        return Export(*db, options);
    return RemoveOne(*db, options);
}
