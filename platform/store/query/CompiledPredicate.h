#pragma once

#include "platform/store/EntityDescription.h"
#include "platform/store/StoreError.h"
#include "platform/store/StoreValue.h"

#include <QtCore/QString>
#include <QtCore/QVariantMap>

#include <memory>
#include <utility>
#include <vector>

struct sqlite3_stmt;

namespace platform {
class ManagedObject;
}

namespace platform::detail {

// The value of one parameter of a compiled predicate for one fetch.
struct BoundParam {
    StoreValue value;
    // For comparisons of a to-one relationship with an object.
    const ManagedObject* object = nullptr;
};

// A predicate parsed against one entity: SQL for the file and the same test for objects in memory
// (unsaved ones), with SQL's rules for missing values in both.
class CompiledPredicate {
public:
    static StoreResult<std::shared_ptr<const CompiledPredicate>> compile(
        const QString& format, const EntityDescription& entity);
    // "<toOne> = $object", for the objects of a to-many relationship.
    static std::shared_ptr<const CompiledPredicate> toOneEquals(
        const RelationshipDescription& toOne);

    // The condition for WHERE; empty when every object matches. Parameter n is ?n.
    const QString& whereSql() const { return sql_; }
    int slotCount() const { return static_cast<int>(slots_.size()); }

    std::shared_ptr<StoreError> bindVariables(const QVariantMap& variables,
                                              std::vector<BoundParam>& params) const;
    void bind(sqlite3_stmt* stmt, const std::vector<BoundParam>& params) const;
    // Whether the object's current values (or, with `committed`, its saved ones) match.
    bool matches(const ManagedObject& object, const std::vector<BoundParam>& params,
                 bool committed) const;
    // The attributes that the predicate needs equal to a value in every case (the comparisons
    // "attribute = value" that its top-level "and" holds), sorted, with their slots: an object
    // whose values differ there never matches. Empty when there are none.
    const std::vector<std::pair<int, int>>& equalityKey() const { return equalityKey_; }

    enum class Op { Eq, Ne, Lt, Le, Gt, Ge };

private:
    friend class PredicateParser;

    enum class Truth { False, True, Unknown };

    struct Slot {
        QString variable;  // empty for a literal
        StoreValue literal;
        const AttributeDescription* attribute = nullptr;
        const RelationshipDescription* relationship = nullptr;
    };

    struct Node {
        enum class Kind { And, Or, Not, Compare } kind = Kind::Compare;
        std::vector<Node> children;
        int attribute = -1;
        int relationshipSlot = -1;
        Op op = Op::Eq;
        int slot = -1;
    };

    Truth evaluate(const Node& node, const ManagedObject& object,
                   const std::vector<BoundParam>& params, bool committed) const;
    QString sqlFor(const Node& node) const;
    void collectEqualities(const Node& node);

    QString format_;
    const EntityDescription* entity_ = nullptr;
    bool empty_ = true;
    Node root_;
    std::vector<Slot> slots_;
    QString sql_;
    std::vector<std::pair<int, int>> equalityKey_;
};

}  // namespace platform::detail
