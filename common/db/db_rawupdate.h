#pragma once
// Applying an update to a stored document's BSON bytes directly, for the common case of a
// save: $set and $unset of top-level fields and of fields one level down ("logon.user").

#include <cstddef>
#include <cstdint>
#include <vector>

namespace xal::db {

// Writes the changed document to out and returns true; every byte the update does not touch
// is kept as stored. Returns false, leaving out undefined, for anything it does not handle:
// other operators, longer paths, _id, conflicting paths, a path through a value that is not a
// document, a field name stored twice, damaged bytes. The record engine takes those and
// reports their errors.
bool ApplyRawUpdate(const std::uint8_t* doc, std::size_t docLength, const std::uint8_t* update,
                    std::size_t updateLength, std::vector<std::uint8_t>& out);

} // namespace xal::db
