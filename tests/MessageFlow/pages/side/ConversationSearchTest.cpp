#include "tests/MessageFlow/pages/PagesTestSupport.h"

#include "MessageFlow/pages/ZVConversationPageRegistry.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/side/ZVConversationSearchViewController.h"
#include "MessageFlow/pages/side/ZVMatchingMessageCell.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/view/Window.h"
#include "tests/app/ShellTestSupport.h"
#include "toolkit/widgets/ZVSearchBar.h"
#include "toolkit/widgets/ZVSearchHintView.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace shelltest {
namespace {

using pagestest::RowsScreen;
using pagestest::SidePage;

// Longer than any navigation animation.
constexpr double kSearchSettle = 1.0;

// The application on the loopback service with the real pages and search page, and fake messages
// and pins pages that note what they are asked to show.
class ConversationSearch : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ZVAppServices::shared().makeConversationPages = &ZVConversationPageSet::make;
        auto& registry = ZVConversationPageRegistry::shared();
        registry.pages[ZVConversationPageSet::MessagesPage] =
            [this](const std::shared_ptr<Conversation>& conversation, int) {
                conversation->loadMessages();
                auto screen = std::make_shared<RowsScreen>(50);
                messages = screen;
                return screen;
            };
        registry.pages[ZVConversationPageSet::SearchPage] =
            [this](const std::shared_ptr<Conversation>& conversation, int page) {
                auto screen = ZVConversationSearchViewController::create(conversation, page);
                search = screen;
                return screen;
            };
        registry.pages[ZVConversationPageSet::PinsPage] = [this](const auto&, int index) {
            auto screen = std::make_shared<SidePage>(index);
            pins = screen;
            return screen;
        };
        platform::Application::shared().setUserInterfaceIdiom(platform::UserInterfaceIdiom::Phone);
        launch();
        session = signIn(kAnna);
        ASSERT_TRUE(session);
        ASSERT_TRUE(waitForStreamEnd(session));
        id = emulator.addConversation(u"Launch"_s, {account(kAnna)});
        // The messages reach the client through the stream alone; loads are refused.
        emulator.injectFault(u"conversation/sync/"_s + id,
                             zvemu::Fault::withStatus(404, u"unknown_method"_s), 1000);
        emulator.appendEvent(account(kAnna), *emulator.conversationRecord(id));
        for (qint64 nr = 1; nr <= 3; ++nr) {
            emulator.appendEvent(account(kAnna),
                                 {{u"mk_rec_type"_s, u"message"_s},
                                  {u"conversation_id"_s, id},
                                  {u"message_nr"_s, nr},
                                  {u"account_id"_s, account(kAnna)},
                                  {u"mk_message_type"_s, u"text"_s},
                                  {u"message"_s, u"<msg>Plan %1</msg>"_s.arg(nr)},
                                  {u"tags"_s, nr == 2 ? QJsonArray{u"pin"_s} : QJsonArray{}}});
        }
        ASSERT_TRUE(waitForStreamEnd(session));
        conversation = session->conversationFromId(id);
        ASSERT_TRUE(conversation);
        conversation->setSearchText(u"p"_s);
        globals().setConversationId(ZVOpenRequest{id, ZVConversationPageSet::SearchPage, {}}, true);
        scheduler().advance(kSearchSettle);
        ASSERT_TRUE(pages());
        ASSERT_TRUE(page());
        ASSERT_EQ(pages()->activePageIndex(), ZVConversationPageSet::SearchPage);
    }
    void TearDown() override {
        conversation.reset();
        session.reset();
        ZVConversationPageRegistry::reset();
        ShellTest::TearDown();
    }
    // Runs the clock until `done`, waiting in real time while a request is out.
    bool settle(const std::function<bool()>& done) {
        constexpr int kMaxSteps = 600;
        const auto inFlight = [] {
            const auto pending = api().requestsWithTag(0, nullptr);
            return std::any_of(pending.begin(), pending.end(), [](const auto& request) {
                return request->tag() != ZVApiRequest::TagLongPoll;
            });
        };
        for (int step = 0; step < kMaxSteps && !done(); ++step) {
            if (inFlight()) {
                scheduler().runUntil([&] { return done() || !inFlight(); });
            } else {
                scheduler().advance(ZVApi::kQueueSendDelay);
            }
        }
        return done();
    }
    bool waitForAnswered(const QString& path, int count = 1) {
        return settle([&] {
            int answered = 0;
            for (const auto& request : emulator.requests(path)) {
                answered += request.status != 0 ? 1 : 0;
            }
            return answered >= count;
        });
    }
    static ZVConversationPageSet* pages() { return ZVConversationPageSet::conversationPages(); }
    std::shared_ptr<ZVConversationSearchViewController> page() const { return search.lock(); }
    void type(const QString& text) {
        page()->searchBar()->setText(text);
        page()->searchBarTextDidChange(page()->searchBar()->dummySearchBar(), text);
    }
    QStringList searchedWords() const {
        QStringList words;
        for (const auto& request : emulator.requests(u"search"_s)) {
            words.append(request.body.value(u"keywords"_s).toString());
        }
        return words;
    }
    QString hintText() const {
        const auto& hint = page()->hintView();
        return hint ? hint->label()->text() : QString();
    }

    std::shared_ptr<ZVRepositorySession> session;
    QString id;
    std::shared_ptr<Conversation> conversation;
    std::weak_ptr<ZVConversationSearchViewController> search;
    std::weak_ptr<RowsScreen> messages;
    std::weak_ptr<SidePage> pins;
};

