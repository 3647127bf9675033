#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/security/Keychain.h"
#include "platform/security/MemoryKeychainBackend.h"

#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kEmail = u"anna@example.com"_s;
const QString kUuid = u"0b7e8a3c-54f1-4f0e-9d7a-2f3c1e5b9a10"_s;
const QString kTicket = u"4d9c1b2a7e6f4a3b9c8d7e6f5a4b3c2d"_s;
const QString kCookie = u"7c9e6679-7425-40de-944b-e07fc1f90ae7"_s;

class ZVUserCredentialsTest : public ::testing::Test {
protected:
    void SetUp() override { platform::Keychain::setSharedBackend(backend); }

    static std::shared_ptr<ZVUserCredentials> complete(const QString& email = kEmail) {
        auto credentials = std::make_shared<ZVUserCredentials>(email);
        credentials->setUuid(kUuid);
        credentials->setTicket(kTicket);
        credentials->setCookie(kCookie);
        return credentials;
    }

    std::vector<platform::KeychainItem> items() const { return backend->load().value(); }

    static QString logText() {
        QFile file(ZVErrorLog::errorLog().logFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static std::shared_ptr<platform::UserDefaults> defaults() {
        return platform::UserDefaults::standard();
    }

    std::shared_ptr<platform::MemoryKeychainBackend> backend =
        std::make_shared<platform::MemoryKeychainBackend>();
};

TEST_F(ZVUserCredentialsTest, SavedRecordIsOneItemPerAccountAndReadsBack) {
    complete()->save();
    auto changed = complete();
    changed->setTicket(u"second-ticket"_s);
    changed->save();
    complete(u"bert@example.com"_s)->save();

    const auto stored = items();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].account, kEmail);
    EXPECT_TRUE(stored[0].service.isEmpty());
    EXPECT_TRUE(stored[0].accessGroup.isEmpty());
    EXPECT_EQ(stored[0].accessibility, platform::KeychainAccessibility::AfterFirstUnlock);
    // The e-mail names the item and is not repeated in its data.
    EXPECT_EQ(QJsonDocument::fromJson(stored[0].data).object(),
              (QJsonObject{
                  {u"cookie"_s, kCookie}, {u"ticket"_s, u"second-ticket"_s}, {u"uuid"_s, kUuid}}));
    EXPECT_FALSE(stored[0].data.contains('\n'));

    const auto read = ZVUserCredentials::withUserEmail(kEmail);
    EXPECT_TRUE(read->valid());
    EXPECT_EQ(read->uuid(), kUuid);
    EXPECT_EQ(read->ticket(), u"second-ticket"_s);
    EXPECT_EQ(read->cookie(), kCookie);
    // The account saved last is named for the single-account form.
    EXPECT_EQ(defaults()->stringForKey(ZVUserCredentials::LocalUserEmailKey),
              u"bert@example.com"_s);
    EXPECT_EQ(defaults()->stringForKey(ZVUserCredentials::LocalUserUUIDKey), kUuid);
}

