#include "accounts/settings/ZVSettingsPage.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "accounts/ZVServiceAddresses.h"
#include "accounts/settings/StartUp.h"
#include "accounts/settings/ZVAboutViewController.h"
#include "accounts/settings/ZVAccountProfileViewController.h"
#include "accounts/settings/ZVAccountSettingsViewController.h"
#include "accounts/settings/ZVChangePasswordViewController.h"
#include "accounts/settings/ZVNotificationOptionsViewController.h"
#include "accounts/settings/ZVTechInfoViewController.h"
#include "app/shell/ZVAppURLHandler.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/standins/CookieStorage.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/richtext/ZVRichText.h"

#include <QtNetwork/QNetworkCookie>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

class SettingsPageTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        ZVAppURLHandler::setSystemOpener([this](const QString& url) {
            opened << url;
            return true;
        });
        // The shell's seam: the switcher's "Settings" row opens the page.
        globals().showSettings();
        settle();
        page = std::dynamic_pointer_cast<ZVSettingsPage>(top());
        ASSERT_TRUE(page);
    }
    void TearDown() override {
        // The factories the application registers.
        ZVStartUpSettings();
        ZVAppURLHandler::setSystemOpener(nullptr);
        page.reset();
        SettingsTest::TearDown();
    }
    void select(const QString& title) {
        page->didSelectRow(rowIndex(*page, title));
        settle();
    }
    void pressSignOut() {
        page->signout()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
        settle();
    }

    std::shared_ptr<ZVSettingsPage> page;
    QStringList opened;
};

