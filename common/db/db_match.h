#pragma once
// Query matching, projection and $set/$unset updates on records, with MongoDB's semantics for
// the subset the wrapper offers. Used by the embedded store.

#include "db_record_impl.h"

namespace xal::db {

// MongoDB's order of values: type brackets first (numbers of every width form one), then value.
int CompareValues(const Value& a, const Value& b);

// False with an error text when the query uses something this engine does not offer.
bool CheckQuery(const CMDBRecord& query, QString& error);
bool Matches(const CMDBRecord& document, const CMDBRecord& query);

// The document a query describes when an upsert finds nothing: its equality fields.
bool UpsertSeed(const CMDBRecord& query, CMDBRecord& out, QString& error);

// Applies an operator update ($set, $unset) or a replacement. On failure the document is
// unchanged and error tells why.
bool ApplyUpdate(CMDBRecord& document, const CMDBRecord& update, QString& error);

// The listed fields (dotted paths allowed) and _id; every field when the list is empty.
CMDBRecord Project(const CMDBRecord& document, const QStringList& fields);

// False when a document to store has a field name a server would refuse: empty, holding a
// dot, or starting with '$' (array positions are not names).
bool CheckStorableNames(const CMDBRecord& document, QString& error);

// Text that is equal for two _id values exactly when MongoDB treats them as the same key.
QByteArray IdKey(const Value& id);

} // namespace xal::db
