#include "accounts/settings/ZVTechInfoViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "accounts/settings/ZVErrorLogViewController.h"
#include "accounts/settings/ZVRequestsViewController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"

#include <chrono>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

class TechInfoTest : public SettingsTest {
protected:
    std::shared_ptr<ZVTechInfoViewController> open() {
        auto screen = platform::ViewController::make<ZVTechInfoViewController>(session);
        push(screen);
        return screen;
    }
    // Waits until the client's status (recomputed a moment after each change) is `status`.
    bool reachStatus(int status) {
        for (int i = 0; i < 50 && api().connectionStatus() != status; ++i) {
            scheduler().advance(ZVApi::kStatusUpdateDelay);
            scheduler().runUntil([] { return false; }, 20);
        }
        return api().connectionStatus() == status;
    }
    static QString detail(ZVDialogCells& screen, const QString& title) {
        const auto row = labelRow(screen, title);
        return row ? row->detailText() : u"(none)"_s;
    }
    // The application leaves the foreground: polls and retries stop, the client is offline.
    void goToBackground() {
        api().setBackgroundMode(true);
        ASSERT_TRUE(reachStatus(ZVApi::ConnectionStatusOffline));
        ASSERT_FALSE(api().nextConnectionTime().isValid());
    }
};

TEST_F(TechInfoTest, TheStatusWordsAndColours) {
    const QColor red(255, 0, 0);
    const QColor green = platform::resolveColor(ZVColorTable::colorWithName(u"green"_s));
    const struct {
        int status;
        const char* word;
        QColor color;
    } cases[] = {
        {0, "Offline", red},  {1, "Connecting", platform::resolveColor(ZVColors::text())},
        {2, "Online", green}, {3, "Activity", green},
        {4, "Error", red},
    };
    for (const auto& c : cases) {
        const auto look = ZVTechInfoViewController::lookOfStatus(c.status);
        EXPECT_EQ(look.word, QString::fromUtf8(c.word));
        EXPECT_EQ(platform::resolveColor(look.color), c.color) << c.word;
    }
}

TEST_F(TechInfoTest, OnlineShowsTheCountersAndABurstCostsOneRebuild) {
    ASSERT_TRUE(reachStatus(ZVApi::ConnectionStatusOnline));
    const auto screen = open();
    EXPECT_EQ(screen->statusCell()->detailText(), u"Online"_s);
    EXPECT_EQ(screen->statusCell()->detailTextLabel()->textColor(),
              platform::resolveColor(ZVColorTable::colorWithName(u"green"_s)));
    EXPECT_FALSE(screen->retryTimeCell());
    EXPECT_FALSE(screen->syncProgressCell());
    const QStringList rows = rowTexts(*screen);
    const QString received = ZVLocalization::formatNumber(api().sessionStats()->bytesReceived());
    EXPECT_TRUE(rows.contains(u"Number of conversations="_s +
                              ZVLocalization::formatNumber(session->conversations().size())));
    EXPECT_TRUE(rows.contains(u"Bytes received="_s + received)) << rows.join(u" | ").toStdString();
    EXPECT_EQ(
        rows.mid(rows.indexOf(u"# TOTAL"_s), 5),
        (QStringList{
            u"# TOTAL"_s,
            u"Bytes sent="_s + ZVLocalization::formatNumber(api().cumulativeStats()->bytesSent()),
            u"Bytes received="_s +
                ZVLocalization::formatNumber(api().cumulativeStats()->bytesReceived()),
            u"Messages sent="_s +
                ZVLocalization::formatNumber(api().cumulativeStats()->messagesSent()),
            u"Messages received="_s +
                ZVLocalization::formatNumber(api().cumulativeStats()->messagesReceived())}));
    EXPECT_TRUE(rows.contains(u"# THIS SESSION"_s));
    // An empty log offers no way into it.
    ZVErrorLog::errorLog().deleteLogFile();
    screen->updateItems();
    EXPECT_FALSE(screen->errorLogCell());
    EXPECT_EQ(rowIndex(*screen, u"Error log"_s), -1);

    const int built = screen->rebuildCount();
    for (int i = 0; i < 20; ++i) {
        api().didChangeValueForKey(
            QString(i % 2 ? ZVApi::ConnectionStatusKey : ZVApi::NextConnectionTimeKey));
    }
    EXPECT_TRUE(screen->updatePending());
    scheduler().advance(ZVTechInfoViewController::kRebuildDelay * 0.9);
    EXPECT_EQ(screen->rebuildCount(), built);
    scheduler().advance(ZVTechInfoViewController::kRebuildDelay);
    EXPECT_EQ(screen->rebuildCount(), built + 1);
    EXPECT_FALSE(screen->updatePending());

    // Off screen it follows nothing.
    push(platform::ViewController::make<ZVDialogCells>());
    api().didChangeValueForKey(QString(ZVApi::ConnectionStatusKey));
    scheduler().advance(5);
    EXPECT_EQ(screen->rebuildCount(), built + 1);
}

