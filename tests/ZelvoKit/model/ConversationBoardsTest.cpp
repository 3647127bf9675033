#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVFileArray.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/model/ZVMessageRepresentation.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;
using Load = ZVConversationLoadRequest;

const QString kId = u"8e2d4c6a-1b3f-4a5e-9c7d-2f4e6a8c0b1d"_s;
const QString kPosterId = u"3c5e7a9b-2d4f-4b6a-8c0e-1f3a5c7e9b2d"_s;
constexpr qint64 kLastBoardMessage = 40;

QJsonObject conversationRecord(QJsonObject fields) {
    fields.insert(u"conversation_id"_s, kId);
    fields.insert(u"is_init"_s, true);
    fields.insert(u"join_message_nr"_s, 1);
    fields.insert(u"bw_message_nr"_s, 1);
    fields.insert(u"fw_message_nr"_s, kLastBoardMessage);
    fields.insert(u"last_message_nr"_s, kLastBoardMessage);
    fields.insert(u"show_message_nr"_s, kLastBoardMessage);
    fields.insert(u"inbox_message_nr"_s, kLastBoardMessage);
    return streamRecord(u"conv"_s, fields);
}

// A message of the conversation: its kind, its tag words and, when above 0, its pin weight.
QJsonObject messageRecord(qint64 nr, const QString& type, const QStringList& tags,
                          double weight = 0) {
    QJsonObject fields{{u"conversation_id"_s, kId},
                       {u"message_nr"_s, nr},
                       {u"account_id"_s, kPosterId},
                       {u"mk_message_type"_s, type},
                       {u"message"_s, u"<msg>m%1</msg>"_s.arg(nr)},
                       {u"tags"_s, QJsonArray::fromStringList(tags)}};
    if (weight > 0) {
        fields.insert(u"pin_weight"_s, weight);
    }
    return streamRecord(u"message"_s, fields);
}

// The plain messages that fill the rest of the conversation.
QList<QJsonObject> plainMessages(const QList<qint64>& taken) {
    QList<QJsonObject> records;
    for (qint64 nr = 1; nr <= kLastBoardMessage; ++nr) {
        if (!taken.contains(nr)) {
            records.append(messageRecord(nr, u"text"_s, {}));
        }
    }
    return records;
}

std::vector<std::int64_t> numbersOf(const ZVMessageArray& array) {
    std::vector<std::int64_t> numbers;
    for (const auto& message : array) {
        numbers.push_back(message->messageNr());
    }
    return numbers;
}

class ConversationBoardsTest : public modeltest::SignedInTest {
protected:
    std::shared_ptr<Conversation> conversation() { return session_->conversations().value(kId); }
    void apply(const QList<QJsonObject>& records) {
        const ZVErrorPtr error = applyLocally(session_, records);
        ASSERT_EQ(error, nullptr) << error->description().toStdString();
    }
    // The conversation with these messages and plain ones around them.
    void seed(const QJsonObject& conversation, const QList<QJsonObject>& messages) {
        QList<qint64> taken;
        for (const QJsonObject& record : messages) {
            taken.append(record.value(u"message_nr"_s).toInteger());
        }
        apply(QList<QJsonObject>{conversation} + messages + plainMessages(taken));
    }
};

