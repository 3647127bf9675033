#include "ZelvoKit/model/ZVMessageArray.h"

#include "ZelvoKit/support/base/ZelvoUtils.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace Qt::Literals::StringLiterals;

// Strict "goes before" rules of the orders.
bool ascending(const Message& a, const Message& b) {
    return a.messageNr() < b.messageNr();
}

bool descending(const Message& a, const Message& b) {
    return a.messageNr() > b.messageNr();
}

bool pinboard(const Message& a, const Message& b) {
    if (a.isArchived() != b.isArchived()) {
        return !a.isArchived();
    }
    return a.pinWeight().value_or(0) > b.pinWeight().value_or(0);
}

bool searchRank(const Message& a, const Message& b) {
    if (a.searchWeight() != b.searchWeight()) {
        return a.searchWeight() > b.searchWeight();
    }
    return a.postedTime() > b.postedTime();
}

bool isMembershipMessage(const Message& message) {
    return message.isOfType(Message::TypeLeave) || message.isOfType(Message::TypeKick) ||
           message.isOfType(Message::TypeAdd);
}

// Equal ignoring case; absent only equals absent.
bool sameOptionalText(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) {
        return a.isEmpty() == b.isEmpty();
    }
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

ZVMessageArray::ZVMessageArray(int order) : comparator_(ascending) {
    setOrder(order);
}

ZVMessageArray::ZVMessageArray(Messages messages, int order) : ZVMessageArray(order) {
    messages_ = std::move(messages);
    std::stable_sort(
        messages_.begin(), messages_.end(),
        [this](const MessagePtr& a, const MessagePtr& b) { return comparator_(*a, *b); });
}

void ZVMessageArray::setOrder(int order) {
    order_ = order;
    switch (order) {
        case AscendingNumber:
            comparator_ = ascending;
            break;
        case DescendingNumber:
            comparator_ = descending;
            break;
        case Pinboard:
            comparator_ = pinboard;
            break;
        case SearchRank:
            comparator_ = searchRank;
            break;
        default:
            break;
    }
}

bool ZVMessageArray::isNumberOrder() const {
    return order_ == AscendingNumber || order_ == DescendingNumber;
}

qsizetype ZVMessageArray::indexOfMessageNr(std::int64_t messageNr) const {
    if (isNumberOrder()) {
        const bool up = order_ == AscendingNumber;
        const auto found =
            std::lower_bound(messages_.begin(), messages_.end(), messageNr,
                             [up](const MessagePtr& message, std::int64_t nr) {
                                 return up ? message->messageNr() < nr : message->messageNr() > nr;
                             });
        if (found != messages_.end() && (*found)->messageNr() == messageNr) {
            return found - messages_.begin();
        }
        return kNotFound;
    }
    const auto found = std::find_if(
        messages_.begin(), messages_.end(),
        [messageNr](const MessagePtr& message) { return message->messageNr() == messageNr; });
    return found == messages_.end() ? kNotFound : found - messages_.begin();
}

ZVMessageArray::MessagePtr ZVMessageArray::messageByNr(std::int64_t messageNr) const {
    const qsizetype index = indexOfMessageNr(messageNr);
    return index == kNotFound ? nullptr : (*this)[index];
}

qsizetype ZVMessageArray::insertionIndexForMessage(const Message& message) const {
    const auto found = std::lower_bound(messages_.begin(), messages_.end(), &message,
                                        [this](const MessagePtr& element, const Message* wanted) {
                                            return comparator_(*element, *wanted);
                                        });
    return found - messages_.begin();
}

bool ZVMessageArray::addMessage(MessagePtr message) {
    const qsizetype index = insertionIndexForMessage(*message);
    if (index < count() && (*this)[index]->messageNr() == message->messageNr()) {
        return false;
    }
    messages_.insert(messages_.begin() + index, std::move(message));
    return true;
}

void ZVMessageArray::addMessages(const ZVMessageArray& other) {
    if (other.order_ != order_) {
        for (const MessagePtr& message : other) {
            addMessage(message);
        }
        return;
    }
    if (other.isEmpty()) {
        return;
    }
    const Message& first = *other.messages_.front();
    const Message& last = *other.messages_.back();
    const qsizetype index = insertionIndexForMessage(first);
    const bool fitsWhole = index == insertionIndexForMessage(last) &&
                           (index == count() || ((*this)[index]->messageNr() > first.messageNr() &&
                                                 (*this)[index]->messageNr() > last.messageNr()));
    if (fitsWhole) {
        messages_.insert(messages_.begin() + index, other.begin(), other.end());
        return;
    }
    for (const MessagePtr& message : other) {
        addMessage(message);
    }
}

