#pragma once

#include "platform/store/StoreValue.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

namespace platform {
class ManagedObject;
}

namespace platform::detail {

struct BoundParam;

// A hash that values equal under StoreValue::compare share: a real with no fraction hashes as the
// integer it equals.
std::size_t equalityHash(const StoreValue& value, std::size_t seed);

// The unsaved objects of one entity, by the values of the attribute sets that fetches ask to be
// equal to something ("conversation_id = $id and message_nr = $nr"). Without it a fetch inside a
// unit of work of n new objects tests all n of them, which makes applying n records cost n².
//
// Buckets go by hash, so a fetch still tests each candidate with its predicate. Objects are held
// by the context's list of unsaved objects, and the index is emptied whenever that list is; an
// object whose key values change is only noted, and filed again before the next look-up.
class PendingObjectIndex {
public:
    PendingObjectIndex() = default;
    PendingObjectIndex(const PendingObjectIndex&) = delete;
    PendingObjectIndex& operator=(const PendingObjectIndex&) = delete;
    PendingObjectIndex(PendingObjectIndex&&) = default;
    PendingObjectIndex& operator=(PendingObjectIndex&&) = default;

    // The key over `attributes` (sorted attribute indexes), filled from `pending` when it is new.
    int keyFor(const std::vector<int>& attributes,
               const std::vector<std::shared_ptr<ManagedObject>>& pending);
    // Whether any key uses the attribute: only then does a change of it need noting.
    bool usesAttribute(int attribute) const {
        return attribute >= 0 && static_cast<std::size_t>(attribute) < usedAttributes_.size() &&
               usedAttributes_[static_cast<std::size_t>(attribute)];
    }
    // An object that became unsaved, or one whose key values changed.
    void noteChanged(ManagedObject& object);
    // The objects filed under the values of `params` at `keySlots` (in the key's attribute order).
    const std::vector<ManagedObject*>& candidates(int key, const std::vector<BoundParam>& params,
                                                  const std::vector<int>& keySlots);
    void clear();

private:
    struct Key {
        std::vector<int> attributes;
        std::unordered_map<std::size_t, std::vector<ManagedObject*>> buckets;
        std::unordered_map<const ManagedObject*, std::size_t> filedUnder;
    };

    static std::size_t hashOf(const Key& key, const ManagedObject& object);
    static void file(Key& key, ManagedObject& object);
    void fileChanged();

    std::vector<Key> keys_;
    std::vector<bool> usedAttributes_;
    std::vector<ManagedObject*> changed_;
};

}  // namespace platform::detail
