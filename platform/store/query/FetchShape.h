#pragma once

#include "platform/store/query/CompiledPredicate.h"

#include <QtCore/QString>

#include <memory>
#include <utility>
#include <vector>

namespace platform::detail {

// One kind of fetch (entity, predicate, sort), compiled once per context; its statements are
// prepared on first use and kept.
struct FetchShape {
    const EntityDescription* entity = nullptr;
    std::shared_ptr<const CompiledPredicate> predicate;
    // Attribute index and ascending.
    std::vector<std::pair<int, bool>> sort;
    QString selectSql;
    QString countSql;
    // The context's key of unsaved objects for the predicate's equalities (-1 for none), the
    // predicate's slots in the key's attribute order, and whether the key holds a unique index,
    // so that an unsaved object found under it is the only possible answer.
    int pendingKey = -1;
    std::vector<int> pendingKeySlots;
    bool uniqueKey = false;
};

}  // namespace platform::detail