TEST_F(TechInfoTest, OfflineWithoutARetryTicksOnlyTheLastSync) {
    goToBackground();
    const auto screen = open();
    EXPECT_EQ(screen->statusCell()->detailText(), u"Offline"_s);
    ASSERT_TRUE(screen->retryTimeCell());
    const QString now = ZVLocalization::formatTimeInterval(0, true, true);
    EXPECT_EQ(screen->retryTimeCell()->detailText(), now);
    ASSERT_TRUE(api().cumulativeStats()->lastResponseTime().isValid());
    const int built = screen->rebuildCount();

    // The last answer recedes: "Last sync" is rewritten every 10 s, the rest stays.
    QStringList lastSync{screen->lastRespCell()->detailText()};
    for (int i = 0; i < 3; ++i) {
        scheduler().advance(ZVTechInfoViewController::kRetryClockInterval);
        lastSync << screen->lastRespCell()->detailText();
    }
    EXPECT_EQ(screen->retryTimeCell()->detailText(), now);
    EXPECT_TRUE(lastSync.last().endsWith(u" ago"_s)) << lastSync.last().toStdString();
    EXPECT_NE(lastSync.first(), lastSync.last()) << lastSync.join(u" | ").toStdString();
    EXPECT_EQ(screen->rebuildCount(), built);
}

TEST_F(TechInfoTest, SynchronizationShowsOnlyBelowNinetyNinePerCent) {
    goToBackground();
    // A request in flight without a waiting poll: the client is connecting.
    emulator.injectFault(u"account/configure"_s, zvemu::Fault::delayed(std::chrono::seconds(20)));
    session->setMyDisplayName(u"Anna K"_s);
    ASSERT_TRUE(reachStatus(ZVApi::ConnectionStatusConnecting));

    session->setSyncProgress(0.995f);
    auto screen = open();
    EXPECT_EQ(screen->statusCell()->detailText(), u"Connecting"_s);
    EXPECT_FALSE(screen->syncProgressCell());
    EXPECT_EQ(rowIndex(*screen, u"Synchronization"_s), -1);

    session->setSyncProgress(0.5f);
    screen = open();
    ASSERT_TRUE(screen->syncProgressCell());
    EXPECT_EQ(detail(*screen, u"Synchronization"_s), u"50%"_s);
    // Progress rewrites the row alone.
    const int built = screen->rebuildCount();
    session->changeValueForKey(QString(ZVApi::SyncProgressKey),
                               [&] { session->setSyncProgress(0.738f); });
    EXPECT_EQ(detail(*screen, u"Synchronization"_s), u"73%"_s);
    EXPECT_EQ(screen->rebuildCount(), built);
    emulator.releaseHeld();
}

TEST_F(TechInfoTest, RowsOpenTheErrorLogAndTheApiStatus) {
    ZVLogError(u"something went wrong");
    const auto screen = open();
    ASSERT_TRUE(screen->errorLogCell());
    EXPECT_TRUE(screen->errorLogCell()->detailStyle());
    EXPECT_EQ(rowTexts(*screen).mid(rowIndex(*screen, u"Error log"_s) - 1, 1),
              QStringList{u"# OTHER"_s});

    screen->didSelectRow(rowIndex(*screen, u"Error log"_s));
    settle();
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVErrorLogViewController>(top()));
    navigation()->popToViewController(screen.get(), false);
    settle();
    screen->didSelectRow(rowIndex(*screen, u"Connection state"_s));
    settle();
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVRequestsViewController>(top()));
    navigation()->popToViewController(screen.get(), false);
    settle();
    // The counters' rows open nothing.
    screen->didSelectRow(rowIndex(*screen, u"Bytes sent"_s));
    settle();
    EXPECT_EQ(top(), screen);
}

TEST_F(TechInfoTest, SigningOutEndsTheObservation) {
    const auto screen = open();
    session->endSession(ZVApiSession::EndReason::Logout);
    ASSERT_TRUE(scheduler().runUntil([&] { return api().loginStatus() != 2; }));
    const int built = screen->rebuildCount();
    api().didChangeValueForKey(QString(ZVApi::ConnectionStatusKey));
    scheduler().advance(5);
    EXPECT_EQ(screen->rebuildCount(), built);
    EXPECT_FALSE(screen->updatePending());
}

}  // namespace
}  // namespace settingstest
