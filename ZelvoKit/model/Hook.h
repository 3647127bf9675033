#pragma once

#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QString>

// An integration that posts into a conversation. Filled by the stream only; it sends nothing.
class Hook : public ZVManagedObject {
public:
    static constexpr QLatin1StringView kEntityName{"Hook"};

    explicit Hook(const platform::EntityDescription& entity);

    static void describeAttributes(platform::EntityDescription& entity);

    QString conversationId() const { return stringValue(conversationId_); }
    QString accountId() const { return stringValue(accountId_); }
    QString hookName() const { return stringValue(hookName_); }
    QString hookKey() const { return stringValue(hookKey_); }
    QString hookUrl() const { return stringValue(hookUrl_); }
    bool isActive() const { return boolValue(isActive_); }
    const QString& smallAvatarUrl() const { return smallAvatarUrl_; }
    const QString& largeAvatarUrl() const { return largeAvatarUrl_; }

    const QStringList& keyFields() const override;
    QString guid() const override { return hookKey(); }
    void awakeFromFetch() override;

    // Reads a hook record; returns the parser's error.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);

private:
    void extractAvatarUrls();

    int conversationId_;
    int accountId_;
    int hookName_;
    int hookKey_;
    int hookUrl_;
    int isActive_;
    int avatarUrls_;
    QString smallAvatarUrl_;
    QString largeAvatarUrl_;
};
