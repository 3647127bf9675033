#include "app/inbox/decorators/ZVContactDecorator.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/search/ZVContactMatch.h"
#include "platform/foundation/Format.h"

ZVInboxRowItem ZVContactDecorator::item() const {
    return contact_.item();
}

void ZVContactDecorator::setItem(const ZVInboxRowItem& item) {
    ZVInboxItemDecorator::setItem(item);
    contact_.set(item);
}

QString ZVContactDecorator::guid() const {
    const auto match = contact_.lock();
    const auto contact = match ? match->contact() : nullptr;
    return contact ? contact->friendlyEmail() : QString();
}

platform::AttributedString ZVContactDecorator::title() const {
    const auto match = contact_.lock();
    return match ? match->nameMatch() : platform::AttributedString();
}

platform::AttributedString ZVContactDecorator::detailTitle() const {
    const auto match = contact_.lock();
    const auto contact = match ? match->contact() : nullptr;
    if (!contact) {
        return {};
    }
    const bool hasDialog = !contact->dialogId().isEmpty();
    return platform::AttributedString(
        platform::format(hasDialog ? u"Conversation with %@" : u"Start a conversation with %@",
                         contact->displayName()));
}
