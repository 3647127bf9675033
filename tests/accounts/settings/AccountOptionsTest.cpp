#include "accounts/settings/ZVAccountSettingsViewController.h"
#include "accounts/settings/ZVNotificationOptionsViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "ZelvoKit/support/media/ZVURLRepresentation.h"
#include "ZelvoKit/support/text/ZVEmailInterval.h"
#include "tests/emulator/AccountRecords.h"
#include "tests/support/TestEnvironment.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"

#include <QtCore/QFile>
#include <QtCore/QJsonArray>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

const QString kOptionsSetFlag = u"account/set_flag"_s;
const QString kOptionsConfigure = u"account/configure"_s;

class AccountOptionsTest : public SettingsTest {
protected:
    std::shared_ptr<ZVUserProfile> profile() const { return session->profile(); }
    // The account's contact record as the service sends it after a change from another device.
    bool flagsArriveOnTheStream(const QStringList& flags) {
        const QString id = account(shelltest::kAnna);
        emulator.updateAccount(id, [&](zvemu::Account& account) { account.clientFlags = flags; });
        emulator.appendEvent(id, zvemu::contactRecord(*emulator.account(id)));
        return waitForStreamEnd(session);
    }
    QList<QJsonObject> flagCalls() const {
        QList<QJsonObject> bodies;
        for (const auto& request : emulator.requests(kOptionsSetFlag)) {
            bodies << request.body;
        }
        return bodies;
    }
};

TEST_F(AccountOptionsTest, EachSwitchWritesItsOwnFlagInItsOwnSense) {
    ASSERT_TRUE(flagsArriveOnTheStream({}));
    const auto screen = platform::ViewController::make<ZVAccountSettingsViewController>(session);
    push(screen);
    const bool checkedAtFirst[] = {true, true, true, false, false};
    const struct {
        const char* title;
        QLatin1StringView flag;
        bool flagAfterTap;
    } cases[] = {
        {"Show avatars", ZVUserProfile::NoAvatarInFlowFlag, true},
        {"Show picture previews", ZVUserProfile::NoInlineImagesFlag, true},
        {"Show link previews", ZVUserProfile::HideUrlPreviewsFlag, true},
        {"Post full size images", ZVUserProfile::NoResizePostedImagesFlag, true},
        {"Use standard menus", ZVUserProfile::StandardUiFlag, true},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.title);
        const auto& option = screen->options()[i];
        EXPECT_EQ(option->title(), QString::fromUtf8(c.title));
        EXPECT_EQ(option->checked(), checkedAtFirst[i]);
        emulator.clearRequests();
        option->cellTapped();
        EXPECT_EQ(profile()->isClientFlagSet(QString(c.flag)), c.flagAfterTap);
        ASSERT_EQ(calls(kOptionsSetFlag), 1);
        EXPECT_EQ(flagCalls().front().value(u"client_flag"_s).toString(), QString(c.flag));
        EXPECT_EQ(flagCalls().front().value(u"bool_value"_s), QJsonValue(true));
    }
    // Grouping: avatars to link previews, then one each.
    const auto& options = screen->options();
    EXPECT_TRUE(options[0]->beginsGroup() && !options[0]->endsGroup());
    EXPECT_TRUE(!options[1]->beginsGroup() && !options[1]->endsGroup());
    EXPECT_TRUE(options[2]->endsGroup() && options[3]->beginsGroup() && options[3]->endsGroup());
    EXPECT_TRUE(options[4]->beginsGroup() && options[4]->endsGroup());
}

// Another device's change is taken, never sent back.
TEST_F(AccountOptionsTest, FlagsFromElsewhereMoveEverySwitchAndAreNotSentBack) {
    const auto screen = platform::ViewController::make<ZVAccountSettingsViewController>(session);
    push(screen);
    emulator.clearRequests();
    ASSERT_TRUE(flagsArriveOnTheStream(
        {QString(ZVUserProfile::NoInlineImagesFlag), QString(ZVUserProfile::StandardUiFlag)}));
    const auto& options = screen->options();
    EXPECT_TRUE(options[0]->checked());
    EXPECT_FALSE(options[1]->checked());
    EXPECT_TRUE(options[2]->checked());
    EXPECT_FALSE(options[3]->checked());
    EXPECT_TRUE(options[4]->checked());
    EXPECT_EQ(calls(kOptionsSetFlag), 0);

    // The next switch sends its own flag, and the others' stay as the service has them.
    options[0]->cellTapped();
    ASSERT_EQ(calls(kOptionsSetFlag), 1);
    EXPECT_EQ(flagCalls().front().value(u"client_flag"_s).toString(),
              QString(ZVUserProfile::NoAvatarInFlowFlag));
    ASSERT_TRUE(waitForStreamEnd(session));
    const QStringList atService = emulator.account(shelltest::kAnna)->clientFlags;
    EXPECT_TRUE(atService.contains(QString(ZVUserProfile::NoInlineImagesFlag)));
    EXPECT_TRUE(atService.contains(QString(ZVUserProfile::StandardUiFlag)));
    EXPECT_TRUE(atService.contains(QString(ZVUserProfile::NoAvatarInFlowFlag)));
}

