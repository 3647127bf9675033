#pragma once

#include "ZelvoKit/model/ZVSortedArrayChange.h"
#include "platform/store/ManagedObject.h"

#include <QtCore/QList>

#include <algorithm>
#include <compare>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// A list kept sorted by a comparison, optionally filtered and cut at a maximum count, behind a
// label's conversations, the matches of an inbox search and a conversation's files. It can be
// rebuilt from a source and applies one changed item in place, answering with a change record;
// it has no observers of its own. Items are objects, equal only to themselves.
//
// The comparison must be a strict weak ordering: binary search and the in-place test rely on it.
// Items stay absent (not merely empty) until the first fill. Main thread only.
template <class T>
class ZVSortedArray {
public:
    using Item = std::shared_ptr<T>;
    using Filter = std::function<bool(const Item&)>;
    using Comparator = std::function<std::weak_ordering(const Item&, const Item&)>;
    // Where a rebuild takes its items from, and whether an item is still among them.
    struct Source {
        std::function<QList<Item>()> values;
        std::function<bool(const Item&)> contains;
    };

    static constexpr qsizetype kNotFound = ZVSortedArrayChange::kNotFound;

    ZVSortedArray() = default;
    // 0 means no limit.
    explicit ZVSortedArray(qsizetype limitCount) : limitCount_(limitCount) {}
    virtual ~ZVSortedArray() = default;

    // The blocks are shared, so that two arrays can tell that they sort alike. Setting them does
    // not sort again: the owner sets them before filling.
    const std::shared_ptr<const Filter>& filterFunc() const { return filter_; }
    void setFilterFunc(Filter filter) {
        filter_ = filter ? std::make_shared<const Filter>(std::move(filter)) : nullptr;
    }
    void setFilterFunc(std::shared_ptr<const Filter> filter) { filter_ = std::move(filter); }
    const std::shared_ptr<const Comparator>& comparator() const { return comparator_; }
    void setComparator(Comparator comparator) {
        comparator_ = std::make_shared<const Comparator>(std::move(comparator));
    }
    void setComparator(std::shared_ptr<const Comparator> comparator) {
        comparator_ = std::move(comparator);
    }

    qsizetype limitCount() const { return limitCount_; }
    // A different limit rebuilds from the source.
    void setLimitCount(qsizetype limitCount) {
        if (limitCount != limitCount_) {
            limitCount_ = limitCount;
            applyChanges(std::nullopt);
        }
    }
    // Set when the limit left an item out; cleared by every rebuild.
    bool isLimited() const { return isLimited_; }

    // A copy of the list becomes the source, and the items are rebuilt from it.
    void setSourceArray(QList<Item> array) {
        auto shared = std::make_shared<const QList<Item>>(std::move(array));
        setSource(Source{[shared] { return *shared; },
                         [shared](const Item& item) { return shared->contains(item); }});
    }
    // A source kept elsewhere (a session's map); none leaves the items absent.
    void setSource(std::optional<Source> source) {
        source_ = std::move(source);
        if (source_) {
            populateFromArray(source_->values());
        } else {
            items_.reset();
        }
    }
    bool hasSource() const { return source_.has_value(); }

    // --- reading ---

    bool isFilled() const { return items_.has_value(); }
    const QList<Item>& items() const {
        static const QList<Item> none;
        return items_ ? *items_ : none;
    }
    qsizetype count() const { return items_ ? items_->size() : 0; }
    Item lastObject() const { return count() > 0 ? items_->last() : nullptr; }
    const Item& operator[](qsizetype index) const { return items_->at(index); }
    auto begin() const { return items().begin(); }
    auto end() const { return items().end(); }

    // The index of the first item that sorts the same as `item` (not necessarily `item`).
    qsizetype indexOfObject(const Item& item) const {
        const qsizetype index = insertionIndexForItem(item);
        return index < count() && compare(item, items_->at(index)) == 0 ? index : kNotFound;
    }
    // Where `item` goes: before any item that sorts the same.
    qsizetype insertionIndexForItem(const Item& item) const {
        return insertionIndexForItem(item, 0, count());
    }
    qsizetype insertionIndexForItem(const Item& item, qsizetype from, qsizetype to) const {
        if (!items_) {
            return 0;
        }
        const auto first = items_->cbegin() + from;
        const auto found =
            std::lower_bound(first, items_->cbegin() + to, item,
                             [this](const Item& a, const Item& b) { return compare(a, b) < 0; });
        return found - items_->cbegin();
    }

    // --- adding and removing ---

    bool addItem(const Item& item) { return addItem(item, false); }
    // False when the filter refuses the item, the limit leaves it out, or (without duplicates) the
    // item at its place sorts the same.
    virtual bool addItem(const Item& item, bool allowDuplicates) {
        if (filter_ && !(*filter_)(item)) {
            return false;
        }
        if (!items_) {
            items_.emplace();
        }
        const qsizetype index = insertionIndexForItem(item);
        if (limitCount_ >= 1 && index >= limitCount_) {
            isLimited_ = true;
            return false;
        }
        if (!allowDuplicates && index < count() && compare(item, items_->at(index)) == 0) {
            return false;
        }
        items_->insert(index, item);
        dropBeyondLimit();
        return true;
    }
    void addFromArray(const QList<Item>& items, bool allowDuplicates = false) {
        for (const Item& item : items) {
            addItem(item, allowDuplicates);
        }
    }
    // Another array's items; when it sorts and filters alike and its items fit in one gap of this
    // one, they go in at once.
    void addFromSortedArray(const ZVSortedArray& other) {
        if (other.count() == 0) {
            return;
        }
        if (other.filter_ == filter_ && other.comparator_ == comparator_) {
            const qsizetype first = insertionIndexForItem(other.items_->first());
            const qsizetype last = insertionIndexForItem(other.items_->last());
            if (first == last) {
                if (!items_) {
                    items_.emplace();
                }
                for (qsizetype i = 0; i < other.count(); ++i) {
                    items_->insert(first + i, other.items_->at(i));
                }
                while (limitCount_ >= 1 && count() > limitCount_) {
                    items_->removeLast();
                    isLimited_ = true;
                }
                return;
            }
        }
        addFromArray(*other.items_);
    }
    // Removes every entry of the item; the limit is not refilled.
    virtual void removeItem(const Item& item) {
        if (items_) {
            items_->removeAll(item);
        }
    }

