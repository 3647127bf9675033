#include "ZelvoKit/model/ZVSortedArray.h"

#include <gtest/gtest.h>

#include <QtCore/QString>

#include <memory>
#include <vector>

namespace {

constexpr qsizetype NF = ZVSortedArrayChange::kNotFound;

struct Entry {
    int key;
    bool member = true;
};
using EntryPtr = std::shared_ptr<Entry>;
using Array = ZVSortedArray<Entry>;

std::vector<int> keys(const Array& array) {
    std::vector<int> out;
    for (const EntryPtr& entry : array) {
        out.push_back(entry->key);
    }
    return out;
}

// Entries sorted by key, members only, drawn from `pool`.
class SortedArrayTest : public ::testing::Test {
protected:
    Array& make(std::vector<int> initial, qsizetype limit = 0) {
        for (int key : initial) {
            pool_.append(std::make_shared<Entry>(Entry{key}));
        }
        array_ = std::make_unique<Array>(limit);
        array_->setComparator(
            [](const EntryPtr& a, const EntryPtr& b) { return a->key <=> b->key; });
        array_->setFilterFunc([](const EntryPtr& e) { return e->member; });
        array_->setSource(Array::Source{[this] { return pool_; },
                                        [this](const EntryPtr& e) { return pool_.contains(e); }});
        return *array_;
    }
    EntryPtr entry(int key) const {
        for (const EntryPtr& e : pool_) {
            if (e->key == key) {
                return e;
            }
        }
        return nullptr;
    }
    EntryPtr add(int key, bool member = true) {
        pool_.append(std::make_shared<Entry>(Entry{key, member}));
        return pool_.last();
    }

