#include "accounts/people/ZVContactListViewController.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/session/ZVContactChangeObserver.h"
#include "ZelvoKit/model/Contact.h"
#include "ZelvoKit/model/Team.h"
#include "ZelvoKit/model/ZVConversationMembers.h"
#include "ZelvoKit/model/ZVMember.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZelvoUtils.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "accounts/people/ZVContact.h"
#include "accounts/people/ZVContactCell.h"
#include "accounts/people/ZVContactListDelegate.h"
#include "accounts/people/ZVContactMenu.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>

using platform::IndexPath;
using platform::TableView;

class ZVContactListViewController::TableWiring : public platform::TableViewDataSource,
                                                 public platform::TableViewDelegate {
public:
    explicit TableWiring(ZVContactListViewController& owner) : owner_(owner) {}

    int tableViewNumberOfRowsInSection(TableView&, int) override { return owner_.numberOfRows(); }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        TableView&, IndexPath path) override {
        return owner_.cellForRow(path.row);
    }
    std::optional<IndexPath> tableViewWillSelectRowAtIndexPath(TableView&,
                                                               IndexPath path) override {
        return owner_.willSelectRow(path);
    }
    void scrollViewDidEndDragging(platform::ScrollView&, bool willDecelerate) override {
        if (!willDecelerate) {
            owner_.scrollEnded();
        }
    }
    void scrollViewDidEndDecelerating(platform::ScrollView&) override { owner_.scrollEnded(); }

private:
    ZVContactListViewController& owner_;
};

class ZVContactListViewController::ContactsObserver : public ZVContactChangeObserver {
public:
    explicit ContactsObserver(ZVContactListViewController& owner) : owner_(owner) {}
    void sessionContactsChanged(const std::shared_ptr<ZVApiSession>&,
                                const QSet<QString>&) override {
        // A reload under an open menu would take its row away.
        if (owner_.menuShowing()) {
            return;
        }
        owner_.refreshList();
    }

private:
    ZVContactListViewController& owner_;
};

ZVContactListViewController::ZVContactListViewController(
    std::shared_ptr<ZVRepositorySession> session)
    : session_(std::move(session)),
      tableView_(platform::View::make<ZVTableView>(QRectF(0, 0, kInitialWidth, kInitialHeight),
                                                   TableView::Style::Plain)),
      wiring_(std::make_shared<TableWiring>(*this)),
      contactsObserver_(std::make_shared<ContactsObserver>(*this)) {
    tableView_->setDataSource(wiring_);
    tableView_->setDelegate(wiring_);
    tableView_->setRowHeight(2 * ZVTextStyles::lineHeightForStyle(0) + kRowPadding);
    const auto& profile = session_->profile();
    avatarSize_ = profile && profile->avatarsEnabled() ? kAvatarSize : 0;
    if (profile) {
        flagsObservation_ = profile->observe(QString(ZVUserProfile::ClientFlagsKey),
                                             [this](const QString&) { avatarsChanged(); });
    }
    loadContacts();
    menu_ = ZVActionMenuHost::attach<ZVContactMenu>(tableView_, session_);
}

ZVContactListViewController::ZVContactListViewController(
    const ZVConversationMembers& checkedContacts, std::shared_ptr<ZVRepositorySession> session)
    : ZVContactListViewController(std::move(session)) {
    for (const auto& member : checkedContacts) {
        if (!member->accountId().isEmpty()) {
            checkedContacts_.insert(member->accountId());
        }
    }
    if (const auto* teams = checkedContacts.teams()) {
        for (const auto& team : *teams) {
            checkedContacts_.insert(team->teamId());
        }
    }
    selection_ = true;
    loadContacts();
}

ZVContactListViewController::~ZVContactListViewController() {
    if (observingContacts_) {
        session_->removeContactChangeObserver(contactsObserver_);
    }
}

bool ZVContactListViewController::menuShowing() const {
    return menu_ && menu_->menuShowing();
}

