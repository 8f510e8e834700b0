// The connection block of the tools library and the one way a configured session is opened.

#include "dbaccess.h"
#include "store_test_support.h"

#include <array>
#include <optional>

namespace {

using namespace storetest;

using Block = std::array<char16_t, kXalConnectionChars>;

// What the stand-in for XALIsMDBDataAvailable hands out; nullopt: nothing configured.
std::optional<CMDBAccess> g_configured;

bool ConfiguredBlock(char16_t* block) {
    if (!g_configured)
        return false;
    EncodeConnectionBlock(*g_configured, block);
    return true;
}

class ConfiguredSession : public ::testing::Test {
protected:
    void TearDown() override { g_configured.reset(); }
};

} // namespace

TEST(ConnectionBlock, fields_are_cut_to_their_place_and_read_back_only_from_it) {
    CMDBAccess in;
    in.server = QString(600, u'a');
    in.set = S("rs0");
    // The last character that fits is the first half of a pair: the whole pair is left out.
    in.user = QString(98, u'u') + QString::fromUtf8("😀");
    in.password = S("Pa55,wörd=");
    Block block;
    block.fill(u'#');
    EncodeConnectionBlock(in, block.data());
    EXPECT_EQ(block[kXalConnSet - 1], u'\0');
    EXPECT_EQ(block[kXalConnectionChars - 1], u'\0');

    CMDBAccess out = DecodeConnectionBlock(block.data());
    EXPECT_EQ(out.server, QString(519, u'a'));
    EXPECT_EQ(out.set, S("rs0"));
    EXPECT_EQ(out.user, QString(98, u'u'));
    EXPECT_EQ(out.password, S("Pa55,wörd="));

    // A field without its terminator ends where its place ends, not in the next field.
    std::fill(block.begin() + kXalConnSet, block.begin() + kXalConnUser, u'x');
    out = DecodeConnectionBlock(block.data());
    EXPECT_EQ(out.set, QString(kXalConnUser - kXalConnSet, u'x'));
    EXPECT_EQ(out.user, QString(98, u'u'));
}

TEST_F(ConfiguredSession, nothing_or_no_server_configured_opens_nothing) {
    CMDBAccess access;
    QString error;
    EXPECT_FALSE(ReadConnection(ConfiguredBlock, access));
    EXPECT_FALSE(ReadConnection(nullptr, access));
    EXPECT_EQ(OpenConfiguredSession(ConfiguredBlock, error), nullptr);
    EXPECT_FALSE(error.isEmpty());

    g_configured = CMDBAccess{QString(), S("rs0"), S("u"), S("p")};
    EXPECT_FALSE(ReadConnection(ConfiguredBlock, access));
    EXPECT_TRUE(access.user.isEmpty());
}

TEST_F(ConfiguredSession, opens_the_configured_store) {
    xal::test::TemporaryEmbeddedStore store;
    g_configured = CMDBAccess{store.ServerText(), QString(), QString(), QString()};
    QString error;
    const std::unique_ptr<CMongoDB> db = OpenConfiguredSession(ConfiguredBlock, error);
    ASSERT_NE(db, nullptr) << error.toStdString();
    CMDBRecord doc;
    doc.SetStr(S("_id"), S("x"));
    EXPECT_TRUE(db->Insert(S("xaldata.escript"), doc)) << db->GetLastError().toStdString();

    // A server that does not answer gives no session and says why.
    g_configured->server = QStringLiteral("127.0.0.1:%1").arg(ClosedPort());
    EXPECT_EQ(OpenConfiguredSession(ConfiguredBlock, error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(ConfiguredSession, a_configured_user_logs_on_against_admin) {
    xal::test::TestMongoServerOptions options;
    options.user = S("xaladmin");
    options.password = S("Pa55,wörd=");
    xal::test::TestMongoServer server(options);
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();

    g_configured = CMDBAccess{server.ServerText(), QString(), S("xaladmin"), S("wrong")};
    EXPECT_EQ(OpenConfiguredSession(ConfiguredBlock, error), nullptr);
    EXPECT_FALSE(error.isEmpty());

    g_configured->password = S("Pa55,wörd=");
    const std::unique_ptr<CMongoDB> db = OpenConfiguredSession(ConfiguredBlock, error);
    ASSERT_NE(db, nullptr) << error.toStdString();
    CMDBRecord out;
    EXPECT_FALSE(db->SeekReference(S("xaldata.escript"), S("x"), out));
    EXPECT_TRUE(db->GetLastError().isEmpty()) << db->GetLastError().toStdString();
}
