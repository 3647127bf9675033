#include "tests/app/ShellTestSupport.h"

#include "MessageFlow/pages/ZVTasksViewController.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiDispatcher.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kTasksId = u"5d1f0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c11"_s;

// A board that writes down what the page set on it and asked of it.
class FakeBoard : public ZVMessageBoard {
public:
    explicit FakeBoard(std::shared_ptr<Conversation> conversation)
        : conversation_(std::move(conversation)) {}
    std::shared_ptr<Conversation> conversation() const override { return conversation_; }
    void setMessageGrouping(int value) override { grouping = value; }
    void setListStyle(bool value) override { listStyle = value; }
    void setEmptyText(const QString& text) override { emptyText = text; }
    void setCreateNewText(const QString& text) override { createNewText = text; }
    void setNewMessageModifier(int value) override { modifier = value; }
    QString searchText() const override { return search; }
    void updateSource() override { ++sourceUpdates; }
    void notifyCellHeightChange(bool animated) override {
        ++heightNotices;
        lastAnimated = animated;
    }

    int grouping = 0;
    bool listStyle = false;
    QString emptyText;
    QString createNewText;
    int modifier = 0;
    QString search;
    int sourceUpdates = 0;
    int heightNotices = 0;
    bool lastAnimated = true;

private:
    std::shared_ptr<Conversation> conversation_;
};

// Fox's conversation at the loopback service with two tasks, a separator and a task under it.
class TasksBoard : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        launch();
        session_ = signIn(u"fox@example.com"_s);
        ASSERT_TRUE(session_);
        const QString self = session_->sessionId();
        zvemu::Fixture fixture;
        fixture.ownerId = self;
        fixture.conversations = {{{u"mk_rec_type"_s, u"conv"_s},
                                  {u"conversation_id"_s, kTasksId},
                                  {u"topic"_s, u"Launch"_s},
                                  {u"members"_s, QJsonArray{self}},
                                  {u"can_post"_s, true},
                                  {u"last_message_nr"_s, 4}}};
        const auto task = [&](int nr, const QString& type, const QString& text) {
            return QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                               {u"conversation_id"_s, kTasksId},
                               {u"message_nr"_s, nr},
                               {u"account_id"_s, self},
                               {u"mk_message_type"_s, type},
                               {u"message"_s, u"<msg>%1</msg>"_s.arg(text)},
                               {u"tags"_s, QJsonArray{u"is_todo"_s}}};
        };
        fixture.messages = {
            task(1, u"text"_s, u"Write the plan"_s), task(2, u"text"_s, u"Book the room"_s),
            task(3, u"separator"_s, u"Later"_s), task(4, u"text"_s, u"Order cake"_s)};
        service.seed(self, fixture);
        ASSERT_TRUE(waitForStreamEnd(session_));
        conversation_ = session_->conversationFromId(kTasksId);
        ASSERT_TRUE(conversation_);
        board_ = std::make_shared<FakeBoard>(conversation_);
        page_ = std::make_unique<ZVTasksViewController>(board_);
    }
    void TearDown() override {
        page_.reset();
        board_.reset();
        conversation_.reset();
        session_.reset();
        ShellTest::TearDown();
    }
    std::vector<std::int64_t> listed() const {
        std::vector<std::int64_t> numbers;
        for (const auto& message : page_->messageSource()->messages()) {
            numbers.push_back(message->messageNr());
        }
        return numbers;
    }

    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<Conversation> conversation_;
    std::shared_ptr<FakeBoard> board_;
    std::unique_ptr<ZVTasksViewController> page_;
};

// The board is set up as a task list whose editor posts tasks; its texts follow the user's right
// to post.
TEST_F(TasksBoard, TheBoardIsATaskList) {
    EXPECT_EQ(board_->grouping, 4);
    EXPECT_TRUE(board_->listStyle);
    EXPECT_EQ(board_->modifier, 3);
    EXPECT_EQ(board_->emptyText, u"This conversation has no tasks yet."_s);
    EXPECT_EQ(board_->createNewText, u"Create a new task"_s);
    EXPECT_EQ(page_->observeProps(),
              (QStringList{u"visibleTasks"_s, u"isLoading"_s, u"can_post"_s}));
    conversation_->setCanPost(false);
    EXPECT_TRUE(page_->createNewText().isEmpty());
}

