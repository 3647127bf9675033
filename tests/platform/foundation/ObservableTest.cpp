#include "platform/foundation/Observable.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using platform::ChangePhase;
using platform::Observable;
using platform::Observation;

namespace {

class Counter : public Observable {
public:
    int value() const { return value_; }
    void setValue(int value) {
        changeValueForKey(QStringLiteral("value"), [&] { value_ = value; });
    }
    void touchName() { changeValueForKey(QStringLiteral("name")); }

private:
    int value_ = 0;
};

}  // namespace

TEST(Observable, WillAndDidSurroundTheChange) {
    Counter counter;
    std::vector<QString> log;
    Observation phases =
        counter.observe(QStringList{"value", "name"}, [&](const QString& key, ChangePhase phase) {
            log.push_back((phase == ChangePhase::WillChange ? QStringLiteral("will ")
                                                            : QStringLiteral("did ")) +
                          key + QLatin1Char('=') + QString::number(counter.value()));
        });
    Observation didOnly = counter.observe(QStringLiteral("value"), [&](const QString& key) {
        log.push_back(QStringLiteral("simple ") + key);
    });
    Observation other = counter.observe(QStringLiteral("other"), [&](const QString& key) {
        log.push_back(QStringLiteral("other ") + key);
    });

    counter.setValue(5);
    counter.touchName();
    EXPECT_EQ(log, (std::vector<QString>{"will value=0", "did value=5", "simple value",
                                         "will name=5", "did name=5"}));
    EXPECT_TRUE(counter.hasObservers());
}

TEST(Observable, ObserversRemovedDuringDeliveryAreNotCalledAgain) {
    Counter counter;
    std::vector<QString> calls;
    Observation first;
    Observation second;
    Observation third;
    first = counter.observe(QStringLiteral("value"), [&](const QString&) {
        calls.push_back(QStringLiteral("first"));
        first.reset();  // itself, while being called
        third.reset();  // another one, not yet called in this round
    });
    second = counter.observe(QStringLiteral("value"),
                             [&](const QString&) { calls.push_back(QStringLiteral("second")); });
    third = counter.observe(QStringLiteral("value"),
                            [&](const QString&) { calls.push_back(QStringLiteral("third")); });

    counter.setValue(1);
    EXPECT_EQ(calls, (std::vector<QString>{"first", "second"}));
    EXPECT_FALSE(first.isActive());
    EXPECT_TRUE(second.isActive());
    EXPECT_FALSE(third.isActive());

    calls.clear();
    counter.setValue(2);
    EXPECT_EQ(calls, (std::vector<QString>{"second"}));
}

TEST(Observable, ObserverAddedDuringDeliveryWaitsForTheNextChange) {
    Counter counter;
    std::vector<QString> calls;
    std::vector<Observation> added;
    Observation adder = counter.observe(QStringLiteral("value"), [&](const QString&) {
        calls.push_back(QStringLiteral("adder"));
        added.push_back(counter.observe(QStringLiteral("value"), [&](const QString&) {
            calls.push_back(QStringLiteral("added"));
        }));
    });
    counter.setValue(1);
    EXPECT_EQ(calls, (std::vector<QString>{"adder"}));
    calls.clear();
    counter.setValue(2);
    EXPECT_EQ(calls, (std::vector<QString>{"adder", "added"}));
}

TEST(Observable, TokenMayDieBeforeOrAfterTheObject) {
    int calls = 0;
    auto counter = std::make_unique<Counter>();
    Observation before =
        counter->observe(QStringLiteral("value"), [&](const QString&) { ++calls; });
    Observation after = counter->observe(QStringLiteral("value"), [&](const QString&) { ++calls; });
    {
        Observation scoped =
            counter->observe(QStringLiteral("value"), [&](const QString&) { calls += 100; });
    }
    before.reset();
    counter->setValue(1);
    EXPECT_EQ(calls, 1);  // only `after`

    counter.reset();
    EXPECT_FALSE(after.isActive());
    after.reset();  // the object is gone: nothing to unregister, nothing touched

    Observation moved;
    {
        Counter local;
        Observation original =
            local.observe(QStringLiteral("value"), [&](const QString&) { ++calls; });
        moved = std::move(original);
        EXPECT_FALSE(original.isActive());
        EXPECT_TRUE(moved.isActive());
        local.setValue(3);
    }
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(moved.isActive());
}

TEST(Observable, ObjectDestroyedByAnObserverDuringDelivery) {
    auto counter = std::make_unique<Counter>();
    std::vector<QString> calls;
    Observation killer = counter->observe(QStringLiteral("value"), [&](const QString& key) {
        calls.push_back(QStringLiteral("killer ") + key);
        counter.reset();
    });
    Observation later = counter->observe(
        QStringLiteral("value"), [&](const QString&) { calls.push_back(QStringLiteral("later")); });
    counter->didChangeValueForKey(QStringLiteral("value"));
    EXPECT_EQ(calls, (std::vector<QString>{"killer value"}));
    EXPECT_EQ(counter, nullptr);

    // Destroyed in the will-change: neither the change nor the did-change touch it afterwards.
    calls.clear();
    bool changed = false;
    counter = std::make_unique<Counter>();
    Observation willKiller =
        counter->observe(QStringLiteral("value"), [&](const QString&, ChangePhase phase) {
            calls.push_back(phase == ChangePhase::WillChange ? QStringLiteral("will")
                                                             : QStringLiteral("did"));
            counter.reset();
        });
    counter->changeValueForKey(QStringLiteral("value"), [&] { changed = true; });
    EXPECT_EQ(calls, (std::vector<QString>{"will"}));
    EXPECT_FALSE(changed);
}

TEST(Observable, CopiesStartWithoutObservers) {
    Counter original;
    int calls = 0;
    Observation token = original.observe(QStringLiteral("value"), [&](const QString&) { ++calls; });

    Counter copy = original;
    EXPECT_FALSE(copy.hasObservers());
    copy.setValue(1);
    EXPECT_EQ(calls, 0);

    Counter target;
    int targetCalls = 0;
    Observation targetToken =
        target.observe(QStringLiteral("value"), [&](const QString&) { ++targetCalls; });
    target = original;  // keeps its own observers, takes none
    target.setValue(2);
    original.setValue(3);
    EXPECT_EQ(targetCalls, 1);
    EXPECT_EQ(calls, 1);
}

// An observer's captured state may own tokens of the same object; releasing them while the
// observer itself is being unregistered or the object destroyed must not corrupt the list.
TEST(Observable, ReleasingAnObserverThatOwnsAnotherToken) {
    struct Holder {
        Observation token;
    };
    int calls = 0;
    auto counter = std::make_unique<Counter>();
    auto holder = std::make_shared<Holder>();
    holder->token = counter->observe(QStringLiteral("value"), [&](const QString&) { ++calls; });
    Observation owner = counter->observe(QStringLiteral("value"), [holder](const QString&) {});
    std::weak_ptr<Holder> weakHolder = holder;
    holder.reset();

    owner.reset();  // destroys the Holder, which unregisters its own token
    EXPECT_TRUE(weakHolder.expired());
    counter->setValue(1);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(counter->hasObservers());

    holder = std::make_shared<Holder>();
    holder->token = counter->observe(QStringLiteral("value"), [&](const QString&) { ++calls; });
    Observation second = counter->observe(QStringLiteral("value"), [holder](const QString&) {});
    holder.reset();
    counter.reset();  // the same, while the object tears its list down
    EXPECT_FALSE(second.isActive());
}
