#pragma once

#include "tests/emulator/Fixture.h"

#include <QtCore/QJsonObject>
#include <QtCore/QString>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace zvemu {

class ServiceEmulator;

// What the service knows of each account beyond its conversations: the account's own view of its
// contacts (the names it gave them, the ones it hid), its hooks, teams and organisations. Each
// change a call makes reaches the account's stream as the record the service would send, and a
// test seeds an account from a fixture.
//
// Attached to an emulator for the emulator's life; it also serves the account's poll in pages of
// at most pageSize() records with their "sync_progress", as the service does for a long stream,
// and the inbox search ("search" with "search_types") over the conversations and messages seeded:
// topics by word start, message texts by substring, the conversations the call names in
// "ignore_conversation_ids" never sent back, and the sync of a seeded conversation
// ("conversation/sync/<id>"). A search of one conversation, and the sync of a conversation not
// seeded, go to the route the model was laid over.
// Its state is guarded by its own mutex; the routes run on the emulator's threads.
class ServiceModel {
public:
    static constexpr int kDefaultPageSize = 1000;

    explicit ServiceModel(ServiceEmulator& emulator);
    ~ServiceModel();
    ServiceModel(const ServiceModel&) = delete;
    ServiceModel& operator=(const ServiceModel&) = delete;

    // Keeps the fixture's records as the account's and appends them to its stream.
    void seed(const QString& accountId, const Fixture& fixture);
    // Keeps the fixture's conversations and messages as the account's without streaming them:
    // what the service holds that the account's devices have not been sent, found by a search.
    void seedUnstreamed(const QString& accountId, const Fixture& fixture);
    // The account's record of a contact; none when the account does not know it.
    std::optional<QJsonObject> contact(const QString& accountId, const QString& contactId) const;
    // Changes a contact record of the account, as another device of the account would, and
    // streams it.
    void changeContact(const QString& accountId, const QJsonObject& fields);

    int pageSize() const;
    void setPageSize(int records);

private:
    struct State;
    std::shared_ptr<State> state_;
    ServiceEmulator& emulator_;
};

}  // namespace zvemu
