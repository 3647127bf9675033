#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"

#include "ZelvoKit/ZelvoApi/account/ZVUserProfile.h"
#include "ZelvoKit/support/text/ZVEmailInterval.h"
#include "platform/foundation/Scheduler.h"
#include "platform/foundation/UserDefaults.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Reply;

class ZVUserProfileTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        anna = signIn(u"anna@example.com"_s);
        profile = anna->profile();
    }

    // The profile's own contact record with `fields`.
    QJsonObject ownRecord(const QJsonObject& fields) const {
        QJsonObject record = fields;
        record.insert(u"account_id"_s, profile->contactId());
        return record;
    }

    void update(const QJsonObject& fields) {
        ZVJsonParser record(ownRecord(fields));
        profile->updateSettings(record);
    }

    // Every announcement of the profile, as "<key>" after its did-change.
    platform::Observation watch(QStringList& keys) {
        return profile->observe(
            QStringList{u"accountEmailSetting"_s, u"isFullPrivacy"_s, u"isNewsletterDisabled"_s,
                        u"localContactName"_s, u"connectedEmail"_s, u"clientFlags"_s, u"aliases"_s,
                        u"zelvoId"_s, u"suggestedZelvoIds"_s},
            [&keys](const QString& key) { keys.append(key); });
    }

    std::shared_ptr<RecordingSession> anna;
    std::shared_ptr<ZVUserProfile> profile;
};

