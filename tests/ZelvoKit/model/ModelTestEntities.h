#pragma once

#include "ZelvoKit/model/ZVManagedObject.h"

#include "platform/store/ManagedObjectModel.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <memory>

class ZVApiRequest;
class ZVApiSession;

// Small entities in the shape of the data model's, for the tests of the entity base and the
// repository:
//   Card      one attribute of every type the base reads (and two it does not), card_id required
//   Note      note_id, thread_id, nr, body; unique (thread_id, nr)
namespace modeltest {

class Card : public ZVManagedObject {
public:
    using ZVManagedObject::setField;
    using ZVManagedObject::ZVManagedObject;

    const QStringList& keyFields() const override;
    // "total" and "title" go first, in this order.
    const QStringList& propertyNotificationOrder() const override;
    QString guid() const override;
    std::shared_ptr<ZVApiRequest> getSyncRequestForField(int field) override;
    // Records each change of a dirty bit, then lets the base make it.
    void setField(int field, bool dirty) override;

    // The request the card gives for a field; none by default.
    std::function<std::shared_ptr<ZVApiRequest>(int field)> requestForField;
    // "+3" for a field marked dirty, "-3" for one cleared, through setField().
    QStringList fieldChanges;
};

class Note : public ZVManagedObject {
public:
    using ZVManagedObject::ZVManagedObject;
    QString guid() const override;
};

std::shared_ptr<platform::ManagedObjectModel> makeModel();

// A session of an account with this uuid, as the API client makes it.
std::shared_ptr<ZVApiSession> makeSession(
    const QString& uuid = QStringLiteral("5d0f2a4e-8c31-4b7e-9a52-3f6c1d2e7b90"));

}  // namespace modeltest
