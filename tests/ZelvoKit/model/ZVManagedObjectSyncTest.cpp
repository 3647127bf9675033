#include "ZelvoKit/model/ZVManagedObject.h"

#include "tests/ZelvoKit/model/ModelTestEntities.h"
#include "tests/emulator/ServiceEmulator.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "platform/foundation/Scheduler.h"
#include "platform/store/ManagedObjectContext.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::Card;

const QString kMethod = u"card/describe"_s;

// The dirty field of an entity over real HTTP: the request the base builds goes through the API
// client's named queue to the loopback service, and the answer decides whether the field stays.
class ZVManagedObjectSyncTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator_.start());
        ZVApi::setApplicationId(u"ZelvoIPhone"_s);
        ZVApi::api().setCustomBaseURL(emulator_.baseUrl());
        const zvemu::Account account = emulator_.addAccount(u"fox@example.com"_s, u"secret"_s);
        const zvemu::Credentials issued = emulator_.issueCredentials(account.accountId);
        auto credentials = std::make_shared<ZVUserCredentials>(u"fox@example.com"_s);
        credentials->setUuid(account.accountId);
        credentials->setTicket(issued.ticket);
        credentials->setCookie(issued.token);
        session_ = ZVApi::api().createSessionWithCredentials(credentials, nullptr);
        ASSERT_TRUE(session_);

        auto context = platform::ManagedObjectContext::openInMemory(modeltest::makeModel());
        ASSERT_TRUE(context.ok());
        context_ = std::move(*context);
    }

    void TearDown() override { emulator_.stop(); }

    // Sends the card's sync request as the session commits it, and waits for its end.
    void commit(Card& card) {
        auto request = card.getSyncRequest();
        ASSERT_TRUE(request);
        bool finished = false;
        const auto onError = request->errorHandler();
        request->setErrorHandler([&finished, onError](const ZVErrorPtr& error) {
            onError(error);
            finished = true;
        });
        request->setSuccessHandler([&finished] { finished = true; });
        session_->queueRequest(request, card.guid());
        platform::Scheduler::main().advance(ZVApi::kQueueSendDelay);
        ASSERT_TRUE(platform::Scheduler::main().runUntil([&] { return finished; }));
    }

    zvemu::ServiceEmulator emulator_;
    std::shared_ptr<ZVApiSession> session_;
    std::unique_ptr<platform::ManagedObjectContext> context_;
};

TEST_F(ZVManagedObjectSyncTest, AnswerOrRejectionClearsTheFieldWhileFailuresKeepIt) {
    struct Case {
        const char* name;
        std::function<void(zvemu::ServiceEmulator&)> script;
        bool cleared;
    };
    const Case cases[] = {
        {"answered",
         [](zvemu::ServiceEmulator& emulator) {
             emulator.scriptAnswer(kMethod, zvemu::Reply::ok({{u"status"_s, u"ok"_s}}));
         },
         true},
        {"404",
         [](zvemu::ServiceEmulator& emulator) {
             emulator.injectFault(kMethod, zvemu::Fault::withStatus(404, u"not_found"_s));
         },
         true},
        {"500",
         [](zvemu::ServiceEmulator& emulator) {
             emulator.injectFault(kMethod, zvemu::Fault::withStatus(500, u"internal"_s));
         },
         false},
        {"connection dropped",
         [](zvemu::ServiceEmulator& emulator) {
             emulator.injectFault(kMethod, zvemu::Fault::dropConnection());
         },
         false},
    };
    int cardNumber = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto card = context_->insert<Card>(u"Card");
        card->setValue(u"card_id", u"card-%1"_s.arg(++cardNumber));
        card->requestForField = [self = card.get()](int field) {
            return std::make_shared<ZVApiRequest>(
                kMethod, QJsonObject{{u"card_id"_s, self->guid()}, {u"field"_s, field}});
        };
        card->setField(3, true);
        card->setField(7, true);
        c.script(emulator_);

        commit(*card);

        EXPECT_EQ(card->isFieldDirty(3), !c.cleared);
        EXPECT_TRUE(card->isFieldDirty(7));
        const auto calls = emulator_.requests(kMethod);
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().body.value(u"field"_s).toInt(), 3);
        // A failed queued request arms the client's retry timer; the next case starts afresh.
        ZVApi::api().retryConnections();
        emulator_.clearFaults();
    }
}

}  // namespace
