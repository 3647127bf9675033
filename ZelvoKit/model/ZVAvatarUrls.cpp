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
    ZVAvatarUrls urls;
    if (text.isEmpty()) {
        return urls;
    }
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isObject()) {
        return urls;
    }
    const QJsonObject sizes = document.object();
    const auto pick = [&sizes](QStringView key, QStringView fallback) {
        const QString found = sizes.value(key).toString();
        return found.isEmpty() && !fallback.isEmpty() ? sizes.value(fallback).toString() : found;
    };
    if (platform::Application::shared().screenScale() > kRetinaScale) {
        urls.large = pick(largeKey, u"size_100");
        urls.small = pick(u"size_100", u"size_50");
    } else {
        urls.large = pick(u"size_100", {});
        urls.small = pick(u"size_50", {});
    }
    return urls;
}

bool ZVAvatarUrls::readField(ZVManagedObject& object, int attribute, ZVJsonParser& parser) {
    const QJsonValue value =
        parser.extractValue(kAvatarUrlsKey, false, ZVJsonParser::JsonClass::Any);
    if (value.isUndefined()) {
        return false;
    }
    QString text;
    if (value.isString()) {
        text = value.toString();
    } else if (value.isObject()) {
        text = QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    } else {
        // Leaves the reader's error for the wrong kind.
        parser.extractValue(kAvatarUrlsKey, false, ZVJsonParser::JsonClass::String);
        return true;
    }
    if (object.stringValue(attribute) != text) {
        object.willChangeProperty(kAvatarUrlsKey);
        object.setString(attribute, text);
    }
    return true;
}
