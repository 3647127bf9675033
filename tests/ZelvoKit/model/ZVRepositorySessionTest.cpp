#include "ZelvoKit/model/ZVRepositorySession.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"

#include <QtCore/QJsonArray>

#include <functional>
#include <optional>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kSessionFoxId = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;
const QString kOwlId = u"0b9a8c7d-6e5f-4a3b-9c2d-1e0f9a8b7c6d"_s;

class ZVRepositorySessionTest : public modeltest::SignedInTest {};

// --- the upsert, per record kind ---

TEST_F(ZVRepositorySessionTest, KeyedUpsertOfEveryKind) {
    using Find = std::function<std::shared_ptr<platform::ManagedObject>(ZVRepositorySession&)>;
    struct Kind {
        const char* kind;
        QString recordKind;
        QJsonObject full;      // a complete record
        QString field;         // a field the fragment changes
        QJsonObject fragment;  // the key and `field` alone
        Find find;
        // A record of an unknown object marked deleted makes it, except for contacts.
        bool deletedUnknownIsMade;
    };
    const Kind kinds[] = {
        {"contact",
         u"contact"_s,
         {{u"account_id"_s, kSessionFoxId},
          {u"email"_s, u"fox@example.com"_s},
          {u"display_name"_s, u"Fox"_s}},
         u"display_name"_s,
         {{u"account_id"_s, kSessionFoxId}, {u"display_name"_s, u"Red Fox"_s}},
         [](ZVRepositorySession& s) { return s.contacts().value(kSessionFoxId); },
         false},
        {"hook",
         u"hook"_s,
         {{u"hook_key"_s, u"h1"_s},
          {u"conversation_id"_s, u"c1"_s},
          {u"account_id"_s, kSessionFoxId},
          {u"hook_name"_s, u"Build"_s},
          {u"is_active"_s, true}},
         u"hook_name"_s,
         {{u"hook_key"_s, u"h1"_s}, {u"hook_name"_s, u"Deploy"_s}},
         [](ZVRepositorySession& s) { return s.hookFromId(u"h1"_s); },
         true},
        {"team",
         u"team"_s,
         {{u"team_id"_s, u"t1"_s},
          {u"team_name"_s, u"Ops"_s},
          {u"members"_s, QJsonArray{kSessionFoxId}}},
         u"team_name"_s,
         {{u"team_id"_s, u"t1"_s}, {u"team_name"_s, u"Platform"_s}},
         [](ZVRepositorySession& s) { return s.teamFromId(u"t1"_s); },
         true},
        {"organisation",
         u"org_header"_s,
         {{u"organisation_id"_s, u"o1"_s}, {u"organisation_name"_s, u"Acme"_s}, {u"is_admin"_s, 1}},
         u"organisation_name"_s,
         {{u"organisation_id"_s, u"o1"_s}, {u"organisation_name"_s, u"Acme Ltd"_s}},
         [](ZVRepositorySession& s) { return s.organisationById(u"o1"_s); },
         true},
        {"conversation",
         u"conv"_s,
         {{u"conversation_id"_s, u"c1"_s}, {u"topic"_s, u"Plans"_s}, {u"cmail"_s, u"c1@x.test"_s}},
         u"topic"_s,
         {{u"conversation_id"_s, u"c1"_s}, {u"topic"_s, u"Plans for May"_s}},
         [](ZVRepositorySession& s) { return s.conversations().value(u"c1"_s); },
         false},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.kind);
        const auto record = [&](QJsonObject fields) { return streamRecord(k.recordKind, fields); };
        const auto deleted = [&](QJsonObject fields) {
            fields.insert(u"is_deleted"_s, true);
            return record(fields);
        };

        // A fragment cannot make an object of a kind with required fields.
        if (k.recordKind == u"hook") {
            const ZVErrorPtr error = applyLocally(session_, {record(k.fragment)});
            ASSERT_TRUE(error);
            EXPECT_EQ(error->code(), ZVError::MissingValue);
            EXPECT_FALSE(k.find(*session_));
        }

        ASSERT_EQ(applyLocally(session_, {record(k.full)}), nullptr);
        const auto made = k.find(*session_);
        ASSERT_TRUE(made);
        EXPECT_FALSE(made->isInserted()) << "saved at the end of the answer";

        // An update and a fragment change the same object, and only what they carry.
        ASSERT_EQ(applyLocally(session_, {record(k.full), record(k.fragment)}), nullptr);
        EXPECT_EQ(k.find(*session_), made);
        EXPECT_EQ(made->value(k.field), k.fragment.value(k.field).toVariant());
        for (auto it = k.full.begin(); it != k.full.end(); ++it) {
            if (it.key() != k.field && it.value().isString()) {
                EXPECT_EQ(made->value(it.key()).toString(), it.value().toString())
                    << it.key().toStdString();
            }
        }

        // Deleted: gone from the map and the store.
        ASSERT_EQ(applyLocally(session_, {deleted(k.fragment)}), nullptr);
        EXPECT_FALSE(k.find(*session_));
        EXPECT_TRUE(made->isDeleted());

        // Deleted and unknown.
        ASSERT_EQ(applyLocally(session_, {deleted(k.full)}), nullptr);
        EXPECT_EQ(k.find(*session_) != nullptr, k.deletedUnknownIsMade);
    }
}

