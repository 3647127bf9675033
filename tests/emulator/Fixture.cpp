#include "tests/emulator/Fixture.h"

#include <QtCore/QJsonArray>

#include <array>

namespace zvemu {

namespace {

using namespace Qt::Literals::StringLiterals;

// A small generator of our own: the standard library's distributions differ between
// implementations, and a fixture must not.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed ^ 0x9e3779b97f4a7c15ULL) {}
    std::uint64_t next() {
        // splitmix64
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int bound) { return bound <= 0 ? 0 : static_cast<int>(next() % bound); }

private:
    std::uint64_t state_;
};

constexpr std::array kFirstNames{"Anna", "Ben",   "Chloe", "Dmitri", "Eva",  "Farid", "Greta",
                                 "Hugo", "Ines",  "Jonas", "Kaia",   "Liam", "Maya",  "Noor",
                                 "Olek", "Priya", "Quinn", "Rosa",   "Sami", "Tove"};
constexpr std::array kLastNames{"Berg", "Costa",  "Dahl", "Eriksen", "Fox",   "Garcia",
                                "Hale", "Ito",    "Jung", "Kovacs",  "Lind",  "Moreau",
                                "Nagy", "Okafor", "Park", "Quist",   "Rossi", "Sato"};
constexpr std::array kWords{"plan",   "release", "review", "budget", "design", "launch",
                            "draft",  "notes",   "team",   "sprint", "fix",    "meeting",
                            "report", "idea",    "goal",   "test",   "ship",   "retro"};
constexpr std::array kStatuses{"active", "active", "active", "valid", "closed", "new"};

// An id in the form of the service's, made from the generator.
QString uuid(Random& random) {
    const auto hex = [&](int digits) {
        QString text;
        for (int i = 0; i < digits; ++i) {
            text.append(QChar(u"0123456789abcdef"[random.below(16)]));
        }
        return text;
    };
    const QChar variant(u"89ab"[random.below(4)]);
    return hex(8) + u'-' + hex(4) + u"-4"_s + hex(3) + u'-' + variant + hex(3) + u'-' + hex(12);
}

QString words(Random& random, int count) {
    QStringList chosen;
    for (int i = 0; i < count; ++i) {
        chosen.append(QString::fromLatin1(kWords[random.below(kWords.size())]));
    }
    return chosen.join(u' ');
}

// A second of 2026, so that dates are stable.
constexpr qint64 kEpoch = 1767225600;

}  // namespace

QList<QJsonObject> Fixture::records() const {
    QList<QJsonObject> all;
    all.reserve(contacts.size() + organisations.size() + teams.size() + hooks.size() +
                conversations.size() + messages.size());
    all << contacts << organisations << teams << hooks << conversations << messages;
    return all;
}

QJsonObject Fixture::toJson() const {
    QJsonArray array;
    for (const QJsonObject& record : records()) {
        array.append(record);
    }
    return {{u"owner_id"_s, ownerId}, {u"records"_s, array}};
}

Fixture Fixture::fromJson(const QJsonObject& json) {
    Fixture fixture;
    fixture.ownerId = json.value(u"owner_id"_s).toString();
    for (const QJsonValue& value : json.value(u"records"_s).toArray()) {
        const QJsonObject record = value.toObject();
        const QString kind = record.value(u"mk_rec_type"_s).toString();
        if (kind == u"contact") {
            fixture.contacts.append(record);
        } else if (kind == u"hook") {
            fixture.hooks.append(record);
        } else if (kind == u"team") {
            fixture.teams.append(record);
        } else if (kind == u"org_header") {
            fixture.organisations.append(record);
        } else if (kind == u"conv") {
            fixture.conversations.append(record);
        } else if (kind == u"message") {
            fixture.messages.append(record);
        }
    }
    return fixture;
}

