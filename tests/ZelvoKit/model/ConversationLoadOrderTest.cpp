#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/ZVConversationLoadRequest.h"
#include "ZelvoKit/model/ZVConversationMembers.h"

#include <chrono>
#include <mutex>
#include <string>

// A load's answer travels on its own connection: the service may have answered it before a change
// whose record the stream then brings first. These tests hold the load's answer at the service
// until the stream's record is applied.

namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::ServiceEmulator;

const QString kLoadOrderEmail = u"anna@example.com"_s;
constexpr std::chrono::seconds kLoadOrderHold{20};

// The conversations whose sync the service has answered (held or not), counted on its threads.
struct LoadOrderSyncCalls {
    std::mutex mutex;
    QMap<QString, int> answered;

    int count(const QString& conversationId) {
        const std::lock_guard lock(mutex);
        return answered.value(conversationId);
    }
};

class ConversationLoadOrderTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        annaId_ = accountId(kLoadOrderEmail);
        bobId_ = emulator.addAccount(u"bob@example.com"_s, u"secret"_s, u"Bob"_s).accountId;
        carlId_ = emulator.addAccount(u"carl@example.com"_s, u"secret"_s, u"Carl"_s).accountId;
        // Known once the service has made the answer: what it holds from then on is newer.
        const ServiceEmulator::Handler sync = emulator.routeHandler(u"conversation/sync/"_s);
        emulator.routePrefix(u"conversation/sync/"_s, ServiceEmulator::Access::Session,
                             [sync, calls = calls_](zvemu::Call& call) {
                                 zvemu::Reply reply = sync(call);
                                 const std::lock_guard lock(calls->mutex);
                                 ++calls->answered[call.pathTail];
                                 return reply;
                             });
    }

    // A conversation of the service with two messages, known to the session and loaded.
    std::shared_ptr<Conversation> addLoadedConversation(const QString& topic,
                                                        const QStringList& members) {
        const QString id = emulator.addConversation(topic, members);
        emulator.addMessage(id, annaId_, u"first"_s);
        emulator.addMessage(id, annaId_, u"second"_s);
        EXPECT_TRUE(deliver(session_, {*emulator.conversationRecord(id)}));
        const auto conversation = session_->conversations().value(id);
        EXPECT_TRUE(conversation);
        // Its own first loads end before the one under test goes out.
        EXPECT_TRUE(conversation && settle([&] { return !conversation->needsSync(); }));
        return conversation;
    }

    // Sends the load and waits until the service has made its answer, which it holds.
    bool sendHeldLoad(const std::shared_ptr<Conversation>& conversation, int type) {
        const QString id = conversation->conversationId();
        emulator.injectFault(u"conversation/sync/"_s + id, Fault::answerHeld(kLoadOrderHold));
        const int before = calls_->count(id);
        conversation->setLoadRequest(type, 0);
        return settle([&] { return calls_->count(id) > before; });
    }

    // Lets the held answer go and waits until the session has applied it.
    bool releaseLoad(const std::shared_ptr<Conversation>& conversation) {
        emulator.releaseHeld();
        return scheduler().runUntil([&] { return !conversation->isLoading(); });
    }

    // The stored members' names, sorted.
    std::string storedMembers(const std::shared_ptr<Conversation>& conversation) const {
        QStringList ids;
        for (const auto& member : conversation->members()) {
            ids.append(member->accountId());
        }
        return names(ids);
    }
    std::string names(QStringList ids) const {
        for (QString& id : ids) {
            id = id == annaId_   ? u"anna"_s
                 : id == bobId_  ? u"bob"_s
                 : id == carlId_ ? u"carl"_s
                                 : id;
        }
        ids.sort();
        return ids.join(u", ").toStdString();
    }

    QString annaId_;
    QString bobId_;
    QString carlId_;
    std::shared_ptr<LoadOrderSyncCalls> calls_ = std::make_shared<LoadOrderSyncCalls>();
};

