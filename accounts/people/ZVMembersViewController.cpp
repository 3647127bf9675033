#include "accounts/people/ZVMembersViewController.h"

#include "MessageFlow/members/ZVMemberListView.h"
#include "MessageFlow/pages/ZVConversationPageSet.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactListViewController.h"
#include "accounts/people/ZVMemberCell.h"
#include "accounts/people/ZVMemberMenu.h"
#include "accounts/people/ZVTeamCell.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/dialogs/ZVArrayCellGroup.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/widgets/ZVBackgroundView.h"
#include "toolkit/widgets/ZVInformationBanner.h"
#include "toolkit/widgets/ZVSearchBar.h"

#include <algorithm>

namespace {

const QString kSortedMembersKey = QString::fromLatin1(ZVConversationMembers::kSortedMembersKey);
const QString kCanPostKey = QStringLiteral("can_post");

// A group of member rows over `members`, each row the page's own height.
std::shared_ptr<ZVArrayCellGroup> memberRowsGroup(
    const std::vector<std::shared_ptr<ZVMember>>& members) {
    QVariantList indexes;
    for (int i = 0; i < static_cast<int>(members.size()); ++i) {
        indexes << i;
    }
    auto group = std::make_shared<ZVArrayCellGroup>(
        indexes, ZVArrayCellGroup::CellClass::of<ZVMemberCell>(QStringLiteral("ZVMemberCell")),
        [members](ZVDialogCell& cell, const QVariant& index) {
            if (auto* row = dynamic_cast<ZVMemberCell*>(&cell)) {
                row->setMember(members.at(static_cast<std::size_t>(index.toInt())));
            }
        });
    // The form adds its group spacing to a group's rows.
    group->setRowHeight(static_cast<int>(ZVMembersViewController::kMemberRowHeight -
                                         ZVDialogCells::kGroupRowSpacing));
    return group;
}

}  // namespace

std::shared_ptr<ZVMembersViewController> ZVMembersViewController::make(
    const std::shared_ptr<Conversation>& conversation, int /*page*/) {
    auto page = std::make_shared<ZVMembersViewController>(conversation);
    page->wire();
    return page;
}

ZVMembersViewController::ZVMembersViewController(const std::shared_ptr<Conversation>& conversation)
    : conversation_(conversation) {
    setTrackingCategory(kTrackingCategory);
    membersTable_ = platform::ViewController::make<ZVDialogCells>();
    membersTable_->tableView()->setBackgroundView(platform::View::make<ZVBackgroundView>());

    addParticipantsRow_ = std::make_shared<ZVLabelCell>();
    ZVTextStyles::styleLabel(*addParticipantsRow_->textLabel(), kAddRowStyle);
    addParticipantsRow_->textLabel()->setTextColor(platform::resolveColor(ZVColors::logo()));
    addParticipantsRow_->textLabel()->setTextAlignment(platform::TextAlignment::Center);
    addParticipantsRow_->setLabelText(kAddRowText);
    addParticipantsRow_->setEndsGroup(true);
    addParticipantsRow_->setHeight(kAddRowHeight);
    addParticipantsRow_->setHidden(!conversation->canPost());

    if (conversation->isManaged()) {
        auto banner = platform::View::make<ZVInformationBanner>();
        const auto session =
            std::dynamic_pointer_cast<ZVRepositorySession>(conversation->session());
        const QString organisation =
            session ? session->organisationName(conversation->organisationId()) : QString();
        banner->setMessage(platform::AttributedString(kManagedFormat.arg(organisation),
                                                      ZVTextStyles::attributesForStyle(0)));
        membersTable_->tableView()->setTableHeaderView(banner);
    }
}

ZVMembersViewController::~ZVMembersViewController() = default;

std::weak_ptr<ZVMembersViewController> ZVMembersViewController::weakPage() {
    return std::static_pointer_cast<ZVMembersViewController>(weakSelf().lock());
}

void ZVMembersViewController::wire() {
    const auto self = std::static_pointer_cast<ZVMembersViewController>(shared_from_this());
    membersTable_->setDelegate(std::static_pointer_cast<ZVDialogCellsDelegate>(self));
    const auto conversation = conversation_.lock();
    conversationObservation_ = conversation->observe(
        QStringList{kSortedMembersKey, kCanPostKey}, [this](const QString& key) {
            if (key == kCanPostKey) {
                canPostChanged();
                return;
            }
            populateMembers();
            const auto conversation = conversation_.lock();
            if (contactsTable_ && conversation) {
                contactsTable_->setFromMembers(*conversation->sortedMembers());
            }
        });
    populateMembers();
    menu_ = ZVActionMenuHost::attach<ZVMemberMenu>(membersTable_->tableView(), conversation);
    const std::weak_ptr<ZVMembersViewController> weak = self;
    addButton_ = platform::BarButtonItem::withTitle(
        kAddTitle, platform::BarButtonItem::Style::Plain, [weak](platform::BarButtonItem&) {
            if (const auto page = weak.lock()) {
                page->addMembers();
            }
        });
    updateRightButton();
}

