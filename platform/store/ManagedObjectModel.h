#pragma once

#include "platform/store/EntityDescription.h"
#include "platform/store/StoreError.h"

#include <functional>
#include <map>
#include <memory>
#include <vector>

struct sqlite3;

namespace platform {

class StoreMigration;

// One step of the migration ladder: brings a file from version `toVersion - 1` to `toVersion`.
// It runs in its own transaction, together with raising the file's version.
using MigrationStep = std::function<std::shared_ptr<StoreError>(StoreMigration&)>;

// The pair of relationships that ManagedObjectModel::addRelationship creates.
struct RelationshipSpec {
    QString entity{};       // the entity of the to-one side ("Member")
    QString name{};         // the to-one side ("conversation")
    QString destination{};  // its destination, which gets the to-many side ("Conversation")
    QString inverseName{};  // the to-many side ("members")
    bool optional = true;   // whether a save accepts a to-one side without an object
    DeleteRule deleteRule = DeleteRule::Nullify;
};

// The entities of a store, built in code at start-up and then shared, unchanged, by every context
// (also on other threads).
//
// The file keeps the model's version as its user_version. Opening a file of an older version runs
// the steps of the ladder from the file's version up, each in one transaction; then tables, columns
// and indexes that the model has and the file lacks are added, so additive changes need no step.
class ManagedObjectModel {
public:
    explicit ManagedObjectModel(int version = 1) : version_(version) {}
    ManagedObjectModel(const ManagedObjectModel&) = delete;
    ManagedObjectModel& operator=(const ManagedObjectModel&) = delete;

    int version() const { return version_; }
    void setVersion(int version) { version_ = version; }

    EntityDescription& addEntity(const QString& name);
    void addRelationship(const RelationshipSpec& spec);
    void addMigration(int toVersion, MigrationStep step);

    const std::vector<std::unique_ptr<EntityDescription>>& entities() const { return entities_; }
    const EntityDescription* entity(QStringView name) const;
    EntityDescription* entity(QStringView name);
    // The step that reaches `toVersion`, or null when that version needs none.
    const MigrationStep* migration(int toVersion) const;

    // Null when the model is consistent; contexts refuse to open with an inconsistent model.
    std::shared_ptr<StoreError> validate() const;

private:
    int version_;
    std::vector<std::unique_ptr<EntityDescription>> entities_;
    std::map<int, MigrationStep> migrations_;
    QStringList problems_;
};

}  // namespace platform
