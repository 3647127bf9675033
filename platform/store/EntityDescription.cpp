#include "platform/store/EntityDescription.h"

#include "platform/store/ManagedObject.h"

namespace platform {

EntityDescription::EntityDescription(QString name, int index)
    : name_(std::move(name)), index_(index) {}

int EntityDescription::addAttribute(const QString& name, AttributeType type,
                                    const AttributeOptions& options) {
    if (attributeByName_.contains(name) || relationship(name)) {
        problems_ << QStringLiteral("%1.%2 is declared twice").arg(name_, name);
        return attributeByName_.value(QStringView(name), -1);
    }
    AttributeDescription attribute;
    attribute.name = name;
    attribute.type = type;
    attribute.optional = options.optional;
    attribute.indexed = options.indexed;
    attribute.transient = options.transient;
    attribute.index = static_cast<int>(attributes_.size());
    if (!isKnownAttributeType(static_cast<int>(type))) {
        problems_ << QStringLiteral("%1.%2 has the unknown type %3")
                         .arg(name_, name)
                         .arg(static_cast<int>(type));
    } else if (options.defaultValue.isValid()) {
        bool ok = false;
        attribute.defaultValue = storeValueFromVariant(options.defaultValue, type, &ok);
        if (!ok) {
            problems_ << QStringLiteral("%1.%2 has a default of the wrong kind").arg(name_, name);
        }
    } else if (type == AttributeType::Boolean) {
        attribute.defaultValue = StoreValue::boolean(false);
    }
    if (!attribute.transient) {
        stored_.push_back(attribute.index);
        if (!attribute.optional) {
            required_.push_back(attribute.index);
        }
    }
    attributes_.push_back(std::move(attribute));
    attributeByName_.insert(QStringView(attributes_.back().name), attributes_.back().index);
    return attributes_.back().index;
}

void EntityDescription::addIndex(const QStringList& attributes, bool unique) {
    indexes_.push_back({attributes, unique});
}

std::shared_ptr<ManagedObject> EntityDescription::makeObject() const {
    if (factory_) {
        return factory_(*this);
    }
    return std::make_shared<ManagedObject>(*this);
}

const AttributeDescription* EntityDescription::attribute(QStringView name) const {
    const int index = attributeIndex(name);
    return index < 0 ? nullptr : &attributes_[static_cast<std::size_t>(index)];
}

int EntityDescription::attributeIndex(QStringView name) const {
    const auto it = attributeByName_.constFind(name);
    return it == attributeByName_.cend() ? -1 : *it;
}

const RelationshipDescription* EntityDescription::relationship(QStringView name) const {
    for (const auto& relationship : relationships_) {
        if (relationship->name == name) {
            return relationship.get();
        }
    }
    return nullptr;
}

RelationshipDescription& EntityDescription::addRelationship(const QString& name) {
    if (attributeByName_.contains(name) || relationship(name)) {
        problems_ << QStringLiteral("%1.%2 is declared twice").arg(name_, name);
    }
    auto relationship = std::make_unique<RelationshipDescription>();
    relationship->name = name;
    relationship->entity = this;
    relationships_.push_back(std::move(relationship));
    return *relationships_.back();
}

}  // namespace platform
