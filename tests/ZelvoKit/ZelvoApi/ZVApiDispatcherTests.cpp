#include "ZelvoKit/ZelvoApi/api/ZVApiDispatcher.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/Scheduler.h"
#include "platform/net/UrlError.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <new>
#include <optional>

namespace {

using namespace Qt::Literals::StringLiterals;

ZVApiDispatcher::Keys keys() {
    return {.pendingRequests = u"pendingRequests"_s,
            .recentRequests = u"recentRequests"_s,
            .queuedRequests = u"queuedRequests"_s,
            .requestsSent = u"requestsSent"_s,
            .nextConnectionTime = u"nextConnectionTime"_s};
}

std::shared_ptr<ZVApiRequest> queuedRequest(int priority) {
    auto request = std::make_shared<ZVApiRequest>(u"test/queued"_s);
    request->setPriority(priority);
    return request;
}

}  // namespace

// In the background, a queued request of priority 2 or less waits for the foreground; from 3 on it
// goes out, and counts as work the background time is asked for.
TEST(ZVApiDispatcherTest, InTheBackgroundOnlyUrgentQueuedRequestsGoOut) {
    struct Case {
        bool background;
        std::optional<int> priority;  // none: nothing queued
        bool sent;
        bool waitsForForeground;
        bool backgroundWork;
    };
    const Case cases[] = {
        {false, 1, true, false, false},
        {false, 3, true, false, true},
        {false, std::nullopt, false, false, false},
        {true, 1, false, true, false},
        {true, 2, false, true, false},
        {true, 3, true, false, true},
        {true, 5, true, false, true},
        {true, std::nullopt, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "background " << c.background << ", priority " << c.priority.value_or(-1));
        platform::Observable publisher;
        ZVApiDispatcher dispatcher(publisher, keys(), {});
        std::shared_ptr<ZVApiRequest> request;
        if (c.priority) {
            request = queuedRequest(*c.priority);
            dispatcher.enqueue(request, u"name"_s);
        }
        EXPECT_EQ(dispatcher.hasBackgroundWork(), c.backgroundWork);
        const ZVApiDispatcher::NextQueued next = dispatcher.takeNextQueued(c.background);
        EXPECT_EQ(next.request != nullptr, c.sent);
        EXPECT_EQ(next.waitsForForeground, c.waitsForForeground);
        if (c.sent) {
            EXPECT_EQ(next.request, request);
            EXPECT_EQ(next.request->tag(), ZVApiRequest::TagQueued);
        }
        EXPECT_EQ(dispatcher.queuedRequests().size(), request && !c.sent ? 1u : 0u);
    }
}

// The client's dispatcher is made again with each client, often at the same address: a queue send
// or a retry armed by the old one never reaches the new one's client.
TEST(ZVApiDispatcherTest, ADispatcherAtAFreedOnesAddressGetsNoneOfItsTimers) {
    platform::Scheduler& scheduler = platform::Scheduler::main();
    platform::Observable publisher;
    QStringList calls;
    const auto hooks = [&calls](const QString& name) {
        return ZVApiDispatcher::Hooks{.submitFailed = {},
                                      .queueDue = [&calls, name] { calls << name + u" queue"_s; },
                                      .retryDue = [&calls, name] { calls << name + u" retry"_s; }};
    };
    const ZVErrorPtr lost = ZVError::errorWithDomain(
        platform::kUrlErrorDomain, static_cast<int>(platform::UrlErrorCode::NetworkConnectionLost));

    alignas(ZVApiDispatcher) std::byte storage[sizeof(ZVApiDispatcher)];
    auto* first = new (storage) ZVApiDispatcher(publisher, keys(), hooks(u"first"_s));
    first->enqueue(queuedRequest(3), u"name"_s);
    first->retryWithError(lost);
    first->~ZVApiDispatcher();

    auto* second = new (storage) ZVApiDispatcher(publisher, keys(), hooks(u"second"_s));
    ASSERT_EQ(static_cast<void*>(second), static_cast<void*>(first));
    second->enqueue(queuedRequest(3), u"name"_s);
    scheduler.advance(ZVApiDispatcher::retryDelay(lost, 1) + 1);
    EXPECT_EQ(calls, QStringList{u"second queue"_s});
    second->~ZVApiDispatcher();
}
