#include "MessageFlow/markers/ZVHorizonIndicatorStack.h"

#include "MessageFlow/markers/ZVHorizonIndicators.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Format.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>

ZVHorizonIndicatorStack::ZVHorizonIndicatorStack() = default;

ZVHorizonIndicatorStack::~ZVHorizonIndicatorStack() = default;

void ZVHorizonIndicatorStack::addIndicator(
    const std::shared_ptr<ZVHorizonIndicatorView>& indicator) {
    if (!indicator ||
        std::find(indicators_.begin(), indicators_.end(), indicator) != indicators_.end()) {
        return;
    }
    indicator->removeFromSuperview();
    indicators_.push_back(indicator);
    const auto indicators = owner();
    const auto conversation = indicators ? indicators->conversation() : nullptr;
    const qsizetype others =
        conversation ? conversation->sortedMembers()->countWithoutSelf() : qsizetype(0);
    showAll_ = count() >= others && others >= ZVHorizonIndicators::kFewestOthersForAll;
    updateLabel();
}

std::shared_ptr<ZVHorizonIndicatorView> ZVHorizonIndicatorStack::extractForUser(
    const QString& accountId) {
    const auto found = std::find_if(
        indicators_.begin(), indicators_.end(),
        [&accountId](const auto& indicator) { return indicator->contactId() == accountId; });
    if (found == indicators_.end()) {
        return nullptr;
    }
    auto indicator = *found;
    indicators_.erase(found);
    if (const auto indicators = owner()) {
        if (const auto table = indicators->tableView()) {
            table->addSubview(indicator);
        }
    }
    indicator->setFrame(frame());
    showAll_ = false;
    updateLabel();
    return indicator;
}

void ZVHorizonIndicatorStack::updateLabel() {
    if (showAll_) {
        setName(kAllText);
        return;
    }
    QStringList names;
    for (const auto& indicator : indicators_) {
        names << indicator->name();
    }
    setName(ZVLocalization::nameListAsString(names, kNameListLimit, true));
}

void ZVHorizonIndicatorStack::tapped() {
    std::weak_ptr<ZVHorizonIndicatorStack> weak =
        std::static_pointer_cast<ZVHorizonIndicatorStack>(shared_from_this());
    hintTimer_ = platform::Scheduler::main().after(kHintDelay, [weak] {
        if (const auto stack = weak.lock()) {
            stack->showHint();
        }
    });
}

QString ZVHorizonIndicatorStack::hintText() const {
    const auto indicators = owner();
    const auto conversation = indicators ? indicators->conversation() : nullptr;
    const auto session =
        conversation ? std::dynamic_pointer_cast<ZVRepositorySession>(conversation->session())
                     : nullptr;
    if (!session) {
        return {};
    }
    QStringList seen;
    QStringList emailed;
    for (const auto& indicator : indicators_) {
        const auto contact = session->contactFromId(indicator->contactId());
        if (!contact) {
            continue;
        }
        (contact->isZelvoContact() ? seen : emailed) << contact->displayName();
    }
    const QString block = QStringLiteral("%@\n%@");
    QString text;
    if (!seen.isEmpty()) {
        text = platform::format(block, kSeenByTitle, seen.join(u'\n'));
    }
    if (!emailed.isEmpty()) {
        if (!text.isEmpty()) {
            text += u'\n';
        }
        text += platform::format(block, kEmailsSentTitle, emailed.join(u'\n'));
    }
    return text;
}

void ZVHorizonIndicatorStack::showHint() {
    const QString text = hintText();
    if (!text.isEmpty()) {
        ZVAlertView::showMessage(text, QString());
    }
}
