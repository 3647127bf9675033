#include "ZelvoKit/model/ZVAvatarUrls.h"

#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/support/base/ZVJsonParser.h"
#include "platform/foundation/Application.h"

#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kAvatarUrlsKey = u"avatar_urls"_s;
// Screens above this scale get the larger pictures.
constexpr double kRetinaScale = 1.99;

}  // namespace

ZVAvatarUrls ZVAvatarUrls::fromText(const QString& text, QStringView largeKey) {
    if (text.isEmpty()) {
        return {};
    }
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isObject() ? fromObject(document.object(), largeKey) : ZVAvatarUrls();
}

ZVAvatarUrls ZVAvatarUrls::fromObject(const QJsonObject& sizes, QStringView largeKey) {
    const auto pick = [&sizes](QStringView key, QStringView fallback) {
        const QString found = sizes.value(key).toString();
        return found.isEmpty() && !fallback.isEmpty() ? sizes.value(fallback).toString() : found;
    };
    ZVAvatarUrls urls;
    if (platform::Application::shared().screenScale() > kRetinaScale) {
        urls.large = pick(largeKey, u"size_100");
        urls.small = pick(u"size_100", u"size_50");
    } else {
        urls.large = pick(u"size_100", {});
        urls.small = pick(u"size_50", {});
    }
    return urls;
}

std::optional<ZVAvatarUrls> ZVAvatarUrls::readField(ZVManagedObject& object, int attribute,
                                                    QStringView largeKey, ZVJsonParser& parser) {
    const QJsonValue value =
        parser.extractValue(kAvatarUrlsKey, false, ZVJsonParser::JsonClass::Any);
    if (value.isUndefined()) {
        return std::nullopt;
    }
    QString text;
    ZVAvatarUrls urls;
    if (value.isString()) {
        text = value.toString();
        urls = fromText(text, largeKey);
    } else if (value.isObject()) {
        const QJsonObject sizes = value.toObject();
        text = QString::fromUtf8(QJsonDocument(sizes).toJson(QJsonDocument::Compact));
        urls = fromObject(sizes, largeKey);
    } else {
        // Leaves the reader's error for the wrong kind.
        parser.extractValue(kAvatarUrlsKey, false, ZVJsonParser::JsonClass::String);
        return std::nullopt;
    }
    if (object.stringValue(attribute) != text) {
        object.willChangeProperty(kAvatarUrlsKey);
        object.setString(attribute, text);
    }
    return urls;
}