void ZVMembersViewController::viewDidLoad() {
    ZVViewController::viewDidLoad();
    membersTable_->tableView()->setFrame(view()->bounds());
    view()->addSubview(membersTable_->tableView());
}

void ZVMembersViewController::releaseObservers() {
    conversationObservation_ = {};
    requestedHeightObservation_ = {};
    timers_.cancelAll();
    ZVViewController::releaseObservers();
}

// --- rows ---

void ZVMembersViewController::populateMembers() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    membersTable_->resetCells();
    const auto& roster = conversation->sortedMembers();
    std::vector<std::shared_ptr<ZVMember>> own;
    std::copy_if(roster->begin(), roster->end(), std::back_inserter(own),
                 [](const auto& member) { return !member->isTeamMember(); });
    membersTable_->addCell(memberRowsGroup(own));
    if (const auto* teams = roster->teams()) {
        for (const auto& team : *teams) {
            auto row = std::make_shared<ZVTeamCell>();
            row->setTeam(team);
            membersTable_->addCell(row);
            std::vector<std::shared_ptr<ZVMember>> inTeam;
            std::copy_if(roster->begin(), roster->end(), std::back_inserter(inTeam),
                         [&](const auto& member) {
                             return !member->accountId().isEmpty() &&
                                    team->membersSet().contains(member->accountId());
                         });
            membersTable_->addCell(memberRowsGroup(inTeam));
        }
    }
    membersTable_->tableView()->reloadData();
}

void ZVMembersViewController::canPostChanged() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    addParticipantsRow_->setHidden(!conversation->canPost());
    updateRightButton();
    membersTable_->tableView()->reloadData();
}

void ZVMembersViewController::updateRightButton() {
    const auto conversation = conversation_.lock();
    if (isEditing()) {
        return;
    }
    navigationItem().setRightBarButtonItem(conversation && conversation->canPost() ? addButton_
                                                                                   : nullptr);
}

void ZVMembersViewController::cellTapped(ZVDialogCell& cell) {
    if (&cell == addParticipantsRow_.get()) {
        const auto weak = weakPage();
        timers_.after(kAddDelay, [weak] {
            if (const auto page = weak.lock()) {
                page->addMembers();
            }
        });
        return;
    }
    if (menu_) {
        menu_->showWithCell(
            std::static_pointer_cast<platform::TableViewCell>(cell.shared_from_this()));
    }
}

// --- editing ---

void ZVMembersViewController::addMembers() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    if (conversation->isManaged()) {
        ZVAlertView::showMessage(kCannotAddMessage, kCannotAddTitle);
        return;
    }
    setEditing(true, true);
}