// Three keystrokes within a second send one search, for all three letters, a second after the
// last; meanwhile the hint says "Searching", and after a search without matches, that nothing
// was found.
TEST_F(ConversationSearch, ATypingBurstSendsOneSearchAfterThePause) {
    // The page searched its opening text at once, and that search has ended.
    ASSERT_TRUE(waitForAnswered(u"search"_s));
    ASSERT_TRUE(settle([&] { return conversation->searchState() != Conversation::SearchRunning; }));
    const qsizetype opening = emulator.requests(u"search"_s).size();

    type(u"xy"_s);
    EXPECT_EQ(hintText(), u"Searching"_s);
    scheduler().advance(0.5);
    type(u"xyz"_s);
    scheduler().advance(0.5);
    type(u"xyzw"_s);
    scheduler().advance(ZVConversationSearchViewController::kSearchDelay - 0.01);
    // A second has not yet passed since the last keystroke: nothing started.
    EXPECT_TRUE(page()->searchPending());
    EXPECT_NE(conversation->searchState(), Conversation::SearchRunning);
    scheduler().advance(0.01);
    EXPECT_FALSE(page()->searchPending());
    ASSERT_TRUE(waitForAnswered(u"search"_s, int(opening) + 1));
    ASSERT_TRUE(settle([&] { return conversation->searchState() != Conversation::SearchRunning; }));
    EXPECT_EQ(searchedWords().mid(opening), QStringList{u"xyzw"_s});
    EXPECT_EQ(hintText(), u"No results for \"xyzw\""_s);
}

// Results are listed with poster and fragment; a pinned hit is shown on the pins page a moment
// after the pick, another on the messages page; a row the results no longer have does nothing.
TEST_F(ConversationSearch, APickShowsTheMessageWhereItLives) {
    for (const qint64 nr : {1, 2}) {
        conversation->addMatchingMessage(conversation->messageByNumber(nr, true));
    }
    ASSERT_TRUE(settle([&] { return page()->table()->numberOfRowsInSection(0) == 2; }));
    EXPECT_FALSE(page()->hintView());
    const auto table = page()->table();
    const auto cell = std::dynamic_pointer_cast<ZVMatchingMessageCell>(
        page()->tableViewCellForRowAtIndexPath(*table, {0, 0}));
    ASSERT_TRUE(cell);
    EXPECT_FALSE(cell->poster()->text().isEmpty());

    int pinnedRow = -1;
    for (int row = 0; row < 2; ++row) {
        if ((*conversation->searchMatchMessages())[row]->isPinned()) {
            pinnedRow = row;
        }
    }
    ASSERT_GE(pinnedRow, 0);
    page()->tableViewDidSelectRowAtIndexPath(*table, {0, pinnedRow});
    EXPECT_EQ(pages()->activePageIndex(), ZVConversationPageSet::SearchPage);
    scheduler().advance(ZVConversationSearchViewController::kFocusDelay);
    EXPECT_EQ(pages()->activePageIndex(), ZVConversationPageSet::PinsPage);
    ASSERT_TRUE(pins.lock());
    EXPECT_EQ(pins.lock()->focused, std::vector<std::int64_t>{2});

    pages()->setActivePageIndex(ZVConversationPageSet::SearchPage, false);
    scheduler().advance(kSearchSettle);
    page()->tableViewDidSelectRowAtIndexPath(*table, {0, 7});
    scheduler().advance(kSearchSettle);
    EXPECT_EQ(pages()->activePageIndex(), ZVConversationPageSet::SearchPage);
    page()->tableViewDidSelectRowAtIndexPath(*table, {0, 1 - pinnedRow});
    scheduler().advance(kSearchSettle);
    EXPECT_EQ(pages()->activePageIndex(), ZVConversationPageSet::MessagesPage);
    ASSERT_TRUE(messages.lock());
    EXPECT_EQ(messages.lock()->focused, std::vector<std::int64_t>{1});
}