// The task board of a conversation with a task archive:
//   10 separator A, 11 text task, 12 text task done, 13 file task, 14 separator B, 15 text task,
//   16 deleted task, then archived: 20 text task, 21 separator, 22 text task.
TEST_F(ConversationBoardsTest, CollapsedSeparatorsAndArchiveHideTheirTasks) {
    seed(conversationRecord({{u"has_task_archive"_s, true}}),
         {messageRecord(10, u"separator"_s, {u"is_todo"_s}, 900),
          messageRecord(11, u"text"_s, {u"is_todo"_s}, 800),
          messageRecord(12, u"text"_s, {u"is_done"_s}, 700),
          messageRecord(13, u"file"_s, {u"is_todo"_s}, 650),
          messageRecord(14, u"separator"_s, {u"is_todo"_s}, 600),
          messageRecord(15, u"text"_s, {u"is_todo"_s}, 500),
          messageRecord(16, u"text"_s, {u"is_todo"_s, u"is_deleted"_s}, 450),
          messageRecord(20, u"text"_s, {u"is_todo"_s, u"is_archived"_s}, 300),
          messageRecord(21, u"separator"_s, {u"is_todo"_s, u"is_archived"_s}, 250),
          messageRecord(22, u"text"_s, {u"is_todo"_s, u"is_archived"_s}, 200)});
    const auto made = conversation();
    made->loadTaskArchive();
    ASSERT_EQ(numbersOf(*made->tasks()),
              (std::vector<std::int64_t>{10, 11, 12, 13, 14, 15, 16, 20, 21, 22}));
    const auto header = made->createTaskArchiveHeader();
    ASSERT_TRUE(header);
    EXPECT_EQ(header, made->createTaskArchiveHeader()) << "one header per board";
    EXPECT_TRUE(header->isArchived());
    EXPECT_TRUE(header->isOfType(Message::TypeSeparator));
    EXPECT_EQ(header->messageNr(), 0);

    struct Case {
        const char* name;
        bool aExpanded;
        bool bExpanded;
        bool archiveExpanded;
        std::vector<std::int64_t> rows;
    };
    // The header (number 0) leads the archived rows. Under a collapsed separator only text
    // tasks hide; the archived separator does not collapse its tasks once the archive is open.
    const Case cases[] = {
        {"all open", true, true, true, {10, 11, 12, 13, 14, 15, 0, 20, 21, 22}},
        {"A collapsed", false, true, true, {10, 13, 14, 15, 0, 20, 21, 22}},
        {"B collapsed", true, false, true, {10, 11, 12, 13, 14, 0, 20, 21, 22}},
        {"archive collapsed", true, true, false, {10, 11, 12, 13, 14, 15, 0}},
        {"all collapsed", false, false, false, {10, 13, 14, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        made->tasks()->messageByNr(10)->representation()->setExpanded(c.aExpanded);
        made->tasks()->messageByNr(14)->representation()->setExpanded(c.bExpanded);
        made->tasks()->messageByNr(21)->representation()->setExpanded(false);
        header->representation()->setExpanded(c.archiveExpanded);
        made->resetVisibleTasks();
        EXPECT_EQ(numbersOf(*made->visibleTasks()), c.rows);
    }
}

// A display model that keeps its own expanded state, open unless told otherwise.
class OpenByDefaultRepresentation : public ZVMessageRepresentation {
public:
    using ZVMessageRepresentation::ZVMessageRepresentation;
    bool expanded() const override { return !collapsed_; }
    void setExpanded(bool expanded) override { collapsed_ = !expanded; }

private:
    bool collapsed_ = false;
};

TEST_F(ConversationBoardsTest, TheBoardReadsTheStateOfTheDisplayModelInUse) {
    Message::setRepresentationClass([](const std::shared_ptr<Message>& message) {
        return std::make_shared<OpenByDefaultRepresentation>(message);
    });
    seed(conversationRecord({{u"has_task_archive"_s, true}}),
         {messageRecord(10, u"separator"_s, {u"is_todo"_s}, 900),
          messageRecord(11, u"text"_s, {u"is_todo"_s}, 800),
          messageRecord(20, u"text"_s, {u"is_todo"_s, u"is_archived"_s}, 300)});
    const auto made = conversation();
    made->loadTaskArchive();
    EXPECT_EQ(numbersOf(*made->visibleTasks()), (std::vector<std::int64_t>{10, 11, 0, 20}));
    made->tasks()->messageByNr(10)->representation()->setExpanded(false);
    made->resetVisibleTasks();
    EXPECT_EQ(numbersOf(*made->visibleTasks()), (std::vector<std::int64_t>{10, 0, 20}));
    Message::setRepresentationClass(nullptr);
}

TEST_F(ConversationBoardsTest, TheArchiveIsReadWithItsFlagAndAskedWhenTheStoreHasNone) {
    struct Case {
        const char* name;
        bool hasArchive;
        bool archivedStored;
        bool listsArchived;
        std::optional<int> asked;
    };
    const Case cases[] = {
        {"no archive", false, true, false, std::nullopt},
        {"archive in the store", true, true, true, std::nullopt},
        {"archive only on the service", true, false, false, Load::Tasks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<QJsonObject> tasks{messageRecord(5, u"text"_s, {u"is_todo"_s}, 10)};
        if (c.archivedStored) {
            tasks.append(messageRecord(6, u"text"_s, {u"is_todo"_s, u"is_archived"_s}, 5));
        }
        seed(conversationRecord({{u"has_task_archive"_s, c.hasArchive}}), tasks);
        const auto made = conversation();
        made->releaseMessages();
        made->clearLoadRequest();
        EXPECT_EQ(numbersOf(*made->tasks()), std::vector<std::int64_t>{5});
        made->loadTaskArchive();
        EXPECT_EQ(made->tasks()->lastMessage()->isArchived(), c.listsArchived);
        EXPECT_EQ(
            made->loadRequest() ? std::optional<int>(made->loadRequest()->type()) : std::nullopt,
            c.asked);
        // The header row is there exactly when the conversation has an archive.
        EXPECT_EQ(made->visibleTasks()->messageByNr(0) != nullptr, c.hasArchive);
    }
}

TEST_F(ConversationBoardsTest, MoreIsAskedOnlyWhileTheServiceHasMore) {
    struct Case {
        const char* name;
        qint64 fileHorizon;
        qint64 pinHorizon;
        void (Conversation::*loadMore)();
        std::optional<int> asked;
    };
    const Case cases[] = {
        {"files left", 12, 0, &Conversation::loadMoreFiles, Load::Files},
        {"all files", 0, 7, &Conversation::loadMoreFiles, std::nullopt},
        {"pins left", 0, 7, &Conversation::loadMorePins, Load::Pins},
        {"all pins", 12, 0, &Conversation::loadMorePins, std::nullopt},
        {"tasks are always asked", 0, 0, &Conversation::loadMoreTasks, Load::Tasks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        apply({conversationRecord(
            {{u"file_horizon"_s, c.fileHorizon}, {u"pin_horizon"_s, c.pinHorizon}})});
        const auto made = conversation();
        made->clearLoadRequest();
        (made.get()->*c.loadMore)();
        EXPECT_EQ(
            made->loadRequest() ? std::optional<int>(made->loadRequest()->type()) : std::nullopt,
            c.asked);
    }
}

TEST_F(ConversationBoardsTest, ThePinBoardFollowsTheUserAndTheStream) {
    seed(conversationRecord({}),
         {messageRecord(1, u"text"_s, {u"pin"_s}, 5), messageRecord(2, u"text"_s, {u"pin"_s}, 9),
          messageRecord(3, u"text"_s, {u"is_archived"_s}, 7),
          messageRecord(4, u"text"_s, {u"is_todo"_s}, 8)});
    const auto made = conversation();
    // Archived pins and weighed tasks stay off the board.
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{2, 1}));

    // Before the window is loaded the board is not told.
    made->messageByNumber(20, true)->pin();
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{2, 1}));

    made->loadMessages();
    int told = 0;
    const auto observation = made->observe(u"pinnedMessages"_s, [&](const QString&) { ++told; });
    made->messageByNumber(21)->pin();
    EXPECT_EQ(told, 1) << "at once";
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{2, 1, 21}));
    made->messageByNumber(1)->unpin();
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{2, 21}));

    // An archived pin arrives, then the user takes it back from the archive: one row, moved.
    apply({messageRecord(3, u"text"_s, {u"is_archived"_s}, 7)});
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{2, 21, 3}));
    made->messageByNumber(3)->pin();
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{2, 3, 21}));

    // A new weight moves a pin; a pin deleted elsewhere leaves without an unpin mark.
    apply({messageRecord(21, u"text"_s, {u"pin"_s}, 10)});
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{21, 2, 3}));
    apply({messageRecord(2, u"text"_s, {u"is_deleted"_s})});
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{21, 3}));
    // A message the service removes takes its pin with it.
    apply({streamRecord(
        u"message"_s,
        {{u"conversation_id"_s, kId}, {u"message_nr"_s, 3}, {u"is_deleted"_s, true}})});
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), std::vector<std::int64_t>{21});

    made->releaseMessages();
    EXPECT_FALSE(made->hasPinnedMessages());
}

