#include "platform/store/query/PendingObjectIndex.h"

#include "platform/store/ManagedObject.h"
#include "platform/store/query/CompiledPredicate.h"

#include <QtCore/QHashFunctions>

#include <algorithm>
#include <bit>
#include <cmath>

namespace platform::detail {

namespace {

const std::vector<ManagedObject*> kNoObjects;

std::size_t combine(std::size_t seed, std::size_t value) {
    return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

}  // namespace

std::size_t equalityHash(const StoreValue& value, std::size_t seed) {
    constexpr double kTwoTo63 = 9223372036854775808.0;
    switch (value.kind()) {
        case StoreValue::Kind::Null:
            return combine(seed, 0);
        case StoreValue::Kind::Integer:
            return combine(seed, qHash(value.toInteger()));
        case StoreValue::Kind::Real: {
            const double real = value.toReal();
            if (std::trunc(real) == real && real >= -kTwoTo63 && real < kTwoTo63) {
                return combine(seed, qHash(static_cast<std::int64_t>(real)));
            }
            return combine(seed, qHash(std::bit_cast<std::uint64_t>(real)));
        }
        case StoreValue::Kind::Text:
            return combine(seed, qHash(value.toText()));
        case StoreValue::Kind::Blob:
            return combine(seed, qHash(value.toBlob()));
    }
    return seed;
}

int PendingObjectIndex::keyFor(const std::vector<int>& attributes,
                               const std::vector<std::shared_ptr<ManagedObject>>& pending) {
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (keys_[i].attributes == attributes) {
            return static_cast<int>(i);
        }
    }
    // Objects noted before this key existed are filed below; filing them again is harmless.
    fileChanged();
    Key& key = keys_.emplace_back();
    key.attributes = attributes;
    for (int attribute : attributes) {
        if (usedAttributes_.size() <= static_cast<std::size_t>(attribute)) {
            usedAttributes_.resize(static_cast<std::size_t>(attribute) + 1, false);
        }
        usedAttributes_[static_cast<std::size_t>(attribute)] = true;
    }
    for (const auto& object : pending) {
        file(key, *object);
    }
    return static_cast<int>(keys_.size()) - 1;
}

void PendingObjectIndex::noteChanged(ManagedObject& object) {
    if (keys_.empty() || object.keyChangeNoted_) {
        return;
    }
    object.keyChangeNoted_ = true;
    changed_.push_back(&object);
}

const std::vector<ManagedObject*>& PendingObjectIndex::candidates(
    int key, const std::vector<BoundParam>& params, const std::vector<int>& keySlots) {
    fileChanged();
    const Key& k = keys_[static_cast<std::size_t>(key)];
    std::size_t hash = 0;
    for (int slot : keySlots) {
        hash = equalityHash(params[static_cast<std::size_t>(slot)].value, hash);
    }
    const auto it = k.buckets.find(hash);
    return it == k.buckets.end() ? kNoObjects : it->second;
}

void PendingObjectIndex::clear() {
    for (ManagedObject* object : changed_) {
        object->keyChangeNoted_ = false;
    }
    changed_.clear();
    for (Key& key : keys_) {
        key.buckets.clear();
        key.filedUnder.clear();
    }
}

std::size_t PendingObjectIndex::hashOf(const Key& key, const ManagedObject& object) {
    std::size_t hash = 0;
    for (int attribute : key.attributes) {
        hash = equalityHash(object.storeValue(attribute), hash);
    }
    return hash;
}

void PendingObjectIndex::file(Key& key, ManagedObject& object) {
    const std::size_t hash = hashOf(key, object);
    const auto [filed, inserted] = key.filedUnder.try_emplace(&object, hash);
    if (!inserted) {
        if (filed->second == hash) {
            return;
        }
        if (const auto old = key.buckets.find(filed->second); old != key.buckets.end()) {
            auto& bucket = old->second;
            bucket.erase(std::remove(bucket.begin(), bucket.end(), &object), bucket.end());
            if (bucket.empty()) {
                key.buckets.erase(old);
            }
        }
        filed->second = hash;
    }
    key.buckets[hash].push_back(&object);
}

void PendingObjectIndex::fileChanged() {
    for (ManagedObject* object : changed_) {
        object->keyChangeNoted_ = false;
        for (Key& key : keys_) {
            file(key, *object);
        }
    }
    changed_.clear();
}

}  // namespace platform::detail
