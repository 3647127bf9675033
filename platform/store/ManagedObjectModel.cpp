#include "platform/store/ManagedObjectModel.h"

#include <QtCore/QRegularExpression>
#include <QtCore/QSet>

namespace platform {

namespace {

// Names become quoted SQL identifiers; keeping them plain also keeps them readable in the file.
// A leading underscore is the store's own (the row id column).
bool isPlainName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    return pattern.match(name).hasMatch();
}

}  // namespace

EntityDescription& ManagedObjectModel::addEntity(const QString& name) {
    if (entity(name)) {
        problems_ << QStringLiteral("entity %1 is declared twice").arg(name);
    }
    entities_.push_back(
        std::make_unique<EntityDescription>(name, static_cast<int>(entities_.size())));
    return *entities_.back();
}

void ManagedObjectModel::addRelationship(const RelationshipSpec& spec) {
    EntityDescription* source = entity(spec.entity);
    EntityDescription* destination = entity(spec.destination);
    if (!source || !destination) {
        problems_ << QStringLiteral("relationship %1.%2 names an unknown entity")
                         .arg(spec.entity, spec.name);
        return;
    }
    RelationshipDescription& toOne = source->addRelationship(spec.name);
    RelationshipDescription& toMany = destination->addRelationship(spec.inverseName);
    toOne.toMany = false;
    toOne.optional = spec.optional;
    toOne.destination = destination;
    toOne.inverse = &toMany;
    toOne.slot = static_cast<int>(source->toOne_.size());
    source->toOne_.push_back(&toOne);
    toMany.toMany = true;
    toMany.deleteRule = spec.deleteRule;
    toMany.destination = source;
    toMany.inverse = &toOne;
}

void ManagedObjectModel::addMigration(int toVersion, MigrationStep step) {
    migrations_[toVersion] = std::move(step);
}

const EntityDescription* ManagedObjectModel::entity(QStringView name) const {
    for (const auto& entity : entities_) {
        if (entity->name() == name) {
            return entity.get();
        }
    }
    return nullptr;
}

EntityDescription* ManagedObjectModel::entity(QStringView name) {
    return const_cast<EntityDescription*>(std::as_const(*this).entity(name));
}

const MigrationStep* ManagedObjectModel::migration(int toVersion) const {
    const auto it = migrations_.find(toVersion);
    return it == migrations_.end() ? nullptr : &it->second;
}

std::shared_ptr<StoreError> ManagedObjectModel::validate() const {
    QStringList problems = problems_;
    if (version_ < 1) {
        problems << QStringLiteral("the model's version must be 1 or more");
    }
    for (const auto& entity : entities_) {
        problems << entity->problems_;
        if (!isPlainName(entity->name())) {
            problems
                << QStringLiteral("entity name \"%1\" is not a plain name").arg(entity->name());
        }
        for (const auto& attribute : entity->attributes()) {
            if (!isPlainName(attribute.name)) {
                problems << QStringLiteral("%1.%2 is not a plain name")
                                .arg(entity->name(), attribute.name);
            }
        }
        for (const auto& relationship : entity->relationships()) {
            if (!isPlainName(relationship->name)) {
                problems << QStringLiteral("%1.%2 is not a plain name")
                                .arg(entity->name(), relationship->name);
            }
        }
        for (const auto& index : entity->indexes()) {
            if (index.attributes.isEmpty()) {
                problems << QStringLiteral("an index of %1 has no attributes").arg(entity->name());
            }
            for (const auto& name : index.attributes) {
                const auto* attribute = entity->attribute(name);
                const auto* relationship = entity->relationship(name);
                const bool column =
                    (attribute && !attribute->transient) || (relationship && !relationship->toMany);
                if (!column) {
                    problems << QStringLiteral("an index of %1 names %2, which is not stored")
                                    .arg(entity->name(), name);
                }
            }
        }
    }
    if (problems.isEmpty()) {
        return nullptr;
    }
    return StoreError::make(
        StoreError::Code::InvalidModel,
        QStringLiteral("invalid model: ") + problems.join(QStringLiteral("; ")));
}

}  // namespace platform
