#include "accounts/settings/ZVRequestsViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/markup/XMLEncoding.h"
#include "accounts/settings/ZVErrorLogViewController.h"
#include "accounts/settings/ZVRequestCell.h"

#include <QtCore/QJsonObject>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

class ApiStatusTest : public SettingsTest {
protected:
    std::shared_ptr<ZVRequestsViewController> open() {
        auto screen = platform::ViewController::make<ZVRequestsViewController>();
        push(screen);
        return screen;
    }
    static std::shared_ptr<ZVRequestCell> rowOf(ZVRequestsViewController& screen,
                                                const std::shared_ptr<ZVApiRequest>& request) {
        for (int i = 0; i < screen.count(); ++i) {
            const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&screen[i]);
            if (const auto row = cell ? std::dynamic_pointer_cast<ZVRequestCell>(*cell) : nullptr;
                row && row->request() == request) {
                return row;
            }
        }
        return nullptr;
    }
};

TEST_F(ApiStatusTest, SectionsFollowTheClientAndTheElapsedTimeTicksWithoutARebuild) {
    const auto screen = open();
    QStringList rows = rowTexts(*screen);
    // The account's waiting poll is in flight; the sign-in and the first answers are done.
    ASSERT_TRUE(rows.contains(u"# PENDING REQUESTS"_s)) << rows.join(u" | ").toStdString();
    EXPECT_TRUE(rows.contains(u"# RECENT REQUESTS"_s));
    EXPECT_FALSE(rows.contains(u"# QUEUED REQUESTS"_s));
    EXPECT_FALSE(rows.contains(u"# UPLOADS"_s));
    const auto polls = api().requestsWithTag(ZVApiRequest::TagLongPoll, nullptr);
    ASSERT_EQ(polls.size(), 1u);
    const auto poll = rowOf(*screen, polls.front());
    ASSERT_TRUE(poll);
    EXPECT_EQ(poll->labelText(), u"account/poll"_s);
    EXPECT_TRUE(poll->beginsGroup());

    const int built = screen->rebuildCount();
    const QString before = poll->detailText();
    scheduler().advance(3 * ZVRequestsViewController::kRefreshInterval);
    EXPECT_EQ(poll->detailText(), polls.front()->statusText());
    EXPECT_NE(poll->detailText(), before);
    EXPECT_EQ(screen->rebuildCount(), built);

    // A new request in flight rebuilds at once.
    session->setMyDisplayName(u"Anna K"_s);
    EXPECT_GT(screen->rebuildCount(), built);

    // Off screen: no timer, no rebuilds.
    push(platform::ViewController::make<ZVDialogCells>());
    EXPECT_FALSE(screen->isRefreshing());
    const int hidden = screen->rebuildCount();
    session->setMyPhoneNumber(u"+15550100"_s);
    scheduler().advance(2);
    EXPECT_EQ(screen->rebuildCount(), hidden);
}

TEST_F(ApiStatusTest, ALongDescriptionIsCutOnTheCardAndLoggedWhole) {
    const QString longText(1500, u'x');
    auto request = std::make_shared<ZVApiRequest>(
        u"contact/sync/all"_s, QJsonObject{{u"search_text"_s, longText + u"<&>"_s}});
    session->sendRequest(request);
    ASSERT_TRUE(scheduler().runUntil([&] { return request->httpStatus() != 0; }));
    const auto screen = open();
    const auto row = rowOf(*screen, request);
    ASSERT_TRUE(row);
    const QString description = request->description();
    ASSERT_GT(description.size(), ZVRequestsViewController::kDescriptionLimit);

    screen->didSelectRow(rowOfCell(*screen, row));
    ASSERT_TRUE(card());
    EXPECT_EQ(card()->title(), u"Request"_s);
    EXPECT_EQ(card()->message(), xmlEncoded(description.left(1024)));
    EXPECT_FALSE(ZVErrorLogViewController::logText().contains(description));
    ASSERT_TRUE(tapCardButton(u"Log"_s));
    EXPECT_TRUE(ZVErrorLogViewController::logText().contains(description));
}

// Signed out, the client has nothing to list.
class ApiStatusSignedOutTest : public shelltest::ShellTest {};

TEST_F(ApiStatusSignedOutTest, NothingPendingQueuedTransferringOrRecentShowsNothing) {
    launch();
    const auto screen = platform::ViewController::make<ZVRequestsViewController>();
    screen->viewWillAppear(false);
    EXPECT_EQ(screen->count(), 0);
    EXPECT_EQ(screen->numberOfRows(), 0);
}

}  // namespace
}  // namespace settingstest
