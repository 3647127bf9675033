#include "app/inbox/menus/ZVSessionMenu.h"

#include "tests/app/ShellTestSupport.h"

#include "ZelvoKit/model/Contact.h"
#include "app/inbox/menus/ZVSessionMenuItem.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/view/Window.h"
#include "tests/app/inbox/InboxTestSupport.h"
#include "toolkit/widgets/ZVUnreadBadge.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::TouchPhase;

const QString kBen = u"ben@example.com"_s;

class SessionMenuTest : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVAppServices& services = ZVAppServices::shared();
        services.makeLoginSecondary = [this] {
            ++secondarySignIns;
            return std::make_shared<platform::ViewController>();
        };
        services.makeSettingsPage = [this](const std::shared_ptr<ZVRepositorySession>& session) {
            settingsFor.push_back(session);
            return std::make_shared<platform::ViewController>();
        };
    }

    std::shared_ptr<ZVSessionMenu> menu() {
        return std::dynamic_pointer_cast<ZVSessionMenu>(globals().sessionMenu());
    }
    std::vector<std::shared_ptr<ZVSessionMenuItem>> accountRows() {
        std::vector<std::shared_ptr<ZVSessionMenuItem>> rows;
        for (const auto& item : menu()->items()) {
            if (auto row = std::dynamic_pointer_cast<ZVSessionMenuItem>(item)) {
                rows.push_back(row);
            }
        }
        return rows;
    }
    // The menu on the window as it opens, laid out for a phone's height.
    void open() {
        const auto shown = menu();
        globals().window()->addSubview(shown);
        shown->setFrame(QRectF(0, 0, ZVSessionMenu::kWidth, 667));
        shown->menuWillShow();
        shown->layoutIfNeeded();
    }
    // A finger taps the row.
    void tap(const platform::View& row) {
        const QPointF at = row.convertPointTo(row.bounds().center(), nullptr);
        globals().window()->sendTouch(1, TouchPhase::Began, at);
        globals().window()->sendTouch(1, TouchPhase::Ended, at);
    }
    // An unread label and one unread conversation in it, by the service's stream.
    void giveUnread(const QString& email) {
        const QString owner = account(email);
        const QString conversation = emulator.addConversation(u"News"_s, {owner});
        QJsonObject record = *emulator.conversationRecord(conversation);
        record.insert(u"is_init"_s, true);
        record.insert(u"show_message_nr"_s, 1);
        record.insert(u"last_message_nr"_s, 1);
        record.insert(u"unread_count"_s, 1);
        emulator.appendEvents(
            owner, {inboxtest::labelRecord(u"unread"_s, u"Unread"_s, u"unread"_s, 0), record});
    }

    int secondarySignIns = 0;
    std::vector<std::shared_ptr<ZVRepositorySession>> settingsFor;
};

// A row per account in the order they signed in, each once; an ended account's row goes and the
// row of an account never listed is not looked for.
TEST_F(SessionMenuTest, AccountRowsFollowTheSessionsOnce) {
    launch();
    ASSERT_TRUE(menu());
    const auto anna = signIn(shelltest::kAnna);
    const auto ben = signIn(kBen);
    ASSERT_TRUE(anna && ben);
    menu()->notifySessionStart(anna);
    auto rows = accountRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->session(), anna);
    EXPECT_EQ(rows[1]->session(), ben);
    EXPECT_EQ(menu()->items()[0], menu()->addNewButton());
    EXPECT_EQ(menu()->items()[1], menu()->settingsButton());
    EXPECT_EQ(menu()->addNewButton()->title(), u"Sign in to another account"_s);
    EXPECT_EQ(menu()->settingsButton()->title(), u"Settings"_s);

    ASSERT_TRUE(waitForStreamEnd(anna));
    EXPECT_EQ(rows[0]->name()->text(), anna->localContact()->displayName());
    EXPECT_EQ(rows[0]->email()->text(), shelltest::kAnna);

    const std::weak_ptr<ZVSessionMenuItem> benRow = rows[1];
    rows.clear();
    ben->endSession(ZVApiSession::EndReason::Logout);
    rows = accountRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->session(), anna);
    EXPECT_EQ(benRow.lock(), nullptr) << "the menu let the row go";
    menu()->notifySessionEnd(ben);
    EXPECT_EQ(accountRows().size(), 1u);
}