void ZVMembersViewController::setEditing(bool editing, bool animated) {
    const auto conversation = conversation_.lock();
    const bool wasEditing = isEditing();
    ZVViewController::setEditing(editing, animated);
    if (!conversation || editing == wasEditing) {
        updateRightButton();
        return;
    }
    const auto root = view();
    const QRectF bounds = root->bounds();
    const double duration = animated ? kAnimationDuration : 0.0;
    if (editing) {
        memberListView_ = platform::View::make<ZVMemberListView>(conversation);
        memberListView_->setFrame(QRectF(0, 0, bounds.width(), 0));
        memberListView_->setAlpha(0);
        root->addSubview(memberListView_);
        memberListView_->setDelegate(
            std::static_pointer_cast<ZVMemberListViewDelegate>(weakPage().lock()));
        // Made before the pills' room is set: that room leaves the search field its height.
        searchBar_ = platform::View::make<ZVSearchBar>();
        searchBar_->setShowIcons(false);
        searchBar_->sizeToFit();
        searchBar_->setPlaceholder(kSearchPlaceholder);
        searchBar_->setAlpha(0);
        searchBar_->setDelegate(std::static_pointer_cast<ZVSearchBarDelegate>(weakPage().lock()));
        root->addSubview(searchBar_);

        updateMemberListMaxHeight(0, 0, false);
        memberListView_->prepareForAppear();
        requestedHeightObservation_ = memberListView_->observe(
            ZVMemberListView::kRequestedHeightKey, [this](const QString&) { updateLayout(); });

        const auto session =
            std::dynamic_pointer_cast<ZVRepositorySession>(conversation->session());
        contactsTable_ = platform::ViewController::make<ZVContactListViewController>(
            *conversation->sortedMembers(), session);
        contactsTable_->setDelegate(
            std::static_pointer_cast<ZVContactListDelegate>(weakPage().lock()));
        addChildViewController(contactsTable_);
        const qreal searchHeight = searchBar_->frame().height();
        const auto table = contactsTable_->view();
        table->setFrame(
            QRectF(0, bounds.height(), bounds.width(),
                   bounds.height() - memberListView_->requestedHeight() - searchHeight));
        contactsTable_->beginAppearanceTransition(true, animated);
        root->addSubview(table);
        contactsTable_->didMoveToParentViewController(this);
        const qreal listHeight = memberListView_->requestedHeight();
        memberListView_->setFrame(QRectF(0, 0, bounds.width(), listHeight));
        searchBar_->setFrame(QRectF(0, listHeight, bounds.width(), searchHeight));
        const auto list = memberListView_;
        const auto search = searchBar_;
        const auto picker = contactsTable_;
        platform::ViewAnimation::animate(
            duration,
            [list, search, table] {
                list->setAlpha(1);
                search->setAlpha(1);
                list->layoutIfNeeded();
                QRectF frame = table->frame();
                frame.moveTop(list->requestedHeight() + search->frame().height());
                table->setFrame(frame);
            },
            // Weak: an animation that never ends must not keep the picker.
            [weak = std::weak_ptr<ZVContactListViewController>(picker)](bool) {
                if (const auto shown = weak.lock()) {
                    shown->endAppearanceTransition();
                }
            });
        return;
    }

    updateRightButton();
    if (!cancelling_ && contactsTable_) {
        contactsTable_->addEmailContactIfApplicable();
    }
    const auto list = memberListView_;
    const auto search = searchBar_;
    const auto picker = contactsTable_;
    if (!list || !picker) {
        return;
    }
    const auto weak = weakPage();
    picker->beginAppearanceTransition(false, animated);
    platform::ViewAnimation::animate(
        duration,
        [list, search, picker, bounds] {
            list->setAlpha(0);
            search->setAlpha(0);
            QRectF frame = picker->view()->frame();
            frame.moveTop(bounds.height());
            picker->view()->setFrame(frame);
        },
        // Weak, all of them: the page's view holds the views and the page the picker until the
        // animation ends; an animation that never ends must not keep them.
        [weak, weakList = std::weak_ptr<ZVMemberListView>(list),
         weakSearch = std::weak_ptr<ZVSearchBar>(search),
         weakPicker = std::weak_ptr<ZVContactListViewController>(picker)](bool) {
            if (const auto picker = weakPicker.lock()) {
                picker->endAppearanceTransition();
                picker->willMoveToParentViewController(nullptr);
                picker->view()->removeFromSuperview();
                picker->removeFromParentViewController();
            }
            const auto list = weakList.lock();
            if (list) {
                list->removeFromSuperview();
            }
            if (const auto search = weakSearch.lock()) {
                search->removeFromSuperview();
            }
            const auto page = weak.lock();
            // A new edit may have begun meanwhile; only this one's views are dropped.
            if (page && list && page->memberListView_ == list) {
                page->requestedHeightObservation_ = {};
                page->memberListView_.reset();
                page->searchBar_.reset();
                page->contactsTable_.reset();
            }
        });
}

void ZVMembersViewController::commitEdit() {
    const auto conversation = conversation_.lock();
    if (!conversation) {
        return;
    }
    // The address left typed in the search field goes with the others.
    if (contactsTable_) {
        contactsTable_->addEmailContactIfApplicable();
    }
    const bool dialog = !conversation->dialogPartner().isEmpty();
    const auto weak = weakPage();
    // The page may be gone by the time the service answers.
    conversation->sortedMembers()->commitAdds(
        [weak, dialog] {
            if (const auto page = weak.lock()) {
                page->addsCommitted(dialog);
            }
        },
        [weak](const ZVErrorPtr&) {
            if (const auto page = weak.lock()) {
                page->addsFailed();
            }
        });
}

void ZVMembersViewController::addsCommitted(bool dialog) {
    ZVViewController::commitEdit();
    if (dialog) {
        if (auto* pages = ZVConversationPageSet::conversationPages()) {
            pages->setActivePageIndex(0);
        }
    }
}

void ZVMembersViewController::cancelEdit() {
    if (memberListView_) {
        memberListView_->prepareForDisappear();
    }
    if (const auto conversation = conversation_.lock()) {
        conversation->sortedMembers()->cancelAdds();
    }
    cancelling_ = true;
    ZVViewController::cancelEdit();
    cancelling_ = false;
}

