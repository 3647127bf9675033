#include "MessageFlow/pages/ZVConversationSettingsViewController.h"

#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "MessageFlow/pages/ZVLeaveConversationCard.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "platform/foundation/Format.h"
#include "platform/ui/controls/Button.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"
#include "toolkit/widgets/ZVInformationBanner.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<ZVHeaderCell> settingsHeader(const QString& title) {
    auto header = std::make_shared<ZVHeaderCell>();
    header->setTitle(title, 0);
    return header;
}

std::shared_ptr<ZVOptionCell> settingsOption(const QString& title, bool checked) {
    auto option = std::make_shared<ZVOptionCell>();
    option->setTitle(title);
    option->setChecked(checked);
    return option;
}

// The conversation's keys whose values the controls show.
const QStringList kFollowedKeys{u"topic"_s,       u"topicText"_s, u"is_url_preview_disabled"_s,
                                u"is_disclose"_s, u"is_list"_s,   u"flags"_s};

}  // namespace

ZVConversationSettingsViewController::ZVConversationSettingsViewController(
    const std::shared_ptr<Conversation>& conversation, int /*page*/)
    : conversation_(conversation) {
    setTrackingCategory(kTrackingCategory);
    if (!conversation) {
        return;
    }
    buildRows(*conversation);
    observeControls();
    observeConversation(*conversation);
    setCancelEditWhenTapped(true);
    if (managed_) {
        banner_ = platform::View::make<ZVInformationBanner>();
        const QString organisation = conversation->repositorySession()
                                         ? conversation->repositorySession()->organisationName(
                                               conversation->organisationId())
                                         : u"?"_s;
        banner_->setMessage(platform::AttributedString(
            platform::format(u"This conversation is managed by %@. Only admins can change the "
                             u"settings",
                             organisation),
            ZVTextStyles::attributesForStyle(kBannerTextStyle)));
        banner_->setFrame(QRectF(0, 0, tableView()->bounds().width(), 0));
        tableView()->setTableHeaderView(banner_);
        for (const auto& option : {urlPreviews_, discloseHistory_, emailList_}) {
            option->setEnabled(false);
        }
        sharingOptions_->setEnabled(false);
    }
    tableView()->reloadData();
}

ZVConversationSettingsViewController::~ZVConversationSettingsViewController() {
    if (leave_) {
        leave_->button()->removeTarget(leaveTarget_);
    }
}

void ZVConversationSettingsViewController::buildRows(Conversation& conversation) {
    managed_ = conversation.isManaged();

    addCell(settingsHeader(u"Topic:"_s));
    topic_ = std::make_shared<ZVTextViewCell>();
    topic_->textView()->setText(conversation.topic());
    topic_->textView()->setEditable(conversation.canPost() && !managed_);
    topic_->setPlaceholder(u"Set topic"_s);
    topic_->notifyTextChange();
    topic_->setBeginsGroup(true);
    topic_->setEndsGroup(true);
    addCell(topic_);

    addCell(settingsHeader(u"Options:"_s));
    urlPreviews_ = settingsOption(u"Create link previews"_s, !conversation.isUrlPreviewDisabled());
    urlPreviews_->setBeginsGroup(true);
    discloseHistory_ =
        settingsOption(u"Disclose history to new members"_s, conversation.isDisclose());
    emailList_ = settingsOption(u"Enable email list behavior"_s, conversation.isList());
    emailList_->setEndsGroup(true);
    addCells({urlPreviews_, discloseHistory_, emailList_});

    sharingHeader_ = settingsHeader(u"Sharing:"_s);
    addCell(sharingHeader_);
    sharingOptions_ = std::make_shared<ZVOptionCellGroup>(QStringList{
        u"Off - This conversation is private"_s, u"On - Anyone with the link can join"_s});
    sharingOptions_->setCheckedIndex(
        conversation.hasFlag(Conversation::FlagAutojoin) ? kSharingOn : kSharingOff);
    addCell(sharingOptions_);

    if (!conversation.autojoinUrl().isEmpty()) {
        addReadOnlyRow(u"Link:"_s, conversation.autojoinUrl(), urlHeader_, url_);
    }
    if (!conversation.cmail().isEmpty()) {
        addReadOnlyRow(u"Email:"_s, conversation.cmail(), mailHeader_, mail_);
    }

    leave_ = std::make_shared<ZVButtonCell>(u"Leave conversation"_s, kLeaveButtonStyle);
    leaveTarget_ = leave_->button()->addTarget(platform::Control::TouchUpInside,
                                               [this](platform::Control&) { leaveConversation(); });
    addCell(leave_);
    updateLeaveButton();
}