TEST_F(ZVUserProfileTest, ContactRecordUpdatesOnlyWhatItCarries) {
    update({{u"client_flags"_s, QJsonArray{u"emoticons_old"_s, u"no_inline_images_mobile"_s}},
            {u"mk_email_interval"_s, u"hourly"_s},
            {u"alias_account_ids"_s, QJsonArray{u"alias-1"_s}},
            {u"is_full_privacy"_s, true},
            {u"zelvo_address"_s, u"anna"_s},
            {u"display_name"_s, u"Anna B"_s},
            {u"connected_email"_s, u"anna@work.example"_s}});
    ASSERT_TRUE(profile->clientFlags());
    EXPECT_TRUE(profile->isClientFlagSet(u"emoticons_old"_s));
    EXPECT_FALSE(profile->filePreviewsEnabled());
    EXPECT_TRUE(profile->avatarsEnabled());
    EXPECT_EQ(profile->accountEmailSetting(), ZVEmailInterval::Hourly);
    EXPECT_EQ(profile->aliases(), QStringList{u"alias-1"_s});
    EXPECT_TRUE(profile->isFullPrivacy());
    EXPECT_EQ(profile->zelvoId(), u"anna"_s);
    EXPECT_EQ(profile->localContactName(), u"Anna B"_s);
    EXPECT_EQ(profile->connectedEmail(), u"anna@work.example"_s);

    struct Case {
        const char* name;
        QJsonObject fields;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"no flags keeps them", {}, [&] { EXPECT_EQ(profile->clientFlags()->size(), 2); }},
        {"an empty list clears them",
         {{u"client_flags"_s, QJsonArray()}},
         [&] {
             ASSERT_TRUE(profile->clientFlags());
             EXPECT_TRUE(profile->clientFlags()->isEmpty());
             EXPECT_TRUE(profile->filePreviewsEnabled());
         }},
        {"an unknown interval word keeps the interval",
         {{u"mk_email_interval"_s, u"weekly"_s}},
         [&] { EXPECT_EQ(profile->accountEmailSetting(), ZVEmailInterval::Hourly); }},
        {"an absent privacy flag keeps it", {}, [&] { EXPECT_TRUE(profile->isFullPrivacy()); }},
        {"an absent display name empties it",
         {},
         [&] { EXPECT_EQ(profile->localContactName(), u""_s); }},
        {"an absent username keeps it", {}, [&] { EXPECT_EQ(profile->zelvoId(), u"anna"_s); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        update(c.fields);
        c.check();
    }

    // What the record brought is the account's saved setting: a new session starts with it.
    auto again = ZVApiSession::create(anna->credentials());
    const auto& restored = again->profile();
    EXPECT_EQ(restored->accountEmailSetting(), ZVEmailInterval::Hourly);
    EXPECT_EQ(restored->clientFlags(), std::optional<QSet<QString>>(QSet<QString>()));
    EXPECT_EQ(restored->aliases(), QStringList{u"alias-1"_s});
    EXPECT_TRUE(restored->isFullPrivacy());
    EXPECT_EQ(restored->zelvoId(), u"anna"_s);
    EXPECT_EQ(restored->localContactName(), u""_s);
    EXPECT_EQ(restored->connectedEmail(), u"anna@work.example"_s);
}

TEST_F(ZVUserProfileTest, ChangesAreAnnouncedByTheirKeys) {
    QStringList keys;
    auto observation = watch(keys);
    update({{u"is_newsletter_disabled"_s, true}, {u"display_name"_s, u"Anna"_s}});
    EXPECT_EQ(keys, (QStringList{u"isNewsletterDisabled"_s, u"zelvoId"_s, u"localContactName"_s}));

    keys.clear();
    update({{u"is_newsletter_disabled"_s, true},
            {u"display_name"_s, u"Anna"_s},
            {u"zelvo_address"_s, u"anna"_s}});
    EXPECT_EQ(keys, QStringList{u"zelvoId"_s});

    // Alias names are drawn from their contacts.
    keys.clear();
    update({{u"alias_account_ids"_s, QJsonArray{u"alias-1"_s}}});
    keys.clear();
    profile->notifyContactsChanged({u"someone"_s});
    EXPECT_TRUE(keys.isEmpty());
    profile->notifyContactsChanged({u"someone"_s, u"alias-1"_s});
    EXPECT_EQ(keys, QStringList{u"aliases"_s});
}

TEST_F(ZVUserProfileTest, DictionaryComesBackThroughTheProfilesOfANewSession) {
    const auto bare = profile->asDictionary();
    EXPECT_EQ(bare, (QJsonObject{{u"account_id"_s, profile->contactId()},
                                 {u"email"_s, u"anna@example.com"_s},
                                 {u"mk_email_interval"_s, u""_s},
                                 {u"display_name"_s, u""_s}}));

    update({{u"client_flags"_s, QJsonArray{u"standard_ui_mobile"_s, u"emoticons_old"_s}},
            {u"mk_email_interval"_s, u"never"_s},
            {u"alias_account_ids"_s, QJsonArray{u"alias-1"_s, u"alias-2"_s}},
            {u"zelvo_address"_s, u"anna"_s},
            {u"display_name"_s, u"Anna B"_s}});
    const QJsonObject dictionary = profile->asDictionary();
    EXPECT_EQ(dictionary.value(u"mk_email_interval"_s), u"never"_s);
    EXPECT_EQ(dictionary.value(u"client_flags"_s),
              (QJsonArray{u"emoticons_old"_s, u"standard_ui_mobile"_s}));

    // A fresh account's settings, filled from the dictionary alone.
    auto credentials = std::make_shared<ZVUserCredentials>(*anna->credentials());
    credentials->setEmail(u"anna.copy@example.com"_s);
    ZVJsonParser profiles(QJsonObject{{u"profiles"_s, QJsonArray{dictionary}}});
    auto copy = ZVApiSession::create(credentials, &profiles);
    const auto& restored = copy->profile();
    EXPECT_EQ(restored->accountEmailSetting(), ZVEmailInterval::Never);
    EXPECT_EQ(restored->clientFlags(),
              (std::optional<QSet<QString>>({u"standard_ui_mobile"_s, u"emoticons_old"_s})));
    EXPECT_EQ(restored->aliases(), (QStringList{u"alias-1"_s, u"alias-2"_s}));
    EXPECT_EQ(restored->zelvoId(), u"anna"_s);
    EXPECT_EQ(restored->localContactName(), u"Anna B"_s);
    QJsonObject expected = dictionary;
    expected.insert(u"email"_s, u"anna.copy@example.com"_s);
    EXPECT_EQ(restored->asDictionary(), expected);
}

TEST_F(ZVUserProfileTest, ClientFlagChangeIsSentOnceAndANoOpSendsNothing) {
    QStringList keys;
    auto observation = watch(keys);
    profile->setClientFlag(u"hide_url_previews_mobile"_s, false);
    profile->setClientFlag(u"hide_url_previews_mobile"_s, true);
    profile->setClientFlag(u"hide_url_previews_mobile"_s, true);
    ASSERT_TRUE(waitForAnswered(u"account/set_flag"_s));
    ASSERT_TRUE(waitUntilIdle());

    EXPECT_EQ(keys, QStringList{u"clientFlags"_s});
    const auto sent = emulator.requests(u"account/set_flag"_s);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].body.value(u"client_flag"_s), u"hide_url_previews_mobile"_s);
    EXPECT_EQ(sent[0].body.value(u"bool_value"_s), QJsonValue(true));
    EXPECT_EQ(sent[0].status, 200);
    EXPECT_EQ(emulator.account(u"anna@example.com"_s)->clientFlags,
              QStringList{u"hide_url_previews_mobile"_s});
    EXPECT_EQ(anna->arrayForKey(u"ClientFlags"_s), QJsonArray{u"hide_url_previews_mobile"_s});

    profile->setClientFlag(u"hide_url_previews_mobile"_s, false);
    ASSERT_TRUE(waitForAnswered(u"account/set_flag"_s, 2));
    EXPECT_EQ(emulator.requests(u"account/set_flag"_s)[1].body.value(u"bool_value"_s),
              QJsonValue(false));
    EXPECT_FALSE(profile->isClientFlagSet(u"hide_url_previews_mobile"_s));
}

