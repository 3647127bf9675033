#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApiStats.h"
#include "platform/foundation/Scheduler.h"

#include <QtCore/QJsonArray>
#include <QtCore/QUuid>

#include <chrono>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;
using zvemu::Reply;

// Refuses the header of the conversation "broken", as a session refuses a record it cannot apply.
class RefusingSession : public RecordingSession {
public:
    using RecordingSession::handleConversation;
    using RecordingSession::RecordingSession;

    ZVErrorPtr handleConversation(ZVJsonParser& record, bool isCreateRequest) override {
        RecordingSession::handleConversation(record, isCreateRequest);
        if (record.extractString(u"conversation_id", QString()) == u"broken") {
            return ZVError::errorWithCode(ZVError::InvalidData);
        }
        return nullptr;
    }
};

class ZVApiSessionActionsTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        ZVApi::setSessionClass(ZVApiSession::factory<RefusingSession>());
        anna = signIn(u"anna@example.com"_s);
        api().login();
        annaId = emulator.account(u"anna@example.com"_s)->accountId;
        bertId = emulator.addAccount(u"bert@example.com"_s, u"secret"_s).accountId;
        emulator.addAccount(u"carl@example.com"_s, u"secret"_s);
        conversationId = emulator.addConversation(u"Plans"_s, {annaId}, u"join-key"_s);
    }

    bool pending(const QString& method) const {
        return api().getPendingRequestOfType(method) != nullptr;
    }

    std::int32_t messagesSent() const { return api().sessionStats()->messagesSent(); }

    std::shared_ptr<RecordingSession> anna;
    QString annaId;
    QString bertId;
    QString conversationId;
};

// --- what each action asks of the service ---

struct ActionCase {
    QString name;
    std::function<void(ZVApiSession&)> act;
    QString path;
    QJsonObject arguments;
    ZVApiRequest::Tag tag = ZVApiRequest::TagOrdinary;
};

