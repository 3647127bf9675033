#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/markup/ZVMarkupSyntax.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/Application.h"
#include "platform/foundation/Scheduler.h"
#include "tests/ZelvoKit/markup/MarkupTestSupport.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <gtest/gtest.h>

using namespace zvmarkuptest;

namespace {

const QString kPath = QStringLiteral("markup/get_syntax");

class ZVMarkupSyntaxDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        platform::Application& application = platform::Application::shared();
        application.setShortVersion(QStringLiteral("1.4"));
        application.setBuildVersion(QStringLiteral("212"));
        application.setSystemName(QStringLiteral("iOS"));
        application.setSystemVersion(QStringLiteral("9.3"));
        ZVApi::setApplicationId(QStringLiteral("ZelvoIPhone"));
        ZVApi::api().setCustomBaseURL(emulator.baseUrl());
    }
    void TearDown() override { emulator.stop(); }

    void signIn() {
        const zvemu::Account account =
            emulator.addAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret"));
        issued = emulator.issueCredentials(account.accountId);
        auto credentials = std::make_shared<ZVUserCredentials>(account.email);
        credentials->setUuid(account.accountId);
        credentials->setTicket(issued.ticket);
        credentials->setCookie(issued.token);
        ZVApi::api().setActiveSession(
            ZVApi::api().createSessionWithCredentials(credentials, nullptr));
    }

    static bool waitForDownload() {
        return platform::Scheduler::main().runUntil(
            [] { return !ZVMarkupSyntax::downloadInProgress(); });
    }

    static QString logText() {
        QFile file(ZVErrorLog::errorLog().logFilePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // A valid definition told apart from the bundled one by an extra emoticon code.
    static QByteArray markedDefinition() {
        QJsonObject json = bundledSyntaxJson();
        QJsonObject emoticons = json["emoticon_names"].toObject();
        emoticons["(cached)"] = "esmile";
        json["emoticon_names"] = emoticons;
        return QJsonDocument(json).toJson();
    }

    static void writeCache(const QByteArray& bytes, qint64 ageSeconds) {
        QFile file(ZVMarkupSyntax::syntaxFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        // Written out first, or the write at closing would date the file now.
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-ageSeconds),
                                     QFileDevice::FileModificationTime));
    }

    static bool isMarked(const ZVMarkupSyntax& syntax) {
        return syntax.emoticonNames().contains(QStringLiteral("(cached)"));
    }

    zvemu::ServiceEmulator emulator;
    zvemu::Credentials issued;
};

}  // namespace

TEST_F(ZVMarkupSyntaxDownload, WithoutCacheUsesTheResourceAndStoresTheDownload) {
    signIn();
    std::weak_ptr<ZVMarkupSyntax> first = ZVMarkupSyntax::syntax();
    ASSERT_TRUE(first.lock()->isValid());
    ASSERT_TRUE(waitForDownload());

    const auto request = emulator.lastRequest(kPath);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->status, 200);
    EXPECT_EQ(request->problems, QStringList());
    EXPECT_EQ(request->rawBody, QStringLiteral("{ \"utf16\" : false, \"ticket\" : \"%1\", "
                                               "\"api_version\" : 2}")
                                    .arg(issued.ticket)
                                    .toUtf8());
    EXPECT_EQ(request->cookie(u"token_id"), issued.token);

    QFile cache(ZVMarkupSyntax::syntaxFilePath());
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    QFile resource(QStringLiteral(ZV_SOURCE_DIR_DEFAULT "/resources/syntax.json"));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_EQ(cache.readAll(), resource.readAll());
    // The instance in use was dropped; the next one comes from the fresh file, without asking.
    EXPECT_TRUE(first.expired());
    EXPECT_TRUE(ZVMarkupSyntax::syntax()->isValid());
    EXPECT_FALSE(ZVMarkupSyntax::downloadInProgress());
    EXPECT_EQ(emulator.requestCount(kPath), 1);
}

