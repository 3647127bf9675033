#include "platform/security/KeychainSelection.h"

#include "platform/foundation/SharedState.h"
#include "platform/security/DesktopKeychainBackend.h"
#include "platform/security/FileKeychainBackend.h"
#include "platform/security/Keychain.h"
#include "tests/platform/security/KeychainTestSupport.h"
#include "tests/platform/security/SecretService.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QFile>
#include <QtCore/QProcess>

#include <gtest/gtest.h>

#include <cstdio>

using keychaintest::byAccount;
using keychaintest::kAlice;
using keychaintest::kBob;
using platform::Keychain;
using platform::KeychainItem;
using platform::KeychainKind;
using platform::KeychainQuery;
using platform::KeychainStatus;

namespace {

const char* const kPreference = "ZELVO_KEYCHAIN";

// The choice is the process's: each test puts back the file that every other test uses.
class KeychainSelection : public testing::Test {
protected:
    void TearDown() override {
        qputenv(kPreference, "file");
        platform::selectSharedKeychain();
    }
};

}  // namespace

TEST_F(KeychainSelection, DesktopKeychainIsChosenWhenItAnswersAndTakesTheFilesCredentials) {
    QString reason;
    if (!securitytest::startSecretService(&reason)) {
        GTEST_SKIP() << "no Secret Service can be started here: " << reason.toStdString();
    }
    platform::DesktopKeychainBackend().erase();
    KeychainItem item;
    item.account = kAlice;
    item.data = R"({"cookie":"c","ticket":"t","uuid":"u"})";
    ASSERT_TRUE(platform::FileKeychainBackend(Keychain::sharedFilePath()).store({item}));

    qunsetenv(kPreference);
    EXPECT_EQ(platform::selectSharedKeychain(), KeychainKind::Desktop);
    EXPECT_FALSE(QFile::exists(Keychain::sharedFilePath()));
    EXPECT_EQ(Keychain::shared().copyMatching(byAccount(kAlice)).item.data, item.data);
    // Every shared keychain from now on is the desktop's.
    platform::resetSharedState();
    EXPECT_EQ(Keychain::shared().copyMatching(byAccount(kAlice)).item.data, item.data);
    const auto stored = platform::DesktopKeychainBackend().load();
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 1u);
    EXPECT_EQ(stored->front().data, item.data);

    qputenv(kPreference, "file");
    EXPECT_EQ(platform::selectSharedKeychain(), KeychainKind::File);
    EXPECT_EQ(Keychain::shared().copyMatching(byAccount(kAlice)).status,
              KeychainStatus::ItemNotFound);
    platform::DesktopKeychainBackend().erase();
}

// Run as a child with a session bus that does not exist.
TEST(KeychainSelectionChild, DISABLED_ChoosesWithoutADesktopKeychain) {
    qunsetenv(kPreference);
    const KeychainKind kind = platform::selectSharedKeychain();
    std::printf("kind=%s\n", kind == KeychainKind::File ? "file" : "desktop");
    std::fflush(stdout);
}

TEST_F(KeychainSelection, WithoutADesktopKeychainTheFileIsKept) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + zvtest::testRoot() + "/no-bus");
    environment.insert(QStringLiteral("TMPDIR"), zvtest::testRoot());
    child.setProcessEnvironment(environment);
    child.start(zvtest::executablePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=KeychainSelectionChild.*")});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAllStandardOutput();
    const QByteArray log = child.readAllStandardError();
    EXPECT_TRUE(output.contains("kind=file")) << output.toStdString() << log.toStdString();
    // The choice and its reason are in the log.
    EXPECT_TRUE(
        log.contains("Keychain: credentials are kept in the owner-only keychain file "
                     "(no desktop keychain: "))
        << log.toStdString();
}
