#pragma once
// Test copies of e-scripts: documents of the e-script collection with the ID
// "xaltest<n>", marked with "test" and dated by "lastchanged", which expire after 30
// minutes.

#include <QString>

#include <cstdint>

class CMongoDB;
class CMDBRecord;

inline constexpr std::int64_t kTestCopyLifetimeMs = 1800000;

// Removes the test copies older than the lifetime; false when the database fails.
bool RemoveStaleTestCopies(CMongoDB& db);

// The first "xaltest<n>" with n >= first that is not stored, or an empty string when the
// database fails.
QString FindFreeTestId(CMongoDB& db, int first = 1);

// Inserts document under a free test ID (set as its "_id") and gives that ID. When another
// program takes the same ID in the meantime, the next free one is tried; false when the
// database fails or no ID could be taken after a few tries.
bool InsertUnderFreeTestId(CMongoDB& db, CMDBRecord document, QString& testId);

// Proxy address for trying the test copy: "http://<XalServer>/xal/<id>" from the suite's
// configuration file, or empty when the file has no such server.
QString TestAddress(const QString& testId);
