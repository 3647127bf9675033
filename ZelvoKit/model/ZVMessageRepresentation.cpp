#include "ZelvoKit/model/ZVMessageRepresentation.h"

#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMarkupServices.h"

ZVMessageRepresentation::ZVMessageRepresentation(const std::shared_ptr<Message>& message)
    : message_(message) {}

ZVMessageRepresentation::~ZVMessageRepresentation() = default;

void ZVMessageRepresentation::refresh() {
    localizedText_.reset();
}

QString ZVMessageRepresentation::localizedText() {
    if (!localizedText_) {
        const std::shared_ptr<Message> owner = message();
        localizedText_ =
            owner ? ZVMarkupServices::plainTextWithMarkup(owner->message(), false) : QString();
    }
    return *localizedText_;
}
