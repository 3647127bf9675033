#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/ZelvoApi/api/ZVApiRequest.h"
#include "ZelvoKit/ZelvoApi/session/ZVApiSession.h"
#include "ZelvoKit/support/log/ZVErrorLog.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace {

using namespace Qt::Literals::StringLiterals;

// Hands each element of the answer's "contacts" to the session; the first error ends the reading.
ZVErrorPtr handleContactList(ZVApiSession& session, ZVJsonParser& answer) {
    const QJsonValue contacts = answer.extractObject(u"contacts", ZVJsonParser::JsonClass::Array,
                                                     QJsonValue(QJsonValue::Undefined));
    if (!contacts.isArray()) {
        return nullptr;
    }
    for (const QJsonValue contact : contacts.toArray()) {
        ZVJsonParser record(contact);
        if (ZVErrorPtr error = session.handleContact(record)) {
            return error;
        }
    }
    return nullptr;
}

// A failure that a later try may not meet: the network's, or the service's own trouble (5xx).
bool mayPass(const ZVErrorPtr& error) {
    constexpr int kFirstServerError = 500;
    constexpr int kLastServerError = 599;
    return ZVApi::isNetworkFailure(error) ||
           (error && error->domain() == ZVError::Domain && error->code() >= kFirstServerError &&
            error->code() <= kLastServerError);
}

}  // namespace

void ZVApiSession::synchronizeContactWithId(const QString& contactId) {
    if (contactId.isEmpty()) {
        return;
    }
    if (!contactsNeedingSync_) {
        contactsNeedingSync_.emplace();
    }
    if (contactsNeedingSync_->contains(contactId)) {
        return;
    }
    contactsNeedingSync_->insert(contactId);
    scheduleContactSync(kContactSyncDelay);
}

void ZVApiSession::searchContacts(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    contactSearchText_ = text;
    scheduleContactSync(kContactSyncDelay);
}

void ZVApiSession::scheduleContactSync(platform::TimeInterval delay) {
    // One pass at a time is enough: it takes everything waiting when it runs.
    if (ended_ || contactSyncTimer_.isValid()) {
        return;
    }
    const std::weak_ptr<ZVApiSession> weak = weak_from_this();
    contactSyncTimer_ = platform::Scheduler::main().after(delay, [weak] {
        if (const auto session = weak.lock()) {
            session->startContactSync();
        }
    });
}

void ZVApiSession::startContactSync() {
    contactSyncTimer_.cancel();
    contactSyncRetrying_ = false;
    if (contactsNeedingSync_ && contactsNeedingSync_->isEmpty()) {
        contactsNeedingSync_.reset();
    }
    if (ended_ || (!contactsNeedingSync_ && contactSearchText_.isEmpty())) {
        return;
    }
    const std::shared_ptr<ZVApiSession> self = shared_from_this();
    ZVApi& api = ZVApi::api();
    if (!api.requestsWithTag(ZVApiRequest::TagContactSync, self).empty()) {
        return;
    }

    std::shared_ptr<ZVApiRequest> request;
    QSet<QString> asked;
    const std::weak_ptr<ZVApiSession> weak = self;
    if (contactSearchText_.isEmpty() && contactsNeedingSync_->size() == 1) {
        const QString contactId = *contactsNeedingSync_->cbegin();
        asked.insert(contactId);
        request = std::make_shared<ZVApiRequest>(u"contact/sync"_s,
                                                 QJsonObject{{u"contact_id"_s, contactId}});
        request->setHandler([weak](ZVJsonParser& answer) -> ZVErrorPtr {
            const auto session = weak.lock();
            return session ? session->handleContact(answer) : nullptr;
        });
    } else {
        if (!contactSearchText_.isEmpty()) {
            QJsonArray ignore;
            for (const QString& id : allKnownContactIds()) {
                ignore.append(id);
            }
            request = std::make_shared<ZVApiRequest>(
                u"contact/sync/all"_s,
                QJsonObject{{u"ignore"_s, ignore}, {u"search_str"_s, contactSearchText_}});
            contactSearchText_.clear();
        } else {
            asked = *contactsNeedingSync_;
            QStringList ids(asked.cbegin(), asked.cend());
            ids.sort();
            request = std::make_shared<ZVApiRequest>(
                u"contact/sync/list"_s,
                QJsonObject{{u"contacts"_s, QJsonArray::fromStringList(ids)}});
        }
        request->setHandler([weak](ZVJsonParser& answer) -> ZVErrorPtr {
            const auto session = weak.lock();
            return session ? handleContactList(*session, answer) : nullptr;
        });
    }
    request->setSuccessHandler([weak, asked] {
        const auto session = weak.lock();
        if (!session) {
            return;
        }
        session->contactSyncFailures_ = 0;
        // What the service did not send back it does not have: asking again every second would
        // never end.
        if (session->contactsNeedingSync_) {
            for (const QString& id : asked) {
                session->contactsNeedingSync_->remove(id);
            }
            if (session->contactsNeedingSync_->isEmpty()) {
                session->contactsNeedingSync_.reset();
            }
        }
        session->scheduleContactSync(kContactSyncDelay);
    });
    request->setErrorHandler([weak, asked](const ZVErrorPtr& error) {
        if (const auto session = weak.lock()) {
            session->contactSyncFailed(error, asked);
        }
    });
    request->setTag(ZVApiRequest::TagContactSync);
    sendRequest(request);
}