TEST_F(ZVApiSessionActionsTest, EachActionSendsItsPathArgumentsAndTag) {
    const QString c = conversationId;
    const QString other = emulator.addConversation(u"Old"_s, {annaId});
    const QString requestId = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    const QByteArray token = QByteArray::fromHex("01abff10");
    const QStringList two{u"bert@example.com"_s, u"carl@example.com"_s};
    const std::vector<ActionCase> cases = {
        {u"post with everything"_s,
         [&](ZVApiSession& s) {
             s.postMessage(u"Hello all"_s, u"Agenda"_s, QStringList{u"zelvo-upload:1"_s}, c, 3,
                           true, requestId, nullptr, nullptr);
         },
         u"message/store/"_s + c,
         {{u"message"_s, u"Hello all"_s},
          {u"subject"_s, u"Agenda"_s},
          {u"attachments"_s, QJsonArray{u"zelvo-upload:1"_s}},
          {u"from_message_nr"_s, 3},
          {u"is_retry"_s, true}}},
        {u"post with nothing"_s,
         [&](ZVApiSession& s) {
             s.postMessage(QString(), QString(), std::nullopt, c, std::nullopt, false, QString(),
                           nullptr, nullptr);
         },
         u"message/store/"_s + c,
         {{u"message"_s, u""_s}}},
        {u"create with a topic"_s,
         [&](ZVApiSession& s) { s.createConversationWithTopic(u"Trip"_s, two, nullptr, nullptr); },
         u"conversation/create"_s,
         {{u"emails"_s, u"bert@example.com,carl@example.com"_s}, {u"topic"_s, u"Trip"_s}},
         ZVApiRequest::TagConversationCreate},
        {u"create without a topic"_s,
         [&](ZVApiSession& s) {
             s.createConversationWithTopic(QString(), {u"bert@example.com"_s}, nullptr, nullptr);
         },
         u"conversation/create"_s,
         {{u"emails"_s, u"bert@example.com"_s}},
         ZVApiRequest::TagConversationCreate},
        {u"remove members"_s,
         [&](ZVApiSession& s) {
             s.removeMembers({bertId, u"a2"_s}, c, nullptr, nullptr);
         },
         u"conversation/store/"_s + c,
         {{u"remove_account_ids"_s, QJsonArray{bertId, u"a2"_s}}}},
        {u"remove teams"_s,
         [&](ZVApiSession& s) { s.removeTeams({u"t1"_s}, c, nullptr, nullptr); },
         u"conversation/store/"_s + c,
         {{u"remove_team_ids"_s, QJsonArray{u"t1"_s}}}},
        {u"add members"_s,
         [&](ZVApiSession& s) { s.addMembers(two, c, nullptr, nullptr); },
         u"conversation/add_members/"_s + c,
         {{u"emails"_s, u"bert@example.com,carl@example.com"_s}}},
        {u"delete an attachment"_s,
         [&](ZVApiSession& s) { s.deleteAttachment(u"zelvo-upload:1"_s, 1, c, nullptr, nullptr); },
         u"message/delete/"_s + c,
         {{u"message_nr"_s, 1}, {u"attachment_id"_s, u"zelvo-upload:1"_s}}},
        {u"delete a message"_s,
         [&](ZVApiSession& s) { s.deleteMessageNr(2, c, nullptr, nullptr); },
         u"message/delete/"_s + c,
         {{u"message_nr"_s, 2}}},
        {u"pin"_s,
         [&](ZVApiSession& s) { s.pinMessageNr(1, c, nullptr); },
         u"message/pin/"_s + c,
         {{u"message_nr"_s, 1}}},
        {u"unpin"_s,
         [&](ZVApiSession& s) { s.unpinMessageNr(1, c); },
         u"message/unpin/"_s + c,
         {{u"pin_message_nr"_s, 1}}},
        {u"snooze"_s,
         [&](ZVApiSession& s) { s.snoozeConversation(c, 2, nullptr, nullptr); },
         u"message/snooze/"_s + c,
         {{u"message_nr"_s, 2}}},
        {u"search one conversation"_s,
         [&](ZVApiSession& s) { s.searchMessages(u"hello"_s, c, nullptr, nullptr, nullptr); },
         u"search"_s,
         {{u"keywords"_s, u"hello"_s}, {u"conversation_id"_s, c}},
         ZVApiRequest::TagMessageSearch},
        {u"search everywhere"_s,
         [&](ZVApiSession& s) {
             s.searchMessages(u"hello"_s, QString(), nullptr, nullptr, nullptr);
         },
         u"search"_s,
         {{u"keywords"_s, u"hello"_s}},
         ZVApiRequest::TagMessageSearch},
        {u"disclose all history"_s,
         [&](ZVApiSession& s) { s.discloseHistoryInConversation(c, two, nullptr, nullptr); },
         u"conversation/disclose_all/"_s + c,
         {{u"emails"_s, u"bert@example.com;carl@example.com"_s}}},
        {u"disclose from a message"_s,
         [&](ZVApiSession& s) {
             s.discloseHistoryInConversation(c, 2, {u"bert@example.com"_s}, nullptr, nullptr);
         },
         u"conversation/disclose/"_s + c,
         {{u"emails"_s, u"bert@example.com"_s}, {u"message_nr"_s, 2}}},
        {u"display name"_s,
         [&](ZVApiSession& s) { s.setMyDisplayName(u"Anna K."_s); },
         u"account/configure"_s,
         {{u"display_name"_s, u"Anna K."_s}}},
        {u"phone number"_s,
         [&](ZVApiSession& s) { s.setMyPhoneNumber(u"+372 5555 0101"_s); },
         u"account/configure"_s,
         {{u"phone_nr"_s, u"+372 5555 0101"_s}}},
        {u"password"_s,
         [&](ZVApiSession& s) { s.changePasswordOld(u"secret"_s, u"better"_s, nullptr, nullptr); },
         u"account/configure"_s,
         {{u"old_password"_s, u"secret"_s}, {u"password"_s, u"better"_s}}},
        {u"delete the avatar"_s,
         [&](ZVApiSession& s) { s.deleteMyAvatarOnSuccess(nullptr, nullptr); },
         u"avatar/delete"_s,
         {}},
        {u"push token"_s,
         [&](ZVApiSession& s) { s.submitApnToken(token); },
         u"account/configure_apn"_s,
         {{u"apn_token"_s, u"Aav/EA=="_s},
          {u"apn_token_hex"_s, u"01abff10"_s},
          {u"apn_token_2"_s, u"Aav/EA=="_s}}},
        {u"join by link"_s,
         [&](ZVApiSession& s) { s.joinConversationByUrl(u"join-key"_s, nullptr, nullptr); },
         u"conversation/autojoin"_s,
         {{u"conv_url_key"_s, u"join-key"_s}}},
        {u"leave"_s,
         [&](ZVApiSession& s) { s.leaveConversationWithId(c); },
         u"conversation/leave/"_s + c,
         {}},
        {u"delete a conversation"_s,
         [&](ZVApiSession& s) { s.deleteConversation(other, nullptr, nullptr); },
         u"conversation/delete/"_s + other,
         {}},
    };

    for (const ActionCase& action : cases) {
        SCOPED_TRACE(action.name.toStdString());
        const int before = emulator.requestCount(action.path);
        action.act(*anna);
        ASSERT_EQ(api().pendingRequests().size(), 1u);
        const auto request = api().pendingRequests().front();
        EXPECT_EQ(request->tag(), action.tag);
        EXPECT_EQ(request->session(), anna);
        ASSERT_TRUE(waitUntilIdle());

        ASSERT_EQ(emulator.requestCount(action.path), before + 1);
        const zvemu::RecordedRequest recorded = *emulator.lastRequest(action.path);
        QJsonObject arguments = recorded.body;
        for (const QString& envelope : {u"ticket"_s, u"api_version"_s, u"client_req_id"_s}) {
            arguments.remove(envelope);
        }
        EXPECT_EQ(arguments, action.arguments);
        // The push token's route belongs to the account's sign-in calls.
        if (action.path != u"account/configure_apn") {
            EXPECT_EQ(recorded.accountId, annaId);
            EXPECT_EQ(recorded.status, 200);
        }
    }
    const auto posts = emulator.requests(u"message/store/"_s + c);
    EXPECT_EQ(posts[0].body.value(u"client_req_id"_s).toString(), requestId);
    EXPECT_FALSE(posts[1].body.value(u"client_req_id"_s).toString().isEmpty());
    // The service has done what was asked.
    EXPECT_EQ(emulator.account(annaId)->displayName, u"Anna K."_s);
    EXPECT_EQ(emulator.account(annaId)->password, u"better"_s);
    const QJsonObject pinned = *emulator.messageRecord(c, 1);
    EXPECT_EQ(pinned.value(u"tags"_s).toArray(), QJsonArray());
    EXPECT_FALSE(pinned.contains(u"attachments"_s));
    EXPECT_FALSE(
        emulator.conversationRecord(c)->value(u"members"_s).toArray().contains(QJsonValue(annaId)));
}

