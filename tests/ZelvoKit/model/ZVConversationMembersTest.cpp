#include "ZelvoKit/model/ZVConversationMembers.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/Member.h"
#include "ZelvoKit/model/ZVMember.h"

#include <QtCore/QJsonArray>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kConversationId = u"9d8c7b6a-5f4e-4d3c-8b2a-1f0e9d8c7b6a"_s;

QJsonObject contact(const QString& id, const QString& name, const QString& email) {
    return streamRecord(u"contact"_s, {{u"account_id"_s, id},
                                       {u"display_name"_s, name},
                                       {u"email"_s, email},
                                       {u"mk_account_status"_s, u"active"_s}});
}

QJsonObject conv(QJsonObject fields) {
    fields.insert(u"conversation_id"_s, kConversationId);
    return streamRecord(u"conv"_s, fields);
}

class ZVConversationMembersTest : public modeltest::SignedInTest {
protected:
    QString self() const { return session_->localContact()->accountId(); }
    std::shared_ptr<Conversation> withMembers(const QStringList& ids) {
        EXPECT_EQ(applyLocally(session_, {conv({{u"members"_s, QJsonArray::fromStringList(ids)}})}),
                  nullptr);
        return session_->conversations().value(kConversationId);
    }
    static QStringList uniqueNames(const ZVConversationMembers& roster) {
        QStringList names;
        for (const auto& entry : roster) {
            names.append(entry->uniqueShortName());
        }
        names.sort();
        return names;
    }
};

TEST_F(ZVConversationMembersTest, NamesakesGetUniqueShortNames) {
    ASSERT_EQ(applyLocally(session_, {contact(u"a1"_s, u"Anna Smith"_s, u"as@x.test"_s),
                                      contact(u"a2"_s, u"Anna Sand"_s, u"asa@x.test"_s),
                                      contact(u"a3"_s, u"Anna Jones"_s, u"aj@x.test"_s),
                                      contact(u"a4"_s, u"Anna"_s, u"a@x.test"_s)}),
              nullptr);
    const auto conversation = withMembers({u"a1"_s, u"a2"_s, u"a3"_s});
    // Every clashing Anna moves on, and again while two still clash.
    EXPECT_EQ(uniqueNames(*conversation->sortedMembers()),
              (QStringList{u"AnnaJ"_s, u"AnnaSand"_s, u"AnnaSmith"_s}));

    // One with no further suggestion keeps hers; the others still move away from it.
    withMembers({u"a1"_s, u"a3"_s, u"a4"_s});
    EXPECT_EQ(uniqueNames(*conversation->sortedMembers()),
              (QStringList{u"Anna"_s, u"AnnaJ"_s, u"AnnaS"_s}));
    // Without a topic the conversation is named by them.
    EXPECT_TRUE(conversation->topicText().contains(u"AnnaJ"_s))
        << conversation->topicText().toStdString();
}

TEST_F(ZVConversationMembersTest, AnUnchangedMembershipDoesNotRebuildTheRoster) {
    ASSERT_EQ(applyLocally(session_, {contact(u"a1"_s, u"Bert"_s, u"bert@x.test"_s),
                                      contact(u"a2"_s, u"Carl"_s, u"carl@x.test"_s)}),
              nullptr);
    const auto conversation = withMembers({self(), u"a1"_s});
    const auto roster = conversation->sortedMembers();
    const auto bert = roster->memberByAccountId(u"a1"_s);
    ASSERT_TRUE(bert);
    int announced = 0;
    const auto observation =
        conversation->observe(QString::fromLatin1(ZVConversationMembers::kSortedMembersKey),
                              [&](const QString&) { ++announced; });

    // Same members, other fields: nothing rebuilt, nothing announced.
    ASSERT_EQ(applyLocally(session_, {conv({{u"members"_s, QJsonArray{self(), u"a1"_s}},
                                            {u"topic"_s, u"Lunch"_s}})}),
              nullptr);
    scheduler().advance(1.0);
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(roster->memberByAccountId(u"a1"_s), bert);

    // A newcomer: one announcement; the entries of those who stayed are kept.
    ASSERT_EQ(
        applyLocally(session_, {conv({{u"members"_s, QJsonArray{self(), u"a1"_s, u"a2"_s}}})}),
        nullptr);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(roster->count(), 3);
    EXPECT_EQ(roster->memberByAccountId(u"a1"_s), bert);
    EXPECT_EQ(roster->countWithoutSelf(), 2);
    EXPECT_EQ(roster->nameList(), (QStringList{u"Bert"_s, u"Carl"_s}));

    // A member who leaves is dropped.
    ASSERT_EQ(applyLocally(session_, {conv({{u"members"_s, QJsonArray{self(), u"a2"_s}}})}),
              nullptr);
    EXPECT_FALSE(roster->containsId(u"a1"_s));
    EXPECT_EQ(announced, 2);
}

