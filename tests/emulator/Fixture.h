#pragma once

#include <QtCore/QJsonObject>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>

namespace zvemu {

// The sizes of a generated account.
struct FixtureSize {
    int contacts = 20;
    int conversations = 5;
    int messages = 50;  // over all conversations
    int hooks = 2;
    int teams = 2;
    int organisations = 1;
};

// What one account of the service holds, as the records of its event stream: the account's
// contacts (the account itself first), hooks, teams, organisations, conversations with their
// members, and their messages numbered from 1 in each conversation. The same seed and sizes give
// the same fixture, on any machine, so tests and benchmarks can name the data they run on.
struct Fixture {
    QString ownerId;
    QList<QJsonObject> contacts;
    QList<QJsonObject> hooks;
    QList<QJsonObject> teams;
    QList<QJsonObject> organisations;
    QList<QJsonObject> conversations;
    QList<QJsonObject> messages;

    // Every record in stream order: contacts, organisations, teams, hooks, conversations, then the
    // messages.
    QList<QJsonObject> records() const;

    // One JSON document, {"owner_id", "records"}; the file form of a fixture.
    QJsonObject toJson() const;
    static Fixture fromJson(const QJsonObject& json);
};

// A fixture of the sizes for the account `ownerId` (with e-mail `ownerEmail`), from the seed.
Fixture generateFixture(const QString& ownerId, const QString& ownerEmail, const FixtureSize& size,
                        std::uint64_t seed);

}  // namespace zvemu
