#include "ZelvoKit/model/ZVDataModel.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <algorithm>

ZVDataModel& ZVDataModel::shared() {
    static ZVDataModel model;
    return model;
}

void ZVDataModel::addEntityDescription(const QString& name,
                                       std::function<void(platform::ManagedObjectModel&)> add) {
    const auto existing = std::find_if(entities_.begin(), entities_.end(),
                                       [&](const Entity& entity) { return entity.name == name; });
    if (existing != entities_.end()) {
        existing->add = std::move(add);
    } else {
        entities_.push_back({name, std::move(add)});
    }
    model_.reset();
}

void ZVDataModel::addRelationship(const platform::RelationshipSpec& spec) {
    // Adding one again replaces it, as for entities, so that start-up may run twice.
    const auto same =
        std::find_if(relationships_.begin(), relationships_.end(),
                     [&spec](const platform::RelationshipSpec& added) {
                         return added.entity == spec.entity && added.name == spec.name;
                     });
    if (same != relationships_.end()) {
        *same = spec;
    } else {
        relationships_.push_back(spec);
    }
    model_.reset();
}

void ZVDataModel::addMigration(int toVersion, platform::MigrationStep step) {
    migrations_[toVersion] = std::move(step);
    model_.reset();
}

std::shared_ptr<const platform::ManagedObjectModel> ZVDataModel::model() {
    if (model_) {
        return model_;
    }
    const int version = migrations_.empty() ? 1 : std::max(1, migrations_.rbegin()->first);
    auto model = std::make_shared<platform::ManagedObjectModel>(version);
    for (const Entity& entity : entities_) {
        entity.add(*model);
    }
    for (const platform::RelationshipSpec& spec : relationships_) {
        model->addRelationship(spec);
    }
    for (const auto& [toVersion, step] : migrations_) {
        model->addMigration(toVersion, step);
    }
    if (const auto error = model->validate()) {
        ZVLogError(u"Data model: %@", error->description());
        return nullptr;
    }
    model_ = model;
    return model_;
}