TEST_F(ZVUserProfileTest, AccountSettingsAreSentOnlyWhenTheyChange) {
    QStringList keys;
    auto observation = watch(keys);
    profile->setAccountEmailSetting(ZVEmailInterval::Unset);
    profile->setAccountEmailSetting(ZVEmailInterval::Daily);
    profile->setAccountEmailSetting(ZVEmailInterval::Daily);
    profile->setAccountEmailSetting(9);
    profile->setIsFullPrivacy(false);
    profile->setIsFullPrivacy(true);
    profile->setIsNewsletterDisabled(true);
    ASSERT_TRUE(waitForAnswered(u"account/configure"_s, 3));
    ASSERT_TRUE(waitUntilIdle());

    QStringList arguments;
    for (const auto& request : emulator.requests(u"account/configure"_s)) {
        QJsonObject body = request.body;
        body.remove(u"ticket"_s);
        body.remove(u"api_version"_s);
        arguments.append(QString::fromUtf8(QJsonDocument(body).toJson(QJsonDocument::Compact)));
    }
    // Sent side by side, they may arrive in any order.
    arguments.sort();
    EXPECT_EQ(arguments,
              (QStringList{uR"({"email_interval":"daily"})"_s, uR"({"is_full_privacy":true})"_s,
                           uR"({"is_newsletter_disabled":true})"_s}));
    // A number without a word is kept locally only.
    EXPECT_EQ(profile->accountEmailSetting(), 9);
    EXPECT_EQ(anna->integerForKey(u"AccountEmailSetting"_s), 9);
    EXPECT_EQ(keys, (QStringList{u"isFullPrivacy"_s, u"isNewsletterDisabled"_s}));
    EXPECT_TRUE(anna->boolForKey(u"IsNewsletterDisabled"_s));
}

TEST_F(ZVUserProfileTest, MainIdentifierPrefersTheConnectedEmailThenTheUsername) {
    EXPECT_EQ(profile->mainIdentifier(), u"anna@example.com"_s);
    update({{u"zelvo_address"_s, u"anna.b"_s}, {u"connected_email"_s, u""_s}});
    EXPECT_EQ(profile->mainIdentifier(), u"anna.b@127.0.0.1"_s);
    update({{u"connected_email"_s, u"anna@work.example"_s}});
    EXPECT_EQ(profile->mainIdentifier(), u"anna@work.example"_s);
}