TEST_F(ConversationBoardsTest, PinsAmongTheSearchResultsAreListedOnce) {
    // The service weighs pins; one found by a search may not have its weight yet.
    seed(conversationRecord({}),
         {messageRecord(1, u"text"_s, {u"pin"_s}, 5), messageRecord(22, u"text"_s, {u"pin"_s}),
          messageRecord(23, u"text"_s, {})});
    const auto made = conversation();
    for (const std::int64_t nr : {1, 22, 23}) {
        made->addMatchingMessage(made->messageByNumber(nr, true));
    }
    EXPECT_EQ(numbersOf(*made->pinnedMessages()), (std::vector<std::int64_t>{1, 22}));
}

TEST_F(ConversationBoardsTest, ArrivingTasksRebuildTheBoard) {
    seed(conversationRecord({}), {messageRecord(5, u"text"_s, {u"is_todo"_s}, 50),
                                  messageRecord(6, u"text"_s, {u"is_todo"_s}, 40)});
    const auto made = conversation();
    ASSERT_EQ(numbersOf(*made->visibleTasks()), (std::vector<std::int64_t>{5, 6}));
    int told = 0;
    const auto observation = made->observe(u"visibleTasks"_s, [&](const QString&) { ++told; });

    struct Step {
        const char* name;
        QJsonObject record;
        std::vector<std::int64_t> tasks;
        bool boardTold;
    };
    const Step steps[] = {
        {"a new task", messageRecord(30, u"text"_s, {u"is_todo"_s}, 45), {5, 30, 6}, true},
        {"a task done and re-weighed",
         messageRecord(6, u"text"_s, {u"is_done"_s}, 60),
         {6, 5, 30},
         true},
        {"a task archived",
         messageRecord(5, u"text"_s, {u"is_todo"_s, u"is_archived"_s}, 50),
         {6, 30, 5},
         true},
        {"no longer a task", messageRecord(30, u"text"_s, {}), {6, 5}, true},
        {"a plain message", messageRecord(31, u"text"_s, {}), {6, 5}, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        told = 0;
        apply({step.record});
        EXPECT_EQ(numbersOf(*made->tasks()), step.tasks);
        EXPECT_EQ(told > 0, step.boardTold);
        // Archived tasks stay off the board while the archive is not shown.
        std::vector<std::int64_t> rows;
        for (std::int64_t nr : step.tasks) {
            if (!made->tasks()->messageByNr(nr)->isArchived()) {
                rows.push_back(nr);
            }
        }
        EXPECT_EQ(numbersOf(*made->visibleTasks()), rows);
    }
}

QJsonObject fileRecord(const QString& kind, qint64 nr, const QString& key, const QString& hash,
                       QJsonObject fields = {}) {
    fields.insert(u"conversation_id"_s, kId);
    fields.insert(u"message_nr"_s, nr);
    fields.insert(kind == u"file"_s ? u"attachment_id"_s : u"attached_url"_s, key);
    fields.insert(u"file_sha256"_s, hash);
    fields.insert(u"file_name"_s, key);
    fields.insert(u"file_url"_s, u"https://f/"_s + key);
    return streamRecord(kind, fields);
}

QStringList keysOf(const ZVFileArray& files) {
    QStringList keys;
    for (const auto& file : files) {
        keys.append(QString::number(file->messageNr()) + u'/' + file->attachmentId());
    }
    return keys;
}

TEST_F(ConversationBoardsTest, TheFileBoardFollowsMessagesAndFreesTheContentOfADeletedFile) {
    const auto body = [](const QStringList& keys) {
        return ZVMarkupServices::xmlWithMessage(u"see"_s, keys);
    };
    QJsonObject withFile = messageRecord(37, u"text"_s, {});
    withFile.insert(u"message"_s, body({u"k"_s}));
    seed(conversationRecord({}), {withFile});
    const auto made = conversation();
    made->loadMessages();
    ASSERT_TRUE(made->files());
    const auto message = made->messageByNumber(37);
    ASSERT_TRUE(message);
    EXPECT_FALSE(message->representation()->files()) << "the file has not arrived";
    int told = 0;
    const auto observation = made->observe(u"messages"_s, [&](const QString&) { ++told; });

    // The message shows the file once it arrives; a link preview shows there too, off the board.
    apply({fileRecord(u"file"_s, 37, u"k"_s, u"h"_s)});
    ASSERT_TRUE(message->representation()->files());
    EXPECT_EQ(message->representation()->files()->size(), 1u);
    EXPECT_EQ(keysOf(*made->files()), QStringList{u"37/k"_s});
    EXPECT_EQ(told, 1);
    apply({fileRecord(u"preview"_s, 37, u"https://site/"_s, u"p"_s)});
    EXPECT_EQ(told, 2);
    EXPECT_EQ(keysOf(*made->files()), QStringList{u"37/k"_s});

    // A deleted file frees its content: the same bytes posted again are listed.
    apply({fileRecord(u"file"_s, 37, u"k"_s, u"h"_s, {{u"is_deleted"_s, true}})});
    EXPECT_TRUE(keysOf(*made->files()).isEmpty());
    QJsonObject again = messageRecord(38, u"text"_s, {});
    again.insert(u"message"_s, body({u"m"_s}));
    apply({again, fileRecord(u"file"_s, 38, u"m"_s, u"h"_s)});
    EXPECT_EQ(keysOf(*made->files()), QStringList{u"38/m"_s});

    // A new body without the file takes it off the board and out of the store.
    QJsonObject edited = messageRecord(38, u"text"_s, {});
    edited.insert(u"message"_s, body({}));
    apply({edited});
    EXPECT_TRUE(keysOf(*made->files()).isEmpty());
    EXPECT_TRUE(session_->filesInMessageNr(38, kId).isEmpty());
}

// Counts what a contact change asks of a display model.
class PosterNameRepresentation : public ZVMessageRepresentation {
public:
    using ZVMessageRepresentation::ZVMessageRepresentation;
    void updatePosterName() override { ++posterNameUpdates; }
    void refresh() override {
        ++refreshes;
        ZVMessageRepresentation::refresh();
    }
    int posterNameUpdates = 0;
    int refreshes = 0;
};

using ConversationContactChangeTest = ConversationBoardsTest;

TEST_F(ConversationContactChangeTest, MessagesOfARenamedContactShowTheNewName) {
    Message::setRepresentationClass([](const std::shared_ptr<Message>& message) {
        return std::make_shared<PosterNameRepresentation>(message);
    });
    const QString otherId = u"6f1a3c5e-7b9d-4f2a-8c4e-0d2f4a6c8e1b"_s;
    const auto contact = [](const QString& id, const QString& name) {
        return streamRecord(u"contact"_s, {{u"account_id"_s, id}, {u"display_name"_s, name}});
    };
    QJsonObject byOther = messageRecord(39, u"text"_s, {});
    byOther.insert(u"account_id"_s, otherId);
    apply({contact(kPosterId, u"Ada"_s), contact(otherId, u"Bo"_s)});
    seed(conversationRecord({}), {byOther});
    const auto made = conversation();
    made->loadMessages();
    ASSERT_TRUE(made->inboxMessage());
    const auto model = [&](std::int64_t nr) {
        return std::static_pointer_cast<PosterNameRepresentation>(
            made->messageByNumber(nr)->representation());
    };
    // Display models exist for these; the other messages have none yet.
    const auto inbox = model(kLastBoardMessage);
    const auto mine = model(38);
    const auto others = model(39);
    made->addMatchingMessage(made->messageByNumber(38));
    made->addMatchingMessage(made->messageByNumber(39));
    QStringList told;
    const auto observation =
        made->observe(QStringList{u"messages"_s, u"inboxMessageText"_s, u"searchMatchMessages"_s},
                      [&](const QString& key) { told.append(key); });

    apply({contact(kPosterId, u"Ada Lovelace"_s)});
    EXPECT_EQ(inbox->posterNameUpdates, 2) << "as the inbox message and in the window";
    EXPECT_EQ(inbox->refreshes, 1);
    EXPECT_EQ(mine->posterNameUpdates, 2) << "in the window and among the search results";
    EXPECT_EQ(others->posterNameUpdates, 0);
    EXPECT_FALSE(made->messageByNumber(37)->hasRepresentation()) << "none made for the change";
    told.sort();
    EXPECT_EQ(told, (QStringList{u"inboxMessageText"_s, u"messages"_s, u"searchMatchMessages"_s}));

    told.clear();
    apply({contact(u"0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d"_s, u"Cy"_s)});
    EXPECT_TRUE(told.isEmpty()) << "nobody of this conversation";
    Message::setRepresentationClass(nullptr);
}

}  // namespace
