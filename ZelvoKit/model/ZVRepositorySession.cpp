#include "ZelvoKit/model/ZVRepositorySession.h"

#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/model/search/ZVSearch.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserCredentials.h"
#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/store/StoreFiles.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kEventHorizonKey = u"eventHorizon"_s;
// The e-mail of a placeholder contact made from an id alone.
const QString kUnknownEmail = u"?"_s;
const QString kUnknownName = u"?"_s;
constexpr int kStatusActive = 3;

}  // namespace

ZVRepositorySession::ZVRepositorySession(std::shared_ptr<ZVUserCredentials> credentials)
    : ZVApiSession(std::move(credentials)) {}

ZVRepositorySession::~ZVRepositorySession() = default;

bool ZVRepositorySession::initWithRepository(ZVJsonParser* profiles) {
    const auto self = std::static_pointer_cast<ZVRepositorySession>(shared_from_this());
    repository_ = ZVDataRepository::create(self);
    if (!repository_) {
        return false;
    }

    loadContacts();

    // What the base's first step would have done, now that contacts can be stored.
    handleProfiles(profiles);

    localContact_ = profile() ? contactFromId(profile()->contactId()) : nullptr;
    if (!localContact_) {
        ZVLogError(u"Data for local contact missing");
        return false;
    }

    loadObjectsWithoutContacts();
    loadLabels();

    syncFullHistory_ = boolForKey(QString(kSyncFullHistorySetting));
    unsentWork_ = arrayForKey(QString(kUnsentWorkSetting)).value_or(QJsonArray());
    updateSyncProgress();

    knownHorizon_ = eventHorizon();
    const std::weak_ptr<ZVRepositorySession> weak = self;
    horizonObservation_ = observe(kEventHorizonKey, [weak](const QString&) {
        if (const auto session = weak.lock()) {
            session->horizonChanged();
        }
    });
    return true;
}

void ZVRepositorySession::loadContacts() {
    contacts_.clear();
    contactsByEmail_.clear();
    contactsByZelvoId_.clear();
    loadObjects<Contact>(QString(Contact::kEntityName), contacts_, &Contact::accountId);
    for (const auto& contact : std::as_const(contacts_)) {
        enterContact(contact);
    }
}

void ZVRepositorySession::loadObjectsWithoutContacts() {
    hooks_.clear();
    teams_.clear();
    organisations_.clear();
    loadObjects<Hook>(QString(Hook::kEntityName), hooks_, &Hook::hookKey);
    loadObjects<Team>(QString(Team::kEntityName), teams_, &Team::teamId);
    loadObjects<Organisation>(QString(Organisation::kEntityName), organisations_,
                              &Organisation::organisationId);
    loadConversations();
}

void ZVRepositorySession::reloadObjectGraph() {
    loadContacts();
    loadObjectsWithoutContacts();
    loadLabels();
    if (localContact_) {
        localContact_ = contactFromId(localContact_->accountId());
    }
}

template <class T>
void ZVRepositorySession::loadObjects(const QString& entityName,
                                      QHash<QString, std::shared_ptr<T>>& objects,
                                      QString (T::*key)() const) {
    auto fetched = repository_->fetchObjects<T>(entityName);
    if (!fetched) {
        return;
    }
    objects.reserve(static_cast<qsizetype>(fetched->size()));
    for (const auto& object : *fetched) {
        if constexpr (std::is_base_of_v<ZVManagedObject, T>) {
            // Derived values that depend on the account were made before the session was set.
            object->awakeFromFetch();
        }
        objects.insert(((*object).*key)(), object);
    }
}

void ZVRepositorySession::enterContact(const std::shared_ptr<Contact>& contact) {
    contacts_.insert(contact->accountId(), contact);
    if (const QString email = contact->email(); !email.isEmpty()) {
        contactsByEmail_.insert(email.toLower(), contact);
    }
    if (const QString address = contact->zelvoAddress(); !address.isEmpty()) {
        contactsByZelvoId_.insert(address, contact);
    }
}

void ZVRepositorySession::removeContact(const std::shared_ptr<Contact>& contact) {
    contacts_.remove(contact->accountId());
    if (const QString email = contact->email().toLower();
        !email.isEmpty() && contactsByEmail_.value(email) == contact) {
        contactsByEmail_.remove(email);
    }
    if (const QString address = contact->zelvoAddress();
        !address.isEmpty() && contactsByZelvoId_.value(address) == contact) {
        contactsByZelvoId_.remove(address);
    }
    deleteObject(contact);
}

void ZVRepositorySession::deleteObject(const std::shared_ptr<platform::ManagedObject>& object) {
    if (repository_) {
        repository_->deleteObject(object);
    }
}

ZVErrorPtr ZVRepositorySession::validationError(
    const std::shared_ptr<platform::StoreError>& error) {
    return error ? ZVDataRepository::errorFromStoreError(*error) : nullptr;
}

void ZVRepositorySession::setSyncFullHistory(bool syncFullHistory) {
    syncFullHistory_ = syncFullHistory;
    setBool(syncFullHistory, QString(kSyncFullHistorySetting));
    if (syncFullHistory) {
        synchronizeData();
    }
}