// --- posting ---

TEST_F(ZVApiSessionActionsTest, PostCompletesOnceWhicheverRoadComesFirst) {
    const QString path = u"message/store/"_s + conversationId;
    const struct {
        const char* name;
        std::optional<Fault> answerFault;
        // A "request" record naming the post, with this number, reaches the stream before the
        // post's answer.
        std::optional<std::int64_t> earlyNumber;
        bool answerSucceeds;
        // What onSuccess gets; none: the number the emulator gave, or nothing when it failed.
        std::optional<std::int64_t> reported;
        int errors;
    } cases[] = {
        {"answer and record race", std::nullopt, std::nullopt, true, std::nullopt, 0},
        {"record first", Fault::delayed(kHold), 41, true, 41, 0},
        {"record first, then the answer fails", Fault::withStatus(500).after(kHold), 42, false, 42,
         0},
        {"answer fails", Fault::withStatus(500), std::nullopt, false, std::nullopt, 1},
    };
    api().startLongPoll();
    ASSERT_TRUE(waitForHeld(1));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSession::journal().clear();
        if (c.answerFault) {
            emulator.injectFault(path, *c.answerFault);
        }
        const int sentBefore = messagesSent();
        const int posts = emulator.requestCount(path) + 1;
        std::vector<std::int64_t> numbers;
        int errors = 0;
        anna->postMessage(
            u"Hello"_s, QString(), std::nullopt, conversationId, std::nullopt, false, QString(),
            [&numbers](std::int64_t nr) { numbers.push_back(nr); },
            [&errors](const ZVErrorPtr&) { ++errors; });

        if (c.earlyNumber) {
            ASSERT_TRUE(waitForHeld(2));
            const QString id =
                emulator.lastRequest(path)->body.value(u"client_req_id"_s).toString();
            emulator.appendEvent(annaId, {{u"mk_rec_type"_s, u"request"_s},
                                          {u"client_req_id"_s, id.toUpper()},
                                          {u"result_message_nr"_s, qint64(*c.earlyNumber)}});
            ASSERT_TRUE(scheduler().runUntil([&] { return !numbers.empty(); }));
            EXPECT_TRUE(pending(path));
            emulator.releaseHeld();
        }
        ASSERT_TRUE(waitForAnswered(path, posts));
        ASSERT_TRUE(scheduler().runUntil([&] {
            return !pending(path) && anna->eventHorizon() == emulator.eventHorizon(annaId);
        }));

        if (c.answerSucceeds) {
            const std::int64_t storedNr = emulator.conversationRecord(conversationId)
                                              ->value(u"last_message_nr"_s)
                                              .toInteger();
            EXPECT_EQ(numbers, std::vector<std::int64_t>{c.reported ? *c.reported : storedNr});
            EXPECT_TRUE(RecordingSession::appliedRecords(false).contains(
                u"message "_s + QString::number(storedNr)));
        } else if (c.reported) {
            EXPECT_EQ(numbers, std::vector<std::int64_t>{*c.reported});
        } else {
            EXPECT_TRUE(numbers.empty());
        }
        EXPECT_EQ(errors, c.errors);
        EXPECT_EQ(messagesSent() - sentBefore, static_cast<int>(numbers.size()));
    }
    EXPECT_EQ(api().cumulativeStats()->messagesSent(), 3);
}