TEST_F(SettingsPageTest, RowsInThreeGroupsAndASignOutButton) {
    EXPECT_EQ(page->title(), u"Settings"_s);
    EXPECT_EQ(page->session(), session);
    EXPECT_EQ(rowTexts(*page),
              (QStringList{u"# ACCOUNT"_s, u"Your profile="_s, u"Notifications="_s, u"Settings="_s,
                           u"Change password="_s, u"# ZELVO"_s, u"Get support="_s, u"About="_s,
                           u"Rate Zelvo="_s, u"# ADVANCED"_s, u"Technical info="_s,
                           u"Reset local data="_s, u"(cell)"_s}));
    const struct {
        const char* title;
        bool begins;
        bool ends;
        bool disclosure;
    } cases[] = {
        {"Your profile", true, false, true},      {"Notifications", false, false, true},
        {"Settings", false, false, true},         {"Change password", false, true, true},
        {"Get support", true, false, false},      {"About", false, false, false},
        {"Rate Zelvo", false, true, false},       {"Technical info", true, false, true},
        {"Reset local data", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        const auto row = labelRow(*page, QString::fromUtf8(c.title));
        ASSERT_TRUE(row);
        EXPECT_EQ(row->beginsGroup(), c.begins);
        EXPECT_EQ(row->endsGroup(), c.ends);
        EXPECT_EQ(row->detailStyle(), c.disclosure);
    }
    EXPECT_EQ(page->signout()->button()->currentTitle(), u"Sign out"_s);
    // Pushed, the page has no "DONE".
    EXPECT_TRUE(page->navigationItem().rightBarButtonItems().empty());
}

TEST_F(SettingsPageTest, RowsOpenTheirScreensWithTheSession) {
    const struct {
        const char* title;
        std::function<bool(const std::shared_ptr<platform::ViewController>&)> is;
    } cases[] = {
        {"Your profile",
         [this](const auto& s) {
             const auto profile = std::dynamic_pointer_cast<ZVAccountProfileViewController>(s);
             return profile && profile->session() == session;
         }},
        {"Notifications",
         [](const auto& s) {
             return bool(std::dynamic_pointer_cast<ZVNotificationOptionsViewController>(s));
         }},
        {"Settings",
         [](const auto& s) {
             return bool(std::dynamic_pointer_cast<ZVAccountSettingsViewController>(s));
         }},
        {"Change password",
         [](const auto& s) {
             return bool(std::dynamic_pointer_cast<ZVChangePasswordViewController>(s));
         }},
        {"Technical info",
         [](const auto& s) {
             const auto info = std::dynamic_pointer_cast<ZVTechInfoViewController>(s);
             return info && info->session();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        select(QString::fromUtf8(c.title));
        EXPECT_TRUE(c.is(top()));
        navigation()->popToViewController(page.get(), false);
        settle();
    }

    // A registered factory is given the page's session.
    std::shared_ptr<ZVRepositorySession> given;
    ZVSettingsPage::setScreenFactory(ZVSettingsPage::Screen::AccountProfile,
                                     [&](const std::shared_ptr<ZVRepositorySession>& s) {
                                         given = s;
                                         return platform::ViewController::make();
                                     });
    select(u"Your profile"_s);
    EXPECT_NE(top(), page);
    EXPECT_EQ(given, session);
    navigation()->popToViewController(page.get(), false);
    settle();

    // About is presented, not pushed.
    select(u"About"_s);
    EXPECT_TRUE(std::dynamic_pointer_cast<ZVAboutViewController>(page->presentedViewController()));
    EXPECT_EQ(top(), page);
    page->dismissViewController(false);
    settle();

    select(u"Rate Zelvo"_s);
    EXPECT_EQ(opened, QStringList{ZVServiceAddresses::shared().store});
    EXPECT_EQ(top(), page);
}

TEST_F(SettingsPageTest, GetSupportLeavesForTheSupportConversation) {
    account(ZVServiceAddresses::shared().support);
    select(u"Get support"_s);
    EXPECT_NE(top(), page);
    ASSERT_FALSE(pagesOpened.empty());
    // The one-to-one conversation with the support address, made locally for now.
    const auto support = session->newConversation();
    ASSERT_TRUE(support);
    EXPECT_TRUE(support->sortedMembers()->containsEmail(ZVServiceAddresses::shared().support));
    EXPECT_EQ(pagesOpened.back().conversationId, support->conversationId());
}

TEST_F(SettingsPageTest, SignOutNamesTheAccountOnlyBesideAnother) {
    pressSignOut();
    ASSERT_TRUE(card());
    EXPECT_EQ(card()->title(), u"Sign out"_s);
    EXPECT_EQ(card()->message(), u"Are you sure you would like to sign out from Zelvo?"_s);
    ASSERT_TRUE(tapCardButton(u"Cancel"_s));

    // Beside another account the page names its own, in bold: an address holding "&" arrives
    // whole.
    const auto other = signIn(u"ben&co@example.com"_s);
    ASSERT_TRUE(other);
    ASSERT_EQ(api().sessions().size(), 2);
    const auto otherPage = platform::ViewController::make<ZVSettingsPage>(other);
    push(otherPage);
    otherPage->signout()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    settle();
    ASSERT_TRUE(card());
    EXPECT_EQ(
        card()->message(),
        u"Are you sure you would like to sign out from the account <b>ben&amp;co@example.com</b>?"_s);
    EXPECT_TRUE(card()->textLabel()->attributedText().string().contains(u"ben&co@example.com"_s));
    ASSERT_TRUE(tapCardButton(u"Cancel"_s));
    EXPECT_EQ(calls(u"account/logout"_s), 0);
    EXPECT_EQ(api().sessions().size(), 2);
}

TEST_F(SettingsPageTest, ConfirmedSignOutClosesTheConversationDropsCookiesAndLogsOut) {
    const QString open = emulator.addConversation(u"Plans"_s, {account(shelltest::kAnna)});
    emulator.appendEvent(account(shelltest::kAnna), *emulator.conversationRecord(open));
    ASSERT_TRUE(waitForStreamEnd(session));
    globals().setConversationId(open);
    ASSERT_TRUE(waitUntil([&] { return globals().conversationId() == open; }));
    const int resetsBefore = pagesReset;
    // A cookie a page of the service set in the web view.
    QNetworkCookie cookie("visited", "yes");
    cookie.setDomain(api().baseURL().host());
    cookie.setPath(u"/"_s);
    ASSERT_TRUE(platform::CookieStorage::shared()->setCookie(cookie));

    pressSignOut();
    ASSERT_TRUE(tapCardButton(u"Sign out"_s));
    ASSERT_TRUE(waitUntil([&] { return emulator.requestCount(u"account/logout"_s) == 1; }));
    EXPECT_GT(pagesReset, resetsBefore);
    EXPECT_TRUE(globals().conversationId().isEmpty());
    EXPECT_TRUE(platform::CookieStorage::shared()->cookies().isEmpty());
    EXPECT_TRUE(session->hasEnded());
}

TEST_F(SettingsPageTest, ResetAsksThenSignsInAgainWithFreshData) {
    select(u"Reset local data"_s);
    ASSERT_TRUE(card());
    EXPECT_EQ(card()->title(), u"Reset data"_s);
    EXPECT_EQ(
        card()->message(),
        u"This will delete all Zelvo data stored on the device, including downloaded files."_s);
    ASSERT_TRUE(tapCardButton(u"Cancel"_s));
    EXPECT_FALSE(session->hasEnded());
    EXPECT_EQ(top(), page);

    select(u"Reset local data"_s);
    ASSERT_TRUE(tapCardButton(u"Reset"_s));
    EXPECT_TRUE(session->hasEnded());
    EXPECT_EQ(emulator.requestCount(u"account/logout"_s), 0);
    ASSERT_TRUE(waitUntil([&] {
        const auto again = sessionOf(shelltest::kAnna);
        return again && again != session;
    }));
    EXPECT_NE(top(), page);
}

TEST_F(SettingsPageTest, PresentedThePageHasADoneButtonThatClosesIt) {
    navigation()->popViewControllerAnimated(false);
    settle();
    auto presented = platform::ViewController::make<ZVSettingsPage>(session);
    auto stack = std::make_shared<platform::NavigationController>(presented);
    top()->presentViewController(stack, false);
    settle();
    const auto& items = presented->navigationItem().rightBarButtonItems();
    ASSERT_EQ(items.size(), 1u);
    const auto done = std::dynamic_pointer_cast<platform::Button>(items.front()->customView());
    ASSERT_TRUE(done);
    EXPECT_EQ(done->currentTitle(), u"DONE"_s);
    done->sendActionsForEvents(platform::Control::TouchUpInside);
    settle();
    EXPECT_FALSE(top()->presentedViewController());
}

}  // namespace
}  // namespace settingstest
