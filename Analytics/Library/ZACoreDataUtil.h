#pragma once

#include "platform/store/ManagedObjectModel.h"

#include <QtCore/QVariantMap>

#include <memory>

// The hit store's two models, built in code from their descriptions. Class operations only.
class ZACoreDataUtil {
public:
    ZACoreDataUtil() = delete;

    // {"entities": [{"name", "managedObjectClassName", "properties": [{"name", "attributeType",
    // "indexed", "optional"}]}]}, attribute types by the platform's numbers.
    static QVariantMap modelDescription();
    static QVariantMap oldModelDescription();
    // Null when a description names an unknown attribute type.
    static std::shared_ptr<platform::ManagedObjectModel> modelWithDescription(
        const QVariantMap& description);
    static std::shared_ptr<const platform::ManagedObjectModel> model();
    static std::shared_ptr<const platform::ManagedObjectModel> oldModel();
};
