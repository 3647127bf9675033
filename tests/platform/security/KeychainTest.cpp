#include "platform/security/Keychain.h"

#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedState.h"
#include "platform/security/DesktopKeychainBackend.h"
#include "platform/security/FileKeychainBackend.h"
#include "platform/security/MemoryKeychainBackend.h"
#include "tests/platform/security/KeychainTestSupport.h"
#include "tests/platform/security/SecretService.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QFile>

#include <gtest/gtest.h>

#include <functional>

using keychaintest::byAccount;
using keychaintest::kAlice;
using keychaintest::kBob;
using platform::FileKeychainBackend;
using platform::Keychain;
using platform::KeychainAccessibility;
using platform::KeychainBackend;
using platform::KeychainItem;
using platform::KeychainQuery;
using platform::KeychainStatus;
using platform::MemoryKeychainBackend;

namespace {

KeychainItem password(const QString& account, const QByteArray& data, const QString& service = {}) {
    KeychainItem item;
    item.account = account;
    item.service = service;
    item.accessibility = KeychainAccessibility::AfterFirstUnlock;
    item.data = data;
    return item;
}

using Opener = std::function<std::shared_ptr<KeychainBackend>()>;

struct BackendKind {
    const char* name;
    // Makes a fresh store; each call of the opener it returns opens that store again, as a
    // restarted application would.
    std::function<Opener()> makeStore;
    // The desktop's keychain: a real Secret Service on a private bus.
    bool needsSecretService = false;
};

void PrintTo(const BackendKind& kind, std::ostream* out) {
    *out << kind.name;
}

class KeychainOperations : public testing::TestWithParam<BackendKind> {
protected:
    void SetUp() override {
        QString reason;
        if (GetParam().needsSecretService && !securitytest::startSecretService(&reason)) {
            GTEST_SKIP() << "no Secret Service can be started here: " << reason.toStdString();
        }
        open_ = GetParam().makeStore();
        keychain_ = std::make_unique<Keychain>(open_());
    }
    std::shared_ptr<KeychainBackend> open() { return open_(); }
    Keychain& keychain() { return *keychain_; }

private:
    Opener open_;
    std::unique_ptr<Keychain> keychain_;
};

Opener memoryStore() {
    auto store = std::make_shared<MemoryKeychainBackend>();
    return [store] { return store; };
}

Opener fileStore() {
    const QString path =
        zvtest::makeTempDir(QStringLiteral("Private")) + QStringLiteral("/keychain.json");
    return [path] { return std::make_shared<FileKeychainBackend>(path); };
}

// A secret of its own for each test, gone before the test starts.
Opener desktopStore() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const QString key = QString::fromLatin1(test->name()).replace(u'/', u'-');
    platform::DesktopKeychainBackend(QStringLiteral("ZelvoTests"), key).erase();
    return [key] {
        return std::make_shared<platform::DesktopKeychainBackend>(QStringLiteral("ZelvoTests"),
                                                                  key);
    };
}

}  // namespace

TEST_P(KeychainOperations, ItemGoesThroughItsWholeLife) {
    const QByteArray first = R"({"cookie":"c1","ticket":"t1","uuid":"u1"})";
    const QByteArray second = R"({"cookie":"c2","ticket":"t2","uuid":"u1"})";

    EXPECT_EQ(keychain().copyMatching(byAccount(kAlice)).status, KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain().addItem(password(kAlice, first)), KeychainStatus::Success);
    EXPECT_EQ(keychain().addItem(password(kAlice, second)), KeychainStatus::DuplicateItem);

    auto copied = keychain().copyMatching(byAccount(kAlice));
    EXPECT_EQ(copied.status, KeychainStatus::Success);
    EXPECT_EQ(copied.item.data, first);
    EXPECT_EQ(copied.item.accessibility, KeychainAccessibility::AfterFirstUnlock);

    EXPECT_EQ(keychain().updateItems(byAccount(kAlice), second), KeychainStatus::Success);
    EXPECT_EQ(keychain().copyMatching(byAccount(kAlice)).item.data, second);

    EXPECT_EQ(keychain().deleteItems(byAccount(kAlice)), KeychainStatus::Success);
    EXPECT_EQ(keychain().copyMatching(byAccount(kAlice)).status, KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain().updateItems(byAccount(kAlice), first), KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain().deleteItems(byAccount(kAlice)), KeychainStatus::ItemNotFound);
    EXPECT_EQ(keychain().addItem(password(kAlice, first)), KeychainStatus::Success);
}