// --- searching ---

TEST_F(ZVApiSessionActionsTest, NewSearchCancelsTheOldOneAndOnlyMessageMatchesAreReported) {
    emulator.injectFault(u"search"_s, Fault::delayed(kHold));
    const auto match = [](const char* kind, const QString& conversation, std::int64_t nr) {
        QJsonObject record{{u"mk_rec_type"_s, QString::fromLatin1(kind)},
                           {u"conversation_id"_s, conversation}};
        if (nr > 0) {
            record.insert(u"message_nr"_s, qint64(nr));
        }
        return record;
    };
    emulator.scriptAnswer(
        u"search"_s,
        Reply::ok(
            {{u"headers"_s, QJsonArray{QJsonObject{{u"conversation_id"_s, u"c1"_s}}}},
             {u"matches"_s, QJsonArray{match("message", u"c1"_s, 5), match("contact", u"c1"_s, 8),
                                       match("message", u"c1"_s, 0), match("poll", u"c1"_s, 9),
                                       match("message", u"c1"_s, 6)}},
             {u"skipped_count"_s, 7}}));

    QStringList firstBlocks;
    anna->searchMessages(
        u"lunch"_s, QString(), [&](const QString&, std::int64_t) { firstBlocks << u"result"_s; },
        [&](std::int64_t) { firstBlocks << u"success"_s; },
        [&](const ZVErrorPtr&) { firstBlocks << u"error"_s; });
    ASSERT_TRUE(waitForHeld(1));

    // The session cannot take the first match it is handed.
    anna->messageError = ZVError::errorWithCode(ZVError::InvalidData);
    RecordingSession::journal().clear();
    QStringList results;
    std::vector<std::int64_t> skipped;
    int errors = 0;
    anna->searchMessages(
        u"lunch"_s, u"c1"_s,
        [&](const QString& conversation, std::int64_t nr) {
            results << conversation + u'/' + QString::number(nr);
        },
        [&](std::int64_t count) { skipped.push_back(count); },
        [&](const ZVErrorPtr&) { ++errors; });
    ASSERT_EQ(api().requestsWithTag(ZVApiRequest::TagMessageSearch, anna).size(), 1u);
    ASSERT_TRUE(scheduler().runUntil([&] { return !skipped.empty(); }));

    EXPECT_EQ(results, QStringList{u"c1/6"_s});
    EXPECT_EQ(skipped, std::vector<std::int64_t>{7});
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(RecordingSession::appliedRecords(false),
              (QStringList{u"conversation c1"_s, u"message 5"_s, u"message 0"_s, u"message 6"_s}));

    emulator.releaseHeld();
    ASSERT_TRUE(waitForAnswered(u"search"_s, 2));
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_TRUE(firstBlocks.isEmpty());
}

