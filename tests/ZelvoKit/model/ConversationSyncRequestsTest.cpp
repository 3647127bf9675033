#include "ZelvoKit/model/Conversation.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <functional>
#include <optional>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

class ConversationSyncRequestsTest : public modeltest::SignedInTest {
protected:
    // A conversation of 2000 messages in the state the record gives it.
    std::shared_ptr<Conversation> conversation(const QString& id, QJsonObject fields) {
        fields.insert(u"conversation_id"_s, id);
        fields.insert(u"last_message_nr"_s, 2000);
        fields.insert(u"join_message_nr"_s, 1);
        EXPECT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, fields)}), nullptr);
        return session_->conversations().value(id);
    }
};

TEST_F(ConversationSyncRequestsTest, DirectionsStartsAndCacheRanges) {
    using Build = std::function<std::shared_ptr<ZVApiRequest>(Conversation&)>;
    const QJsonObject full{
        {u"is_init"_s, true}, {u"bw_message_nr"_s, 500}, {u"show_message_nr"_s, 1800}};
    struct Case {
        const char* name;
        QJsonObject state;
        Build build;
        QString direction;
        std::optional<int> from;
        int priority;
        QJsonObject reply;
        std::pair<std::int64_t, std::int64_t> cached;
    };
    const auto withFw = [&](int fw) {
        QJsonObject state = full;
        state.insert(u"fw_message_nr"_s, fw);
        return state;
    };
    const Case cases[] = {
        {"never loaded",
         {},
         [](Conversation& c) { return c.getMessageLoadRequest(); },
         u"ic_tiny"_s,
         std::nullopt,
         3,
         {},
         {1, 1999}},
        {"known by a short record",
         {{u"is_tiny"_s, true}},
         [](Conversation& c) { return c.getMessageLoadRequest(); },
         u"ic_full"_s,
         std::nullopt,
         3,
         {},
         {1, 1999}},
        {"the store short of what is shown",
         withFw(1200),
         [](Conversation& c) { return c.getMessageLoadRequest(); },
         u"ic_forward"_s,
         1200,
         3,
         {{u"header"_s, QJsonObject{{u"fw_message_nr"_s, 1300}}}},
         {1200, 101}},
        {"the store reaches what is shown",
         withFw(1800),
         [](Conversation& c) { return c.getMessageLoadRequest(); },
         u"ic_backward"_s,
         500,
         3,
         {{u"header"_s, QJsonObject{{u"bw_message_nr"_s, 420}}}},
         {420, 81}},
        {"a reply without the edge",
         withFw(1800),
         [](Conversation& c) { return c.getMessageLoadRequest(); },
         u"ic_backward"_s,
         500,
         3,
         {},
         {0, 0}},
        {"fill tiny",
         {},
         [](Conversation& c) { return c.getFillTinyRequest(); },
         u"ic_full"_s,
         std::nullopt,
         3,
         {},
         {1, 1999}},
        {"refresh",
         {},
         [](Conversation& c) { return c.getRefreshRequest(); },
         u"ic_header"_s,
         std::nullopt,
         3,
         {},
         {1, 1999}},
        {"gap before",
         {},
         [](Conversation& c) { return c.getFillGapRequestBefore(true, 300); },
         u"ic_backward"_s,
         300,
         4,
         {},
         {200, 100}},
        {"gap after",
         {},
         [](Conversation& c) { return c.getFillGapRequestBefore(false, 300); },
         u"ic_forward"_s,
         300,
         4,
         {},
         {300, 100}},
        {"context",
         {},
         [](Conversation& c) { return c.getContextLoadRequestAroundMessageNr(1000); },
         u"ic_flow"_s,
         1000,
         4,
         {},
         {950, 100}},
        {"files",
         {{u"file_horizon"_s, 77}},
         [](Conversation& c) { return c.getFileLoadRequest(); },
         u"ic_files"_s,
         77,
         4,
         {},
         {0, 0}},
        {"pins without a horizon",
         {},
         [](Conversation& c) { return c.getPinLoadRequest(); },
         u"ic_pinboard"_s,
         0,
         4,
         {},
         {0, 0}},
        {"tasks",
         {{u"task_horizon"_s, 9}},
         [](Conversation& c) { return c.getTaskLoadRequest(); },
         u"ic_tasks"_s,
         9,
         4,
         {},
         {0, 0}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto made = conversation(u"c%1"_s.arg(++n), c.state);
        ASSERT_TRUE(made);
        const auto request = c.build(*made);
        ASSERT_TRUE(request);
        EXPECT_EQ(request->method(), u"conversation/sync/"_s + made->conversationId());
        const QJsonObject arguments = request->arguments().value_or(QJsonObject());
        EXPECT_EQ(arguments.value(u"mk_direction"_s).toString(), c.direction);
        EXPECT_EQ(arguments.contains(u"from_message_nr"_s), c.from.has_value());
        if (c.from) {
            EXPECT_EQ(arguments.value(u"from_message_nr"_s).toInt(), *c.from);
        }
        EXPECT_EQ(request->priority(), c.priority);
        if (request->handler()) {
            ZVJsonParser reply(c.reply);
            EXPECT_EQ(request->handler()(reply), nullptr);
        }
        EXPECT_EQ(made->cacheRange(), c.cached);
    }
}

TEST_F(ConversationSyncRequestsTest, APendingLoadIsSentWithPriorityFourAndEndsEitherWay) {
    const auto made = conversation(u"c1"_s, {{u"is_init"_s, true},
                                             {u"bw_message_nr"_s, 1},
                                             {u"fw_message_nr"_s, 2000},
                                             {u"show_message_nr"_s, 2000}});
    EXPECT_FALSE(made->getSyncRequest()) << "nothing to send or load";

    made->setLoadRequest(ZVConversationLoadRequest::Context, 1000);
    const auto request = made->getSyncRequest();
    ASSERT_TRUE(request);
    EXPECT_EQ(request->priority(), 4);
    EXPECT_EQ(request->arguments()->value(u"mk_direction"_s).toString(), u"ic_flow"_s);
    request->errorHandler()(ZVError::errorWithCode(500));
    EXPECT_FALSE(made->isLoading());

    // The user's own changes go before a load.
    made->setLoadRequest(ZVConversationLoadRequest::Pins, 0);
    made->setIsListValue(true);
    made->setUncommittedFields(1u << Conversation::FieldList);
    EXPECT_EQ(made->getSyncRequest()->method(), u"conversation/store/c1"_s);
}

}  // namespace