Fixture generateFixture(const QString& ownerId, const QString& ownerEmail, const FixtureSize& size,
                        std::uint64_t seed) {
    Random random(seed);
    Fixture fixture;
    fixture.ownerId = ownerId;

    QStringList organisationIds;
    for (int i = 0; i < size.organisations; ++i) {
        const QString id = uuid(random);
        organisationIds.append(id);
        fixture.organisations.append({{u"mk_rec_type"_s, u"org_header"_s},
                                      {u"organisation_id"_s, id},
                                      {u"organisation_name"_s, words(random, 2)},
                                      {u"organisation_founder_id"_s, ownerId},
                                      {u"version_nr"_s, 1 + random.below(5)},
                                      {u"is_admin"_s, i == 0 ? 1 : 0}});
    }

    QStringList people{ownerId};
    fixture.contacts.append({{u"mk_rec_type"_s, u"contact"_s},
                             {u"account_id"_s, ownerId},
                             {u"email"_s, ownerEmail},
                             {u"display_name"_s, ownerEmail.section(u'@', 0, 0)},
                             {u"mk_account_status"_s, u"active"_s}});
    for (int i = 1; i < size.contacts; ++i) {
        const QString id = uuid(random);
        people.append(id);
        const QString first = QString::fromLatin1(kFirstNames[random.below(kFirstNames.size())]);
        const QString last = QString::fromLatin1(kLastNames[random.below(kLastNames.size())]);
        QJsonObject contact{
            {u"mk_rec_type"_s, u"contact"_s},
            {u"account_id"_s, id},
            {u"email"_s, u"%1.%2.%3@example.com"_s.arg(first.toLower(), last.toLower()).arg(i)},
            {u"display_name"_s, first + u' ' + last},
            {u"mk_account_status"_s,
             QString::fromLatin1(kStatuses[random.below(kStatuses.size())])},
            {u"activity_time"_s, kEpoch + random.below(30 * 86400)},
            {u"avatar_urls"_s, QJsonObject{{u"size_50"_s, u"https://a.example/%1/50"_s.arg(i)},
                                           {u"size_100"_s, u"https://a.example/%1/100"_s.arg(i)}}}};
        if (random.below(3) == 0) {
            contact.insert(u"zelvo_address"_s, u"%1%2"_s.arg(first.toLower()).arg(i));
        }
        if (!organisationIds.isEmpty() && random.below(2) == 0) {
            contact.insert(u"organisation_id"_s,
                           organisationIds[random.below(organisationIds.size())]);
        }
        fixture.contacts.append(contact);
    }

    for (int i = 0; i < size.teams; ++i) {
        QJsonArray members;
        const int count = 2 + random.below(6);
        for (int m = 0; m < count; ++m) {
            members.append(people[random.below(people.size())]);
        }
        fixture.teams.append({{u"mk_rec_type"_s, u"team"_s},
                              {u"team_id"_s, uuid(random)},
                              {u"team_name"_s, words(random, 1) + u" team"_s},
                              {u"members"_s, members}});
    }

    QStringList conversationIds;
    QList<QStringList> memberLists;
    for (int i = 0; i < size.conversations; ++i) {
        const QString id = uuid(random);
        QStringList members{ownerId};
        const int count = 1 + random.below(8);
        for (int m = 0; m < count; ++m) {
            const QString member = people[random.below(people.size())];
            if (!members.contains(member)) {
                members.append(member);
            }
        }
        conversationIds.append(id);
        memberLists.append(members);
    }
    // Messages spread over the conversations; each conversation numbers its own from 1.
    QList<int> lastNr(size.conversations, 0);
    for (int i = 0; i < size.messages && size.conversations > 0; ++i) {
        const int c = random.below(size.conversations);
        const int nr = ++lastNr[c];
        // As the service sends them: when posted, and the number before (the list has no gap).
        QJsonObject message{
            {u"mk_rec_type"_s, u"message"_s},
            {u"conversation_id"_s, conversationIds[c]},
            {u"message_nr"_s, nr},
            {u"account_id"_s, memberLists[c][random.below(memberLists[c].size())]},
            {u"mk_message_type"_s, u"text"_s},
            {u"message"_s, u"<msg>"_s + words(random, 3 + random.below(12)) + u"</msg>"_s},
            {u"posted_time"_s, kEpoch + i * 60},
            {u"tags"_s, QJsonArray()}};
        if (nr > 1) {
            message.insert(u"prev_message_nr"_s, nr - 1);
        }
        fixture.messages.append(message);
    }
    for (int i = 0; i < size.conversations; ++i) {
        fixture.conversations.append({{u"mk_rec_type"_s, u"conv"_s},
                                      {u"conversation_id"_s, conversationIds[i]},
                                      {u"topic"_s, words(random, 1 + random.below(4))},
                                      {u"members"_s, QJsonArray::fromStringList(memberLists[i])},
                                      {u"can_post"_s, true},
                                      {u"last_message_nr"_s, lastNr[i]}});
    }

    for (int i = 0; i < size.hooks && !conversationIds.isEmpty(); ++i) {
        fixture.hooks.append(
            {{u"mk_rec_type"_s, u"hook"_s},
             {u"hook_key"_s, uuid(random)},
             {u"conversation_id"_s, conversationIds[random.below(conversationIds.size())]},
             {u"account_id"_s, ownerId},
             {u"hook_name"_s, words(random, 1) + u" bot"_s},
             {u"hook_url"_s, u"https://hooks.example/%1"_s.arg(i)},
             {u"is_active"_s, random.below(4) != 0}});
    }
    return fixture;
}

}  // namespace zvemu
