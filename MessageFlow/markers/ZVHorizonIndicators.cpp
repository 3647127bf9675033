#include "MessageFlow/markers/ZVHorizonIndicators.h"

#include "MessageFlow/markers/ZVHorizonIndicatorStack.h"
#include "MessageFlow/rows/ZVConversationCells.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVMessageArray.h"
#include "platform/foundation/Format.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>
#include <set>
#include <vector>

namespace {

// The index of the first loaded message numbered at or above `messageNr`.
qsizetype markersInsertionIndex(const ZVMessageArray& messages, std::int64_t messageNr) {
    const auto& rows = messages.messages();
    return std::lower_bound(rows.begin(), rows.end(), messageNr,
                            [](const std::shared_ptr<Message>& message, std::int64_t nr) {
                                return message->messageNr() < nr;
                            }) -
           rows.begin();
}

}  // namespace

ZVHorizonIndicators::ZVHorizonIndicators(const std::shared_ptr<Conversation>& conversation,
                                         const std::shared_ptr<ZVConversationCells>& cells)
    : conversation_(conversation), cells_(cells), initTime_(platform::Scheduler::main().now()) {}

ZVHorizonIndicators::~ZVHorizonIndicators() {
    for (const auto& [position, stack] : indicatorsByPosition_) {
        stack->removeFromSuperview();
    }
    for (const auto& [id, indicator] : indicatorsByMemberId_) {
        indicator->removeFromSuperview();
    }
}

std::shared_ptr<ZVTableView> ZVHorizonIndicators::tableView() const {
    const auto model = cells();
    return model ? model->tableView() : nullptr;
}

void ZVHorizonIndicators::appear() {
    appeared_ = true;
    refreshAnimated(platform::Scheduler::main().now() - initTime_ > kFirstShowingWindow);
}

qreal ZVHorizonIndicators::positionForMessageNr(std::int64_t messageNr) const {
    const auto shown = conversation();
    const auto table = tableView();
    if (!shown || !table || !shown->messages()) {
        return kAboveContent;
    }
    const qsizetype index = markersInsertionIndex(*shown->messages(), messageNr);
    if (index >= table->numberOfRowsInSection(0)) {
        return table->contentSize().height();
    }
    if (shown->firstLoadedMessage() <= messageNr) {
        return table->rectForRowAtIndexPath({0, static_cast<int>(index)}).bottom() - kRowFootInset;
    }
    return kAboveContent;
}

std::int64_t ZVHorizonIndicators::targetForHorizon(std::int64_t horizon) const {
    const auto shown = conversation();
    const auto list = shown ? shown->messages() : nullptr;
    if (!list || list->isEmpty()) {
        return 0;
    }
    qsizetype index = markersInsertionIndex(*list, horizon);
    if (index >= list->count()) {
        return list->lastMessage()->messageNr();
    }
    // Hidden rows and separators show nothing to stand at: the next visible message takes it.
    std::int64_t target = 0;
    for (; index < list->count(); ++index) {
        const Message& message = *(*list)[index];
        target = message.messageNr();
        if (!message.isHidden() && !message.isOfType(Message::TypeSeparator)) {
            break;
        }
    }
    return target;
}

QRectF ZVHorizonIndicators::stackFrame(std::int64_t position) const {
    const auto table = tableView();
    const auto model = cells();
    const qreal width = table ? table->bounds().width() : 0;
    const qreal edge = model ? model->screenEdgeSpacing() : 0;
    const qreal y = positionForMessageNr(position);
    return QRectF(0, y - kStackHeight / 2, width - edge, kStackHeight);
}

std::shared_ptr<ZVHorizonIndicatorStack> ZVHorizonIndicators::stackForPosition(
    std::int64_t position, bool createIfNeeded) {
    if (position < 1) {
        return nullptr;
    }
    if (const auto found = indicatorsByPosition_.find(position);
        found != indicatorsByPosition_.end()) {
        return found->second;
    }
    const auto table = tableView();
    if (!createIfNeeded || !table) {
        return nullptr;
    }
    auto stack = std::make_shared<ZVHorizonIndicatorStack>();
    stack->setOwner(weak_from_this());
    stack->setPosition(position);
    stack->setFrame(stackFrame(position));
    table->addSubview(stack);
    indicatorsByPosition_[position] = stack;
    return stack;
}

std::shared_ptr<ZVHorizonIndicatorView> ZVHorizonIndicators::indicatorForMember(
    const QString& accountId, const QString& name) {
    if (const auto found = indicatorsByMemberId_.find(accountId);
        found != indicatorsByMemberId_.end()) {
        return found->second;
    }
    auto indicator = std::make_shared<ZVHorizonIndicatorView>();
    indicator->setOwner(weak_from_this());
    indicator->setContactId(accountId);
    indicator->setName(name);
    indicator->setFrame(QRectF(QPointF(), QSizeF(indicator->nameLabel()->frame().width() +
                                                     ZVHorizonIndicatorView::kLineLength +
                                                     ZVHorizonIndicatorView::kLineGap,
                                                 kStackHeight)));
    if (const auto table = tableView()) {
        table->addSubview(indicator);
    }
    indicatorsByMemberId_[accountId] = indicator;
    return indicator;
}

