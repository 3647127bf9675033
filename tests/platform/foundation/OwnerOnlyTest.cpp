#include "platform/foundation/OwnerOnly.h"

#include "platform/foundation/AtomicFile.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/SharedState.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/FileModes.h"
#include "tests/support/TestEnvironment.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace platform;
using zvtest::fileMode;

namespace {

void writePlainFile(const QString& path, mode_t mode) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

}  // namespace

// What the application writes for its user is the user's alone, whatever umask it inherited: an
// open one (022, 002), none at all, or one that would even take the owner's own bits.
TEST(OwnerOnly, FoldersAndFilesOfTheApplicationAreTheUsersAloneWhateverTheUmask) {
    for (const mode_t mask : {mode_t{022}, mode_t{002}, mode_t{000}, mode_t{0277}}) {
        SCOPED_TRACE(mask);
        const QString root = zvtest::makeTempDir(QStringLiteral("root%1").arg(mask)) + "/home";
        Paths::setRoot(root);
        const zvtest::ScopedUmask scopedUmask(mask);

        for (const QString& folder :
             {Paths::cachesDirectory(), Paths::preferencesDirectory(),
              Paths::privateDataDirectory(), Paths::documentsDirectory(),
              Paths::temporaryDirectory(), Paths::applicationGroupContainer("group.zelvo"),
              root + "/Library", root + "/Shared/AppGroup"}) {
            EXPECT_EQ(fileMode(folder), 0700u) << folder.toStdString();
        }

        auto defaults = UserDefaults::standard();
        defaults->setInteger(1, "key");
        ASSERT_TRUE(defaults->synchronize());
        const QStringList settings = QDir(Paths::preferencesDirectory()).entryList(QDir::Files);
        ASSERT_EQ(settings.size(), 1);
        EXPECT_EQ(fileMode(Paths::preferencesDirectory() + '/' + settings[0]), 0600u);

        const QString made = root + "/made";
        const int fd = openOwnerOnly(made, O_WRONLY);
        ASSERT_GE(fd, 0);
        ::close(fd);
        EXPECT_EQ(fileMode(made), 0600u);

        ASSERT_TRUE(writeFileAtomically(root + "/atomic", "new"));
        EXPECT_EQ(fileMode(root + "/atomic"), 0600u);

        // A copy of a file that others may read is not.
        writePlainFile(root + "/open", 0644);
        ASSERT_TRUE(copyOwnerOnly(root + "/open", root + "/copy"));
        EXPECT_EQ(fileMode(root + "/copy"), 0600u);
        QFile copy(root + "/copy");
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), "old");
        // The next round has other folders.
        resetSharedState();
    }
}

// Files and folders that an earlier version left open to others are closed at their next use.
TEST(OwnerOnly, WhatAnEarlierVersionLeftOpenIsClosed) {
    const QString root = zvtest::makeTempDir("old");
    ASSERT_TRUE(QDir().mkpath(root + "/Library/Caches/account"));
    for (const char* folder : {"/Library", "/Library/Caches", "/Library/Caches/account"}) {
        ASSERT_EQ(::chmod(QFile::encodeName(root + folder).constData(), 0755), 0);
    }
    Paths::setRoot(root);
    EXPECT_EQ(fileMode(Paths::cachesDirectory()), 0700u);
    EXPECT_EQ(fileMode(root + "/Library"), 0700u);
    EXPECT_TRUE(makeOwnerOnlyFolder(root + "/Library/Caches/account"));
    EXPECT_EQ(fileMode(root + "/Library/Caches/account"), 0700u);

    for (const char* name : {"/opened", "/atomic", "/restricted"}) {
        writePlainFile(root + name, 0644);
    }
    const int fd = openOwnerOnly(root + "/opened", O_RDONLY);
    ASSERT_GE(fd, 0);
    ::close(fd);
    ASSERT_TRUE(writeFileAtomically(root + "/atomic", "new"));
    EXPECT_TRUE(restrictToOwner(root + "/restricted"));
    for (const char* name : {"/opened", "/atomic", "/restricted"}) {
        EXPECT_EQ(fileMode(root + name), 0600u) << name;
    }
    // Explicit modes are still honoured.
    ASSERT_TRUE(writeFileAtomically(root + "/shared", "x",
                                    QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    EXPECT_EQ(fileMode(root + "/shared"), 0640u);

    // A file in a folder's place is no folder.
    writePlainFile(root + "/notafolder", 0600);
    EXPECT_FALSE(makeOwnerOnlyFolder(root + "/notafolder"));
    EXPECT_FALSE(makeOwnerOnlyFolder(root + "/notafolder/below"));
    EXPECT_TRUE(restrictToOwner(root + "/missing"));

    // A copy never lands on a file that is there, and a failed one leaves nothing.
    QString reason;
    EXPECT_FALSE(copyOwnerOnly(root + "/missing", root + "/copy", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(QFile::exists(root + "/copy"));
    EXPECT_FALSE(copyOwnerOnly(root + "/atomic", root + "/opened"));
    QFile kept(root + "/opened");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");
}