// Opening marks the active account alone and clears the selection; the fixed rows sit at the
// bottom; the texts take the badge's room only while there is a count.
TEST_F(SessionMenuTest, OpeningMarksTheActiveAccountAndLaysOutTheRows) {
    launch();
    const auto anna = signIn(shelltest::kAnna);
    const auto ben = signIn(kBen);
    ASSERT_TRUE(anna && ben);
    ASSERT_TRUE(waitForStreamEnd(anna));
    giveUnread(shelltest::kAnna);
    ASSERT_TRUE(waitForStreamEnd(anna));
    ASSERT_EQ(anna->unreadCount(), 1);

    menu()->setSelectedItemIndex(2);
    open();
    EXPECT_EQ(menu()->selectedItemIndex(), ZVVerticalMenu::kNotFound);
    const auto rows = accountRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0]->isActive());
    ASSERT_TRUE(rows[1]->isActive());
    EXPECT_EQ(rows[1]->activeIndicator()->frame(),
              QRectF(-2, 17, 6, rows[1]->bounds().height() - 34));

    const qreal width = ZVSessionMenu::kWidth;
    EXPECT_EQ(menu()->settingsButton()->frame(), QRectF(0, 667 - 70, width, 70));
    EXPECT_EQ(menu()->addNewButton()->frame(), QRectF(0, 667 - 140, width, 70));
    EXPECT_EQ(rows[0]->frame().top(), 70);

    // Anna's count shows its badge, Ben's texts run to the inset.
    EXPECT_EQ(rows[0]->badge()->number(), 1);
    EXPECT_FALSE(rows[0]->badge()->isHidden());
    EXPECT_LE(rows[0]->name()->frame().right(), rows[0]->badge()->frame().left() - 5);
    EXPECT_TRUE(rows[1]->badge()->isHidden());
    EXPECT_EQ(rows[1]->name()->frame().right(), width - 20);
    EXPECT_EQ(rows[1]->email()->frame().right(), width - 20);

    // Switching marks the other account at the next opening.
    api().setActiveSession(anna);
    open();
    EXPECT_TRUE(rows[0]->isActive());
    EXPECT_FALSE(rows[1]->isActive());
    EXPECT_EQ(rows[1]->activeIndicator(), nullptr);
}

// The coordinator acts on a tapped row: another sign-in a tenth of a second later, the settings
// of the active account, or an account made the active one.
TEST_F(SessionMenuTest, ACoordinatorActsOnTheChosenRow) {
    launch();
    const auto anna = signIn(shelltest::kAnna);
    const auto ben = signIn(kBen);
    ASSERT_TRUE(anna && ben);

    open();
    tap(*menu()->addNewButton());
    EXPECT_EQ(secondarySignIns, 0);
    scheduler().advance(ZVGlobals::kDeferredChangeDelay + 0.01);
    EXPECT_EQ(secondarySignIns, 1);

    open();
    tap(*menu()->settingsButton());
    ASSERT_EQ(settingsFor.size(), 1u);
    EXPECT_EQ(settingsFor[0], ben);

    open();
    tap(*accountRows()[0]);
    EXPECT_EQ(globals().session(), anna);
    EXPECT_EQ(api().activeSession(), anna);

    // Choosing the same row again is noticed: the opening cleared the selection.
    api().setActiveSession(ben);
    open();
    tap(*accountRows()[0]);
    EXPECT_EQ(globals().session(), anna);
}

}  // namespace