void ZVHorizonIndicators::takeOutOfStack(const std::shared_ptr<ZVHorizonIndicatorView>& indicator) {
    if (const auto stack = stackForPosition(indicator->position(), false)) {
        stack->extractForUser(indicator->contactId());
        if (stack->count() == 0) {
            stack->removeFromSuperview();
            indicatorsByPosition_.erase(indicator->position());
        }
    }
    indicator->setPosition(0);
}

void ZVHorizonIndicators::refreshAnimated(bool animated) {
    const auto shown = conversation();
    if (!appeared_ || !shown || !shown->messages() || shown->messages()->isEmpty()) {
        return;
    }
    std::set<QString> leftover;
    for (const auto& [id, indicator] : indicatorsByMemberId_) {
        leftover.insert(id);
    }
    std::vector<std::shared_ptr<ZVHorizonIndicatorView>> moving;
    std::vector<std::shared_ptr<ZVHorizonIndicatorStack>> fadingIn;
    const std::int64_t firstLoaded = shown->firstLoadedMessage();
    for (const auto& member : *shown->sortedMembers()) {
        if (member->accountId().isEmpty() || member->isLocalContact()) {
            continue;
        }
        const QString id = member->accountId();
        const std::int64_t horizon = member->readHorizon();
        if (horizon < 1 || horizon < firstLoaded) {
            const auto found = indicatorsByMemberId_.find(id);
            if (found != indicatorsByMemberId_.end() && found->second->position() != 0) {
                takeOutOfStack(found->second);
            }
            continue;
        }
        const std::int64_t target = targetForHorizon(horizon);
        const auto indicator = indicatorForMember(id, member->uniqueShortName());
        leftover.erase(id);
        indicator->setAlpha(1);
        if (indicator->position() == target) {
            continue;
        }
        if (indicator->position() != 0) {
            takeOutOfStack(indicator);
            if (animated) {
                moving.push_back(indicator);
            } else {
                stackForPosition(target, true)->addIndicator(indicator);
            }
        } else {
            const bool existed = indicatorsByPosition_.count(target) != 0;
            const auto stack = stackForPosition(target, true);
            stack->addIndicator(indicator);
            if (!existed && animated) {
                stack->setAlpha(0);
                fadingIn.push_back(stack);
            }
        }
        indicator->setPosition(target);
    }
    // A member no longer in the roster has no horizon either: its marker leaves its stack.
    std::vector<std::shared_ptr<ZVHorizonIndicatorView>> leaving;
    for (const QString& id : leftover) {
        const auto& indicator = indicatorsByMemberId_.at(id);
        if (indicator->position() != 0) {
            takeOutOfStack(indicator);
        }
        leaving.push_back(indicator);
    }
    bringToTop();
    if (moving.empty() && fadingIn.empty() && leaving.empty()) {
        return;
    }
    const auto model = cells();
    const qreal edge = model ? model->screenEdgeSpacing() : 0;
    std::weak_ptr<ZVHorizonIndicators> weak = weak_from_this();
    platform::ViewAnimation::animate(
        animated ? kAnimationDuration : 0,
        [this, moving, fadingIn, leaving, edge] {
            for (const auto& stack : fadingIn) {
                stack->setAlpha(1);
            }
            for (const auto& indicator : moving) {
                indicator->setLocation(positionForMessageNr(indicator->position()), edge);
            }
            for (const auto& indicator : leaving) {
                indicator->setAlpha(0);
            }
        },
        [weak, moving, leaving](bool) {
            const auto self = weak.lock();
            if (!self) {
                return;
            }
            // A later refresh may have moved these again; each goes where it stands now.
            for (const auto& indicator : moving) {
                if (const auto stack = self->stackForPosition(indicator->position(), true)) {
                    stack->addIndicator(indicator);
                }
            }
            for (const auto& indicator : leaving) {
                const auto found = self->indicatorsByMemberId_.find(indicator->contactId());
                if (indicator->position() == 0 && found != self->indicatorsByMemberId_.end() &&
                    found->second == indicator) {
                    indicator->removeFromSuperview();
                    self->indicatorsByMemberId_.erase(found);
                }
            }
        });
}

void ZVHorizonIndicators::refreshNames() {
    const auto shown = conversation();
    if (!shown) {
        return;
    }
    const auto& members = shown->sortedMembers();
    for (const auto& [id, indicator] : indicatorsByMemberId_) {
        if (const auto member = members->memberByAccountId(id)) {
            indicator->setName(member->uniqueShortName());
        }
    }
    for (const auto& [position, stack] : indicatorsByPosition_) {
        stack->updateLabel();
    }
    updatePositions();
}

void ZVHorizonIndicators::updatePositions() {
    for (const auto& [position, stack] : indicatorsByPosition_) {
        stack->setFrame(stackFrame(position));
    }
}

void ZVHorizonIndicators::bringToTop() {
    updatePositions();
    const auto table = tableView();
    if (!table) {
        return;
    }
    for (const auto& [position, stack] : indicatorsByPosition_) {
        table->bringSubviewToFront(stack.get());
    }
}

QString ZVHorizonIndicators::description() const {
    QString text;
    for (const auto& [position, stack] : indicatorsByPosition_) {
        text += platform::format(QStringLiteral("%@: %@\n"), qint64(position), stack->name());
    }
    return text;
}
