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
};

}  // namespace platform::detail
