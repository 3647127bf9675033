#include "tests/emulator/ServiceModel.h"

#include "tests/emulator/EmulatorJson.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QJsonArray>

#include <algorithm>

namespace zvemu {

namespace {

using namespace Qt::Literals::StringLiterals;

// The stream's first position, as the emulator counts it.
constexpr qint64 kFirstHorizon = 1;

}  // namespace

struct ServiceModel::State {
    mutable std::mutex mutex;
    // Per account: contact id -> the account's record of the contact.
    std::map<QString, std::map<QString, QJsonObject>> contacts;
    int pageSize = kDefaultPageSize;

    // Merges the fields into the account's record of the contact; the record to stream.
    QJsonObject change(const QString& accountId, const QString& contactId,
                       const QJsonObject& fields) {
        QJsonObject& record = contacts[accountId][contactId];
        record.insert(u"mk_rec_type"_s, u"contact"_s);
        record.insert(u"account_id"_s, contactId);
        for (auto it = fields.begin(); it != fields.end(); ++it) {
            if (it.value().isNull()) {
                record.remove(it.key());
            } else {
                record.insert(it.key(), it.value());
            }
        }
        return record;
    }
};

ServiceModel::ServiceModel(ServiceEmulator& emulator)
    : state_(std::make_shared<State>()), emulator_(emulator) {
    const std::shared_ptr<State> state = state_;

    emulator.route(u"contact/describe"_s, ServiceEmulator::Access::Session, [state](Call& call) {
        const QString contactId = call.body().value(u"contact_id"_s).toString();
        const QJsonValue name = call.body().value(u"contact_name"_s);
        if (contactId.isEmpty() || !(name.isString() || name.isNull())) {
            return Reply::error(400, u"bad_request"_s);
        }
        QJsonObject record;
        {
            const std::lock_guard lock(state->mutex);
            record = state->change(call.account->accountId, contactId, {{u"display_name"_s, name}});
        }
        call.emulator.appendEvent(call.account->accountId, record);
        return Reply::ok();
    });

    emulator.route(u"contact/hide"_s, ServiceEmulator::Access::Session, [state](Call& call) {
        const QJsonValue contacts = call.body().value(u"contacts"_s);
        if (!contacts.isArray()) {
            return Reply::error(400, u"bad_request"_s);
        }
        QList<QJsonObject> records;
        {
            const std::lock_guard lock(state->mutex);
            for (const QJsonValue& id : contacts.toArray()) {
                records.append(state->change(call.account->accountId, id.toString(),
                                             {{u"is_hidden_for_add"_s, true}}));
            }
        }
        call.emulator.appendEvents(call.account->accountId, records);
        return Reply::ok();
    });

    // The standard poll, answered a page at a time.
    emulator.route(u"account/poll"_s, ServiceEmulator::Access::Session, [state](Call& call) {
        const qint64 horizon = call.body().value(u"event_horizon"_s).toInteger(-1);
        const bool wait = call.body().value(u"wait"_s).toBool();
        int pageSize = 0;
        {
            const std::lock_guard lock(state->mutex);
            pageSize = state->pageSize;
        }
        const qint64 total = call.emulator.eventHorizon(call.account->accountId) - kFirstHorizon;
        const EventBatch batch =
            call.emulator.eventsAfter(call.account->accountId, horizon, wait, pageSize);
        const double progress =
            total <= 0 ? 1.0
                       : std::min(1.0, static_cast<double>(batch.eventHorizon - kFirstHorizon) /
                                           static_cast<double>(total));
        return Reply::ok({{u"stream"_s, toArray(batch.records)},
                          {u"event_horizon"_s, batch.eventHorizon},
                          {u"sync_progress"_s, progress}});
    });
}

ServiceModel::~ServiceModel() = default;

void ServiceModel::seed(const QString& accountId, const Fixture& fixture) {
    {
        const std::lock_guard lock(state_->mutex);
        for (const QJsonObject& contact : fixture.contacts) {
            state_->contacts[accountId][contact.value(u"account_id"_s).toString()] = contact;
        }
    }
    emulator_.appendEvents(accountId, fixture.records());
}

std::optional<QJsonObject> ServiceModel::contact(const QString& accountId,
                                                 const QString& contactId) const {
    const std::lock_guard lock(state_->mutex);
    const auto account = state_->contacts.find(accountId);
    if (account == state_->contacts.end()) {
        return std::nullopt;
    }
    const auto found = account->second.find(contactId);
    if (found == account->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

void ServiceModel::changeContact(const QString& accountId, const QJsonObject& fields) {
    QJsonObject record;
    {
        const std::lock_guard lock(state_->mutex);
        record = state_->change(accountId, fields.value(u"account_id"_s).toString(), fields);
    }
    emulator_.appendEvent(accountId, record);
}

int ServiceModel::pageSize() const {
    const std::lock_guard lock(state_->mutex);
    return state_->pageSize;
}

void ServiceModel::setPageSize(int records) {
    const std::lock_guard lock(state_->mutex);
    state_->pageSize = std::max(1, records);
}

}  // namespace zvemu