TEST_F(ZVMarkupSyntaxDownload, ADayOldCacheIsUsedOnceThenRefreshed) {
    signIn();
    writeCache(markedDefinition(), ZVMarkupSyntax::kCacheLifetimeSeconds - 60);
    EXPECT_TRUE(isMarked(*ZVMarkupSyntax::syntax()));
    EXPECT_FALSE(ZVMarkupSyntax::downloadInProgress());
    ZVMarkupSyntax::resetShared();

    writeCache(markedDefinition(), ZVMarkupSyntax::kCacheLifetimeSeconds + 1);
    const std::shared_ptr<ZVMarkupSyntax> stale = ZVMarkupSyntax::syntax();
    EXPECT_TRUE(isMarked(*stale));
    EXPECT_FALSE(QFileInfo::exists(ZVMarkupSyntax::syntaxFilePath()));
    ASSERT_TRUE(waitForDownload());
    EXPECT_EQ(emulator.requestCount(kPath), 1);
    // Whoever holds the stale one keeps it; new users get the downloaded one.
    EXPECT_TRUE(isMarked(*stale));
    EXPECT_FALSE(isMarked(*ZVMarkupSyntax::syntax()));
    EXPECT_TRUE(QFileInfo::exists(ZVMarkupSyntax::syntaxFilePath()));
}

TEST_F(ZVMarkupSyntaxDownload, ABrokenCacheFallsBackToTheResource) {
    signIn();
    writeCache("{ not json", 0);
    EXPECT_TRUE(ZVMarkupSyntax::syntax()->isValid());
    ASSERT_TRUE(waitForDownload());
    EXPECT_EQ(emulator.requestCount(kPath), 1);
}

TEST_F(ZVMarkupSyntaxDownload, AServerErrorDropsTheInstanceSoTheNextUseAsksAgain) {
    signIn();
    emulator.injectFault(kPath, zvemu::Fault::withStatus(500));
    std::weak_ptr<ZVMarkupSyntax> first = ZVMarkupSyntax::syntax();
    ASSERT_TRUE(waitForDownload());
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(QFileInfo::exists(ZVMarkupSyntax::syntaxFilePath()));
    EXPECT_TRUE(logText().contains(QStringLiteral("Syntax download failed: HTTP 500")));

    EXPECT_TRUE(ZVMarkupSyntax::syntax()->isValid());
    ASSERT_TRUE(waitForDownload());
    EXPECT_EQ(emulator.requestCount(kPath), 2);
    EXPECT_TRUE(QFileInfo::exists(ZVMarkupSyntax::syntaxFilePath()));
}

TEST_F(ZVMarkupSyntaxDownload, ADroppedConnectionKeepsTheInstance) {
    signIn();
    emulator.injectFault(kPath, zvemu::Fault::dropConnection());
    const std::weak_ptr<ZVMarkupSyntax> first = ZVMarkupSyntax::syntax();
    ASSERT_TRUE(waitForDownload());
    EXPECT_FALSE(first.expired());
    EXPECT_FALSE(QFileInfo::exists(ZVMarkupSyntax::syntaxFilePath()));
    EXPECT_TRUE(logText().contains(QStringLiteral("Syntax download failed: ")));
    EXPECT_FALSE(logText().contains(issued.ticket));
}

TEST_F(ZVMarkupSyntaxDownload, SignedOutNothingIsAsked) {
    EXPECT_TRUE(ZVMarkupSyntax::syntax()->isValid());
    EXPECT_FALSE(ZVMarkupSyntax::downloadInProgress());
    EXPECT_EQ(emulator.requestCount(kPath), 0);
}

TEST_F(ZVMarkupSyntaxDownload, DeletingTheServerSyntaxReloadsTheResource) {
    writeCache(markedDefinition(), 0);
    const std::shared_ptr<ZVMarkupSyntax> syntax = ZVMarkupSyntax::syntax();
    EXPECT_TRUE(isMarked(*syntax));
    ZVMarkupSyntax::deleteServerSyntax();
    EXPECT_FALSE(QFileInfo::exists(ZVMarkupSyntax::syntaxFilePath()));
    EXPECT_FALSE(isMarked(*ZVMarkupSyntax::syntax()));
    EXPECT_TRUE(ZVMarkupSyntax::syntax()->isValid());
}