TEST_F(ConversationLoadOrderTest, ALoadAnsweredBeforeAStreamedChangeDoesNotUndoIt) {
    struct Case {
        const char* name;
        int load;
        QStringList membersBefore;
        ServiceEmulator::ConversationChange change;
    };
    const QStringList annaAndBob{annaId_, bobId_};
    const QStringList all{annaId_, bobId_, carlId_};
    const Case cases[] = {
        {"a member added during a refresh",
         ZVConversationLoadRequest::Refresh,
         {annaId_},
         {std::nullopt, annaAndBob}},
        {"a member removed during a forward load",
         ZVConversationLoadRequest::GapAfter,
         all,
         {std::nullopt, annaAndBob}},
        {"the topic changed during a load of files",
         ZVConversationLoadRequest::Files,
         annaAndBob,
         {u"Renamed"_s, std::nullopt}},
    };
    struct Expected {
        QString id;
        QString topic;
        QStringList members;
    };
    std::vector<Expected> expected;
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString topic = u"Plans %1"_s.arg(++number);
        const auto conversation = addLoadedConversation(topic, c.membersBefore);
        ASSERT_TRUE(conversation);
        const QString id = conversation->conversationId();
        ASSERT_TRUE(sendHeldLoad(conversation, c.load));

        ASSERT_TRUE(emulator.changeConversation(id, c.change));
        ASSERT_TRUE(waitForStreamEnd(session_));
        const QStringList membersAfter = c.change.members.value_or(c.membersBefore);
        const Expected wanted{id, c.change.topic.value_or(topic), membersAfter};
        ASSERT_EQ(storedMembers(conversation), names(wanted.members))
            << "the stream brought the change";
        ASSERT_EQ(conversation->topic(), wanted.topic);

        ASSERT_TRUE(releaseLoad(conversation));
        EXPECT_EQ(storedMembers(conversation), names(wanted.members));
        EXPECT_EQ(conversation->topic(), wanted.topic);
        const auto& roster = conversation->sortedMembers();
        for (const QString& member : all) {
            EXPECT_EQ(roster->containsId(member), wanted.members.contains(member))
                << member.toStdString();
        }
        // What the load itself brought still counts (a load of files brings no text messages).
        if (c.load != ZVConversationLoadRequest::Files) {
            EXPECT_TRUE(session_->messageFromKey(id, 1));
            EXPECT_TRUE(session_->messageFromKey(id, 2));
        }
        if (c.load == ZVConversationLoadRequest::Refresh) {
            EXPECT_EQ(conversation->recordCompleteness(), Conversation::RecordFull);
            EXPECT_EQ(conversation->fwMessageNr().value_or(0), 2);
        }
        expected.push_back(wanted);
    }

    // And so the store holds it.
    session_.reset();
    const auto again = restart(kLoadOrderEmail);
    ASSERT_TRUE(again);
    for (const Expected& wanted : expected) {
        const auto conversation = again->conversations().value(wanted.id);
        ASSERT_TRUE(conversation);
        EXPECT_EQ(storedMembers(conversation), names(wanted.members));
        EXPECT_EQ(conversation->topic(), wanted.topic);
    }
}

TEST_F(ConversationLoadOrderTest,
       ALoadAnsweredBeforeTheStreamDeletedItsConversationBringsNothingBack) {
    const auto conversation = addLoadedConversation(u"Old plans"_s, {annaId_, bobId_});
    ASSERT_TRUE(conversation);
    const QString id = conversation->conversationId();
    ASSERT_TRUE(sendHeldLoad(conversation, ZVConversationLoadRequest::Refresh));

    QJsonObject deleted = *emulator.conversationRecord(id);
    deleted.insert(u"is_deleted"_s, true);
    ASSERT_TRUE(deliver(session_, {deleted}));
    ASSERT_FALSE(session_->conversationFromId(id));

    ASSERT_TRUE(releaseLoad(conversation));
    EXPECT_FALSE(session_->conversationFromId(id));
    EXPECT_FALSE(session_->conversations().contains(id));
}

}  // namespace