void ZVConversationSettingsViewController::addReadOnlyRow(const QString& header,
                                                          const QString& text,
                                                          std::shared_ptr<ZVHeaderCell>& headerCell,
                                                          std::shared_ptr<ZVTextViewCell>& cell) {
    headerCell = settingsHeader(header);
    addCell(headerCell);
    cell = std::make_shared<ZVTextViewCell>();
    cell->textView()->setText(text);
    cell->textView()->setEditable(false);
    cell->notifyTextChange();
    cell->setBeginsGroup(true);
    cell->setEndsGroup(true);
    addCell(cell);
}

void ZVConversationSettingsViewController::observeControls() {
    for (const auto& option : {urlPreviews_, discloseHistory_, emailList_}) {
        observations_.push_back(
            option->observe(ZVOptionCell::kCheckedKey,
                            [this, raw = option.get()](const QString&) { optionChanged(*raw); }));
    }
    observations_.push_back(sharingOptions_->observe(ZVOptionCellGroup::kCheckedIndexKey,
                                                     [this](const QString&) { sharingChanged(); }));
}

void ZVConversationSettingsViewController::observeConversation(Conversation& conversation) {
    observations_.push_back(
        conversation.observe(u"can_post"_s, [this](const QString&) { updateLeaveButton(); }));
    observations_.push_back(
        conversation.observe(kFollowedKeys, [this](const QString&) { followConversation(); }));
}

// --- changes ---

void ZVConversationSettingsViewController::optionChanged(const ZVOptionCell& option) {
    const auto conversation = conversation_.lock();
    if (following_ || !conversation) {
        return;
    }
    // Only the option the user changed: the others may show values another member has changed
    // since, and writing them would undo that.
    if (&option == urlPreviews_.get()) {
        conversation->setUrlPreviewDisabled(!option.checked());
    } else if (&option == discloseHistory_.get()) {
        conversation->setIsDisclose(option.checked());
    } else if (&option == emailList_.get()) {
        conversation->setIsList(option.checked());
    }
}

void ZVConversationSettingsViewController::sharingChanged() {
    const auto conversation = conversation_.lock();
    if (following_ || !conversation) {
        return;
    }
    const bool enabled = sharingOptions_->checkedIndex() == kSharingOn;
    conversation->setSharingEnabled(enabled);
    reportAction(u"Conversation sharing"_s, enabled ? u"enable"_s : u"disable"_s);
}

void ZVConversationSettingsViewController::followConversation() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    const bool wasFollowing = std::exchange(following_, true);
    urlPreviews_->setChecked(!conversation->isUrlPreviewDisabled());
    discloseHistory_->setChecked(conversation->isDisclose());
    emailList_->setChecked(conversation->isList());
    const int sharing =
        conversation->hasFlag(Conversation::FlagAutojoin) ? kSharingOn : kSharingOff;
    if (sharingOptions_->checkedIndex() != sharing) {
        sharingOptions_->setCheckedIndex(sharing);
    }
    if (!isEditing() && topic_->textView()->text() != conversation->topic()) {
        topic_->textView()->setText(conversation->topic());
        topic_->notifyTextChange();
    }
    following_ = wasFollowing;
}

void ZVConversationSettingsViewController::updateLeaveButton() {
    const auto conversation = conversation_.lock();
    const bool canPost = conversation && conversation->canPost();
    leave_->button()->setEnabled(canPost && !conversation->isNewConversation() && !managed_);
    topic_->textView()->setEditable(canPost && !managed_);
}

// --- the topic ---

void ZVConversationSettingsViewController::commitEdit() {
    const QString text = topic_->textView()->text();
    if (const auto conversation = conversation_.lock()) {
        conversation->changeTopic(text);
    }
    reportAction(u"Topic"_s, text.isEmpty() ? u"removed"_s : u"changed"_s);
    ZVDialogCells::commitEdit();
}

void ZVConversationSettingsViewController::cancelEdit() {
    if (const auto conversation = conversation_.lock()) {
        topic_->textView()->setText(conversation->topic());
        topic_->notifyTextChange();
    }
    ZVDialogCells::cancelEdit();
}

void ZVConversationSettingsViewController::didSelectRow(int row) {
    if (isEditing() && cellForRow(row) != topic_) {
        cancelEdit();
    }
    ZVDialogCells::didSelectRow(row);
}

// --- moving on ---

void ZVConversationSettingsViewController::navigateBack() {
    ZVConversationPageSet* pages = ZVConversationPageSet::conversationPages();
    if (pages == nullptr) {
        return;
    }
    for (int page = pages->activePageIndex() - 1; page >= 0; --page) {
        if (pages->canNavigateToPage(page)) {
            pages->setActivePageIndex(page);
            return;
        }
    }
}

void ZVConversationSettingsViewController::leaveConversation() {
    ZVLeaveConversationCard::show(conversation_.lock(), leave_->button().get());
}

void ZVConversationSettingsViewController::viewWillAppear(bool animated) {
    ZVDialogCells::viewWillAppear(animated);
    viewDidLayoutSubviews();
}

void ZVConversationSettingsViewController::releaseObservers() {
    observations_.clear();
    ZVDialogCells::releaseObservers();
}
