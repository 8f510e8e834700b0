#pragma once
// Shared pieces of the store tests.

#include "mongodb.h"
#include "testmongoserver.h"

#include <gtest/gtest.h>

namespace storetest {

inline QString S(const char* text) {
    return QString::fromUtf8(text);
}

// A collection name unique to the running test, so tests can share one server.
inline QString TestNamespace() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QString name =
        QString::fromUtf8(info->test_suite_name()) + u'_' + QString::fromUtf8(info->name());
    for (QChar& c : name) {
        if (!c.isLetterOrNumber())
            c = u'_';
    }
    return QStringLiteral("xaltest.") + name;
}

// The one wire test database the tests of this program share; started on first use.
inline xal::test::TestMongoServer& SharedServer() {
    static xal::test::TestMongoServer server;
    if (!server.IsRunning()) {
        QString error;
        EXPECT_TRUE(server.Start(&error)) << error.toStdString();
    }
    return server;
}

// A port on loopback where nothing listens.
int ClosedPort();

// Runs a program; returns its exit code (-1 when it did not end normally).
int RunProgram(const QStringList& args, QString* out = nullptr, QString* err = nullptr);

} // namespace storetest
