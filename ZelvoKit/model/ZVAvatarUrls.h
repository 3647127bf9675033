#pragma once

#include <QtCore/QString>
#include <QtCore/QStringView>

#include <optional>

class QJsonObject;
class ZVJsonParser;
class ZVManagedObject;

// The avatar URLs of a contact or hook, chosen by the screen's scale from the "avatar_urls"
// object of sizes ("size_50", "size_100", and a large one that depends on the entity).
struct ZVAvatarUrls {
    QString large;
    QString small;

    // From the stored JSON text; none for no text, text that is not JSON, or not an object.
    static ZVAvatarUrls fromText(const QString& text, QStringView largeKey);
    static ZVAvatarUrls fromObject(const QJsonObject& sizes, QStringView largeKey);

    // Stores the record's "avatar_urls" as JSON text in the attribute: the service sends it as a
    // JSON string or as an object. An absent or null value keeps the stored text; a value of
    // another kind leaves the reader's error. Returns the URLs of what the record gave, or none
    // when it gave nothing usable.
    static std::optional<ZVAvatarUrls> readField(ZVManagedObject& object, int attribute,
                                                 QStringView largeKey, ZVJsonParser& parser);
};
