#include "ZelvoKit/model/Contact.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/foundation/Application.h"

#include <QtCore/QJsonArray>
#include <QtCore/QTimeZone>

#include <cmath>

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kFoxId = u"7a1e0c4d-2b3f-4e5a-8c6d-9e0f1a2b3c4d"_s;

class ContactTest : public modeltest::SignedInTest {
protected:
    // The contact after a record with the fields, made afresh each time.
    std::shared_ptr<Contact> contactFrom(QJsonObject fields) {
        const QString id = fields.value(u"account_id"_s).toString(kFoxId);
        fields.insert(u"account_id"_s, id);
        EXPECT_EQ(applyLocally(session_, {streamRecord(u"contact"_s, fields)}), nullptr);
        return session_->contacts().value(id);
    }
};

TEST_F(ContactTest, DerivedNamesFromTheRecord) {
    const QString host = ZVApi::api().baseURL().host();
    struct Case {
        const char* name;
        QJsonObject fields;
        QString friendlyEmail;
        QString displayName;
        QStringList suggested;
        QString shortName;
    };
    const Case cases[] = {
        {"name and e-mail",
         {{u"display_name"_s, u"Red Fox"_s}, {u"email"_s, u"Fox@Example.com"_s}},
         u"Fox@Example.com"_s,
         u"Red Fox"_s,
         {u"Red"_s, u"RedF"_s, u"RedFox"_s},
         u"Red"_s},
        {"an address wins over the e-mail and joins the names",
         {{u"display_name"_s, u"Red Fox"_s},
          {u"email"_s, u"fox@example.com"_s},
          {u"zelvo_address"_s, u"rf"_s}},
         u"rf@"_s + host,
         u"Red Fox"_s,
         {u"Red"_s, u"RedF"_s, u"RedFox"_s, u"rf"_s},
         u"Red"_s},
        {"no name and no e-mail",
         {},
         u"<email unavailable>"_s,
         u"<email unavailable>"_s,
         {u"<email"_s, u"<emailu"_s, u"<emailunavailable>"_s},
         u"<email"_s},
        {"one-letter parts count only as initials",
         {{u"display_name"_s, u"J. R. Tolkien"_s}},
         u"<email unavailable>"_s,
         u"J. R. Tolkien"_s,
         {u"JR"_s, u"JRT"_s, u"JRTolkien"_s},
         u"JR"_s},
        {"a name of punctuation gives no short name",
         {{u"display_name"_s, u"..."_s}},
         u"<email unavailable>"_s,
         u"..."_s,
         {},
         u"?"_s},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject fields = c.fields;
        fields.insert(u"account_id"_s,
                      u"7a1e0c4d-2b3f-4e5a-8c6d-00000000000"_s + QString::number(n++));
        const auto contact = contactFrom(fields);
        ASSERT_TRUE(contact);
        EXPECT_EQ(contact->friendlyEmail(), c.friendlyEmail);
        EXPECT_EQ(contact->displayName(), c.displayName);
        EXPECT_EQ(contact->suggestedFriendlyNames(), c.suggested);
        EXPECT_EQ(contact->shortName(), c.shortName);
    }
}