// Pictures made under the old flags are not reused: a switch empties the media loader's cache.
TEST_F(AccountOptionsTest, ASwitchDropsTheCachedMedia) {
    const QString path = zvtest::makeTempDir() + u"/note.txt"_s;
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("picked");
    }
    const auto load = [&] {
        std::shared_ptr<ZVURLRepresentation> loaded;
        ZVURLLoader::loader().representationForUrl(
            QUrl::fromLocalFile(path), [&](const auto& representation) { loaded = representation; },
            {});
        EXPECT_TRUE(waitUntil([&] { return loaded != nullptr; }));
        return loaded;
    };
    const auto first = load();
    ASSERT_TRUE(first);
    EXPECT_EQ(load(), first);
    const auto screen = platform::ViewController::make<ZVAccountSettingsViewController>(session);
    screen->options()[1]->cellTapped();
    EXPECT_NE(load(), first);
}

TEST_F(AccountOptionsTest, TheStoredIntervalPicksItsOption) {
    const struct {
        int stored;
        int index;
        const char* checkedTitle;
    } cases[] = {
        {ZVEmailInterval::Unset, 0, "Once an hour at most"},
        {ZVEmailInterval::Default, 0, "Once an hour at most"},
        {ZVEmailInterval::Daily, 1, "Once a day at most"},
        {ZVEmailInterval::Never, 2, "Do not send email notifications"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        profile()->setAccountEmailSetting(c.stored);
        const auto screen =
            platform::ViewController::make<ZVNotificationOptionsViewController>(session);
        ASSERT_EQ(screen->intervals()->checkedIndex(), c.index);
        EXPECT_EQ(screen->intervals()->optionAtIndex(c.index), QString::fromUtf8(c.checkedTitle));
    }
}

TEST_F(AccountOptionsTest, IntervalAndNewsletterGoOutOnlyWhenChanged) {
    profile()->setAccountEmailSetting(ZVEmailInterval::Daily);
    profile()->setIsNewsletterDisabled(false);
    const auto screen =
        platform::ViewController::make<ZVNotificationOptionsViewController>(session);
    push(screen);
    // The profile's own writes above go out first.
    answerEverything();
    emulator.clearRequests();

    // The stored interval chosen again: nothing.
    screen->intervals()->cells()[1]->cellTapped();
    EXPECT_EQ(calls(kOptionsConfigure), 0);

    screen->intervals()->cells()[2]->cellTapped();
    ASSERT_EQ(calls(kOptionsConfigure), 1);
    EXPECT_EQ(profile()->accountEmailSetting(), ZVEmailInterval::Never);
    EXPECT_EQ(emulator.lastRequest(kOptionsConfigure)->body.value(u"email_interval"_s).toString(),
              ZVEmailInterval::wordOf(ZVEmailInterval::Never));

    // A change from another device moves the radio group and sends nothing back.
    const QString id = account(shelltest::kAnna);
    emulator.updateAccount(id, [](zvemu::Account& account) {
        account.emailInterval = ZVEmailInterval::wordOf(ZVEmailInterval::Hourly);
    });
    emulator.appendEvent(id, zvemu::contactRecord(*emulator.account(id)));
    ASSERT_TRUE(waitForStreamEnd(session));
    EXPECT_EQ(profile()->accountEmailSetting(), ZVEmailInterval::Hourly);
    EXPECT_EQ(screen->intervals()->checkedIndex(), 0);
    EXPECT_EQ(calls(kOptionsConfigure), 1);

    EXPECT_TRUE(screen->newsletter()->checked());
    screen->newsletter()->cellTapped();
    EXPECT_TRUE(profile()->isNewsletterDisabled());
    ASSERT_EQ(calls(kOptionsConfigure), 2);
    EXPECT_EQ(emulator.lastRequest(kOptionsConfigure)->body.value(u"is_newsletter_disabled"_s),
              QJsonValue(true));
    profile()->setIsNewsletterDisabled(false);
    EXPECT_TRUE(screen->newsletter()->checked());
    EXPECT_EQ(ZVNotificationOptionsViewController::labelOfIndex(1), u"daily"_s);
}

}  // namespace
}  // namespace settingstest
