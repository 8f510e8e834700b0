#pragma once
// Seeds an embedded store for a benchmark: connects, creates the e-script's document and
// saves the given e-script into it. A benchmark cannot go on without its data, so a failure
// ends the program with the reason.

#include "escriptlayout.h"
#include "mongodb.h"
#include "scriptmodel.h"
#include "scriptsave.h"

#include <cstdio>
#include <cstdlib>

inline void SeedEmbeddedStore(CMongoDB& db, const QString& id, const CScriptObj& script) {
    QString error;
    if (!db.Connect(error)) {
        std::fprintf(stderr, "embedded store: %s\n", qPrintable(error));
        std::abort();
    }
    CMDBRecord doc;
    doc.SetStr(escript::kId, id);
    db.Insert(escript::kNsEScript, doc);
    QString savedId = id;
    bool rootChanged = false;
    if (!SaveScript(db, {savedId, rootChanged, QString()}, script, false, nullptr).Succeeded()) {
        std::fprintf(stderr, "embedded store: the e-script could not be saved\n");
        std::abort();
    }
}