void ZVMessageArray::removeMessageAtIndex(qsizetype index) {
    if (index >= 0 && index < count()) {
        messages_.erase(messages_.begin() + index);
    }
}

void ZVMessageArray::removeMessageNr(std::int64_t messageNr) {
    removeMessageAtIndex(indexOfMessageNr(messageNr));
}

ZVMessageArray ZVMessageArray::messagesMatchingText(const QString& text) const {
    ZVMessageArray matches(AscendingNumber);
    for (const MessagePtr& message : messages_) {
        if (message->representation()->highlightMatch(text)) {
            matches.addMessage(message);
        }
    }
    return matches;
}

bool ZVMessageArray::isMessageGappedWith(const Message& a, const Message& b) {
    if (a.isPending() || b.isPending() || isMembershipMessage(a) || isMembershipMessage(b)) {
        return false;
    }
    return a.prevMessageNr() != b.messageNr() && b.prevMessageNr() != a.messageNr();
}

bool ZVMessageArray::isMessageGroupedWith(const Message& a, const Message& b) {
    if (!a.isTextMessage() && !b.isTextMessage()) {
        return true;
    }
    if (!a.isOfType(Message::TypeText) || !b.isOfType(Message::TypeText)) {
        return false;
    }
    const bool alike = a.accountId() == b.accountId() && a.hookKey() == b.hookKey() &&
                       sameOptionalText(a.senderName(), b.senderName()) &&
                       sameOptionalText(a.subject(), b.subject()) && !a.isPinned() &&
                       !b.isPinned() && !a.isTask() && !b.isTask();
    if (!alike) {
        return false;
    }
    const double apart = std::abs(double(a.postedTime().msecsTo(b.postedTime()))) / 1000.0;
    if (apart > kGroupingInterval) {
        return false;
    }
    const Message& later = a.messageNr() > b.messageNr() ? a : b;
    return !later.hasTag(Message::TagNewSheet);
}

ZVMessageArray::Relations ZVMessageArray::relationsAcross(const Message& earlier,
                                                          const Message& later) {
    if (isMessageGappedWith(earlier, later)) {
        return {RelationGap, RelationGap};
    }
    const Relation grouped = isMessageGroupedWith(earlier, later) ? RelationGrouped : RelationNone;
    const bool sameDay = ZelvoUtils::isDate(earlier.postedTime(), later.postedTime());
    return {sameDay ? grouped : RelationNewDay, grouped};
}

ZVMessageArray::Relation ZVMessageArray::backwardRelationshipOfMessageAtIndex(
    qsizetype index) const {
    if (index <= 0 || index >= count()) {
        return RelationNone;
    }
    return relationsAcross(*(*this)[index - 1], *(*this)[index]).backward;
}

ZVMessageArray::Relation ZVMessageArray::forwardRelationshipOfMessageAtIndex(
    qsizetype index) const {
    if (index < 0 || index >= count() - 1) {
        return RelationNone;
    }
    return relationsAcross(*(*this)[index], *(*this)[index + 1]).forward;
}

std::vector<ZVMessageArray::Relations> ZVMessageArray::relationships() const {
    std::vector<Relations> result(messages_.size());
    for (std::size_t i = 1; i < messages_.size(); ++i) {
        const Relations across = relationsAcross(*messages_[i - 1], *messages_[i]);
        result[i - 1].forward = across.forward;
        result[i].backward = across.backward;
    }
    return result;
}

QString ZVMessageArray::description() const {
    QString text = u"["_s;
    for (qsizetype i = 0; i < count(); ++i) {
        const Message& message = *(*this)[i];
        if (i > 0) {
            text += u' ';
            const std::optional<std::int64_t> previous = message.prevMessageNr();
            if (previous && *previous != (*this)[i - 1]->messageNr()) {
                text += u"< (%1)"_s.arg(*previous);
            }
        }
        text += QString::number(message.messageNr());
    }
    return text + u"] (%1)"_s.arg(count());
}
