#include "platform/security/FileKeychainBackend.h"

#include "platform/security/Keychain.h"
#include "tests/platform/security/KeychainTestSupport.h"
#include "tests/support/FileModes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using keychaintest::byAccount;
using keychaintest::kAlice;
using keychaintest::kBob;
using platform::FileKeychainBackend;
using platform::Keychain;
using platform::KeychainItem;
using platform::KeychainQuery;
using platform::KeychainStatus;

namespace {

QString keychainPath() {
    return zvtest::makeTempDir(QStringLiteral("Private")) + QStringLiteral("/keychain.json");
}

Keychain openKeychain(const QString& path) {
    return Keychain(std::make_shared<FileKeychainBackend>(path));
}

KeychainItem passwordItem(const QString& account, const QByteArray& data) {
    KeychainItem item;
    item.account = account;
    item.data = data;
    return item;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

using zvtest::fileMode;
using zvtest::ScopedUmask;

// Makes every write to a regular file beyond `bytes` fail (even for root), as a full disk would.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

}  // namespace

TEST(FileKeychainBackend, FileIsReadableByTheOwnerOnlyWhateverTheUmask) {
    const QString path = keychainPath();
    ScopedUmask permissive(0);
    Keychain keychain = openKeychain(path);
    ASSERT_EQ(keychain.addItem(passwordItem(kAlice, "secret")), KeychainStatus::Success);
    EXPECT_EQ(fileMode(path), 0600u);

    // A file that was left readable is tightened by the next change.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    ASSERT_EQ(keychain.updateItems(byAccount(kAlice), "other"), KeychainStatus::Success);
    EXPECT_EQ(fileMode(path), 0600u);
}

TEST(FileKeychainBackend, ChangesByAnotherInstanceAreSeenByTheNextOperation) {
    const QString path = keychainPath();
    Keychain first = openKeychain(path);
    Keychain second = openKeychain(path);
    ASSERT_EQ(first.addItem(passwordItem(kAlice, "one")), KeychainStatus::Success);
    ASSERT_EQ(second.copyMatching(byAccount(kAlice)).item.data, "one");

    ASSERT_EQ(first.updateItems(byAccount(kAlice), "two"), KeychainStatus::Success);
    EXPECT_EQ(second.copyMatching(byAccount(kAlice)).item.data, "two");
    // Without the re-read this add would write the stale list back and lose the update.
    ASSERT_EQ(second.addItem(passwordItem(kBob, "bob")), KeychainStatus::Success);
    EXPECT_EQ(first.copyMatching(byAccount(kAlice)).item.data, "two");
    EXPECT_EQ(first.copyMatching(byAccount(kBob)).item.data, "bob");
}

TEST(FileKeychainBackend, ReadsItsStoredFormat) {
    const QString path = keychainPath();
    writeFile(path, R"({"version":1,"items":[
        {"class":"genericPassword","account":"alice@example.com","accessibility":"afterFirstUnlock",
         "data":"eyJ0aWNrZXQiOiJ0In0="},
        {"class":"genericPassword","account":"alice@example.com","service":"mail",
         "accessGroup":"group.com.example","accessibility":"always","data":""}]})");
    Keychain keychain = openKeychain(path);
    const KeychainItem item = keychain.copyMatching(byAccount(kAlice)).item;
    EXPECT_EQ(item.data, R"({"ticket":"t"})");
    EXPECT_EQ(item.accessibility, platform::KeychainAccessibility::AfterFirstUnlock);

    KeychainQuery mail = byAccount(kAlice);
    mail.service = QStringLiteral("mail");
    mail.accessGroup = QStringLiteral("group.com.example");
    const auto copied = keychain.copyMatching(mail);
    EXPECT_EQ(copied.status, KeychainStatus::Success);
    EXPECT_EQ(copied.item.accessibility, platform::KeychainAccessibility::Always);
    EXPECT_TRUE(copied.item.data.isEmpty());
}

