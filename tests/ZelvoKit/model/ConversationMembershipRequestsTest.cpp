#include "ZelvoKit/model/ZVConversationMembers.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"

#include <QtCore/QJsonArray>

#include <chrono>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

// Sending the roster's additions and removals to the loopback service, and the membership it then
// streams back.
class ConversationMembershipRequestsTest : public modeltest::SignedInTest {
protected:
    void SetUp() override {
        SignedInTest::SetUp();
        bert_ = emulator.addAccount(u"bert@example.com"_s, u"secret"_s, u"Bert Brown"_s).accountId;
        carl_ = emulator.addAccount(u"carl@example.com"_s, u"secret"_s, u"Carl Cole"_s).accountId;
        ASSERT_TRUE(deliver(session_, {person(bert_, u"Bert Brown"_s, u"bert@example.com"_s),
                                       person(carl_, u"Carl Cole"_s, u"carl@example.com"_s)}));
    }

    static QJsonObject person(const QString& id, const QString& name, const QString& email,
                              const QString& dialogId = QString()) {
        QJsonObject record{{u"account_id"_s, id},
                           {u"display_name"_s, name},
                           {u"email"_s, email},
                           {u"mk_account_status"_s, u"active"_s}};
        if (!dialogId.isNull()) {
            record.insert(u"dialog_id"_s, dialogId);
        }
        return streamRecord(u"contact"_s, record);
    }

    QString self() const { return session_->localContact()->accountId(); }

    // A conversation of the service with these members, as the account's stream brings it.
    std::shared_ptr<Conversation> serviceConversation(const QString& topic,
                                                      const QStringList& members) {
        const QString id = emulator.addConversation(topic, members);
        EXPECT_TRUE(deliver(session_, {*emulator.conversationRecord(id)}));
        return session_->conversations().value(id);
    }

    // Commits the roster's additions and waits for the outcome.
    bool commit(const std::shared_ptr<Conversation>& conversation) {
        bool done = false;
        conversation->sortedMembers()->commitAdds([&] { done = true; },
                                                  [&](const ZVErrorPtr&) { done = true; });
        return scheduler().runUntil([&] { return done; });
    }

    QString bert_;
    QString carl_;
};

TEST_F(ConversationMembershipRequestsTest, ANewConversationWithOnePersonBecomesTheirDialog) {
    const auto composed = session_->createNewConversation();
    ASSERT_TRUE(composed);
    EXPECT_EQ(composed->topicText(), u"New conversation"_s);
    composed->sortedMembers()->addContact(bert_);
    EXPECT_EQ(composed->topicText(), u"Bert Brown"_s) << "named after the one invitee";

    ASSERT_TRUE(commit(composed));
    const auto request = emulator.lastRequest(u"account/dialog"_s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->body.value(u"contact_id"_s).toString(), bert_);
    EXPECT_FALSE(request->body.contains(u"contact_email"_s));

    // The answer names the dialog, which takes the place of the composed conversation.
    const QString dialogId = composed->sortedMembers()->spawnedConversationId();
    ASSERT_FALSE(dialogId.isEmpty());
    ASSERT_TRUE(waitForStreamEnd(session_));
    const auto stored = session_->conversations().value(dialogId);
    ASSERT_TRUE(stored);
    EXPECT_FALSE(session_->newConversation());
    EXPECT_FALSE(stored->sortedMembers()->memberByAccountId(bert_)->isAdded());
}

// A first message waits for the service to make the dialog; looking the person up again meanwhile
// (the screen opening the conversation) finds the same dialog, and the message goes out.
TEST_F(ConversationMembershipRequestsTest, AMessageForADialogBeingMadeSurvivesASecondLookUp) {
    emulator.injectFault(u"account/dialog"_s, zvemu::Fault::delayed(std::chrono::seconds(30)));
    const auto first = session_->conversationFromId(u"bert@example.com"_s);
    ASSERT_TRUE(first);
    first->postMessage(u"hello"_s, QString(), {});
    ASSERT_TRUE(settle([&] { return emulator.requestCount(u"account/dialog"_s) == 1; }));
    EXPECT_EQ(session_->conversationFromId(u"bert@example.com"_s), first);
    emulator.releaseHeld();
    const auto posted = [&] {
        for (const auto& request : emulator.requests()) {
            if (request.path.startsWith(u"message/store/"_s)) {
                return request.body.value(u"message"_s).toString();
            }
        }
        return QString();
    };
    ASSERT_TRUE(settle([&] { return !posted().isEmpty(); }));
    EXPECT_EQ(posted(), u"hello"_s);
    EXPECT_EQ(emulator.requestCount(u"account/dialog"_s), 1);
}

