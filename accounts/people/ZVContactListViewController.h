#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/TimerGroup.h"
#include "platform/ui/standins/AddressBook.h"
#include "platform/ui/table/IndexPath.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QSet>
#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

class ZVContact;
class ZVContactListDelegate;
class ZVContactMenu;
class ZVConversationMembers;
class ZVLabelCell;
class ZVRepositorySession;
class ZVTableView;
namespace platform {
class TableViewCell;
}

// The searchable, checkable list of everyone the user can add to a conversation: the user's
// teams, the account's contacts and the address book's people with an e-mail address. While the
// search text is a well-formed address that no entry has, an extra row stands for it; while the
// address book is undetermined and nothing is searched, a last row asks for access to it. The
// list only reports checks to its delegate; the owner changes the roster. Main thread only.
class ZVContactListViewController : public ZVViewController {
public:
    static inline const QString kRequestAccessText = QStringLiteral("SHOW PHONE CONTACTS");
    static constexpr int kRequestAccessStyle = 10;
    static constexpr int kAvatarSize = 2;
    static constexpr qreal kInitialWidth = 320;
    static constexpr qreal kInitialHeight = 480;
    // Rows are two lines of text style 0 and this much more.
    static constexpr qreal kRowPadding = 10;
    static constexpr double kAccessRequestDelay = 0.1;
    // Scrolled further than this, a drag that ends sends the header's keyboard away.
    static constexpr qreal kHeaderResignOffset = 40;

    explicit ZVContactListViewController(std::shared_ptr<ZVRepositorySession> session);
    // A picking list: the roster's members and teams are checked for good.
    ZVContactListViewController(const ZVConversationMembers& checkedContacts,
                                std::shared_ptr<ZVRepositorySession> session);
    ~ZVContactListViewController() override;

    const std::shared_ptr<ZVRepositorySession>& session() const { return session_; }
    const std::shared_ptr<ZVTableView>& tableView() const { return tableView_; }
    const std::vector<std::shared_ptr<ZVContact>>& allContacts() const { return allContacts_; }
    // None while nothing is searched.
    const std::optional<std::vector<std::shared_ptr<ZVContact>>>& filteredContacts() const {
        return filteredContacts_;
    }
    const QSet<QString>& checkedContacts() const { return checkedContacts_; }
    const std::shared_ptr<ZVContact>& searchContact() const { return searchContact_; }
    const std::shared_ptr<ZVLabelCell>& requestAccessCell() const { return requestAccessCell_; }
    bool selection() const { return selection_; }
    void setSelection(bool selection) { selection_ = selection; }
    int avatarSize() const { return avatarSize_; }
    const std::shared_ptr<ZVContactMenu>& menu() const { return menu_; }
    std::shared_ptr<ZVContactListDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZVContactListDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    const QString& searchText() const { return searchText_; }
    // Empty or null clears the search.
    void setSearchText(const QString& text);
    // The roster again: each entry is checked exactly when it is in it.
    void setFromMembers(const ZVConversationMembers& members);
    // A typed address not tapped is still reported as added.
    void addEmailContactIfApplicable();
    void deselectContact(const QString& email);
    // The entry of a row; null for the access row or past the end.
    std::shared_ptr<ZVContact> contactAtIndexPath(platform::IndexPath path) const;
    void refreshList();
    void requestABAccess();

    // --- the table ---
    int numberOfRows() const;
    std::shared_ptr<platform::TableViewCell> cellForRow(int row);
    std::optional<platform::IndexPath> willSelectRow(platform::IndexPath path);
    void scrollEnded();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    class TableWiring;
    class ContactsObserver;

    void loadContacts();
    std::vector<std::shared_ptr<ZVContact>> loadAddressbookContactsExcludeEmails(
        QSet<QString>& known) const;
    void updateFilter();
    const std::vector<std::shared_ptr<ZVContact>>& visibleContacts() const;
    void insertSorted(const std::shared_ptr<ZVContact>& contact);
    void avatarsChanged();
    bool menuShowing() const;

    std::shared_ptr<ZVRepositorySession> session_;
    std::shared_ptr<ZVTableView> tableView_;
    std::shared_ptr<TableWiring> wiring_;
    std::shared_ptr<ContactsObserver> contactsObserver_;
    std::vector<std::shared_ptr<ZVContact>> allContacts_;
    std::optional<std::vector<std::shared_ptr<ZVContact>>> filteredContacts_;
    // Addresses the user typed and checked: kept through reloads while no source lists them.
    std::vector<std::shared_ptr<ZVContact>> typedContacts_;
    QSet<QString> checkedContacts_;
    QString searchText_;
    std::shared_ptr<ZVContact> searchContact_;
    std::shared_ptr<ZVLabelCell> requestAccessCell_;
    bool selection_ = false;
    int avatarSize_ = 0;
    std::shared_ptr<ZVContactMenu> menu_;
    std::weak_ptr<ZVContactListDelegate> delegate_;
    platform::Observation flagsObservation_;
    bool observingContacts_ = false;
    platform::TimerGroup timers_;
};