// Before the first load there may be older tasks; asking for them sends the service a task load,
// whose answer brings the tasks the device lacked (open or done, no other messages) and ends the
// list, leaving none to offer.
TEST_F(TasksBoard, MoreIsOfferedUntilTheServiceSaysThereIsNone) {
    const QString self = session_->sessionId();
    const auto held = [&](int nr, const QJsonArray& tags) {
        return QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                           {u"conversation_id"_s, kTasksId},
                           {u"message_nr"_s, nr},
                           {u"account_id"_s, self},
                           {u"mk_message_type"_s, u"text"_s},
                           {u"message"_s, u"<msg>Held %1</msg>"_s.arg(nr)},
                           {u"tags"_s, tags}};
    };
    zvemu::Fixture unsent;
    unsent.messages = {held(5, {u"is_done"_s}), held(6, {}), held(7, {u"is_todo"_s})};
    service.seedUnstreamed(self, unsent);
    ASSERT_FALSE(conversation_->taskHorizon().has_value());
    EXPECT_TRUE(page_->canLoadMore());
    const QString path = u"conversation/sync/"_s + kTasksId;
    const auto taskLoads = [&] {
        QList<std::int64_t> from;
        for (const auto& request : emulator.requests(path)) {
            if (request.body.value(u"mk_direction"_s).toString() == u"ic_tasks"_s) {
                from.append(request.body.value(u"from_message_nr"_s).toInteger(-1));
            }
        }
        return from;
    };
    page_->loadMore();
    EXPECT_TRUE(conversation_->isLoading());
    // The session sends what it queued a moment later.
    scheduler().advance(ZVApiDispatcher::kQueueSendDelay);
    ASSERT_TRUE(scheduler().runUntil(
        [&] { return !taskLoads().isEmpty() && !conversation_->isLoading(); }));
    // A conversation never loaded asks from the start.
    EXPECT_EQ(taskLoads(), QList<std::int64_t>{0});
    EXPECT_EQ(conversation_->taskHorizon(), 0);
    EXPECT_FALSE(page_->canLoadMore());
    const auto& tasks = *conversation_->tasks();
    EXPECT_TRUE(tasks.messageByNr(5));
    EXPECT_TRUE(tasks.messageByNr(7));
    EXPECT_FALSE(session_->messageFromKey(kTasksId, 6));
}

// Tapping the separator folds the tasks under it; tapping it again brings the list back. Other
// rows only ask for a new height. A search lists every task.
TEST_F(TasksBoard, TheSeparatorFoldsAndUnfolds) {
    const std::vector<std::int64_t> first = listed();
    ASSERT_EQ(first.size(), 4u);
    const auto separator = conversation_->tasks()->messageByNr(3);
    ASSERT_TRUE(separator);
    const int updates = board_->sourceUpdates;

    page_->didSelectMessage(separator);
    page_->didObserveChange(u"visibleTasks"_s);
    EXPECT_GT(board_->sourceUpdates, updates);
    const std::vector<std::int64_t> folded = listed();
    EXPECT_NE(folded, first);
    EXPECT_EQ(std::count(folded.begin(), folded.end(), 4), 0);

    board_->search = u"cake"_s;
    EXPECT_EQ(page_->messageSource(), conversation_->tasks());
    board_->search.clear();

    page_->didSelectMessage(separator);
    EXPECT_EQ(listed(), first);
    EXPECT_EQ(board_->heightNotices, 0);

    page_->didSelectMessage(conversation_->tasks()->messageByNr(1));
    EXPECT_EQ(board_->heightNotices, 1);
    EXPECT_FALSE(board_->lastAnimated);
    // Other keys are the board's business.
    const int before = board_->sourceUpdates;
    page_->didObserveChange(u"isLoading"_s);
    EXPECT_EQ(board_->sourceUpdates, before);
}

}  // namespace