TEST_F(ZVApiSessionActionsTest, SearchWhoseHeaderIsRefusedFailsWithoutResults) {
    emulator.scriptAnswer(
        u"search"_s,
        Reply::ok({{u"headers"_s, QJsonArray{QJsonObject{{u"conversation_id"_s, u"c1"_s}},
                                             QJsonObject{{u"conversation_id"_s, u"broken"_s}},
                                             QJsonObject{{u"conversation_id"_s, u"c3"_s}}}},
                   {u"matches"_s, QJsonArray{QJsonObject{{u"mk_rec_type"_s, u"message"_s},
                                                         {u"conversation_id"_s, u"c1"_s},
                                                         {u"message_nr"_s, 5}}}}}));
    int results = 0;
    int successes = 0;
    std::vector<int> errors;
    anna->searchMessages(
        u"lunch"_s, QString(), [&](const QString&, std::int64_t) { ++results; },
        [&](std::int64_t) { ++successes; },
        [&](const ZVErrorPtr& error) { errors.push_back(error->code()); });
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(results, 0);
    EXPECT_EQ(successes, 0);
    EXPECT_EQ(errors, std::vector<int>{ZVError::InvalidData});
    EXPECT_EQ(RecordingSession::appliedRecords(false),
              (QStringList{u"conversation c1"_s, u"conversation broken"_s}));
}

// --- creating and joining ---

TEST_F(ZVApiSessionActionsTest, CreatedAndJoinedConversationsReachTheSessionAndTheCaller) {
    QStringList created;
    anna->createConversationWithTopic(
        u"Trip"_s, {u"bert@example.com"_s}, [&](const QString& id) { created << id; },
        [&](const ZVErrorPtr&) { created << u"?"_s; });
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(created.size(), 1);
    const auto record = emulator.conversationRecord(created.front());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->value(u"members"_s).toArray(), (QJsonArray{annaId, bertId}));
    EXPECT_EQ(RecordingSession::appliedRecords(false),
              QStringList{u"conversation "_s + created.front() + u" created"_s});

    const QString elsewhere = emulator.addConversation(u"Club"_s, {bertId}, u"club-key"_s);
    RecordingSession::journal().clear();
    QStringList joined;
    std::vector<QString> refusals;
    const auto join = [&](const QString& key) {
        anna->joinConversationByUrl(
            key, [&](const QString& id) { joined << id; },
            [&](const ZVErrorPtr& error) { refusals.push_back(error->backendErrorId()); });
        ASSERT_TRUE(waitUntilIdle());
    };
    join(u"club-key"_s);
    join(u"no-such-key"_s);
    EXPECT_EQ(joined, QStringList{elsewhere});
    EXPECT_EQ(refusals, std::vector<QString>{u"autojoin_failed"_s});
    EXPECT_EQ(RecordingSession::appliedRecords(false), QStringList{u"conversation "_s + elsewhere});

    // An answer without the conversation's id succeeds without telling the caller.
    emulator.scriptAnswer(u"conversation/create"_s, Reply::ok());
    anna->createConversationWithTopic(
        QString(), {}, [&](const QString& id) { created << id; },
        [&](const ZVErrorPtr&) { created << u"?"_s; });
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(created.size(), 1);
    EXPECT_FALSE(api().lastError());
}

// --- failures ---

TEST_F(ZVApiSessionActionsTest, FailuresReachTheErrorBlockOrElseTheDefaultHandler) {
    std::vector<int> defaults;
    api().setDefaultErrorHandler(
        [&](const ZVErrorPtr& error) { defaults.push_back(error->code()); });
    std::vector<QString> outcomes;
    const auto success = [&] { outcomes.push_back(u"success"_s); };
    const auto failure = [&](const ZVErrorPtr& error) {
        outcomes.push_back(u"error "_s + QString::number(error->code()));
    };

    anna->deleteMessageNr(99, conversationId, success, failure);
    ASSERT_TRUE(waitUntilIdle());
    anna->pinMessageNr(99, conversationId, success);
    ASSERT_TRUE(waitUntilIdle());
    anna->changePasswordOld(u"wrong"_s, u"better"_s, success, failure);
    ASSERT_TRUE(waitUntilIdle());
    anna->deleteMyAvatarOnSuccess(success, failure);
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(outcomes, (std::vector<QString>{u"error 404"_s, u"error 430"_s, u"success"_s}));
    EXPECT_EQ(defaults, std::vector<int>{404});
    EXPECT_EQ(emulator.account(annaId)->password, u"secret"_s);
}

}  // namespace
}  // namespace zvapitest