// --- layout ---

void ZVMembersViewController::viewDidLayoutSubviews() {
    ZVViewController::viewDidLayoutSubviews();
    membersTable_->tableView()->setFrame(view()->bounds());
    if (isEditing()) {
        updateLayout();
    }
}

void ZVMembersViewController::updateLayout() {
    if (!memberListView_ || !searchBar_ || !contactsTable_) {
        return;
    }
    QRectF rect = view()->bounds();
    const qreal listHeight = memberListView_->requestedHeight();
    memberListView_->setFrame(QRectF(rect.left(), rect.top(), rect.width(), listHeight));
    rect.setTop(rect.top() + listHeight);
    const qreal searchHeight = searchBar_->frame().height();
    searchBar_->setFrame(QRectF(rect.left(), rect.top(), rect.width(), searchHeight));
    rect.setTop(rect.top() + searchHeight);
    contactsTable_->view()->setFrame(rect);
}

void ZVMembersViewController::updateMemberListMaxHeight(qreal keyboardHeight, qreal requestHeight,
                                                        bool animated) {
    if (!memberListView_ || !searchBar_) {
        return;
    }
    const qreal viewHeight = view()->bounds().height();
    const qreal maximum =
        std::max((viewHeight - keyboardHeight) / 2 - searchBar_->frame().height(), requestHeight);
    const auto list = memberListView_;
    const auto apply = [this, list, maximum] {
        list->setMaximumHeight(maximum);
        updateLayout();
    };
    if (!animated) {
        apply();
        list->finishAnimations();
        return;
    }
    platform::ViewAnimation::animate(kAnimationDuration, 0,
                                     platform::ViewAnimation::BeginFromCurrentState, apply,
                                     [weak = std::weak_ptr<ZVMemberListView>(list)](bool) {
                                         if (const auto shown = weak.lock()) {
                                             shown->finishAnimations();
                                         }
                                     });
}

void ZVMembersViewController::requestedExpansionToHeight(qreal height) {
    view()->endEditing(true);
    updateMemberListMaxHeight(0, height, true);
}

void ZVMembersViewController::keyboardWillShow(const platform::Notification& notification) {
    ZVViewController::keyboardWillShow(notification);
    if (!isEditing() || !contactsTable_) {
        return;
    }
    const auto table = contactsTable_->tableView();
    const qreal keyboard = keyboardHeight();
    startKeyboardAnimation(notification, [table, keyboard] {
        auto insets = table->contentInset();
        insets.bottom = keyboard;
        table->setContentInset(insets);
    });
    updateMemberListMaxHeight(keyboard, 0, true);
}

void ZVMembersViewController::keyboardWillHide(const platform::Notification& notification) {
    ZVViewController::keyboardWillHide(notification);
    if (!isEditing() || !contactsTable_) {
        return;
    }
    updateMemberListMaxHeight(0, 0, true);
    const auto table = contactsTable_->tableView();
    startKeyboardAnimation(notification, [table] {
        auto insets = table->contentInset();
        insets.bottom = 0;
        table->setContentInset(insets);
    });
}

// --- the picker ---

void ZVMembersViewController::contactListAddedContact(ZVContactListViewController& list,
                                                      const std::shared_ptr<ZVContact>& added) {
    // Held here: emptying the search below drops the list's typed entry, which may be `added`.
    const std::shared_ptr<ZVContact> contact = added;
    const auto conversation = conversation_.lock();
    if (!conversation || !contact) {
        return;
    }
    if (searchBar_) {
        searchBar_->setText(QString());
    }
    list.setSearchText(QString());
    const auto& roster = conversation->sortedMembers();
    if (contact->isTeam()) {
        roster->addTeam(contact->objectId());
    } else if (!contact->objectId().isEmpty()) {
        roster->addContact(contact->objectId());
    } else {
        roster->addEmail(contact->email(), contact->name());
    }
}

void ZVMembersViewController::contactListDeletedContact(ZVContactListViewController&,
                                                        const std::shared_ptr<ZVContact>& contact) {
    const auto conversation = conversation_.lock();
    if (!conversation || !contact) {
        return;
    }
    const auto& roster = conversation->sortedMembers();
    if (contact->isTeam()) {
        roster->revokeAddTeam(contact->objectId());
        return;
    }
    const auto member = contact->objectId().isEmpty()
                            ? roster->memberByEmail(contact->email())
                            : roster->memberByAccountId(contact->objectId());
    if (member) {
        roster->revokeAdd(member);
    }
}

void ZVMembersViewController::searchBarTextDidChange(platform::View&, const QString& text) {
    if (contactsTable_) {
        contactsTable_->setSearchText(text);
    }
}
