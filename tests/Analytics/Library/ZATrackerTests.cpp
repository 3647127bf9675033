#include "tests/Analytics/Library/AnalyticsFixture.h"

#include "Analytics/Library/ZACompressionUtil.h"
#include "Analytics/Library/ZADictionaryBuilder.h"
#include "Analytics/Library/ZAExceptionParser.h"
#include "Analytics/Library/ZAFields.h"
#include "Analytics/Library/ZATrackerImpl.h"
#include "Analytics/Library/ZATrackerModel.h"

#include <QtCore/QFile>

using Tracker = AnalyticsTest;

TEST_F(Tracker, BurstOfSixtyPassesThenOneEveryTwoSeconds) {
    auto& analytics = ZA::sharedInstance();
    analytics.setDispatchInterval(0);
    auto tracker = std::dynamic_pointer_cast<ZATrackerImpl>(
        analytics.trackerWithTrackingId(QStringLiteral("ZA-00000000-1")));
    ASSERT_TRUE(tracker);
    const auto event = ZADictionaryBuilder::createEventWithCategory(QStringLiteral("c"),
                                                                    QStringLiteral("a"), QString())
                           .build();
    for (int i = 0; i < 61; ++i) {
        tracker->send(event);
    }
    EXPECT_EQ(logger_->count(QStringLiteral("Excessive tracking detected and throttled.")), 1);
    // Transactions are never throttled.
    tracker->send(ZADictionaryBuilder::createTransactionWithId(QStringLiteral("t1"), QString(), 1,
                                                               {}, {}, QStringLiteral("EUR"))
                      .build());
    platform::Scheduler::main().advance(2.0);
    tracker->send(event);
    tracker->send(event);
    EXPECT_EQ(logger_->count(QStringLiteral("Excessive tracking detected and throttled.")), 2);
    // After a long rest the budget is full again, not more.
    platform::Scheduler::main().advance(200);
    for (int i = 0; i < 61; ++i) {
        tracker->send(event);
    }
    EXPECT_EQ(logger_->count(QStringLiteral("Excessive tracking detected and throttled.")), 3);
    settle();
    EXPECT_EQ(analytics.dispatcher()->dataStore()->hitCount(), 60u + 1 + 1 + 60);
}

TEST_F(Tracker, TrackersByNameAndTheDefault) {
    auto& analytics = ZA::sharedInstance();
    EXPECT_FALSE(analytics.trackerWithName(QStringLiteral(" \n"), QStringLiteral("ZA-1")));
    EXPECT_EQ(logger_->count(QStringLiteral("Nil or empty name supplied. Cannot create tracker.")),
              1);
    auto first = analytics.trackerWithName(QStringLiteral(" one "), QStringLiteral("ZA-1"));
    auto again = analytics.trackerWithName(QStringLiteral("one"), QStringLiteral("ZA-2"));
    auto second = analytics.trackerWithTrackingId(QStringLiteral("ZA-3"));
    EXPECT_EQ(first, again);
    EXPECT_EQ(first->get(QStringLiteral("&tid")), QStringLiteral("ZA-1"));
    EXPECT_EQ(analytics.defaultTracker(), first);
    analytics.removeTrackerByName(QStringLiteral("one"));
    EXPECT_FALSE(analytics.defaultTracker());
    EXPECT_EQ(analytics.trackers().keys(), QStringList{QStringLiteral("ZA-3")});

    // A field set to none overrides its default and is not sent.
    second->set(QStringLiteral("&an"), QVariant());
    EXPECT_FALSE(second->get(QStringLiteral("&an")).has_value());
    second->set(QStringLiteral("&cm1"), 5);
    EXPECT_FALSE(second->get(QStringLiteral("&cm1")).has_value());
}

TEST_F(Tracker, ResetEmptiesTheLibraryAndRemovesItsFiles) {
    auto& analytics = ZA::sharedInstance();
    analytics.trackerWithTrackingId(QStringLiteral("ZA-1"))
        ->send(ZADictionaryBuilder::createScreenView().build());
    settle();
    const QString current = ZADataStore::databaseFullPath(ZADataStore::currentStoreName());
    const QString older = ZADataStore::databaseFullPath(ZADataStore::olderStoreName());
    ASSERT_TRUE(QFile::exists(current));
    const QString clientId = analytics.clientId();
    analytics.reset();
    EXPECT_TRUE(analytics.trackers().isEmpty());
    EXPECT_FALSE(analytics.defaultTracker());
    EXPECT_FALSE(QFile::exists(current));
    EXPECT_FALSE(QFile::exists(older));
    // The next tracker brings a new store, and with it a new installation id.
    ASSERT_TRUE(analytics.trackerWithTrackingId(QStringLiteral("ZA-1")));
    EXPECT_NE(analytics.clientId(), clientId);
    EXPECT_EQ(analytics.dispatcher()->dataStore()->hitCount(), 0u);
}

