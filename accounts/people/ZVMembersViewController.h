#pragma once

#include "MessageFlow/members/ZVMemberListViewDelegate.h"
#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "accounts/people/ZVContactListDelegate.h"
#include "platform/foundation/Observable.h"
#include "platform/foundation/TimerGroup.h"
#include "toolkit/dialogs/ZVDialogCellsDelegate.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/widgets/ZVSearchBarDelegate.h"

#include <QtCore/QString>

#include <memory>

class Conversation;
class ZVContactListViewController;
class ZVDialogCells;
class ZVLabelCell;
class ZVMemberListView;
class ZVMemberMenu;
class ZVSearchBar;
namespace platform {
class BarButtonItem;
}

// The members page of an open conversation: its own members, then each team with its members; a
// tap opens the member menu. "Add" turns it into an editor: the pill strip of the roster, a
// search field and the contact picker rising from below; "Done" sends the additions and leaves
// the editor once the service took them, "Cancel" drops them. Main thread only.
class ZVMembersViewController : public ZVViewController,
                                public ZVConversationPageScreen,
                                public ZVDialogCellsDelegate,
                                public ZVContactListDelegate,
                                public ZVMemberListViewDelegate,
                                public ZVSearchBarDelegate {
public:
    static constexpr int kPage = 5;
    static constexpr int kTrackingCategory = 13;
    static constexpr qreal kMemberRowHeight = 60;
    static constexpr qreal kAddRowHeight = 40;
    static constexpr int kAddRowStyle = 1;
    static constexpr double kAnimationDuration = 0.5;
    static constexpr double kAddDelay = 0.1;
    static inline const QString kAddTitle = QStringLiteral("Add");
    static inline const QString kAddRowText = QStringLiteral("Add more members");
    static inline const QString kSearchPlaceholder = QStringLiteral("Type a name or email address");
    static inline const QString kManagedFormat = QStringLiteral(
        "This conversation is managed by %1. Only admins can add or remove members.");
    static inline const QString kCannotAddTitle = QStringLiteral("Cannot add members");
    static inline const QString kCannotAddMessage =
        QStringLiteral("Only administrators can change the membership of managed conversations.");

    // Builds the page; the page number is not kept.
    static std::shared_ptr<ZVMembersViewController> make(
        const std::shared_ptr<Conversation>& conversation, int page = kPage);
    explicit ZVMembersViewController(const std::shared_ptr<Conversation>& conversation);
    ~ZVMembersViewController() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    const std::shared_ptr<ZVDialogCells>& membersTable() const { return membersTable_; }
    const std::shared_ptr<ZVLabelCell>& addParticipantsRow() const { return addParticipantsRow_; }
    const std::shared_ptr<ZVContactListViewController>& contactsTable() const {
        return contactsTable_;
    }
    const std::shared_ptr<ZVMemberListView>& memberListView() const { return memberListView_; }
    const std::shared_ptr<ZVSearchBar>& searchBar() const { return searchBar_; }
    const std::shared_ptr<ZVMemberMenu>& menu() const { return menu_; }
    const std::shared_ptr<platform::BarButtonItem>& addButton() const { return addButton_; }

    // The form built on this page keeps its own rows below the members'.
    virtual void populateMembers();
    void addMembers();
    void setEditing(bool editing, bool animated) override;
    void commitEdit() override;
    void cancelEdit() override;
    // The pill strip, the search field and the picker, top to bottom.
    virtual void updateLayout();
    void updateMemberListMaxHeight(qreal keyboardHeight, qreal requestHeight, bool animated);

    // --- delegates ---
    void cellTapped(ZVDialogCell& cell) override;
    void textCellDidBeginEditing(ZVDialogCell&) override {}
    void textCellDidEndEditing(ZVDialogCell&) override {}
    void textCellDidChange(ZVDialogCell&) override {}
    void textCellWillReturn(ZVDialogCell&) override {}
    void contactListAddedContact(ZVContactListViewController& list,
                                 const std::shared_ptr<ZVContact>& contact) override;
    void contactListDeletedContact(ZVContactListViewController& list,
                                   const std::shared_ptr<ZVContact>& contact) override;
    void requestedExpansionToHeight(qreal height) override;
    void searchBarTextDidChange(platform::View& searchBar, const QString& text) override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;

    // --- the page ---
    ZVViewController& screen() override { return *this; }
    void viewDidLoad() override;
    void viewDidLayoutSubviews() override;
    void releaseObservers() override;

protected:
    void wire();
    // The service took the additions: leaves the editor (a dialog that became a group opens on its
    // messages). A failed commit keeps the editor and its additions.
    virtual void addsCommitted(bool dialog);
    virtual void addsFailed() {}

private:
    void canPostChanged();
    void updateRightButton();
    std::weak_ptr<ZVMembersViewController> weakPage();

    std::weak_ptr<Conversation> conversation_;
    std::shared_ptr<ZVDialogCells> membersTable_;
    std::shared_ptr<ZVLabelCell> addParticipantsRow_;
    std::shared_ptr<ZVContactListViewController> contactsTable_;
    std::shared_ptr<ZVMemberListView> memberListView_;
    std::shared_ptr<ZVSearchBar> searchBar_;
    std::shared_ptr<ZVMemberMenu> menu_;
    std::shared_ptr<platform::BarButtonItem> addButton_;
    platform::Observation conversationObservation_;
    platform::Observation requestedHeightObservation_;
    // Cancel leaves the editor without adding the address typed in the search field.
    bool cancelling_ = false;
    platform::TimerGroup timers_;
};