TEST_P(KeychainOperations, AccountsAreIndependentAndSurviveAReopen) {
    ASSERT_EQ(keychain().addItem(password(kAlice, "alice-1")), KeychainStatus::Success);
    ASSERT_EQ(keychain().addItem(password(kBob, "bob-1")), KeychainStatus::Success);
    ASSERT_EQ(keychain().updateItems(byAccount(kAlice), "alice-2"), KeychainStatus::Success);
    ASSERT_EQ(keychain().deleteItems(byAccount(kBob)), KeychainStatus::Success);
    ASSERT_EQ(keychain().addItem(password(kBob, "bob-2")), KeychainStatus::Success);

    Keychain reopened(open());
    EXPECT_EQ(reopened.copyMatching(byAccount(kAlice)).item.data, "alice-2");
    EXPECT_EQ(reopened.copyMatching(byAccount(kBob)).item.data, "bob-2");
    const KeychainItem restored = reopened.copyMatching(byAccount(kBob)).item;
    EXPECT_EQ(restored.account, kBob);
    EXPECT_EQ(restored.accessibility, KeychainAccessibility::AfterFirstUnlock);
    EXPECT_TRUE(restored.service.isEmpty());
}

TEST_P(KeychainOperations, ServiceIsPartOfTheKeyAndOptionalInQueries) {
    ASSERT_EQ(keychain().addItem(password(kAlice, "plain")), KeychainStatus::Success);
    ASSERT_EQ(keychain().addItem(password(kAlice, "mail", QStringLiteral("mail"))),
              KeychainStatus::Success);
    // An empty service is the same as none.
    EXPECT_EQ(keychain().addItem(password(kAlice, "again", QStringLiteral(""))),
              KeychainStatus::DuplicateItem);

    KeychainQuery mail = byAccount(kAlice);
    mail.service = QStringLiteral("mail");
    KeychainQuery unset = byAccount(kAlice);
    unset.service = QString();
    EXPECT_EQ(keychain().copyMatching(mail).item.data, "mail");
    EXPECT_EQ(keychain().copyMatching(unset).item.data, "plain");

    // A query without a service reaches the account's items of every service.
    EXPECT_EQ(keychain().updateItems(byAccount(kAlice), "both"), KeychainStatus::Success);
    EXPECT_EQ(keychain().copyMatching(mail).item.data, "both");
    EXPECT_EQ(keychain().copyMatching(unset).item.data, "both");
    EXPECT_EQ(keychain().deleteItems(byAccount(kAlice)), KeychainStatus::Success);
    EXPECT_EQ(keychain().copyMatching(mail).status, KeychainStatus::ItemNotFound);
}

INSTANTIATE_TEST_SUITE_P(Backends, KeychainOperations,
                         testing::Values(BackendKind{"Memory", memoryStore},
                                         BackendKind{"File", fileStore},
                                         BackendKind{"Desktop", desktopStore, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Keychain, StoreThatCannotBeReadOrWrittenChangesNothing) {
    auto store = std::make_shared<MemoryKeychainBackend>();
    Keychain keychain(store);
    ASSERT_EQ(keychain.addItem(password(kAlice, "kept")), KeychainStatus::Success);

    store->setFailsWrites(true);
    EXPECT_EQ(keychain.addItem(password(kBob, "lost")), KeychainStatus::IOError);
    EXPECT_EQ(keychain.updateItems(byAccount(kAlice), "lost"), KeychainStatus::IOError);
    EXPECT_EQ(keychain.deleteItems(byAccount(kAlice)), KeychainStatus::IOError);
    store->setFailsWrites(false);
    EXPECT_EQ(keychain.copyMatching(byAccount(kAlice)).item.data, "kept");
    EXPECT_EQ(keychain.copyMatching(byAccount(kBob)).status, KeychainStatus::ItemNotFound);

    store->setFailsReads(true);
    EXPECT_EQ(keychain.copyMatching(byAccount(kAlice)).status, KeychainStatus::IOError);
    EXPECT_EQ(keychain.addItem(password(kBob, "lost")), KeychainStatus::IOError);
}

TEST(Keychain, SharedKeychainLivesInThePrivateDataFolderUntilReset) {
    ASSERT_EQ(Keychain::shared().addItem(password(kAlice, "secret")), KeychainStatus::Success);
    const QString path = platform::Paths::privateDataDirectory() + QStringLiteral("/keychain.json");
    EXPECT_TRUE(QFile::exists(path));

    Keychain::setSharedBackend(std::make_shared<MemoryKeychainBackend>());
    EXPECT_EQ(Keychain::shared().copyMatching(byAccount(kAlice)).status,
              KeychainStatus::ItemNotFound);

    platform::resetSharedState();
    EXPECT_EQ(Keychain::shared().copyMatching(byAccount(kAlice)).item.data, "secret");
}