    // The items become the list's, sorted (and with a filter, filtered), cut at the limit.
    void populateFromArray(const QList<Item>& list) {
        isLimited_ = false;
        items_.emplace();
        if (!filter_) {
            *items_ = list;
            std::stable_sort(items_->begin(), items_->end(),
                             [this](const Item& a, const Item& b) { return compare(a, b) < 0; });
            dropBeyondLimit();
            return;
        }
        items_->reserve(list.size());
        for (const Item& item : list) {
            addItem(item, true);
        }
    }

    // --- changes ---

    // Puts one changed item where it now belongs, or takes it out.
    virtual ZVSortedArrayChange applyChange(const Item& item) {
        if (!items_) {
            items_.emplace();
        }
        const bool belongs = itemBelongs(item);
        const qsizetype old = items_->indexOf(item);
        if (old != kNotFound) {
            const bool afterPrevious = old == 0 || compare(items_->at(old - 1), item) < 0;
            const bool beforeNext = old == count() - 1 || compare(item, items_->at(old + 1)) < 0;
            if (belongs && afterPrevious && beforeNext) {
                return {false, old, old};
            }
            items_->removeAt(old);
        }
        if (!belongs) {
            return {false, old, kNotFound};
        }
        const qsizetype index = insertionIndexForItem(item);
        if (limitCount_ >= 1 && index >= limitCount_) {
            return {false, old, kNotFound};
        }
        items_->insert(index, item);
        if (limitCount_ >= 1 && count() > limitCount_) {
            items_->removeLast();
            isLimited_ = true;
            return {true, old, old};
        }
        return {false, old, index};
    }

    // Several changed items (or none given) rebuild the list; one is applied in place. A change
    // that may have left room in a cut list refills it from the source.
    ZVSortedArrayChange applyChanges(const std::optional<QList<Item>>& changed) {
        if (!items_) {
            return {false, kNotFound, kNotFound};
        }
        if (!changed || changed->size() >= 2) {
            rebuild();
            return {true, kNotFound, kNotFound};
        }
        if (changed->isEmpty()) {
            return {false, kNotFound, kNotFound};
        }
        const ZVSortedArrayChange change = applyChange(changed->first());
        if (change.fromIndex != change.toIndex && change.toIndex != kNotFound) {
            return {false, change.fromIndex, change.toIndex};
        }
        ZVSortedArrayChange result =
            change.fromIndex == change.toIndex
                ? ZVSortedArrayChange{change.needsReload, kNotFound, kNotFound}
                : ZVSortedArrayChange{false, change.fromIndex, kNotFound};
        if (isLimited_) {
            rebuild();
            result.needsReload = true;
        }
        return result;
    }

    // Spreads float weights around the item at `index` of a list ordered by rising weights, so
    // that it sits at least `minDistance` from its neighbours where the room allows: the range
    // around it grows towards the side with more items until the spacing fits or the whole list
    // is in it. `count` includes the placed item, whose own weight is never read.
    static void setWeightForItemIndex(qsizetype index,
                                      const std::function<float(qsizetype)>& getter,
                                      const std::function<void(qsizetype, float)>& setter,
                                      qsizetype count, float maxWeight, float minDistance) {
        qsizetype low = index;
        qsizetype high = index;
        const qsizetype last = count - 1;
        float below = 0;
        float spacing = 0;
        while (true) {
            below = low >= 1 ? getter(low - 1) : 0.0F;
            const float above = high < last ? getter(high + 1) : maxWeight;
            spacing = (above - below) / static_cast<float>(high - low + 2);
            if (spacing >= minDistance || (low == 0 && high == last)) {
                break;
            }
            if (low > last - high) {
                --low;
            } else {
                ++high;
            }
        }
        for (qsizetype i = low; i <= high; ++i) {
            setter(i, below + spacing * static_cast<float>(i - low + 1));
        }
    }

protected:
    int compare(const Item& a, const Item& b) const {
        const std::weak_ordering order = (*comparator_)(a, b);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }

private:
    bool itemBelongs(const Item& item) const {
        if (filter_ && !(*filter_)(item)) {
            return false;
        }
        if (source_ && source_->contains && !source_->contains(item)) {
            return false;
        }
        if constexpr (std::is_base_of_v<platform::ManagedObject, T>) {
            if (item->isDeleted()) {
                return false;
            }
        }
        return true;
    }
    void rebuild() { populateFromArray(source_ ? source_->values() : QList<Item>()); }
    void dropBeyondLimit() {
        if (limitCount_ >= 1 && count() > limitCount_) {
            items_->remove(limitCount_, count() - limitCount_);
            isLimited_ = true;
        }
    }

    std::optional<QList<Item>> items_;
    std::shared_ptr<const Filter> filter_;
    std::shared_ptr<const Comparator> comparator_;
    std::optional<Source> source_;
    qsizetype limitCount_ = 0;
    bool isLimited_ = false;
};