TEST_F(ZVUserProfileTest, PostponedUsernameClaimComesBackAfterSevenDaysToTheSecond) {
    EXPECT_TRUE(profile->shouldClaimZelvoId());
    // Far from 1970, where a single-precision time would be off by minutes.
    scheduler().advance(0.75);
    profile->postponeZelvoIdClaim();
    EXPECT_FALSE(profile->shouldClaimZelvoId());
    scheduler().advance(ZVUserProfile::kZelvoIdClaimPostponement);
    EXPECT_FALSE(profile->shouldClaimZelvoId());
    scheduler().advance(1);
    EXPECT_TRUE(profile->shouldClaimZelvoId());
    update({{u"zelvo_address"_s, u"anna"_s}});
    EXPECT_FALSE(profile->shouldClaimZelvoId());
}

TEST_F(ZVUserProfileTest, SuggestionsAreAskedOnceAtATimeAndAnEmptyAnswerCounts) {
    QStringList keys;
    auto observation = watch(keys);
    EXPECT_FALSE(profile->suggestedZelvoIds());
    EXPECT_FALSE(profile->suggestedZelvoIds());
    ASSERT_TRUE(waitUntilIdle());
    ASSERT_EQ(emulator.requestCount(u"zelvo_address/suggest"_s), 1);
    EXPECT_EQ(emulator.lastRequest(u"zelvo_address/suggest"_s)->body.value(u"ignore_list"_s),
              QJsonArray());
    EXPECT_EQ(profile->suggestedZelvoIds(), (QStringList{u"anna"_s, u"anna1"_s, u"anna2"_s}));
    EXPECT_EQ(keys, QStringList{u"suggestedZelvoIds"_s});

    // Another account: an answer without suggestions fails and is asked again; an empty list is
    // an answer.
    auto bert = signIn(u"bert@example.com"_s);
    int failures = 0;
    api().setDefaultErrorHandler([&failures](const ZVErrorPtr&) { ++failures; });
    emulator.scriptAnswer(u"zelvo_address/suggest"_s, Reply::ok());
    EXPECT_FALSE(bert->profile()->suggestedZelvoIds());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(failures, 1);
    emulator.scriptAnswer(u"zelvo_address/suggest"_s,
                          Reply::ok({{u"suggestions"_s, QJsonArray()}}));
    EXPECT_FALSE(bert->profile()->suggestedZelvoIds());
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(bert->profile()->suggestedZelvoIds(), QStringList());
    EXPECT_EQ(emulator.requestCount(u"zelvo_address/suggest"_s), 3);
}

TEST_F(ZVUserProfileTest, ClaimedUsernameIsTheProfilesOnceTheServiceAgrees) {
    emulator.updateAccount(emulator.addAccount(u"taken@example.com"_s, u"pw"_s).accountId,
                           [](zvemu::Account& account) { account.zelvoAddress = u"anna"_s; });
    QStringList outcomes;
    profile->claimZelvoId(
        u"anna"_s, [&outcomes] { outcomes.append(u"claimed"_s); },
        [&outcomes](const ZVErrorPtr& error) { outcomes.append(error->backendErrorId()); });
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(outcomes, QStringList{u"zelvo_id_taken"_s});
    EXPECT_TRUE(profile->zelvoId().isNull());

    QStringList keys;
    auto observation = watch(keys);
    profile->claimZelvoId(
        u"anna.b"_s, [&outcomes] { outcomes.append(u"claimed"_s); },
        [&outcomes](const ZVErrorPtr& error) { outcomes.append(error->backendErrorId()); });
    ASSERT_TRUE(waitUntilIdle());
    EXPECT_EQ(outcomes.last(), u"claimed"_s);
    EXPECT_EQ(profile->zelvoId(), u"anna.b"_s);
    EXPECT_TRUE(keys.contains(u"zelvoId"_s));
    // The answer is the account's own record: it went through the session's contact hook.
    EXPECT_TRUE(RecordingSession::journal().contains(u"anna@example.com contact "_s +
                                                     profile->contactId()));
    EXPECT_EQ(anna->stringForKey(u"zelvoId"_s), u"anna.b"_s);
}

}  // namespace
}  // namespace zvapitest