void ZVApiSession::contactSyncFailed(const ZVErrorPtr& error, const QSet<QString>& asked) {
    if (!mayPass(error)) {
        // A refusal, or an answer with a record that cannot be read, would come back the same on
        // every retry, for as long as the account is signed in.
        dropContactsFromSync(asked, error);
        // Ids asked for meanwhile still go out.
        scheduleContactSync(kContactSyncDelay);
        return;
    }
    if (ZVApi::isNetworkFailure(error)) {
        ++contactSyncFailures_;
    }
    // Without a pass of its own the ids would wait until a new one is asked for.
    scheduleContactSync(ZVApi::retryDelay(error, contactSyncFailures_));
    contactSyncRetrying_ = true;
}

void ZVApiSession::dropContactsFromSync(const QSet<QString>& ids, const ZVErrorPtr& error) {
    QStringList dropped;
    for (const QString& id : ids) {
        if (contactsNeedingSync_ && contactsNeedingSync_->remove(id)) {
            dropped.append(id);
        }
    }
    if (dropped.isEmpty()) {
        return;
    }
    dropped.sort();
    ZVLogError(u"ZVApiSession::ContactSync: not asking again for %@ => %@", dropped.join(u", "),
               error);
}

void ZVApiSession::retryContactSyncNow() {
    if (contactSyncRetrying_) {
        startContactSync();
    }
}

QStringList ZVApiSession::allKnownContactIds() {
    return {};
}

void ZVApiSession::addContactChangeObserver(
    const std::shared_ptr<ZVContactChangeObserver>& observer) {
    if (observer &&
        std::ranges::find(contactChangeObservers_, observer) == contactChangeObservers_.end()) {
        contactChangeObservers_.push_back(observer);
    }
}

void ZVApiSession::removeContactChangeObserver(
    const std::shared_ptr<ZVContactChangeObserver>& observer) {
    std::erase(contactChangeObservers_, observer);
}

void ZVApiSession::notifyContactsChanged(const QSet<QString>& contactIds) {
    const std::shared_ptr<ZVApiSession> self = shared_from_this();
    // An observer may remove itself, or another, while it is told.
    const auto observers = contactChangeObservers_;
    for (const auto& observer : observers) {
        if (std::ranges::find(contactChangeObservers_, observer) != contactChangeObservers_.end()) {
            observer->sessionContactsChanged(self, contactIds);
        }
    }
    if (profile_) {
        profile_->notifyContactsChanged(contactIds);
    }
}
