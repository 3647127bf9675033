#include "platform/foundation/NotificationCenter.h"

#include "platform/foundation/SharedState.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using platform::Notification;
using platform::NotificationCenter;
using platform::Observation;

namespace {

NotificationCenter& center() {
    return NotificationCenter::defaultCenter();
}

struct FakeError {
    int code;
};

}  // namespace

TEST(NotificationCenter, DeliversByNameAndSender) {
    int senderA = 0;
    int senderB = 0;
    std::vector<QString> log;
    const auto record = [&log](const char* who) {
        return [&log, who](const Notification& n) {
            log.push_back(QString::fromLatin1(who) + QLatin1Char(':') + n.name);
        };
    };
    Observation anySender = center().addObserverForName(QStringLiteral("Changed"), record("any"));
    Observation onlyA =
        center().addObserverForName(QStringLiteral("Changed"), &senderA, record("onlyA"));
    Observation onlyB =
        center().addObserverForName(QStringLiteral("Changed"), &senderB, record("onlyB"));
    Observation everything = center().addObserverForName(QString(), record("all"));

    center().postNotificationName(QStringLiteral("Changed"), &senderA);
    center().postNotificationName(QStringLiteral("Changed"));
    center().postNotificationName(QStringLiteral("Other"), &senderB);
    EXPECT_EQ(log, (std::vector<QString>{"any:Changed", "onlyA:Changed", "all:Changed",
                                         "any:Changed", "all:Changed", "all:Other"}));
}

TEST(NotificationCenter, CarriesObjectAndUserInfo) {
    std::shared_ptr<FakeError> received;
    QVariantMap info;
    const void* sender = nullptr;
    Observation token = center().addObserverForName(
        QStringLiteral("ZelvoFatalError"), [&](const Notification& notification) {
            received = std::any_cast<std::shared_ptr<FakeError>>(notification.object);
            info = notification.userInfo;
            sender = notification.sender;
        });
    const auto error = std::make_shared<FakeError>(FakeError{42});
    center().postNotificationName(QStringLiteral("ZelvoFatalError"), this, error,
                                  QVariantMap{{QStringLiteral("reason"), QStringLiteral("disk")}});
    EXPECT_EQ(received, error);
    EXPECT_EQ(info.value(QStringLiteral("reason")).toString(), QStringLiteral("disk"));
    EXPECT_EQ(sender, this);
}

TEST(NotificationCenter, ObserversChangedDuringDelivery) {
    std::vector<QString> calls;
    Observation first;
    Observation second;
    Observation third;
    std::vector<Observation> added;
    first = center().addObserverForName(QStringLiteral("N"), [&](const Notification&) {
        calls.push_back(QStringLiteral("first"));
        first.reset();
        third.reset();
        added.push_back(center().addObserverForName(QStringLiteral("N"), [&](const Notification&) {
            calls.push_back(QStringLiteral("added"));
        }));
    });
    second = center().addObserverForName(QStringLiteral("N"), [&](const Notification&) {
        calls.push_back(QStringLiteral("second"));
    });
    third = center().addObserverForName(QStringLiteral("N"), [&](const Notification&) {
        calls.push_back(QStringLiteral("third"));
    });

    center().postNotificationName(QStringLiteral("N"));
    EXPECT_EQ(calls, (std::vector<QString>{"first", "second"}));
    calls.clear();
    center().postNotificationName(QStringLiteral("N"));
    EXPECT_EQ(calls, (std::vector<QString>{"second", "added"}));
}

TEST(NotificationCenter, TokensOutliveTheCentreAndItsReset) {
    int calls = 0;
    Observation token =
        center().addObserverForName(QStringLiteral("N"), [&](const Notification&) { ++calls; });
    platform::resetSharedState();
    EXPECT_FALSE(token.isActive());
    center().postNotificationName(QStringLiteral("N"));
    EXPECT_EQ(calls, 0);
    token.reset();

    auto local = std::make_unique<NotificationCenter>();
    Observation early =
        local->addObserverForName(QStringLiteral("N"), [&](const Notification&) { ++calls; });
    Observation late =
        local->addObserverForName(QStringLiteral("N"), [&](const Notification&) { ++calls; });
    early.reset();
    local->postNotificationName(QStringLiteral("N"));
    EXPECT_EQ(calls, 1);
    local.reset();
    EXPECT_FALSE(late.isActive());
}

TEST(NotificationCenter, CentreDestroyedByAnObserverDuringDelivery) {
    auto local = std::make_unique<NotificationCenter>();
    std::vector<QString> calls;
    Observation killer = local->addObserverForName(QStringLiteral("N"), [&](const Notification& n) {
        local.reset();
        calls.push_back(n.name);  // the notification outlives its centre
    });
    Observation later = local->addObserverForName(QStringLiteral("N"), [&](const Notification&) {
        calls.push_back(QStringLiteral("later"));
    });
    local->postNotificationName(QStringLiteral("N"));
    EXPECT_EQ(calls, (std::vector<QString>{"N"}));
}
