#include "Analytics/Library/ZACoreDataUtil.h"

#include "platform/store/AttributeDescription.h"

#include <QtCore/QVariantList>

namespace {

using platform::AttributeType;

QVariantMap attribute(const QString& name, AttributeType type, bool indexed, bool optional) {
    return {{QStringLiteral("name"), name},
            {QStringLiteral("attributeType"), static_cast<int>(type)},
            {QStringLiteral("indexed"), indexed},
            {QStringLiteral("optional"), optional}};
}

QVariantMap entity(const QString& name, const QVariantList& properties) {
    return {{QStringLiteral("name"), name},
            {QStringLiteral("managedObjectClassName"), name},
            {QStringLiteral("properties"), properties}};
}

}  // namespace

QVariantMap ZACoreDataUtil::modelDescription() {
    // The parameters dictionary is kept as its JSON text.
    const QVariantList hit = {
        attribute(QStringLiteral("timestamp"), AttributeType::Date, true, true),
        attribute(QStringLiteral("parameters"), AttributeType::Binary, false, true)};
    return {{QStringLiteral("entities"), QVariantList{entity(QStringLiteral("ZAHit"), hit)}}};
}

QVariantMap ZACoreDataUtil::oldModelDescription() {
    const QVariantList property = {
        attribute(QStringLiteral("name"), AttributeType::String, true, false),
        attribute(QStringLiteral("string"), AttributeType::String, false, true),
        attribute(QStringLiteral("number"), AttributeType::Integer64, false, true),
        attribute(QStringLiteral("zaVersion"), AttributeType::String, true, false)};
    const QVariantList hit = {
        attribute(QStringLiteral("timestamp"), AttributeType::Date, true, false),
        attribute(QStringLiteral("parametersData"), AttributeType::Binary, false, false),
        attribute(QStringLiteral("dispatchUrl"), AttributeType::String, true, false),
        attribute(QStringLiteral("zaVersion"), AttributeType::String, true, false)};
    return {
        {QStringLiteral("entities"), QVariantList{entity(QStringLiteral("ZAProperty"), property),
                                                  entity(QStringLiteral("ZAHit"), hit)}}};
}

std::shared_ptr<platform::ManagedObjectModel> ZACoreDataUtil::modelWithDescription(
    const QVariantMap& description) {
    auto model = std::make_shared<platform::ManagedObjectModel>();
    const QVariantList entities = description.value(QStringLiteral("entities")).toList();
    for (const QVariant& entityValue : entities) {
        const QVariantMap entityDescription = entityValue.toMap();
        auto& added = model->addEntity(entityDescription.value(QStringLiteral("name")).toString());
        const QVariantList properties =
            entityDescription.value(QStringLiteral("properties")).toList();
        for (const QVariant& propertyValue : properties) {
            const QVariantMap property = propertyValue.toMap();
            const int type = property.value(QStringLiteral("attributeType")).toInt();
            if (!platform::isKnownAttributeType(type)) {
                return nullptr;
            }
            platform::AttributeOptions options;
            options.indexed = property.value(QStringLiteral("indexed")).toBool();
            options.optional = property.value(QStringLiteral("optional"), true).toBool();
            added.addAttribute(property.value(QStringLiteral("name")).toString(),
                               static_cast<AttributeType>(type), options);
        }
    }
    return model;
}

std::shared_ptr<const platform::ManagedObjectModel> ZACoreDataUtil::model() {
    static const std::shared_ptr<const platform::ManagedObjectModel> built =
        modelWithDescription(modelDescription());
    return built;
}

std::shared_ptr<const platform::ManagedObjectModel> ZACoreDataUtil::oldModel() {
    static const std::shared_ptr<const platform::ManagedObjectModel> built =
        modelWithDescription(oldModelDescription());
    return built;
}