TEST_F(ZVRepositorySessionTest, ANewObjectLackingARequiredBooleanIsReportedAndNotMade) {
    const ZVErrorPtr error =
        applyLocally(session_, {streamRecord(u"hook"_s, {{u"hook_key"_s, u"h2"_s},
                                                         {u"conversation_id"_s, u"c1"_s},
                                                         {u"account_id"_s, kSessionFoxId}})});
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), ZVError::MissingValue);
    EXPECT_EQ(error->userInfo().value(ZVError::KeyKey).toString(), u"is_active"_s);
    EXPECT_FALSE(session_->hookFromId(u"h2"_s));
}

TEST_F(ZVRepositorySessionTest, ABadRecordLeavesTheOthersOfItsAnswerApplied) {
    const ZVErrorPtr error = applyLocally(
        session_, {streamRecord(u"team"_s, {{u"team_id"_s, u"t1"_s}}),
                   streamRecord(u"hook"_s, {{u"hook_key"_s, u"broken"_s}}),
                   streamRecord(u"contact"_s, {{u"account_id"_s, kSessionFoxId}}),
                   streamRecord(u"org_header"_s, {{u"organisation_name"_s, u"no id"_s}}),
                   streamRecord(u"org_header"_s, {{u"organisation_id"_s, u"o1"_s}})});
    ASSERT_TRUE(error);
    EXPECT_TRUE(session_->teamFromId(u"t1"_s));
    EXPECT_TRUE(session_->contacts().contains(kSessionFoxId));
    EXPECT_TRUE(session_->organisationById(u"o1"_s));
    EXPECT_FALSE(session_->hookFromId(u"broken"_s));
    EXPECT_EQ(session_->organisations().size(), 1);
}

// --- contacts and their maps ---

TEST_F(ZVRepositorySessionTest, ContactMapsFollowRecordsAndDeletion) {
    ASSERT_EQ(
        applyLocally(session_, {streamRecord(u"contact"_s, {{u"account_id"_s, kSessionFoxId},
                                                            {u"email"_s, u"Fox@Example.com"_s},
                                                            {u"zelvo_address"_s, u"fox"_s}})}),
        nullptr);
    const auto fox = session_->contacts().value(kSessionFoxId);
    ASSERT_TRUE(fox);
    EXPECT_EQ(session_->contactsByEmail().value(u"fox@example.com"_s), fox);
    EXPECT_EQ(session_->contactsByZelvoId().value(u"fox"_s), fox);

    // A new address adds an entry; the old one still finds the person.
    applyLocally(session_, {streamRecord(u"contact"_s, {{u"account_id"_s, kSessionFoxId},
                                                        {u"email"_s, u"red@example.com"_s}})});
    EXPECT_EQ(session_->contactsByEmail().value(u"fox@example.com"_s), fox);
    EXPECT_EQ(session_->contactsByEmail().value(u"red@example.com"_s), fox);

    applyLocally(
        session_,
        {streamRecord(u"contact"_s, {{u"account_id"_s, kSessionFoxId}, {u"is_deleted"_s, true}})});
    EXPECT_FALSE(session_->contacts().contains(kSessionFoxId));
    EXPECT_FALSE(session_->contactsByEmail().contains(u"red@example.com"_s));
    EXPECT_FALSE(session_->contactsByZelvoId().contains(u"fox"_s));
    EXPECT_TRUE(fox->isDeleted());
    // Deleting one that is not known changes nothing.
    EXPECT_EQ(applyLocally(session_, {streamRecord(u"contact"_s, {{u"account_id"_s, kOwlId},
                                                                  {u"is_deleted"_s, true}})}),
              nullptr);
    EXPECT_FALSE(session_->contacts().contains(kOwlId));
}