// Cancel empties the search, drops the results and goes back to the messages.
TEST_F(ConversationSearch, CancelReturnsToTheMessages) {
    conversation->addMatchingMessage(conversation->messageByNumber(1, true));
    page()->searchBarCancelButtonClicked(page()->searchBar()->dummySearchBar());
    EXPECT_TRUE(page()->searchBar()->text().isEmpty());
    EXPECT_TRUE(conversation->searchText().isNull());
    EXPECT_FALSE(conversation->searchMatchMessages());
    scheduler().advance(kSearchSettle);
    EXPECT_EQ(pages()->activePageIndex(), ZVConversationPageSet::MessagesPage);
    EXPECT_EQ(page()->table()->numberOfRowsInSection(0), 0);
}

// A pause outlived by its page searches nothing.
TEST_F(ConversationSearch, APauseDiesWithItsPage) {
    ASSERT_TRUE(waitForAnswered(u"search"_s));
    auto orphan = ZVConversationSearchViewController::create(conversation, 1);
    ASSERT_TRUE(settle([&] { return conversation->searchState() != Conversation::SearchRunning; }));
    orphan->searchBar()->setText(u"later"_s);
    orphan->searchBarTextDidChange(orphan->searchBar()->dummySearchBar(), u"later"_s);
    orphan.reset();
    scheduler().advance(ZVConversationSearchViewController::kSearchDelay);
    EXPECT_NE(conversation->searchState(), Conversation::SearchRunning);
    EXPECT_FALSE(searchedWords().contains(u"later"_s));
}

// On a phone the rows make room for the keyboard, and get it back when it has gone; the keyboard
// closes once scrolling rests with the search bar out of sight.
TEST_F(ConversationSearch, TheKeyboardMakesRoomAndLeavesWithTheBar) {
    constexpr qreal kKeyboard = 260;
    const auto screen = page();
    const QRectF bounds = screen->view()->bounds();
    screen->keyboardWillShow(platform::Notification{
        QString(platform::Keyboard::WillShowNotification),
        nullptr,
        {},
        {{QString(platform::Keyboard::FrameEndUserInfoKey),
          screen->view()->convertRectTo(
              QRectF(0, bounds.height() - kKeyboard, bounds.width(), kKeyboard), nullptr)}}});
    scheduler().advance(kSearchSettle);
    EXPECT_EQ(screen->table()->contentInset().bottom, kKeyboard);
    screen->keyboardDidHide(
        platform::Notification{QString(platform::Keyboard::DidHideNotification), nullptr, {}, {}});
    EXPECT_EQ(screen->table()->contentInset().bottom, 0);

    for (qint64 nr = 1; nr <= 3; ++nr) {
        conversation->addMatchingMessage(conversation->messageByNumber(nr, true));
    }
    ASSERT_TRUE(settle([&] { return screen->table()->numberOfRowsInSection(0) == 3; }));
    ASSERT_TRUE(screen->searchBar()->becomeFirstResponder());
    screen->scrollViewDidEndDragging(*screen->table(), false);
    EXPECT_TRUE(screen->searchBar()->isFirstResponder());
    screen->table()->setContentOffset(QPointF(0, screen->searchBar()->frame().height()));
    screen->scrollViewDidEndDecelerating(*screen->table());
    EXPECT_FALSE(screen->searchBar()->isFirstResponder());
}

}  // namespace
}  // namespace shelltest