TEST_F(ZVConversationMembersTest, ARenamedContactRenamesItsEntryAndTheTopic) {
    ASSERT_EQ(applyLocally(session_, {contact(u"a1"_s, u"Bert"_s, u"bert@x.test"_s)}), nullptr);
    const auto conversation = withMembers({self(), u"a1"_s});
    const auto bert = conversation->sortedMembers()->memberByAccountId(u"a1"_s);
    EXPECT_EQ(conversation->topicText(), u"Bert"_s);

    ASSERT_EQ(applyLocally(session_, {contact(u"a1"_s, u"Robert"_s, u"bert@x.test"_s)}), nullptr);
    EXPECT_EQ(bert->displayName(), u"Robert"_s);
    EXPECT_EQ(bert->uniqueShortName(), u"Robert"_s);
    EXPECT_EQ(conversation->topicText(), u"Robert"_s);
}

TEST_F(ZVConversationMembersTest, LocalAdditionsUntilTheServiceConfirmsThem) {
    ASSERT_EQ(applyLocally(session_, {contact(u"a1"_s, u"Bert"_s, u"bert@x.test"_s)}), nullptr);
    const auto conversation = withMembers({self()});
    const auto roster = conversation->sortedMembers();
    ASSERT_TRUE(roster->memberByAccountId(self()));
    EXPECT_FALSE(roster->memberByAccountId(self())->isAdded());
    EXPECT_EQ(conversation->topicText(), u"Monologue with myself"_s);

    // An address in capitals finds the contact, once.
    roster->addEmail(u"BERT@x.test"_s, QString());
    roster->addEmail(u"bert@X.TEST"_s, QString());
    roster->addEmail(u"guest@elsewhere.test"_s, u"Guest"_s);
    EXPECT_EQ(roster->count(), 3);
    const auto bert = roster->memberByAccountId(u"a1"_s);
    ASSERT_TRUE(bert);
    EXPECT_TRUE(bert->isAdded());
    const auto guest = roster->memberByEmail(u"Guest@Elsewhere.test"_s);
    ASSERT_TRUE(guest);
    EXPECT_TRUE(guest->isEmail());
    // Added entries sort after the members.
    EXPECT_EQ(roster->asArray().front()->accountId(), self());

    // The service confirms Bert: the same entry, now a member with his row.
    ASSERT_EQ(applyLocally(session_, {conv({{u"members"_s, QJsonArray{self(), u"a1"_s}}})}),
              nullptr);
    EXPECT_EQ(roster->memberByAccountId(u"a1"_s), bert);
    EXPECT_FALSE(bert->isAdded());
    ASSERT_TRUE(bert->member());
    bert->setReadHorizon(12);
    EXPECT_EQ(bert->member()->readHorizon(), 12);
    // The guest is still being added.
    EXPECT_TRUE(roster->memberByEmail(u"guest@elsewhere.test"_s));

    roster->revokeAdd(guest);
    EXPECT_FALSE(roster->containsEmail(u"guest@elsewhere.test"_s));
    roster->revokeAdd(bert);
    EXPECT_TRUE(roster->containsId(u"a1"_s)) << "a confirmed member is not withdrawn";
}

