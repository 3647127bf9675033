#include "ZelvoKit/model/ZVMessageRepresentation.h"

#include "ZelvoKit/model/Message.h"
#include "ZelvoKit/model/ZVMarkupServices.h"
#include "ZelvoKit/support/text/StringUtils.h"

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

bool ZVMessageRepresentation::highlightMatch(const QString& text) {
    return rangeOfPrefixString(localizedText(), text).found();
}