void ZVContactListViewController::loadView() {
    setView(tableView_);
}

void ZVContactListViewController::viewWillAppear(bool animated) {
    ZVViewController::viewWillAppear(animated);
    if (!observingContacts_) {
        session_->addContactChangeObserver(contactsObserver_);
        observingContacts_ = true;
    }
}

void ZVContactListViewController::viewWillDisappear(bool animated) {
    ZVViewController::viewWillDisappear(animated);
    if (observingContacts_) {
        session_->removeContactChangeObserver(contactsObserver_);
        observingContacts_ = false;
    }
}

void ZVContactListViewController::avatarsChanged() {
    const auto& profile = session_->profile();
    const int size = profile && profile->avatarsEnabled() ? kAvatarSize : 0;
    if (size != avatarSize_) {
        avatarSize_ = size;
        tableView_->reloadData();
    }
}

// --- entries ---

void ZVContactListViewController::loadContacts() {
    // What the user ticked survives a reload of the same entry.
    QSet<QString> ticked;
    const auto keyOf = [](const ZVContact& entry) {
        return (entry.isTeam() ? QStringLiteral("t:") : QStringLiteral("p:")) +
               (entry.objectId().isEmpty() ? entry.email() : entry.objectId());
    };
    for (const auto& entry : allContacts_) {
        if (entry->checked()) {
            ticked.insert(keyOf(*entry));
        }
    }

    std::vector<std::shared_ptr<ZVContact>> entries;
    const QString self = session_->profile() ? session_->profile()->contactId() : QString();
    for (const auto& team : session_->teams()) {
        if (!team || !team->membersSet().contains(self)) {
            continue;
        }
        auto entry = std::make_shared<ZVContact>(*team);
        entry->setAlwaysChecked(checkedContacts_.contains(entry->objectId()));
        entries.push_back(std::move(entry));
    }
    QSet<QString> known;
    for (const auto& contact : session_->contacts()) {
        if (!contact || contact->isHiddenForAdd() || contact->isDeleted()) {
            continue;
        }
        auto entry = std::make_shared<ZVContact>(contact);
        entry->setAlwaysChecked(checkedContacts_.contains(entry->objectId()));
        known.insert(entry->email().toLower());
        entries.push_back(std::move(entry));
    }
    for (auto& entry : loadAddressbookContactsExcludeEmails(known)) {
        entries.push_back(std::move(entry));
    }
    std::erase_if(typedContacts_,
                  [&](const auto& typed) { return known.contains(typed->email()); });
    for (const auto& typed : typedContacts_) {
        known.insert(typed->email());
        entries.push_back(typed);
    }
    for (const auto& entry : entries) {
        if (ticked.contains(keyOf(*entry))) {
            entry->setChecked(true);
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
    allContacts_ = std::move(entries);

    const auto book = platform::AddressBook::shared();
    if (book &&
        book->authorizationStatus() == platform::AddressBookAuthorizationStatus::NotDetermined) {
        if (!requestAccessCell_) {
            requestAccessCell_ = std::make_shared<ZVLabelCell>();
            ZVTextStyles::styleLabel(*requestAccessCell_->textLabel(), kRequestAccessStyle);
            requestAccessCell_->setLabelText(kRequestAccessText);
        }
    } else {
        requestAccessCell_.reset();
    }
}

std::vector<std::shared_ptr<ZVContact>>
ZVContactListViewController::loadAddressbookContactsExcludeEmails(QSet<QString>& known) const {
    std::vector<std::shared_ptr<ZVContact>> entries;
    const auto book = platform::AddressBook::shared();
    if (!book ||
        book->authorizationStatus() != platform::AddressBookAuthorizationStatus::Authorized) {
        return entries;
    }
    for (const auto& person : book->people()) {
        const QString& first = person.firstName;
        const QString& last = person.lastName;
        const bool lastFirst = person.nameFormat == platform::CompositeNameFormat::LastNameFirst;
        // Empty parts are kept: a last name alone reads " Smith".
        const QString name = lastFirst ? last + u' ' + first : first + u' ' + last;
        for (const auto& address : person.emails) {
            const QString email = address.value.toLower();
            if (known.contains(email)) {
                continue;
            }
            known.insert(email);
            entries.push_back(std::make_shared<ZVContact>(name, email, QString()));
            break;
        }
    }
    return entries;
}

void ZVContactListViewController::insertSorted(const std::shared_ptr<ZVContact>& contact) {
    const auto at =
        std::lower_bound(allContacts_.begin(), allContacts_.end(), contact,
                         [](const auto& a, const auto& b) { return a->compare(*b) < 0; });
    allContacts_.insert(at, contact);
}

// --- search ---

void ZVContactListViewController::setSearchText(const QString& text) {
    if (!text.isEmpty()) {
        searchText_ = text;
        session_->searchContacts(text);
        updateFilter();
        return;
    }
    const bool hadFilter = filteredContacts_.has_value();
    searchText_.clear();
    searchContact_.reset();
    filteredContacts_.reset();
    if (hadFilter) {
        tableView_->reloadData();
    }
}

void ZVContactListViewController::updateFilter() {
    std::vector<std::shared_ptr<ZVContact>> filtered;
    bool addressListed = false;
    for (const auto& entry : allContacts_) {
        if (rangeOfPrefixString(entry->name(), searchText_).found() ||
            rangeOfPrefixString(entry->email(), searchText_).found()) {
            // Addresses are kept in lower case: "Bob@Example.com" is the listed "bob@example.com".
            addressListed =
                addressListed || entry->email().compare(searchText_, Qt::CaseInsensitive) == 0;
            filtered.push_back(entry);
        }
    }
    filteredContacts_ = std::move(filtered);
    if (!addressListed && ZelvoUtils::isValidEmail(searchText_)) {
        searchContact_ = std::make_shared<ZVContact>(searchText_, searchText_.toLower(), QString());
    } else {
        searchContact_.reset();
    }
    tableView_->reloadData();
}

void ZVContactListViewController::refreshList() {
    loadContacts();
    if (!searchText_.isEmpty()) {
        updateFilter();
    } else {
        tableView_->reloadData();
    }
}

// --- checks ---

void ZVContactListViewController::setFromMembers(const ZVConversationMembers& members) {
    QSet<QString> teamIds;
    QSet<QString> accountIds;
    QSet<QString> emails;
    if (const auto* teams = members.teams()) {
        for (const auto& team : *teams) {
            teamIds.insert(team->teamId());
        }
    }
    for (const auto& member : members) {
        if (!member->accountId().isEmpty()) {
            accountIds.insert(member->accountId());
        } else {
            emails.insert(member->email());
        }
    }
    bool changed = false;
    for (const auto& entry : allContacts_) {
        bool checked = false;
        if (entry->isTeam()) {
            checked = teamIds.contains(entry->objectId());
        } else if (!entry->objectId().isEmpty()) {
            checked = accountIds.contains(entry->objectId());
        } else {
            checked = emails.contains(entry->email());
        }
        if (checked != entry->checked()) {
            entry->setChecked(checked);
            changed = true;
        }
    }
    if (changed) {
        tableView_->reloadData();
    }
}

void ZVContactListViewController::addEmailContactIfApplicable() {
    // A copy: the delegate may clear the search, and the typed entry with it.
    if (const auto typed = searchContact_) {
        if (const auto listener = delegate_.lock()) {
            listener->contactListAddedContact(*this, typed);
        }
    }
}

void ZVContactListViewController::deselectContact(const QString& email) {
    const auto found = std::find_if(allContacts_.begin(), allContacts_.end(), [&](const auto& e) {
        return e->email() == email && !e->alwaysChecked();
    });
    if (found == allContacts_.end() || !(*found)->checked()) {
        return;
    }
    const auto entry = *found;
    entry->setChecked(false);
    if (const auto listener = delegate_.lock()) {
        listener->contactListDeletedContact(*this, entry);
    }
    tableView_->reloadData();
}

void ZVContactListViewController::requestABAccess() {
    const auto book = platform::AddressBook::shared();
    if (!book) {
        return;
    }
    std::weak_ptr<ZVViewController> weak = weakSelf();
    book->requestAccess([weak](bool) {
        // The list may be gone by the time the user answers.
        if (const auto self = std::static_pointer_cast<ZVContactListViewController>(weak.lock())) {
            self->refreshList();
        }
    });
}

// --- the table ---

const std::vector<std::shared_ptr<ZVContact>>& ZVContactListViewController::visibleContacts()
    const {
    return filteredContacts_ ? *filteredContacts_ : allContacts_;
}

int ZVContactListViewController::numberOfRows() const {
    int rows = static_cast<int>(visibleContacts().size());
    rows += searchContact_ ? 1 : 0;
    rows += !filteredContacts_ && requestAccessCell_ ? 1 : 0;
    return rows;
}

std::shared_ptr<ZVContact> ZVContactListViewController::contactAtIndexPath(IndexPath path) const {
    const auto& shown = visibleContacts();
    if (path.row >= 0 && path.row < static_cast<int>(shown.size())) {
        return shown[static_cast<std::size_t>(path.row)];
    }
    if (searchContact_ && path.row == static_cast<int>(shown.size())) {
        return searchContact_;
    }
    return nullptr;
}

std::shared_ptr<platform::TableViewCell> ZVContactListViewController::cellForRow(int row) {
    const auto entry = contactAtIndexPath({0, row});
    if (!entry) {
        return requestAccessCell_;
    }
    const QString reuseId =
        selection_ ? ZVContactCell::kCheckReuseIdentifier : ZVContactCell::kReuseIdentifier;
    auto cell = std::dynamic_pointer_cast<ZVContactCell>(tableView_->dequeueReusableCell(reuseId));
    if (!cell) {
        cell = platform::View::make<ZVContactCell>(selection_);
    }
    cell->setAvatarSize(avatarSize_);
    cell->setContact(entry);
    if (entry != searchContact_) {
        cell->setHighlightStr(searchText_);
    }
    return cell;
}

std::optional<IndexPath> ZVContactListViewController::willSelectRow(IndexPath path) {
    if (const auto holder = tableView_->superview()) {
        holder->endEditing(true);
    }
    const auto cell = tableView_->cellForRowAtIndexPath(path);
    if (cell && cell == requestAccessCell_) {
        std::weak_ptr<ZVViewController> weak = weakSelf();
        timers_.after(kAccessRequestDelay, [weak] {
            if (const auto self =
                    std::static_pointer_cast<ZVContactListViewController>(weak.lock())) {
                self->requestABAccess();
            }
        });
        return std::nullopt;
    }
    const auto contactCell = std::dynamic_pointer_cast<ZVContactCell>(cell);
    const auto entry = contactAtIndexPath(path);
    if (!contactCell || !entry || !contactCell->highlightable()) {
        return path;
    }
    // The delegate may clear the search (and with it the typed entry) while it is told.
    const bool typed = entry == searchContact_;
    const bool checked = !contactCell->checked();
    contactCell->setChecked(checked);
    entry->setChecked(checked);
    if (const auto listener = delegate_.lock()) {
        if (checked) {
            listener->contactListAddedContact(*this, entry);
        } else {
            listener->contactListDeletedContact(*this, entry);
        }
    }
    if (checked && typed) {
        insertSorted(entry);
        typedContacts_.push_back(entry);
        if (searchContact_ == entry) {
            searchContact_.reset();
        }
        if (!searchText_.isEmpty()) {
            updateFilter();
        } else {
            tableView_->reloadData();
        }
    }
    return path;
}

void ZVContactListViewController::scrollEnded() {
    const auto& header = tableView_->tableHeaderView();
    if (header && tableView_->contentOffset().y() > kHeaderResignOffset) {
        header->resignFirstResponder();
    }
}
