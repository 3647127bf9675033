#pragma once

#include "ZelvoKit/model/ZVManagedObject.h"

#include "platform/store/ManagedObjectModel.h"

#include <QtCore/QString>

#include <functional>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

// The entities of an account's store, gathered from the classes that describe them. Each entity
// is added at start-up (ZVStartUpModel), never from a static initializer, which the linker may drop
// from a static library:
//
//   ZVDataModel::shared().addEntity<Message>(u"Message"_s, &Message::describeAttributes);
//
// The model is built from what was added when a repository first asks for it, and again after
// anything is added. Main thread only.
class ZVDataModel {
public:
    using DescribeEntity = std::function<void(platform::EntityDescription&)>;

    // The model of every account's store.
    static ZVDataModel& shared();

    ZVDataModel() = default;
    ZVDataModel(const ZVDataModel&) = delete;
    ZVDataModel& operator=(const ZVDataModel&) = delete;

    // An entity whose objects are made as T; an entity of the ZVManagedObject kind also gets the
    // base's attributes. Adding a name again replaces its description.
    template <class T>
    void addEntity(const QString& name, DescribeEntity describe);
    // Relationships are added after every entity, whatever the order of the calls. Adding one of
    // the same entity and name again replaces it.
    void addRelationship(const platform::RelationshipSpec& spec);
    // A step of the migration ladder; the model's version is the highest step's (1 without any).
    void addMigration(int toVersion, platform::MigrationStep step);

    // The model of what was added; null (and logged) when it contradicts itself.
    std::shared_ptr<const platform::ManagedObjectModel> model();

private:
    struct Entity {
        QString name;
        std::function<void(platform::ManagedObjectModel&)> add;
    };
    void addEntityDescription(const QString& name,
                              std::function<void(platform::ManagedObjectModel&)> add);

    std::vector<Entity> entities_;
    std::vector<platform::RelationshipSpec> relationships_;
    std::map<int, platform::MigrationStep> migrations_;
    std::shared_ptr<const platform::ManagedObjectModel> model_;
};

template <class T>
void ZVDataModel::addEntity(const QString& name, DescribeEntity describe) {
    static_assert(std::is_base_of_v<platform::ManagedObject, T>);
    addEntityDescription(
        name, [name, describe = std::move(describe)](platform::ManagedObjectModel& model) {
            platform::EntityDescription* entity = nullptr;
            if constexpr (std::is_base_of_v<ZVManagedObject, T>) {
                entity = &ZVManagedObject::addEntity<T>(model, name);
            } else {
                entity = &model.addEntity(name);
                entity->setObjectClass<T>();
            }
            if (describe) {
                describe(*entity);
            }
        });
}