// --- look-ups ---

std::shared_ptr<Contact> ZVRepositorySession::contactFromId(const QString& accountId) {
    return contactFromEmail(QString(), accountId);
}

std::shared_ptr<Contact> ZVRepositorySession::contactFromEmail(const QString& email) {
    return contactFromEmail(email, QString());
}

std::shared_ptr<Contact> ZVRepositorySession::contactFromEmail(const QString& email,
                                                               const QString& accountId) {
    std::shared_ptr<Contact> found;
    if (!accountId.isEmpty()) {
        found = contacts_.value(accountId);
    }
    const QString lowered = email.toLower();
    if (!found && !email.isEmpty()) {
        const QString address = ZVApi::api().zelvoIdFromEmail(lowered);
        if (!address.isNull()) {
            found = contactsByZelvoId_.value(address);
        }
        if (!found) {
            found = contactsByEmail_.value(lowered);
        }
    }
    if (!found && !accountId.isEmpty() && repository_) {
        found = repository_->createObjectOfClass<Contact>(QString(Contact::kEntityName));
        if (!found) {
            return nullptr;
        }
        found->setAccountId(accountId);
        found->setEmail(email.isEmpty() ? kUnknownEmail : lowered);
        found->setHiddenForAdd(true);
        found->setAccountStatus(kStatusActive);
        found->awakeFromFetch();
        contacts_.insert(accountId, found);
        if (!email.isEmpty()) {
            contactsByEmail_.insert(lowered, found);
        }
        synchronizeContactWithId(accountId);
    }
    return found;
}

QString ZVRepositorySession::fullNameOfContact(const QString& accountId) {
    const auto contact = contactFromId(accountId);
    return contact ? contact->displayName() : QString();
}

std::shared_ptr<Hook> ZVRepositorySession::hookFromId(const QString& hookKey) const {
    return hooks_.value(hookKey);
}

QString ZVRepositorySession::hookName(const QString& hookKey) {
    const auto hook = hooks_.value(hookKey);
    if (!hook) {
        return kUnknownName;
    }
    const QString name = hook->hookName();
    return name.isEmpty() ? fullNameOfContact(hook->accountId()) : name;
}

std::shared_ptr<Team> ZVRepositorySession::teamFromId(const QString& teamId) const {
    return teams_.value(teamId);
}

QString ZVRepositorySession::teamName(const QString& teamId) const {
    const auto team = teams_.value(teamId);
    const QString name = team ? team->teamName() : QString();
    return name.isEmpty() ? kUnknownName : name;
}

std::shared_ptr<Organisation> ZVRepositorySession::organisationById(
    const QString& organisationId) const {
    return organisations_.value(organisationId);
}

QString ZVRepositorySession::organisationName(const QString& organisationId) const {
    const auto organisation = organisations_.value(organisationId);
    return organisation ? organisation->organisationName() : kUnknownName;
}

QStringList ZVRepositorySession::allKnownContactIds() {
    return contacts_.keys();
}

// --- life cycle ---

void ZVRepositorySession::saveContext() {
    if (repository_) {
        lastSaveFailed_ = repository_->saveContext() != nullptr;
    } else {
        ZVApiSession::saveContext();
    }
}

void ZVRepositorySession::connectionEstablished() {
    ZVApiSession::connectionEstablished();
    synchronizeData();
}

void ZVRepositorySession::initialSyncCompleted() {
    ZVApiSession::initialSyncCompleted();
    synchronizeData();
}

void ZVRepositorySession::eraseLocalData() {
    // The store is closed before its folder goes; the next session of the account makes a new
    // one, and with it starts from horizon 0.
    contacts_.clear();
    contactsByEmail_.clear();
    contactsByZelvoId_.clear();
    hooks_.clear();
    teams_.clear();
    organisations_.clear();
    conversations_.clear();
    changedConversations_.clear();
    newConversation_.reset();
    labels_.clear();
    localContact_.reset();
    if (repository_) {
        const QString path = repository_->repositoryURL().toLocalFile();
        repository_.reset();
        // The folder may be named otherwise than the account the base removes.
        for (const platform::StoreFileFailure& failure : platform::removeStoreFiles(path)) {
            ZVLogError(u"Error deleting <%@>: %@", failure.fileName, failure.reason);
        }
    }
    ZVApiSession::eraseLocalData();
}

void ZVRepositorySession::endSession(EndReason reason) {
    const auto keepAlive = shared_from_this();
    if (reason != EndReason::Resync) {
        // An account signed out leaves no files behind.
        removeKeptFiles();
    } else if (!hasEnded()) {
        keepUnsentWorkAside();
    }
    // Their timers must not outlive the account.
    for (const auto& conversation : std::as_const(conversations_)) {
        if (conversation->hasWriters()) {
            conversation->writers()->reset();
        }
    }
    ZVApiSession::endSession(reason);
    horizonObservation_ = {};
    search_.reset();
    repository_.reset();
}
