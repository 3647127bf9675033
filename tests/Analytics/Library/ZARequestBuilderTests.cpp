#include "tests/Analytics/Library/AnalyticsFixture.h"

#include "Analytics/Library/ZAClock.h"
#include "Analytics/Library/ZAReachabilityChecker.h"
#include "Analytics/Library/ZARequestBuilder.h"
#include "Analytics/Library/ZATrackerModel.h"
#include "Analytics/Library/ZAURLConnection.h"

using RequestBuilder = AnalyticsTest;
using Reachability = AnalyticsTest;
using TrackerModel = AnalyticsTest;

TEST_F(RequestBuilder, EncodesOnlySentFieldsWithTheCacheBusterLast) {
    ZARequestBuilder builder;
    ZAHitRecord hit;
    hit.timestamp = za::currentDate().addMSecs(-1500);
    hit.parameters = {{QStringLiteral("&z"), QStringLiteral("77")},
                      {QStringLiteral("&a b"), QStringLiteral("x&y")},
                      {QStringLiteral("&empty"), QStringLiteral("")},
                      {QStringLiteral("&ev"), ZANull()},
                      {QStringLiteral("&iq"), 3},
                      {QStringLiteral("useSecure"), QStringLiteral("0")},
                      {QStringLiteral("zaVersion"), QStringLiteral("3.09")}};
    const QString hitTime = QString::number(hit.timestamp.toMSecsSinceEpoch());
    EXPECT_EQ(builder.parametersForHit(hit), QStringLiteral("a+b=x%26y&empty&iq=3&ht=") + hitTime +
                                                 QStringLiteral("&qt=1500&z=77"));
    // Queued in the same millisecond: no queue time.
    hit.timestamp = za::currentDate();
    EXPECT_FALSE(builder.parametersForHit(hit).contains(QStringLiteral("qt=")));
}

TEST_F(RequestBuilder, GetAndPostRequests) {
    ZARequestBuilder builder;
    const auto get = builder.requestGetUrl(QStringLiteral("https://c.example/collect"),
                                           QStringLiteral("t=event&ea=a+b"));
    EXPECT_EQ(get.httpMethod, "GET");
    EXPECT_EQ(get.url.toString(QUrl::FullyEncoded),
              QStringLiteral("https://c.example/collect?t=event&ea=a+b"));
    EXPECT_TRUE(get.headers.value("Content-Length").isEmpty());
    EXPECT_EQ(get.headers.value("Content-Type"),
              "application/x-www-form-urlencoded; charset=UTF-8");
    EXPECT_EQ(get.timeoutInterval, 60.0);

    const auto post =
        builder.requestPostUrl(QStringLiteral("https://c.example/collect"),
                               QStringLiteral("t=event"), ZARequestBuilder::CompressionNone);
    EXPECT_EQ(post.httpMethod, "POST");
    EXPECT_EQ(post.body, "t=event");
    EXPECT_EQ(post.headers.value("Content-Length"), "7");
    EXPECT_TRUE(post.headers.value("Content-Encoding").isEmpty());
    EXPECT_EQ(post.timeoutInterval, 60.0);
}

TEST_F(RequestBuilder, DryRunAnswers200AndSendsNothing) {
    ZAURLConnection::setDryRun(true);
    std::optional<int> status;
    ZARequestBuilder builder;
    auto connection = ZAURLConnection::start(
        builder.requestGetUrl(collector_.collectUrl(), QStringLiteral("t=event")),
        [&](const std::optional<platform::UrlResponse>& response, const QByteArray& data,
            const std::optional<platform::UrlError>& error) {
            status = response ? response->statusCode() : -1;
            EXPECT_TRUE(data.isEmpty());
            EXPECT_FALSE(error);
        });
    ZAURLConnection::setDryRun(false);
    ASSERT_TRUE(waitFor([&] { return status.has_value(); }));
    EXPECT_EQ(*status, 200);
    EXPECT_EQ(collector_.requestCount(), 0u);
}

TEST(ReachabilityFlags, StatusFromFlags) {
    struct Case {
        std::uint32_t flags;
        int status;
    };
    for (const Case& c : {Case{0x2, 2}, Case{0x40002, 3}, Case{0x0, 1}, Case{0x6, 1}, Case{0xE, 2},
                          Case{0x1E, 1}, Case{0x26, 2}, Case{0x40000, 1}}) {
        EXPECT_EQ(ZAReachabilityChecker::statusForFlags(c.flags), c.status) << c.flags;
    }
}

TEST_F(Reachability, CheckerTellsItsDelegateOfChangesOnly) {
    struct Delegate : ZAReachabilityDelegate {
        void reachabilityStatusChanged(ZAReachabilityChecker&, int status) override {
            statuses.push_back(status);
        }
        std::vector<int> statuses;
    } delegate;
    EXPECT_FALSE(ZAReachabilityChecker::create(&delegate, QString()));
    EXPECT_TRUE(logger_->contains(QStringLiteral("Invalid host specified.")));
    auto checker = ZAReachabilityChecker::create(&delegate, QStringLiteral("c.example"));
    checker->stop();
    EXPECT_FALSE(checker->isActive());
    ASSERT_TRUE(checker->start());
    ASSERT_TRUE(checker->start());
    reachability_->setFlags(0x2);
    reachability_->setFlags(0xE);
    reachability_->setFlags(0x0);
    EXPECT_EQ(delegate.statuses, (std::vector<int>{2, 1}));
    checker->setReachabilityApi(nullptr);
    EXPECT_TRUE(logger_->contains(
        QStringLiteral("Cannot change reachability API while reachability running")));
    checker->stop();
    EXPECT_EQ(checker->reachabilityStatus(), ZAReachabilityChecker::Unknown);
    reachability_->setFlags(0x2);
    EXPECT_EQ(delegate.statuses.size(), 2u);
}

TEST_F(TrackerModel, CompletesHitsWithTheStoresClientId) {
    auto store = ZADataStore::dataStore();
    ZATrackerModel model(store);
    model.setValue(QStringLiteral("&cid"), QStringLiteral(""));
    model.setValue(QStringLiteral("&an"), QVariant());
    const auto built = model.copyWithOverride({{QStringLiteral("&t"), QStringLiteral("event")}})
                           ->buildDictionary();
    EXPECT_EQ(built.value(QStringLiteral("&cid")), store->clientId());
    EXPECT_TRUE(isZANull(built.value(QStringLiteral("&an"))));
    EXPECT_EQ(built.value(QStringLiteral("&v")), QStringLiteral("1"));
    EXPECT_EQ(built.value(QStringLiteral("zaVersion")), QStringLiteral("3.09"));
    // Each hit gets the next cache buster.
    const auto next = model.buildDictionary();
    EXPECT_EQ(next.value(QStringLiteral("&z")).toString().toULongLong(),
              built.value(QStringLiteral("&z")).toString().toULongLong() + 1);
    // The model itself keeps no built fields.
    EXPECT_FALSE(model.parameters().contains(QStringLiteral("&z")));
}