    QList<EntryPtr> pool_;
    std::unique_ptr<Array> array_;
};

TEST_F(SortedArrayTest, AddingRespectsFilterLimitAndDuplicatesAtTheInsertionPoint) {
    Array& array = make({10, 20, 30}, 3);
    EXPECT_EQ(keys(array), (std::vector<int>{10, 20, 30}));
    EXPECT_FALSE(array.isLimited());

    // Its place is the limit itself: left out.
    EXPECT_FALSE(array.addItem(std::make_shared<Entry>(Entry{40})));
    EXPECT_TRUE(array.isLimited());
    EXPECT_EQ(keys(array), (std::vector<int>{10, 20, 30}));

    // Before the end of a full array: in, and the last one out.
    EXPECT_TRUE(array.addItem(std::make_shared<Entry>(Entry{15})));
    EXPECT_EQ(keys(array), (std::vector<int>{10, 15, 20}));

    EXPECT_FALSE(array.addItem(std::make_shared<Entry>(Entry{15})));
    EXPECT_TRUE(array.addItem(std::make_shared<Entry>(Entry{15}), true));
    EXPECT_EQ(keys(array), (std::vector<int>{10, 15, 15}));
    EXPECT_FALSE(array.addItem(std::make_shared<Entry>(Entry{1, false})));

    // A rebuild clears the mark and keeps the limit.
    array.populateFromArray(pool_);
    EXPECT_FALSE(array.isLimited());
    array.setLimitCount(2);
    EXPECT_EQ(keys(array), (std::vector<int>{10, 20}));
    EXPECT_TRUE(array.isLimited());
}

TEST_F(SortedArrayTest, ApplyChangeTellsWhatHappenedToTheItem) {
    struct Case {
        const char* name;
        std::vector<int> initial;
        qsizetype limit;
        int changedKey;  // the key of the item that changes (0: a new item)
        int newKey;
        bool member;
        ZVSortedArrayChange expected;
        std::vector<int> after;
    };
    const Case cases[] = {
        {"still between its neighbours", {1, 2, 3}, 0, 2, 2, true, {false, 1, 1}, {1, 2, 3}},
        {"moved", {1, 2, 3, 4, 6}, 0, 2, 5, true, {false, 1, 3}, {1, 3, 4, 5, 6}},
        {"moved to the front", {1, 2, 3}, 0, 3, 0, true, {false, 2, 0}, {0, 1, 2}},
        {"no longer a member", {1, 2, 3}, 0, 2, 2, false, {false, 1, NF}, {1, 3}},
        {"appeared", {1, 3}, 0, 0, 2, true, {false, NF, 1}, {1, 2, 3}},
        {"neither before nor after", {1, 3}, 0, 0, 2, false, {false, NF, NF}, {1, 3}},
        {"beyond the limit", {1, 2, 3}, 3, 0, 9, true, {false, NF, NF}, {1, 2, 3}},
        {"into a full list", {1, 2, 3}, 3, 0, 0, true, {true, NF, NF}, {0, 1, 2}},
        {"moved beyond the limit", {1, 2, 3}, 3, 1, 9, true, {false, 0, 2}, {2, 3, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pool_.clear();
        Array& array = make(c.initial, c.limit);
        const EntryPtr changed = c.changedKey ? entry(c.changedKey) : add(c.newKey, c.member);
        changed->key = c.newKey;
        changed->member = c.member;
        EXPECT_EQ(array.applyChange(changed), c.expected);
        EXPECT_EQ(keys(array), c.after);
    }
}

TEST_F(SortedArrayTest, EqualNeighbourCountsAsOutOfOrder) {
    Array& array = make({1, 2, 3});
    const EntryPtr first = entry(2);
    const EntryPtr twin = add(2);
    array.addItem(twin, true);
    // `first` now sits after an equal item: it is taken out and put back before its twin.
    ASSERT_EQ(array[2], first);
    const ZVSortedArrayChange change = array.applyChange(first);
    EXPECT_EQ(change, (ZVSortedArrayChange{false, 2, 1}));
    EXPECT_EQ(array[1], first);
    EXPECT_EQ(keys(array), (std::vector<int>{1, 2, 2, 3}));
}

TEST_F(SortedArrayTest, ApplyChangesRebuildsWhereOneItemCannotSay) {
    Array unfilled;
    unfilled.setComparator([](const EntryPtr& a, const EntryPtr& b) { return a->key <=> b->key; });
    EXPECT_EQ(unfilled.applyChanges(QList<EntryPtr>{std::make_shared<Entry>(Entry{1})}),
              (ZVSortedArrayChange{false, NF, NF}));
    EXPECT_FALSE(unfilled.isFilled());

    Array& array = make({1, 2, 3, 4, 5}, 3);
    ASSERT_TRUE(array.isLimited());
    EXPECT_EQ(array.applyChanges(QList<EntryPtr>{}), (ZVSortedArrayChange{false, NF, NF}));

    // Two changes always rebuild.
    entry(1)->key = 10;
    entry(2)->key = 20;
    EXPECT_EQ(array.applyChanges(QList<EntryPtr>{entry(10), entry(20)}),
              (ZVSortedArrayChange{true, NF, NF}));
    EXPECT_EQ(keys(array), (std::vector<int>{3, 4, 5}));

    // One that leaves a cut list refills it from the source.
    entry(4)->member = false;
    EXPECT_EQ(array.applyChanges(QList<EntryPtr>{entry(4)}), (ZVSortedArrayChange{true, 1, NF}));
    EXPECT_EQ(keys(array), (std::vector<int>{3, 5, 10}));

    // A move inside the list is told as a move.
    entry(5)->key = 2;
    EXPECT_EQ(array.applyChanges(QList<EntryPtr>{entry(2)}), (ZVSortedArrayChange{false, 1, 0}));
}

TEST_F(SortedArrayTest, IndexAndMergingFollowTheOrder) {
    Array& array = make({10, 20, 20, 30});
    EXPECT_EQ(array.indexOfObject(std::make_shared<Entry>(Entry{20})), 1);
    EXPECT_EQ(array.indexOfObject(std::make_shared<Entry>(Entry{25})), NF);
    EXPECT_EQ(array.insertionIndexForItem(std::make_shared<Entry>(Entry{20})), 1);

    // Sorting alike and fitting in one gap: in at once.
    Array other;
    other.setComparator(array.comparator());
    other.setFilterFunc(array.filterFunc());
    other.addItem(std::make_shared<Entry>(Entry{22}));
    other.addItem(std::make_shared<Entry>(Entry{24}));
    array.addFromSortedArray(other);
    EXPECT_EQ(keys(array), (std::vector<int>{10, 20, 20, 22, 24, 30}));

    // Spread over the list: one by one, without duplicates.
    Array spread;
    spread.setComparator(array.comparator());
    spread.addItem(std::make_shared<Entry>(Entry{5}));
    spread.addItem(std::make_shared<Entry>(Entry{30}));
    array.addFromSortedArray(spread);
    EXPECT_EQ(keys(array), (std::vector<int>{5, 10, 20, 20, 22, 24, 30}));

    array.removeItem(array[0]);
    EXPECT_EQ(keys(array), (std::vector<int>{10, 20, 20, 22, 24, 30}));
}

TEST(SortedArrayWeights, SpreadAroundThePlacedItem) {
    struct Case {
        const char* name;
        std::vector<float> weights;  // the placed item's own weight is never read
        qsizetype index;
        float maxWeight;
        float minDistance;
        std::vector<float> expected;
    };
    const Case cases[] = {
        {"room enough", {1.0F, 9.0F, 2.0F}, 1, 10.0F, 0.25F, {1.0F, 1.5F, 2.0F}},
        {"grows towards more items",
         {1.0F, 2.0F, 9.0F, 3.0F},
         2,
         10.0F,
         0.6F,
         {1.0F, 1.0F + 2.0F / 3.0F, 1.0F + 4.0F / 3.0F, 3.0F}},
        {"more items above: grows upward",
         {1.0F, 9.0F, 1.2F, 4.0F},
         1,
         10.0F,
         0.5F,
         {1.0F, 2.0F, 3.0F, 4.0F}},
        {"a tie grows upward",
         {1.0F, 1.1F, 9.0F, 1.2F, 4.0F},
         2,
         10.0F,
         0.5F,
         {1.0F, 1.1F, 1.1F + 2.9F / 3.0F, 1.1F + 5.8F / 3.0F, 4.0F}},
        {"a lone item", {9.0F}, 0, 10.0F, 0.5F, {5.0F}},
        {"no room anywhere: the whole list evenly",
         {9.0F, 0.1F, 0.2F},
         0,
         0.3F,
         1.0F,
         {0.075F, 0.15F, 0.225F}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> weights = c.weights;
        const auto count = static_cast<qsizetype>(weights.size());
        Array::setWeightForItemIndex(
            c.index,
            [&](qsizetype i) {
                EXPECT_NE(i, c.index);
                return weights[static_cast<std::size_t>(i)];
            },
            [&](qsizetype i, float w) { weights[static_cast<std::size_t>(i)] = w; }, count,
            c.maxWeight, c.minDistance);
        for (std::size_t i = 0; i < weights.size(); ++i) {
            EXPECT_FLOAT_EQ(weights[i], c.expected[i]) << "item " << i;
        }
    }
}

}  // namespace