TEST_F(ConversationMembershipRequestsTest, AKnownDialogIsOpenedWithoutAsking) {
    const auto dialog = serviceConversation(QString(), {self(), bert_});
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(deliver(session_, {person(bert_, u"Bert Brown"_s, u"bert@example.com"_s,
                                          dialog->conversationId())}));
    EXPECT_EQ(dialog->dialogPartner(), bert_);
    EXPECT_EQ(session_->conversationFromId(u"bert@example.com"_s), dialog);

    const auto composed = session_->createNewConversation();
    composed->sortedMembers()->addContact(bert_);
    ASSERT_TRUE(commit(composed));
    EXPECT_EQ(emulator.requestCount(u"account/dialog"_s), 0);
    EXPECT_EQ(composed->sortedMembers()->spawnedConversationId(), dialog->conversationId());
    EXPECT_TRUE(composed->sortedMembers()->containsId(bert_)) << "the addition stays";
}

TEST_F(ConversationMembershipRequestsTest, CreateForkAndAdd) {
    struct Case {
        const char* name;
        // The conversation the additions are made to: none for a new one.
        std::function<std::shared_ptr<Conversation>()> conversation;
        QString path;
        QJsonObject arguments;
        bool createTag;
    };
    const QString guest = u"guest@elsewhere.test"_s;
    const QString other = u"other@elsewhere.test"_s;
    std::shared_ptr<Conversation> group;
    std::shared_ptr<Conversation> dialog;
    const Case cases[] = {
        {"a new group",
         [&] { return session_->createNewConversation(); },
         u"conversation/create"_s,
         {{u"account_ids"_s, QJsonArray{bert_}}, {u"emails"_s, guest + u' ' + other}},
         true},
        {"members added to a group",
         [&] {
             return group = serviceConversation(u"Trip"_s, {self(), carl_});
         },
         u"conversation/store/"_s,
         {{u"add_account_ids"_s, QJsonArray{bert_}}, {u"add_emails"_s, guest + u' ' + other}},
         false},
        {"a group forked from a dialog",
         [&] {
             dialog = serviceConversation(QString(), {self(), carl_});
             EXPECT_TRUE(deliver(session_, {person(carl_, u"Carl Cole"_s, u"carl@example.com"_s,
                                                   dialog->conversationId())}));
             return dialog;
         },
         u"conversation/create"_s,
         {{u"account_ids"_s, QJsonArray{bert_, carl_}}, {u"emails"_s, guest + u' ' + other}},
         false},
    };
    QStringList known = session_->conversations().keys();
    const auto createdSince = [&](const QStringList& before) {
        QStringList created;
        for (const QString& id : session_->conversations().keys()) {
            if (!before.contains(id)) {
                created.append(id);
            }
        }
        return created;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emulator.clearRequests();
        const auto conversation = c.conversation();
        ASSERT_TRUE(conversation);
        known = session_->conversations().keys();
        const auto roster = conversation->sortedMembers();
        roster->addContact(bert_);
        roster->addEmail(guest, u"Guest"_s);
        roster->addEmail(other, QString());
        ASSERT_TRUE(commit(conversation));

        const auto request = emulator.lastRequest(
            c.path.endsWith(u'/') ? c.path + conversation->conversationId() : c.path);
        ASSERT_TRUE(request);
        QJsonObject expected = c.arguments;
        if (conversation == dialog) {
            expected.insert(u"fork_conversation_id"_s, dialog->conversationId());
        }
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            EXPECT_EQ(request->body.value(it.key()), it.value()) << it.key().toStdString();
        }
        EXPECT_FALSE(request->body.contains(u"team_ids"_s));

        // Bert comes back as a member through the stream, in the created conversation or in
        // the one he was added to.
        ASSERT_TRUE(waitForStreamEnd(session_));
        std::shared_ptr<Conversation> joined = conversation;
        if (c.path == u"conversation/create") {
            const QStringList created = createdSince(known);
            ASSERT_EQ(created.size(), 1);
            joined = session_->conversations().value(created.first());
            EXPECT_FALSE(session_->newConversation());
        }
        const auto member = joined->sortedMembers()->memberByAccountId(bert_);
        ASSERT_TRUE(member);
        EXPECT_FALSE(member->isAdded());
        if (conversation == dialog) {
            EXPECT_FALSE(roster->containsId(bert_)) << "the dialog keeps its two members";
        }
    }
}

