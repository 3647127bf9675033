#pragma once

#include "platform/store/AttributeDescription.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class EntityDescription;
class ManagedObject;

// What deleting an object does to the objects of its to-many relationship, and what replacing the
// set does to the objects that leave it: Nullify clears their to-one side, Cascade deletes them
// (they belong to the owner).
enum class DeleteRule { Nullify, Cascade };

// One side of a to-many relationship and its inverse to-one (Conversation.members and
// Member.conversation). The to-one side is a column holding the destination's row; the to-many
// side is the set of rows that point back.
struct RelationshipDescription {
    QString name;
    bool toMany = false;
    bool optional = true;
    DeleteRule deleteRule = DeleteRule::Nullify;
    const EntityDescription* entity = nullptr;
    const EntityDescription* destination = nullptr;
    const RelationshipDescription* inverse = nullptr;
    // Position among the entity's to-one relationships; -1 on the to-many side.
    int slot = -1;
};

struct IndexDescription {
    QStringList attributes;
    bool unique = false;
};

// One entity of the model: its attributes, relationships and indexes, and the C++ class its objects
// are made of.
class EntityDescription {
public:
    using Factory = std::function<std::shared_ptr<ManagedObject>(const EntityDescription&)>;

    explicit EntityDescription(QString name, int index);
    EntityDescription(const EntityDescription&) = delete;
    EntityDescription& operator=(const EntityDescription&) = delete;

    const QString& name() const { return name_; }
    // Position in the model.
    int index() const { return index_; }

    // Adds an attribute and returns its index for the fast accessors of ManagedObject.
    int addAttribute(const QString& name, AttributeType type, const AttributeOptions& options = {});
    // An index over several attributes (a single attribute can also say `indexed`).
    void addIndex(const QStringList& attributes, bool unique = false);

    // Objects of this entity are made as T, which must take the description in its constructor.
    template <class T>
    void setObjectClass() {
        factory_ = [](const EntityDescription& entity) { return std::make_shared<T>(entity); };
    }
    void setFactory(Factory factory) { factory_ = std::move(factory); }
    // An object of the registered class, or a plain ManagedObject when none is registered.
    std::shared_ptr<ManagedObject> makeObject() const;

    const std::vector<AttributeDescription>& attributes() const { return attributes_; }
    const AttributeDescription* attribute(QStringView name) const;
    // -1 for a name that is not an attribute.
    int attributeIndex(QStringView name) const;
    const std::vector<std::unique_ptr<RelationshipDescription>>& relationships() const {
        return relationships_;
    }
    const RelationshipDescription* relationship(QStringView name) const;
    // The to-one relationships by slot.
    const std::vector<const RelationshipDescription*>& toOneRelationships() const { return toOne_; }
    const std::vector<IndexDescription>& indexes() const { return indexes_; }
    // Indexes of the attributes that are columns, in column order.
    const std::vector<int>& storedAttributes() const { return stored_; }
    // The attributes that a save requires.
    const std::vector<int>& requiredAttributes() const { return required_; }

private:
    friend class ManagedObjectModel;
    RelationshipDescription& addRelationship(const QString& name);

    QString name_;
    int index_;
    std::vector<AttributeDescription> attributes_;
    // Views of the names held by attributes_: a QString keeps its characters where they are when
    // the vector moves it, so lookups need no copy of the name asked for.
    QHash<QStringView, int> attributeByName_;
    std::vector<std::unique_ptr<RelationshipDescription>> relationships_;
    std::vector<const RelationshipDescription*> toOne_;
    std::vector<IndexDescription> indexes_;
    std::vector<int> stored_;
    std::vector<int> required_;
    Factory factory_;
    // Problems found while building, reported by ManagedObjectModel::validate().
    QStringList problems_;
};

}  // namespace platform