TEST(FileKeychainBackend, DamagedFileReadsAsEmptyAndIsReplacedByTheNextChange) {
    const std::vector<std::pair<const char*, QByteArray>> damaged = {
        {"not JSON", "\x01\x02garbage"},
        {"cut short", R"({"version":1,"items":[{"class":"genericPass)"},
        {"a list", R"([{"account":"alice@example.com"}])"},
        {"no item list", R"({"version":1,"items":{"account":"alice@example.com"}})"},
        {"empty", ""},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        const QString path = keychainPath();
        writeFile(path, bytes);
        Keychain keychain = openKeychain(path);
        testing::internal::CaptureStderr();
        const auto copied = keychain.copyMatching(byAccount(kAlice));
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(copied.status, KeychainStatus::ItemNotFound);
        EXPECT_NE(log.find("Keychain:"), std::string::npos);

        ASSERT_EQ(keychain.addItem(passwordItem(kAlice, "fresh")), KeychainStatus::Success);
        EXPECT_EQ(openKeychain(path).copyMatching(byAccount(kAlice)).item.data, "fresh");
    }
}

TEST(FileKeychainBackend, UnreadableItemIsSkippedWithoutLoggingItsData) {
    const QString path = keychainPath();
    writeFile(path, R"({"version":1,"items":[
        {"class":"genericPassword","account":"alice@example.com","data":"not base64 hunter2!"},
        {"class":"genericPassword","account":7,"data":"aHVudGVyMg=="},
        {"class":"genericPassword","account":"bob@example.com","data":"Ym9i"}]})");
    Keychain keychain = openKeychain(path);
    testing::internal::CaptureStderr();
    EXPECT_EQ(keychain.copyMatching(byAccount(kBob)).item.data, "bob");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(keychain.copyMatching(byAccount(kAlice)).status, KeychainStatus::ItemNotFound);
    EXPECT_NE(log.find("skipping item 0"), std::string::npos);
    EXPECT_NE(log.find("skipping item 1"), std::string::npos);
    EXPECT_EQ(log.find("hunter2"), std::string::npos);
    EXPECT_EQ(log.find("aHVudGVyMg"), std::string::npos);
}

TEST(FileKeychainBackend, FailedWriteReportsAnErrorAndKeepsTheOldFile) {
    const QString path = keychainPath();
    Keychain keychain = openKeychain(path);
    ASSERT_EQ(keychain.addItem(passwordItem(kAlice, "old")), KeychainStatus::Success);
    const QByteArray before = readFile(path);

    {
        ScopedFileSizeLimit limit(before.size() + 16);
        EXPECT_EQ(keychain.addItem(passwordItem(kBob, QByteArray(4096, 'x'))),
                  KeychainStatus::IOError);
        EXPECT_EQ(keychain.updateItems(byAccount(kAlice), QByteArray(4096, 'y')),
                  KeychainStatus::IOError);
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files),
              QStringList({QStringLiteral("keychain.json")}));
    EXPECT_EQ(keychain.copyMatching(byAccount(kAlice)).item.data, "old");
    EXPECT_EQ(keychain.copyMatching(byAccount(kBob)).status, KeychainStatus::ItemNotFound);
}

TEST(FileKeychainBackend, FileThatCannotBeOpenedIsNeitherReadAsEmptyNorOverwritten) {
    const QString path = keychainPath();
    // A folder in the file's place cannot be opened, even by root.
    ASSERT_TRUE(QDir().mkpath(path));
    Keychain keychain = openKeychain(path);
    EXPECT_EQ(keychain.copyMatching(byAccount(kAlice)).status, KeychainStatus::IOError);
    EXPECT_EQ(keychain.addItem(passwordItem(kAlice, "new")), KeychainStatus::IOError);
    EXPECT_TRUE(QFileInfo(path).isDir());

    Keychain nowhere = openKeychain(QString());
    EXPECT_EQ(nowhere.addItem(passwordItem(kAlice, "new")), KeychainStatus::IOError);
}