TEST_F(ContactTest, AvatarsByScreenScaleFromTextOrObject) {
    const QJsonObject all{
        {u"size_50"_s, u"s50"_s}, {u"size_100"_s, u"s100"_s}, {u"size_700"_s, u"s700"_s}};
    const QJsonObject noLarge{{u"size_50"_s, u"s50"_s}, {u"size_100"_s, u"s100"_s}};
    const QJsonObject onlySmall{{u"size_50"_s, u"s50"_s}};
    const auto text = [](const QJsonObject& object) {
        return QJsonValue(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    };
    struct Case {
        const char* name;
        double scale;
        QJsonValue avatars;
        QString large;
        QString small;
    };
    const Case cases[] = {
        {"retina, text", 2.0, text(all), u"s700"_s, u"s100"_s},
        {"retina, object", 2.0, all, u"s700"_s, u"s100"_s},
        {"retina without size_700 takes size_100", 2.0, noLarge, u"s100"_s, u"s100"_s},
        {"retina with the smallest alone", 2.0, onlySmall, QString(), u"s50"_s},
        {"plain screen", 1.0, all, u"s100"_s, u"s50"_s},
        {"plain screen without size_100", 1.0, onlySmall, QString(), u"s50"_s},
        {"text that is not JSON", 2.0, u"{not json"_s, QString(), QString()},
        {"JSON that is not an object", 2.0, u"[1,2]"_s, QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Application::shared().setScreenScale(c.scale);
        const auto contact = contactFrom({{u"avatar_urls"_s, c.avatars}});
        ASSERT_TRUE(contact);
        EXPECT_EQ(contact->largeAvatarURL(), c.large);
        EXPECT_EQ(contact->smallAvatarURL(), c.small);
    }
    // A record without avatars keeps them; the stored text gives them again after a restart.
    platform::Application::shared().setScreenScale(2.0);
    contactFrom({{u"avatar_urls"_s, all}});
    const auto kept = contactFrom({{u"display_name"_s, u"Fox"_s}});
    EXPECT_EQ(kept->largeAvatarURL(), u"s700"_s);
    EXPECT_EQ(applyLocally(session_, {streamRecord(u"contact"_s, {{u"account_id"_s, kFoxId},
                                                                  {u"avatar_urls"_s, 12}})})
                  ->code(),
              ZVError::WrongValueClass);
    EXPECT_EQ(kept->largeAvatarURL(), u"s700"_s);
}

TEST_F(ContactTest, LastSeenText) {
    const qint64 now = static_cast<qint64>(std::floor(scheduler().now()));
    const QDateTime longAgo = QDateTime::fromSecsSinceEpoch(now - 10 * 86400, QTimeZone::utc());
    struct Case {
        const char* name;
        QString accountId;
        QJsonValue activity;
        QString expected;
    };
    const Case cases[] = {
        {"the account itself", session_->sessionId(), now - 30 * 60, u"in the mirror"_s},
        {"never active", kFoxId, QJsonValue(), u"Unknown"_s},
        {"30 minutes ago", kFoxId, now - 30 * 60, u"Just now"_s},
        {"in 59 minutes", kFoxId, now + 59 * 60, u"Just now"_s},
        {"ten days ago", kFoxId, longAgo.toSecsSinceEpoch(),
         ZVLocalization::formatDate(longAgo, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.activity.isNull()) {
            contactFrom({{u"account_id"_s, c.accountId}, {u"activity_time"_s, c.activity}});
        }
        const auto contact = session_->contactFromId(c.accountId);
        ASSERT_TRUE(contact);
        EXPECT_EQ(contact->lastSeenText(), u"Last active: "_s + c.expected);
    }
}

TEST_F(ContactTest, PredicatesAndTexts) {
    const auto own = session_->localContact();
    EXPECT_TRUE(own->isLocalContact());
    EXPECT_EQ(own->displayNameWithYou(), u"anna (you)"_s);
    EXPECT_EQ(own->friendlyZelvoId(), u"Unassigned"_s);

    const auto fox = contactFrom({{u"display_name"_s, u"Fox"_s},
                                  {u"zelvo_address"_s, u"fox"_s},
                                  {u"mk_account_status"_s, u"closed"_s}});
    EXPECT_FALSE(fox->isLocalContact());
    EXPECT_EQ(fox->displayNameWithYou(), u"Fox"_s);
    EXPECT_EQ(fox->friendlyZelvoId(), u"fox@"_s + ZVApi::api().baseURL().host());
    EXPECT_TRUE(fox->isZelvoContact());
    EXPECT_EQ(fox->desc(), u"Contact: Fox"_s);
    // An unknown status word keeps the status it had.
    contactFrom({{u"mk_account_status"_s, u"sleeping"_s}});
    EXPECT_EQ(fox->accountStatus(), 6);
    contactFrom({{u"mk_account_status"_s, u"banned"_s}});
    EXPECT_FALSE(fox->isZelvoContact());
}

// --- changes sent to the service ---

TEST_F(ContactTest, RenameAndHideGoOutOneFieldAtATime) {
    const auto fox = contactFrom({{u"display_name"_s, u"Fox"_s}});
    fox->setName(u"Red Fox"_s);
    fox->hideContact();
    EXPECT_EQ(fox->displayName(), u"Red Fox"_s);
    ASSERT_TRUE(waitForAnswered(u"contact/describe"_s));
    ASSERT_TRUE(waitForAnswered(u"contact/hide"_s));
    ASSERT_TRUE(settle([&] { return !fox->needsSync(); }));

    const auto describe = emulator.requests(u"contact/describe"_s);
    ASSERT_EQ(describe.size(), 1);
    EXPECT_EQ(describe[0].body.value(u"contact_id"_s).toString(), kFoxId);
    EXPECT_EQ(describe[0].body.value(u"contact_name"_s).toString(), u"Red Fox"_s);
    const auto hide = emulator.requests(u"contact/hide"_s);
    ASSERT_EQ(hide.size(), 1);
    EXPECT_EQ(hide[0].body.value(u"contacts"_s).toArray(), QJsonArray{kFoxId});
    // The name went first: the lower field.
    EXPECT_LT(describe[0].sequence, hide[0].sequence);
}

TEST_F(ContactTest, ANamelessContactIsDescribedWithNullAndTheOwnNameIsNotSent) {
    const auto fox = contactFrom({});
    fox->setName(QString());
    ASSERT_TRUE(waitForAnswered(u"contact/describe"_s));
    const auto describe = emulator.lastRequest(u"contact/describe"_s);
    EXPECT_TRUE(describe->body.contains(u"contact_name"_s));
    EXPECT_TRUE(describe->body.value(u"contact_name"_s).isNull());

    session_->localContact()->setName(u"Anna K"_s);
    EXPECT_EQ(session_->localContact()->displayName(), u"Anna K"_s);
    EXPECT_FALSE(session_->localContact()->needsSync());
}

TEST_F(ContactTest, ARejectedHideIsNotRetriedAndTheContactStaysHidden) {
    const auto fox = contactFrom({});
    emulator.injectFault(u"contact/hide"_s, zvemu::Fault::withStatus(404, u"not_found"_s));
    fox->hideContact();
    ASSERT_TRUE(waitForAnswered(u"contact/hide"_s));
    ASSERT_TRUE(settle([&] { return !fox->needsSync(); }));
    EXPECT_TRUE(fox->isHiddenForAdd());
    scheduler().advance(ZVRepositorySession::kCommitRetryDelay + ZVApi::kQueueSendDelay);
    EXPECT_EQ(emulator.requestCount(u"contact/hide"_s), 1);
}

}  // namespace
