#pragma once

#include "ZelvoKit/model/ZVManagedObject.h"
#include "ZelvoKit/support/base/ZVError.h"

#include <QtCore/QString>

// An organisation the account belongs to. Filled by the stream only; it sends nothing.
class Organisation : public ZVManagedObject {
public:
    static constexpr QLatin1StringView kEntityName{"Organisation"};

    explicit Organisation(const platform::EntityDescription& entity);

    static void describeAttributes(platform::EntityDescription& entity);

    QString organisationId() const { return stringValue(organisationId_); }
    QString organisationName() const { return stringValue(organisationName_); }
    bool isAdmin() const { return integerValue(isAdmin_) != 0; }

    const QStringList& keyFields() const override;
    QString guid() const override { return organisationId(); }

    // Reads an "org_header" record; returns the parser's error.
    ZVErrorPtr deserializeFromJson(ZVJsonParser& parser);

private:
    int organisationId_;
    int organisationName_;
    int isAdmin_;
};