TEST_F(ZVRepositorySessionTest, AnUnknownIdGetsOneHiddenPlaceholderThatIsAskedFor) {
    const auto placeholder = session_->contactFromId(kOwlId);
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->email(), u"?"_s);
    EXPECT_TRUE(placeholder->isHiddenForAdd());
    EXPECT_EQ(placeholder->accountStatus(), 3);
    EXPECT_EQ(session_->contactFromId(kOwlId), placeholder);
    EXPECT_TRUE(session_->allKnownContactIds().contains(kOwlId));
    ASSERT_TRUE(session_->contactsNeedingSync());
    EXPECT_TRUE(session_->contactsNeedingSync()->contains(kOwlId));

    // With an e-mail it is found by it too.
    const QString hareId = u"1c2d3e4f-5a6b-4c7d-8e9f-0a1b2c3d4e5f"_s;
    const auto hare = session_->contactFromEmail(u"Hare@Example.com"_s, hareId);
    EXPECT_EQ(hare->email(), u"hare@example.com"_s);
    EXPECT_EQ(session_->contactFromEmail(u"HARE@example.com"_s), hare);
    // Neither id nor match: none.
    EXPECT_FALSE(session_->contactFromEmail(u"nobody@example.com"_s));
    EXPECT_FALSE(session_->contactFromId(QString()));
}

TEST_F(ZVRepositorySessionTest, AnAddressOnTheServiceHostIsFoundByItsNameFirst) {
    applyLocally(
        session_,
        {streamRecord(u"contact"_s,
                      {{u"account_id"_s, kSessionFoxId}, {u"zelvo_address"_s, u"fox"_s}}),
         streamRecord(u"contact"_s, {{u"account_id"_s, kOwlId},
                                     {u"email"_s, u"fox@"_s + ZVApi::api().baseURL().host()}})});
    const QString onHost = u"fox@"_s + ZVApi::api().baseURL().host();
    EXPECT_EQ(session_->contactFromEmail(onHost)->accountId(), kSessionFoxId);
}

TEST_F(ZVRepositorySessionTest, NamesOfHooksTeamsAndOrganisations) {
    applyLocally(session_,
                 {streamRecord(u"contact"_s,
                               {{u"account_id"_s, kSessionFoxId}, {u"display_name"_s, u"Fox"_s}}),
                  streamRecord(u"hook"_s, {{u"hook_key"_s, u"named"_s},
                                           {u"conversation_id"_s, u"c"_s},
                                           {u"account_id"_s, kSessionFoxId},
                                           {u"is_active"_s, true},
                                           {u"hook_name"_s, u"Build"_s}}),
                  streamRecord(u"hook"_s, {{u"hook_key"_s, u"nameless"_s},
                                           {u"conversation_id"_s, u"c"_s},
                                           {u"account_id"_s, kSessionFoxId},
                                           {u"is_active"_s, false},
                                           {u"hook_name"_s, u""_s}}),
                  streamRecord(u"team"_s, {{u"team_id"_s, u"named"_s}, {u"team_name"_s, u"Ops"_s}}),
                  streamRecord(u"team"_s, {{u"team_id"_s, u"nameless"_s}, {u"team_name"_s, u""_s}}),
                  streamRecord(u"org_header"_s, {{u"organisation_id"_s, u"o"_s},
                                                 {u"organisation_name"_s, u"Acme"_s}})});
    EXPECT_EQ(session_->hookName(u"named"_s), u"Build"_s);
    EXPECT_EQ(session_->hookName(u"nameless"_s), u"Fox"_s);
    EXPECT_EQ(session_->hookName(u"unknown"_s), u"?"_s);
    EXPECT_EQ(session_->teamName(u"named"_s), u"Ops"_s);
    EXPECT_EQ(session_->teamName(u"nameless"_s), u"?"_s);
    EXPECT_EQ(session_->teamName(u"unknown"_s), u"?"_s);
    EXPECT_EQ(session_->organisationName(u"o"_s), u"Acme"_s);
    EXPECT_EQ(session_->organisationName(u"unknown"_s), u"?"_s);
    EXPECT_EQ(session_->fullNameOfContact(kSessionFoxId), u"Fox"_s);
}