TEST_F(ConversationMembershipRequestsTest, ACreationAnswerTakesTheComposedConversation) {
    const auto answer = [&](const QString& id, bool streamedFirst) {
        const QJsonObject header{{u"conversation_id"_s, id},
                                 {u"topic"_s, u"Made"_s},
                                 {u"members"_s, QJsonArray{self(), bert_}}};
        if (streamedFirst) {
            EXPECT_EQ(applyLocally(session_, {streamRecord(u"conv"_s, header)}), nullptr);
        }
        ZVJsonParser parser(header);
        session_->startTransaction();
        EXPECT_EQ(session_->handleConversation(parser, true), nullptr);
        session_->endTransaction();
    };
    for (const bool streamedFirst : {false, true}) {
        SCOPED_TRACE(streamedFirst ? "the stream brought it first" : "the answer comes first");
        const QString id = streamedFirst ? u"made-2"_s : u"made-1"_s;
        const auto composed = session_->createNewConversation();
        composed->setPendingMessageText(u"draft"_s);
        composed->sortedMembers()->addContact(bert_);
        answer(id, streamedFirst);

        const auto stored = session_->conversations().value(id);
        ASSERT_TRUE(stored);
        EXPECT_FALSE(session_->newConversation());
        EXPECT_EQ(stored->pendingMessage(), u"draft"_s) << "what was typed moves along";
        EXPECT_EQ(stored->topic(), u"Made"_s);
        EXPECT_EQ(stored == composed, !streamedFirst);
        EXPECT_EQ(composed->isDeleted(), streamedFirst);
        EXPECT_FALSE(stored->sortedMembers()->memberByAccountId(bert_)->isAdded());
    }
}

TEST_F(ConversationMembershipRequestsTest, RemovingAMember) {
    const auto group = serviceConversation(u"Trip"_s, {self(), bert_, carl_});
    const auto roster = group->sortedMembers();
    const auto bert = roster->memberByAccountId(bert_);
    ASSERT_TRUE(bert);
    bool removed = false;
    roster->removeMember(
        bert, [&] { removed = true; }, nullptr);
    ASSERT_TRUE(scheduler().runUntil([&] { return removed; }));
    const auto request = emulator.lastRequest(u"conversation/store/"_s + group->conversationId());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->body.value(u"remove_ids"_s), QJsonArray{bert_});

    ASSERT_TRUE(waitForStreamEnd(session_));
    EXPECT_FALSE(roster->containsId(bert_));
    EXPECT_TRUE(roster->containsId(carl_));

    // An address being added is only withdrawn.
    roster->addEmail(u"guest@elsewhere.test"_s, QString());
    const int sent = emulator.requestCount(u"conversation/store/"_s + group->conversationId());
    bool withdrawn = false;
    roster->removeMember(
        roster->memberByEmail(u"guest@elsewhere.test"_s), [&] { withdrawn = true; }, nullptr);
    EXPECT_TRUE(withdrawn);
    EXPECT_EQ(emulator.requestCount(u"conversation/store/"_s + group->conversationId()), sent);
    EXPECT_FALSE(roster->containsEmail(u"guest@elsewhere.test"_s));
}

}  // namespace
