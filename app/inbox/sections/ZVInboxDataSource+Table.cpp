#include "app/inbox/sections/ZVInboxDataSource.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/model/search/ZVContactMatch.h"
#include "app/inbox/cells/ZVInboxTableViewCell.h"
#include "app/inbox/cells/ZVNewConversationCell.h"
#include "app/inbox/decorators/ZVContactDecorator.h"
#include "app/inbox/sections/ZVInboxItem.h"
#include "app/inbox/sections/ZVSectionFooter.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/table/TableView.h"
#include "toolkit/widgets/ZVSearchHintView.h"

int ZVInboxDataSource::numberOfSectionsInTableView(platform::TableView&) {
    return static_cast<int>(items_.size()) + (hasNewSection() ? 1 : 0);
}

int ZVInboxDataSource::tableViewNumberOfRowsInSection(platform::TableView&, int section) {
    if (isNewSection(section)) {
        return search_ ? 0 : 1;
    }
    const auto item = itemAt(section);
    return item && item->isShown() ? static_cast<int>(item->numberOfRows()) : 0;
}

std::shared_ptr<platform::TableViewCell> ZVInboxDataSource::tableViewCellForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    if (isNewSection(path.section)) {
        auto cell = std::dynamic_pointer_cast<ZVNewConversationCell>(
            table.dequeueReusableCell(kNewConversationIdentifier));
        if (!cell) {
            cell = platform::View::make<ZVNewConversationCell>(
                platform::TableViewCell::Style::Default, kNewConversationIdentifier);
        }
        cell->setAvatarSize(avatarSize_);
        return cell;
    }
    const auto item = itemAt(path.section);
    if (!item) {
        return platform::View::make<platform::TableViewCell>();
    }
    return item->createCellForIndex(table, path.row);
}

std::optional<qreal> ZVInboxDataSource::tableViewHeightForRowAtIndexPath(platform::TableView&,
                                                                         platform::IndexPath path) {
    const auto item = itemAt(path.section);
    return item ? item->heightForRowAtIndex(path.row) : kRowHeight;
}

std::optional<qreal> ZVInboxDataSource::tableViewHeightForHeaderInSection(platform::TableView&,
                                                                          int section) {
    const auto item = itemAt(section);
    const auto header = item ? item->headerView() : nullptr;
    return header ? header->frame().height() : 0;
}

std::optional<qreal> ZVInboxDataSource::tableViewHeightForFooterInSection(platform::TableView&,
                                                                          int section) {
    if (isNewSection(section) && searchHintView_ &&
        searchHintView_->state() != ZVSearchHintView::kNone) {
        return searchHintView_->frame().height();
    }
    return 0;
}

std::shared_ptr<platform::View> ZVInboxDataSource::tableViewViewForHeaderInSection(
    platform::TableView&, int section) {
    const auto item = itemAt(section);
    return item ? item->headerView() : nullptr;
}

std::shared_ptr<platform::View> ZVInboxDataSource::tableViewViewForFooterInSection(
    platform::TableView&, int section) {
    return isNewSection(section) ? searchHintView_ : nullptr;
}

void ZVInboxDataSource::tableViewWillDisplayCell(platform::TableView&,
                                                 platform::TableViewCell& cell,
                                                 platform::IndexPath) {
    if (auto* row = dynamic_cast<ZVInboxTableViewCell*>(&cell)) {
        row->setSelected(!conversationId_.isNull() && row->conversationId() == conversationId_,
                         false);
        row->resetActionIcon();
    }
}

void ZVInboxDataSource::tableViewDidUnhighlightRowAtIndexPath(platform::TableView& table,
                                                              platform::IndexPath path) {
    auto footer = std::dynamic_pointer_cast<ZVSectionFooter>(table.cellForRowAtIndexPath(path));
    if (!footer) {
        return;
    }
    std::weak_ptr<ZVSectionFooter> weak = footer;
    showMore_ = platform::Scheduler::main().after(kShowMoreDelay, [weak] {
        if (const auto footer = weak.lock()) {
            footer->showMore();
        }
    });
}

void ZVInboxDataSource::tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                                         platform::IndexPath path) {
    const auto cell = table.cellForRowAtIndexPath(path);
    if (std::dynamic_pointer_cast<ZVNewConversationCell>(cell)) {
        table.deselectRowAtIndexPath(path, true);
        const auto session = this->session();
        const auto created = session ? session->createNewConversation() : nullptr;
        if (created) {
            // Always told, even when "new" was already picked: each pick starts a new one.
            publishConversationId(created->conversationId());
        }
        return;
    }
    const auto* row = dynamic_cast<ZVInboxTableViewCell*>(cell.get());
    if (!row || !row->decorator()) {
        return;
    }
    QString picked = row->decorator()->guid();
    if (const auto* decorator = dynamic_cast<const ZVContactDecorator*>(row->decorator())) {
        const auto match = decorator->contact();
        const auto contact = match ? match->contact() : nullptr;
        if (contact && !contact->dialogId().isEmpty()) {
            picked = contact->dialogId();
        } else if (contact) {
            picked = contact->friendlyEmail();
        }
    }
    if (picked != conversationId_) {
        publishConversationId(picked);
    }
}

void ZVInboxDataSource::scrollViewDidEndDragging(platform::ScrollView&, bool willDecelerate) {
    if (!willDecelerate) {
        updateHeaderView();
    }
}

void ZVInboxDataSource::scrollViewDidEndDecelerating(platform::ScrollView&) {
    updateHeaderView();
}