TEST_F(ZVRepositorySessionTest, TeamMembersFromTheirText) {
    applyLocally(session_,
                 {streamRecord(u"team"_s, {{u"team_id"_s, u"t"_s},
                                           {u"members"_s, QJsonArray{kSessionFoxId, kOwlId}}})});
    const auto team = session_->teamFromId(u"t"_s);
    EXPECT_EQ(team->membersSet(), (QSet<QString>{kSessionFoxId, kOwlId}));
    // A record without members keeps them.
    applyLocally(session_,
                 {streamRecord(u"team"_s, {{u"team_id"_s, u"t"_s}, {u"team_name"_s, u"Ops"_s}})});
    EXPECT_EQ(team->membersSet(), (QSet<QString>{kSessionFoxId, kOwlId}));
    applyLocally(session_,
                 {streamRecord(u"team"_s, {{u"team_id"_s, u"t"_s}, {u"members"_s, QJsonArray()}})});
    EXPECT_TRUE(team->membersSet().isEmpty());
}

// --- the graph across a restart ---

TEST_F(ZVRepositorySessionTest, ARestartedSessionLoadsEveryMapFromTheStore) {
    service.seed(session_->sessionId(),
                 zvemu::generateFixture(session_->sessionId(), u"anna@example.com"_s,
                                        {.contacts = 40,
                                         .conversations = 3,
                                         .messages = 10,
                                         .hooks = 3,
                                         .teams = 4,
                                         .organisations = 2},
                                        7));
    ASSERT_TRUE(waitForStreamEnd(session_));
    const qsizetype contacts = session_->contacts().size();
    const qsizetype byEmail = session_->contactsByEmail().size();
    const qsizetype byAddress = session_->contactsByZelvoId().size();
    const std::int64_t horizon = session_->eventHorizon();
    // One process holds an account's store: the old session goes with the old process.
    const std::weak_ptr<ZVRepositorySession> before = session_;
    session_.reset();

    const auto after = restart(u"anna@example.com"_s);
    ASSERT_TRUE(after);
    EXPECT_TRUE(before.expired());
    EXPECT_EQ(after->eventHorizon(), horizon);
    EXPECT_EQ(after->contacts().size(), contacts);
    EXPECT_EQ(after->contactsByEmail().size(), byEmail);
    EXPECT_EQ(after->contactsByZelvoId().size(), byAddress);
    EXPECT_EQ(after->hooks().size(), 3);
    EXPECT_EQ(after->teams().size(), 4);
    EXPECT_EQ(after->organisations().size(), 2);
    EXPECT_EQ(after->localContact()->accountId(), after->sessionId());
    for (const auto& contact : after->contacts()) {
        EXPECT_FALSE(contact->displayName().isEmpty());
        EXPECT_EQ(contact->session(), after);
    }
}

TEST_F(ZVRepositorySessionTest, SyncFullHistoryIsKeptPerAccount) {
    EXPECT_FALSE(session_->syncFullHistory());
    session_->setSyncFullHistory(true);
    session_.reset();
    const auto after = restart(u"anna@example.com"_s);
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->syncFullHistory());
}

}  // namespace
