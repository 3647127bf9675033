#include "tests/ZelvoKit/model/ModelTestEntities.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"

namespace modeltest {

using namespace Qt::Literals::StringLiterals;

using platform::AttributeOptions;
using platform::AttributeType;

const QStringList& Card::keyFields() const {
    static const QStringList keys{QStringLiteral("card_id")};
    return keys;
}

const QStringList& Card::propertyNotificationOrder() const {
    static const QStringList order{QStringLiteral("total"), QStringLiteral("title")};
    return order;
}

QString Card::guid() const {
    return value(u"card_id").toString();
}

std::shared_ptr<ZVApiRequest> Card::getSyncRequestForField(int field) {
    return requestForField ? requestForField(field) : nullptr;
}

void Card::setField(int field, bool dirty) {
    fieldChanges.append((dirty ? u"+"_s : u"-"_s) + QString::number(field));
    ZVManagedObject::setField(field, dirty);
}

QString Note::guid() const {
    return platform::format(u"%@:%@", value(u"thread_id"), value(u"nr"));
}

std::shared_ptr<platform::ManagedObjectModel> makeModel() {
    auto model = std::make_shared<platform::ManagedObjectModel>();

    platform::EntityDescription& card = ZVManagedObject::addEntity<Card>(*model, u"Card"_s);
    AttributeOptions required;
    required.optional = false;
    card.addAttribute(u"card_id"_s, AttributeType::String, required);
    card.addAttribute(u"title"_s, AttributeType::String);
    card.addAttribute(u"count"_s, AttributeType::Integer32);
    card.addAttribute(u"total"_s, AttributeType::Integer64);
    card.addAttribute(u"ratio"_s, AttributeType::Double);
    card.addAttribute(u"weight"_s, AttributeType::Float);
    card.addAttribute(u"is_open"_s, AttributeType::Boolean);
    card.addAttribute(u"opened"_s, AttributeType::Date);
    card.addAttribute(u"small"_s, AttributeType::Integer16);
    card.addAttribute(u"payload"_s, AttributeType::Binary);
    AttributeOptions colour;
    colour.defaultValue = u"blue"_s;
    card.addAttribute(u"colour"_s, AttributeType::String, colour);

    platform::EntityDescription& note = ZVManagedObject::addEntity<Note>(*model, u"Note"_s);
    note.addAttribute(u"thread_id"_s, AttributeType::String, required);
    note.addAttribute(u"nr"_s, AttributeType::Integer64, required);
    note.addAttribute(u"body"_s, AttributeType::String);
    note.addIndex({u"thread_id"_s, u"nr"_s}, true);
    return model;
}

std::shared_ptr<ZVApiSession> makeSession(const QString& uuid) {
    auto credentials = std::make_shared<ZVUserCredentials>(u"fox@example.com"_s);
    credentials->setUuid(uuid);
    credentials->setTicket(u"ticket"_s);
    credentials->setCookie(u"cookie"_s);
    return ZVApiSession::create(credentials);
}

}  // namespace modeltest