TEST_F(ZVConversationMembersTest, MembersMatchTypedTextAtWordStarts) {
    ASSERT_EQ(applyLocally(session_, {contact(u"a1"_s, u"Anna Smith"_s, u"as@x.test"_s),
                                      contact(u"a2"_s, u"Joan Anderson"_s, u"ja@x.test"_s),
                                      contact(u"a3"_s, u"Joanna"_s, u"jo@x.test"_s)}),
              nullptr);
    const auto roster = withMembers({self(), u"a1"_s, u"a2"_s, u"a3"_s})->sortedMembers();
    QStringList matched;
    for (const auto& entry : roster->membersMatchingString(u"an"_s, false)) {
        matched.append(entry->displayName());
    }
    EXPECT_EQ(matched, (QStringList{u"Anna Smith"_s, u"Joan Anderson"_s}));
    EXPECT_EQ(roster->membersMatchingString(QString(), false).size(), 3u) << "all but the user";
    EXPECT_EQ(roster->membersMatchingString(QString(), true).size(), 4u);

    // The latest to join wins a shared suggested name.
    roster->memberByAccountId(u"a1"_s)->setJoinMessageNr(5);
    ASSERT_EQ(applyLocally(session_, {contact(u"a4"_s, u"Anna Berg"_s, u"ab@x.test"_s)}), nullptr);
    withMembers({self(), u"a1"_s, u"a2"_s, u"a3"_s, u"a4"_s});
    roster->memberByAccountId(u"a4"_s)->setJoinMessageNr(9);
    EXPECT_EQ(roster->memberByLookupString(u"anna"_s)->accountId(), u"a4"_s);
}

TEST(ZVMemberTest, EntriesMadeFromAnAddress) {
    const QString host = u"@"_s + ZVApi::api().baseURL().host();
    struct Case {
        QString email;
        QString name;
        bool isEmail;
        QString shown;
    };
    const Case cases[] = {
        {u"guest@elsewhere.test"_s, u"Guest"_s, true, u"Guest"_s},
        {u"guest@elsewhere.test"_s, QString(), true, u"guest@elsewhere.test"_s},
        {u"kim"_s + host, u""_s, false, u"kim"_s + host},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.email.toStdString());
        const auto entry = ZVMember::withEmail(c.email, c.name);
        EXPECT_EQ(entry->isEmail(), c.isEmail);
        EXPECT_EQ(entry->displayName(), c.shown);
        EXPECT_EQ(entry->shortName(), c.shown);
        EXPECT_EQ(entry->suggestedFriendlyNames(), QStringList{c.email});
        EXPECT_TRUE(entry->uniqueShortName().isNull());
    }

    const auto upper = ZVMember::withEmail(u"x@y.test"_s, u"ANNA"_s);
    const auto lower = ZVMember::withEmail(u"z@y.test"_s, u"anna"_s);
    EXPECT_EQ(upper->compareWith(*lower), 0);
    lower->setIsAdded(true);
    EXPECT_LT(upper->compareWith(*lower), 0) << "added entries come last";

    upper->setUniqueShortName(u"Ann"_s);
    upper->setUniqueShortName(QString());
    EXPECT_EQ(upper->uniqueShortName(), u"Ann"_s);
}

// The characters of a highlighted name drawn on the highlight colour, rather than on none or clear.
QString highlightedPart(const platform::AttributedString& name) {
    QString part;
    for (qsizetype at = 0; at < name.length(); ++at) {
        const QVariant background =
            name.attribute(QString(platform::TextAttribute::BackgroundColor), at);
        if (background.isValid() &&
            !(background.value<platform::Color>() == platform::Color::clear())) {
            part += name.string().at(at);
        }
    }
    return part;
}

TEST(ZVMemberTest, ATypedWordHighlightsItsMatchAndAMissOrNoWordShowsThePlainName) {
    const auto entry = ZVMember::withEmail(u"anna@x.test"_s, u"Anna Stone"_s);
    struct Step {
        QString typed;
        bool matches;
        QString highlighted;
    };
    // In this order: each step starts from what the one before left.
    const Step steps[] = {
        {u"st"_s, true, u"St"_s}, {u"x"_s, false, u""_s},   {u"an"_s, true, u"An"_s},
        {u""_s, true, u""_s},     {u"ST"_s, true, u"St"_s}, {u"one"_s, false, u""_s},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.typed.toStdString());
        EXPECT_EQ(entry->matchString(step.typed), step.matches);
        EXPECT_EQ(entry->highlightedName().string(), u"Anna Stone"_s);
        EXPECT_EQ(highlightedPart(entry->highlightedName()), step.highlighted);
    }
}

}  // namespace
