#pragma once

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <cstdint>
#include <vector>

namespace platform {

struct SortDescriptor {
    QString key{};
    bool ascending = true;
};

// What to fetch. The predicate is a small language over the entity's attributes:
//
//   (conversation_id = $id) and (message_nr >= $from) and not (tags < 32768)
//
// Comparisons are `key op value` with = == != <> < <= > >= (=< and => too); values are $variables,
// numbers, 'text' or "text", nil/NULL and TRUE/FALSE/YES/NO; and, or, not (&&, ||, !) combine them.
// A to-one relationship can be compared with = or != to nil or to an object variable.
//
// Missing values: = and != treat no value as a value of its own (`count = nil` finds it, `count !=
// 0` includes it); an ordering comparison with no value is unknown and never matches, also under
// `not`.
//
// Each distinct (entity, predicate, sort) is a shape, compiled and prepared once per context; the
// variables change per fetch. A predicate the store does not understand fails at its first use.
struct FetchRequest {
    QString entityName{};
    QString predicate{};  // empty: every object
    QVariantMap variables{};
    std::vector<SortDescriptor> sortDescriptors{};
    std::int64_t fetchLimit = 0;  // 0: no limit
    std::int64_t fetchOffset = 0;
};

}  // namespace platform