TEST_F(ZVUserCredentialsTest, IncompleteCredentialsWriteNothing) {
    const struct {
        const char* name;
        void (ZVUserCredentials::*clear)(const QString&);
    } cases[] = {
        {"no uuid", &ZVUserCredentials::setUuid},
        {"no ticket", &ZVUserCredentials::setTicket},
        {"no cookie", &ZVUserCredentials::setCookie},
        {"no e-mail", &ZVUserCredentials::setEmail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto credentials = complete();
        ((*credentials).*c.clear)(QString());
        EXPECT_FALSE(credentials->valid());
        credentials->save();
        EXPECT_TRUE(items().empty());
        EXPECT_FALSE(defaults()->objectForKey(ZVUserCredentials::LocalUserEmailKey).isValid());
    }
    // Empty strings are values.
    auto empty = complete();
    empty->setTicket(u""_s);
    EXPECT_TRUE(empty->valid());
}

TEST_F(ZVUserCredentialsTest, UnreadableRecordsLeaveOnlyTheEmail) {
    const struct {
        const char* name;
        QByteArray data;  // null: no item
        const char* logged;
    } cases[] = {
        {"no item", {}, "SecItemCopyMatching returned -25300"},
        {"not JSON", "{\"cookie\": ", "ZVUserCredentials::InitWithUser: "},
        {"not an object", "[1]", "ZVUserCredentials::InitWithUser: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString email = QString::fromLatin1(c.name).replace(u' ', u'.') + u"@example.com"_s;
        if (!c.data.isNull()) {
            platform::KeychainItem item;
            item.account = email;
            item.data = c.data;
            ASSERT_EQ(platform::Keychain::shared().addItem(item),
                      platform::KeychainStatus::Success);
        }
        const qsizetype logged = logText().count(QString::fromLatin1(c.logged));
        const auto read = ZVUserCredentials::withUserEmail(email);
        EXPECT_EQ(read->email(), email);
        EXPECT_TRUE(read->uuid().isNull() && read->ticket().isNull() && read->cookie().isNull());
        EXPECT_FALSE(read->valid());
        EXPECT_EQ(logText().count(QString::fromLatin1(c.logged)), logged + 1);
    }
    // A record with a field of another kind is not valid either.
    platform::KeychainItem item;
    item.account = kEmail;
    item.data = R"({"cookie": "c", "ticket": 7, "uuid": "u"})";
    platform::Keychain::shared().addItem(item);
    EXPECT_FALSE(ZVUserCredentials::withUserEmail(kEmail)->valid());
}

TEST_F(ZVUserCredentialsTest, WritesThatFailAreLoggedAndStillNameTheAccount) {
    backend->setFailsWrites(true);
    complete()->save();
    EXPECT_TRUE(logText().contains(u"SecItemAdd returned -36"_s));
    EXPECT_EQ(defaults()->stringForKey(ZVUserCredentials::LocalUserEmailKey), kEmail);
    EXPECT_FALSE(logText().contains(kTicket) || logText().contains(kCookie));
}

TEST_F(ZVUserCredentialsTest, EraseDeletesTheItemAndTheNamesOfWhicheverAccountSavedLast) {
    complete()->save();
    complete(u"bert@example.com"_s)->save();
    auto anna = ZVUserCredentials::withUserEmail(kEmail);
    anna->erase();
    EXPECT_TRUE(anna->email().isNull() && anna->uuid().isNull() && anna->ticket().isNull() &&
                anna->cookie().isNull());
    ASSERT_EQ(items().size(), 1u);
    EXPECT_EQ(items()[0].account, u"bert@example.com"_s);
    EXPECT_FALSE(defaults()->objectForKey(ZVUserCredentials::LocalUserEmailKey).isValid());
    EXPECT_FALSE(defaults()->objectForKey(ZVUserCredentials::LocalUserUUIDKey).isValid());

    // Without an e-mail nothing is touched.
    defaults()->setString(u"bert@example.com"_s, ZVUserCredentials::LocalUserEmailKey);
    ZVUserCredentials nobody;
    nobody.erase();
    EXPECT_EQ(items().size(), 1u);
    EXPECT_EQ(defaults()->stringForKey(ZVUserCredentials::LocalUserEmailKey),
              u"bert@example.com"_s);
    EXPECT_FALSE(logText().contains(u"SecItemDelete"_s));
    // Erasing again finds no item.
    ZVUserCredentials(kEmail).erase();
    EXPECT_TRUE(logText().contains(u"SecItemDelete returned -25300"_s));
}

TEST_F(ZVUserCredentialsTest, SingleAccountFormTakesTheUuidFromTheDefaultsWhenTheRecordLacksIt) {
    EXPECT_TRUE(ZVUserCredentials::savedSingleAccount()->email().isNull());

    platform::KeychainItem item;
    item.account = kEmail;
    item.data = QJsonDocument(QJsonObject{{u"cookie"_s, kCookie}, {u"ticket"_s, kTicket}})
                    .toJson(QJsonDocument::Compact);
    platform::Keychain::shared().addItem(item);
    defaults()->setString(kEmail, ZVUserCredentials::LocalUserEmailKey);
    defaults()->setString(kUuid, ZVUserCredentials::LocalUserUUIDKey);
    const auto legacy = ZVUserCredentials::savedSingleAccount();
    EXPECT_TRUE(legacy->valid());
    EXPECT_EQ(legacy->email(), kEmail);
    EXPECT_EQ(legacy->uuid(), kUuid);

    // Invalid: logged with the lengths of the secrets, never the secrets.
    platform::Keychain::shared().updateItems(
        [] {
            platform::KeychainQuery query;
            query.account = kEmail;
            return query;
        }(),
        QJsonDocument(QJsonObject{{u"cookie"_s, kCookie}}).toJson(QJsonDocument::Compact));
    EXPECT_FALSE(ZVUserCredentials::savedSingleAccount()->valid());
    EXPECT_TRUE(logText().contains(
        u"ZVUserCredentials: init (anna@example.com) invalid. ticket = 0, cookie = 36"_s))
        << logText().toStdString();
    EXPECT_FALSE(logText().contains(kCookie));
}

TEST_F(ZVUserCredentialsTest, DescriptionNamesTheAccountWithoutItsSecrets) {
    EXPECT_EQ(complete()->description(),
              u"ZVUserCredentials: anna@example.com ("_s + kUuid + u")"_s);
}

}  // namespace