TEST(ZADictionaryBuilder, HitKinds) {
    const auto event = ZADictionaryBuilder::createEventWithCategory(
                           QStringLiteral("c"), QStringLiteral("a"), QString(), QVariant())
                           .build();
    EXPECT_EQ(event.value(QStringLiteral("&t")), QStringLiteral("event"));
    EXPECT_TRUE(isZANull(event.value(QStringLiteral("&el"))));
    EXPECT_TRUE(isZANull(event.value(QStringLiteral("&ev"))));
    EXPECT_EQ(ZADictionaryBuilder::createEventWithCategory(QStringLiteral("c"), QStringLiteral("a"),
                                                           QStringLiteral("l"), 42)
                  .build()
                  .value(QStringLiteral("&ev")),
              QStringLiteral("42"));
    EXPECT_EQ(ZADictionaryBuilder::createAppView().build().value(QStringLiteral("&t")),
              QStringLiteral("screenview"));
    ZADictionaryBuilder builder = ZADictionaryBuilder::createScreenView();
    builder.setAll({{QStringLiteral("&cd1"), QStringLiteral("x")}, {QStringLiteral("&cm1"), 3}});
    EXPECT_EQ(builder.get(QStringLiteral("&cd1")), QStringLiteral("x"));
    EXPECT_FALSE(builder.build().contains(QStringLiteral("&cm1")));
    builder.setCampaignParametersFromUrl(QStringLiteral("http://x/?utm_source=news&clid=7"));
    EXPECT_EQ(builder.get(QStringLiteral("&cs")), QStringLiteral("news"));
    EXPECT_EQ(builder.get(QStringLiteral("&clid")), QStringLiteral("7"));
    EXPECT_TRUE(isZANull(builder.build().value(QStringLiteral("&cn"))));
}

TEST(ZADictionaryBuilder, EcommerceBlocksByPosition) {
    struct Product : ZAIndexedBlock {
        explicit Product(QString sku) : sku(std::move(sku)) {}
        ZAHitParameters buildWithIndex(unsigned long index) const override {
            return {{ZAEcommerceFields::productFieldForIndex(index, QStringLiteral("&id")), sku}};
        }
        QString sku;
    };
    struct Impression : ZAImpression {
        ZAHitParameters buildWithListIndex(unsigned long list, unsigned long index) const override {
            return {{ZAEcommerceFields::productImpressionForList(list, index, QStringLiteral("nm")),
                     QStringLiteral("seen")}};
        }
    };
    ZADictionaryBuilder builder = ZADictionaryBuilder::createScreenView();
    builder.addProduct(std::make_shared<Product>(QStringLiteral("a")))
        .addProduct(std::make_shared<Product>(QStringLiteral("b")))
        .addProductImpression(std::make_shared<Impression>(), QString())
        .addProductImpression(std::make_shared<Impression>(), QStringLiteral("search"))
        .addProductImpression(std::make_shared<Impression>(), QString())
        .addProductImpression(nullptr, QStringLiteral("ignored"));
    const auto built = builder.build();
    EXPECT_EQ(built.value(QStringLiteral("&pr1id")), QStringLiteral("a"));
    EXPECT_EQ(built.value(QStringLiteral("&pr2id")), QStringLiteral("b"));
    EXPECT_EQ(built.value(QStringLiteral("&il1nm")), QStringLiteral(""));
    EXPECT_EQ(built.value(QStringLiteral("&il2nm")), QStringLiteral("search"));
    EXPECT_FALSE(built.contains(QStringLiteral("&il3nm")));
    EXPECT_TRUE(built.contains(QStringLiteral("&il1pi2nm")));
    EXPECT_TRUE(built.contains(QStringLiteral("&il2pi1nm")));
    EXPECT_EQ(ZAFields::customDimensionForIndex(1), QStringLiteral("&cd1"));
    EXPECT_EQ(ZAEcommerceFields::productFieldForIndex(3, QString()), QStringLiteral("&pr3"));
    EXPECT_EQ(ZAEcommerceFields::promotionForIndex(2, QStringLiteral("&nm")),
              QStringLiteral("&promo2nm"));
}

