#include "app/inbox/sections/ZVInboxItem.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/sections/ZVInboxDataSource.h"
#include "app/inbox/sections/ZVSectionFooter.h"
#include "app/inbox/sections/ZVSectionHeader.h"
#include "platform/ui/table/TableView.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <algorithm>

ZVInboxItem::ZVInboxItem(ZVInboxDataSource* dataSource, const std::shared_ptr<Label>& label,
                         List list)
    : dataSource_(dataSource), label_(label), hasLabel_(label != nullptr), list_(std::move(list)) {}

ZVInboxItem::~ZVInboxItem() = default;

void ZVInboxItem::finishInit() {
    updateShowFooter();
    // A search's lists show neither: a keystroke makes them anew and would build both for nothing.
    if (hasLabel_) {
        header_ = platform::View::make<ZVSectionHeader>(shared_from_this());
        footer_ = platform::View::make<ZVSectionFooter>(shared_from_this());
    }
    if (const auto label = this->label()) {
        collapsed_ = !label->isExpanded();
        hidden_ = !label->isOnLeftPane();
        footer_->setLoading(label->isLoading());
        updateShowFooter();
    }
    preloadAvatars();
}

qsizetype ZVInboxItem::elementCount() const {
    if (hasLabel_) {
        const auto label = this->label();
        const auto* conversations = label ? label->conversations() : nullptr;
        return conversations ? conversations->count() : 0;
    }
    return list_.count ? list_.count() : 0;
}

ZVInboxRowItem ZVInboxItem::elementAt(qsizetype index) const {
    if (index < 0 || index >= elementCount()) {
        return {};
    }
    if (hasLabel_) {
        return (*label()->conversations())[index];
    }
    return list_.at(index);
}

qsizetype ZVInboxItem::numberOfRows() const {
    return elementCount() + (shouldShowFooter_ ? 1 : 0);
}

qreal ZVInboxItem::heightForRowAtIndex(qsizetype index) const {
    return isFooterRow(index) ? footer_->frame().height() : kRowHeight;
}

std::shared_ptr<platform::View> ZVInboxItem::headerView() const {
    if (hidden_ || numberOfRows() == 0 || !hasLabel_) {
        return nullptr;
    }
    return header_;
}

std::shared_ptr<platform::TableViewCell> ZVInboxItem::createCellForIndex(platform::TableView& table,
                                                                         qsizetype index) const {
    if (isFooterRow(index)) {
        return footer_;
    }
    auto cell =
        std::dynamic_pointer_cast<ZVInboxTableViewCell>(table.dequeueReusableCell(kCellIdentifier));
    if (!cell) {
        cell = platform::View::make<ZVInboxTableViewCell>(platform::TableViewCell::Style::Subtitle,
                                                          kCellIdentifier);
    }
    cell->setAvatarSize(dataSource_ ? dataSource_->avatarSize() : 0);
    cell->setItem(elementAt(index));
    cell->setSeparator(!shouldShowFooter_ && index == numberOfRows() - 1);
    return cell;
}

bool ZVInboxItem::updateShowFooter() {
    bool show = false;
    if (!hidden_ && !collapsed_) {
        const auto label = this->label();
        show = label && label->canLoadMore();
    }
    const bool changed = show != shouldShowFooter_;
    shouldShowFooter_ = show;
    return changed;
}

void ZVInboxItem::updateBadge() {
    const auto label = this->label();
    if (!label) {
        return;
    }
    const std::int64_t unread = label->unreadCount();
    const std::int64_t count = !collapsed_ ? 0 : (unread >= 1 ? unread : label->mutedUnreadCount());
    header_->setUnreadCount(static_cast<long>(count), unread == 0, true);
    footer_->setUnreadCount(std::max<std::int64_t>(0, unread - label->visibleUnreadCount()));
    footer_->setLoading(label->isLoading());
}

void ZVInboxItem::preloadAvatars() {
    const int size = dataSource_ ? dataSource_->avatarSize() : 0;
    const auto session = dataSource_ ? dataSource_->session() : nullptr;
    if (size == 0 || !session) {
        return;
    }
    for (qsizetype index = 0; index < elementCount(); ++index) {
        const auto conversation = conversationOfRowItem(elementAt(index));
        if (!conversation || std::holds_alternative<std::shared_ptr<Message>>(elementAt(index))) {
            continue;
        }
        const QString partner = conversation->dialogPartner();
        if (partner.isEmpty()) {
            continue;
        }
        if (const auto contact = session->contactFromId(partner)) {
            ZVAvatarView::preloadAvatarForContact(*contact, size);
        }
    }
}

void ZVInboxItem::setCollapsed(bool collapsed) {
    if (collapsed == collapsed_) {
        return;
    }
    collapsed_ = collapsed;
    if (const auto label = this->label()) {
        label->setIsExpanded(!collapsed);
    }
}
