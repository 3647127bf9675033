#include "app/inbox/sections/ZVInboxDataSource.h"

#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Label.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "app/inbox/sections/ZVInboxItem.h"
#include "platform/ui/table/TableView.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

using platform::IndexPath;
using platform::TableRowAnimation;

// The table's rows of the section must be the item's rows before the label's change, give or
// take the change itself; an index outside them, or a count that does not add up, would leave
// the table out of step, so the section is reloaded instead.
bool ZVInboxDataSource::fits(int section, std::int32_t index, int extraRows) {
    const auto table = this->table();
    const auto item = itemAt(section);
    if (!table || !item) {
        return false;
    }
    const int before = table->numberOfRowsInSection(section);
    const int after = static_cast<int>(item->numberOfRows());
    // An insertion may name the row after the last; the other changes name a row there is.
    const bool indexFits = index >= 0 && index < (extraRows > 0 ? after : before);
    if (indexFits && after == before + extraRows) {
        return true;
    }
    ZVLogError(u"Inbox: label change at %@ does not fit section %@ (%@ rows, now %@): %@", index,
               section, before, after, tableState());
    table->reloadSections({section}, TableRowAnimation::None);
    return false;
}

void ZVInboxDataSource::labelItemAppearedAtIndex(Label& label, std::int32_t index) {
    const int section = sectionByLabel(label);
    const auto item = itemAt(section);
    if (!item) {
        return;
    }
    const ZVInboxRowItem appeared = item->elementAt(index);
    const auto* conversation = std::get_if<std::shared_ptr<Conversation>>(&appeared);
    const auto session = this->session();
    if (conversation && *conversation && avatarSize_ != 0 && session) {
        const QString partner = (*conversation)->dialogPartner();
        const auto contact = partner.isEmpty() ? nullptr : session->contactFromId(partner);
        if (contact) {
            ZVAvatarView::preloadAvatarForContact(*contact, avatarSize_);
        }
    }
    const auto table = this->table();
    if (item->isShown() && table && fits(section, index, 1)) {
        table->insertRows({IndexPath{section, index}}, TableRowAnimation::Top);
    }
    if ((item->updateShowFooter() || item->elementCount() == 1) && !item->hidden()) {
        updateGroup(item);
        updateEmptyText();
    }
    item->updateBadge();
}

void ZVInboxDataSource::labelItemDisappearedFromIndex(Label& label, std::int32_t index) {
    const int section = sectionByLabel(label);
    const auto item = itemAt(section);
    if (!item) {
        return;
    }
    const auto table = this->table();
    if (item->isShown() && table && fits(section, index, -1)) {
        table->deleteRows({IndexPath{section, index}}, TableRowAnimation::Bottom);
    }
    if ((item->updateShowFooter() || item->numberOfRows() == 0) && !item->hidden()) {
        updateGroup(item);
        updateEmptyText();
    }
    item->updateBadge();
}

void ZVInboxDataSource::labelItemMovedFromIndex(Label& label, std::int32_t fromIndex,
                                                std::int32_t toIndex) {
    const int section = sectionByLabel(label);
    const auto item = itemAt(section);
    if (!item) {
        return;
    }
    const auto table = this->table();
    if (item->isShown() && table && fits(section, fromIndex, 0) && fits(section, toIndex, 0)) {
        table->moveRow(IndexPath{section, fromIndex}, IndexPath{section, toIndex});
    }
    item->updateBadge();
}

void ZVInboxDataSource::labelChanged(Label& label) {
    const auto item = itemAt(sectionByLabel(label));
    if (!item) {
        return;
    }
    if (item->isShown()) {
        item->updateShowFooter();
        if (const auto table = this->table()) {
            table->reloadData();
        }
    }
    item->updateBadge();
    updateEmptyText();
}

void ZVInboxDataSource::labelConversationsChanged(Label& label) {
    if (const auto item = itemAt(sectionByLabel(label))) {
        item->updateBadge();
    }
}

void ZVInboxDataSource::labelLoadingStatusChanged(Label& label) {
    if (const auto item = itemAt(sectionByLabel(label))) {
        item->updateBadge();
    }
}