TEST(ZACompressionUtil, LevelsAndBrokenStreams) {
    const QByteArray text = QByteArray("t=event&ec=Conversation+screen&ea=Send\n").repeated(40);
    EXPECT_EQ(ZACompressionUtil::effectiveLevel(0), 1);
    EXPECT_EQ(ZACompressionUtil::effectiveLevel(12), 9);
    EXPECT_EQ(ZACompressionUtil::effectiveLevel(-1), -1);
    EXPECT_EQ(ZACompressionUtil::deflate(text, 0), ZACompressionUtil::deflate(text, 1));
    EXPECT_EQ(ZACompressionUtil::gzip(text, 12), ZACompressionUtil::gzip(text, 9));
    for (auto mode : {ZACompressionUtil::Mode::Zlib, ZACompressionUtil::Mode::Gzip}) {
        const auto packed = ZACompressionUtil::compress(text, -1, mode);
        ASSERT_TRUE(packed);
        EXPECT_EQ(ZACompressionUtil::inflate(*packed), text);
        EXPECT_FALSE(ZACompressionUtil::inflate(*packed + "trailing"));
        EXPECT_FALSE(ZACompressionUtil::inflate(packed->left(packed->size() / 2)));
    }
    EXPECT_EQ(ZACompressionUtil::rawInflate(*ZACompressionUtil::rawDeflate(text)), text);
    EXPECT_FALSE(ZACompressionUtil::gzip(QByteArray()));
}

TEST(ZAExceptionParser, FramesAndDescriptions) {
    struct Case {
        const char* frame;
        const char* symbol;
    };
    for (const Case& c : {
             Case{"3   Zelvo   0x0001  -[ZVApi poll:] + 42", "-[ZVApi poll:]"},
             Case{"4   Zelvo   0x0002  main + 12", "main"},
             Case{"5   CoreFoundation 0x0003 +[NSException raise:format:] + 8", nullptr},
             Case{"6 short line", nullptr},
             Case{"7   Zelvo   0x0004  onlyFour", "onlyFour"},
         }) {
        const QString symbol =
            ZAExceptionParser::symbolFromStackFrame(QString::fromLatin1(c.frame));
        EXPECT_EQ(symbol, c.symbol ? QString::fromLatin1(c.symbol) : QString()) << c.frame;
    }
    ZAExceptionInfo info{
        QStringLiteral("std::runtime_error: boom"),
        {QStringLiteral("0 a 0x0 skipped + 1"), QStringLiteral("1 a 0x0 skipped + 1"),
         QStringLiteral("2 Zelvo 0x0 first + 1"), QStringLiteral("3 Zelvo 0x0 second + 1")}};
    EXPECT_EQ(ZAExceptionParser::exceptionDescription(info, 0),
              QStringLiteral("std::runtime_error: boom\nTrace:\nfirst\nsecond"));
    for (int i = 0; i < 40; ++i) {
        info.callStackSymbols.append(
            QStringLiteral("%1 Zelvo 0x0 someFunctionName + 1").arg(i + 4));
    }
    EXPECT_EQ(ZAExceptionParser::exceptionDescription(info, 150).size(), 150);
}

TEST(ZAExceptionParser, InstallTwiceUninstallRestoresTheHandler) {
    const std::terminate_handler original = [] { std::abort(); };
    const std::terminate_handler saved = std::set_terminate(original);
    ZAInstallUncaughtExceptionHandler();
    ZAInstallUncaughtExceptionHandler();
    EXPECT_EQ(std::get_terminate(), &ZAUncaughtExceptionHandler);
    ZAUninstallUncaughtExceptionHandler();
    EXPECT_EQ(std::get_terminate(), original);
    ZAUninstallUncaughtExceptionHandler();
    EXPECT_EQ(std::get_terminate(), original);
    std::set_terminate(saved);
}

TEST_F(Tracker, UncaughtExceptionIsReportedOnceAsAFatalHit) {
    auto& analytics = ZA::sharedInstance();
    analytics.trackerWithTrackingId(QStringLiteral("ZA-1"));
    settle();
    const ZAExceptionInfo info{QStringLiteral("std::logic_error: broken"), {}};
    EXPECT_TRUE(ZAReportUncaughtException(info));
    ASSERT_TRUE(waitFor([&] { return collector_.requestCount() == 1; }));
    EXPECT_EQ(collector_.hits()[0].value(QStringLiteral("t")), QStringLiteral("exception"));
    EXPECT_EQ(collector_.hits()[0].value(QStringLiteral("exf")), QStringLiteral("1"));
    EXPECT_EQ(collector_.hits()[0].value(QStringLiteral("exd")),
              QStringLiteral("std::logic_error: broken"));
    EXPECT_FALSE(ZAReportUncaughtException(info));
    EXPECT_TRUE(logger_->contains(QStringLiteral("Bailing on multiple uncaught exceptions")));
}
