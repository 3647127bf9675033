#include "ZelvoKit/support/url/ZVURLHandler.h"

#include "ZelvoKit/support/base/ZelvoUtils.h"

#include <gtest/gtest.h>

#include <QtCore/QStringList>

using namespace Qt::StringLiterals;

namespace {

using Link = ZVURLHandler::ZelvoLink;
using Parameters = ZVURLHandler::Parameters;

TEST(ZVURLHandlerTest, ZelvoLinkGrammar) {
    struct Case {
        QString url;
        Link expected;
    };
    const QString id = u"Ab-_0123456789xYzAbCdE"_s;  // URL-safe ids are case-sensitive
    const Case cases[] = {
        {u"zelvo:"_s + id, {{}, id, {}}},
        {u"zelvo://"_s + id, {{}, id, {}}},
        {u"zelvo:"_s, {{}, u""_s, {}}},
        // Two bare words and a pair: the last word is the action.
        {u"zelvo:?first&second&key=value"_s, {u"second"_s, u""_s, {{u"key"_s, u"value"_s}}}},
        // A second "=" ends the value.
        {u"zelvo:x?k=a=b"_s, {{}, u"x"_s, {{u"k"_s, u"a"_s}}}},
        {u"zelvo:x?confirm&notification_id=N%20%C3%A9+1"_s,
         {u"confirm"_s, u"x"_s, {{u"notification_id"_s, u"N é+1"_s}}}},
        // Only the piece after the first "?" is the query.
        {u"zelvo:x?one?two"_s, {u"one"_s, u"x"_s, {}}},
        // With an authority the path and the fragment are no part of the id or the query.
        {u"zelvo://"_s + id + u"/path?act&k=v#frag"_s, {u"act"_s, id, {{u"k"_s, u"v"_s}}}},
        // Bad escapes leave their keys out: not hexadecimal, cut short, not UTF-8.
        {u"zelvo:x?a=%G1&b=%E2%82&c=%FF&d=%&e=%4&ok=%41"_s, {{}, u"x"_s, {{u"ok"_s, u"A"_s}}}},
        // ...also when an earlier component set the key.
        {u"zelvo:x?a=1&a=%ZZ"_s, {{}, u"x"_s, {}}},
        {u"zelvo:x?k="_s, {{}, u"x"_s, {{u"k"_s, u""_s}}}},
        {u"zelvo:x?&&"_s, {{}, u"x"_s, {}}},
    };
    for (const Case& c : cases) {
        const Link link = ZVURLHandler::parseZelvoUrl(c.url);
        EXPECT_EQ(link.action, c.expected.action) << c.url.toStdString();
        EXPECT_EQ(link.action.isNull(), c.expected.action.isNull()) << c.url.toStdString();
        EXPECT_EQ(link.conversationId, c.expected.conversationId) << c.url.toStdString();
        EXPECT_EQ(link.parameters, c.expected.parameters) << c.url.toStdString();
        // An empty value is kept apart from an absent one.
        for (const QString& value : std::as_const(link.parameters)) {
            EXPECT_FALSE(value.isNull()) << c.url.toStdString();
        }
    }
}

TEST(ZVURLHandlerTest, PhoneNumberIsReadFromTheText) {
    const std::pair<QString, QString> cases[] = {
        {u"tel://+1(555)#2"_s, u"+1(555)#2"_s},
        {u"tel://+1%20555/ignored"_s, u"+1 555"_s},
        {u"tel://12%G"_s, u"12%G"_s},  // a bad escape is shown as written
        {u"tel:+15550100"_s, u""_s},
    };
    for (const auto& [url, number] : cases) {
        EXPECT_EQ(ZVURLHandler::phoneNumberOf(url), number) << url.toStdString();
    }
}

TEST(ZVURLHandlerTest, UuidUrlFormRoundTrip) {
    EXPECT_EQ(ZVURLHandler::urlEncodeUUID(u"00112233-4455-6677-8899-AABBCCDDEEFF"_s),
              u"ABEiM0RVZneImaq7zN3u_w"_s);
    EXPECT_EQ(ZVURLHandler::urlDecodeUUID(u"ABEiM0RVZneImaq7zN3u_w"_s),
              u"00112233-4455-6677-8899-aabbccddeeff"_s);
    for (int i = 0; i < 64; ++i) {
        const QString uuid = ZelvoUtils::generateUUID();
        const QString encoded = ZVURLHandler::urlEncodeUUID(uuid);
        ASSERT_EQ(encoded.size(), ZVURLHandler::kEncodedUUIDLength);
        EXPECT_FALSE(encoded.contains(u'+') || encoded.contains(u'/') || encoded.contains(u'='));
        EXPECT_EQ(ZVURLHandler::urlDecodeUUID(encoded), uuid.toLower());
    }
}

TEST(ZVURLHandlerTest, MalformedIdsDecodeToNothing) {
    EXPECT_EQ(ZVURLHandler::urlEncodeUUID(u"not-a-uuid"_s), u""_s);
    for (const QString& encoded : {u""_s, u"short"_s, u"ABEiM0RVZneImaq7zN3u_"_s,
                                   u"ABEiM0RVZneImaq7zN3u_wA"_s, u"ABEiM0RVZneImaq7zN3u_wAB"_s}) {
        EXPECT_TRUE(ZVURLHandler::urlDecodeUUID(encoded).isNull()) << encoded.toStdString();
    }
}

// Records which operation the dispatch chose.
class RecordingHandler : public ZVURLHandler {
public:
    QStringList calls;
    bool handleFileUrl(const QUrl& url) override {
        calls << u"file "_s + url.toString();
        return true;
    }
    bool handlePhoneUrl(const QString& url) override {
        calls << u"tel "_s + url;
        return true;
    }
    bool handleSystemUrl(const QString& url) override {
        calls << u"system "_s + url;
        return true;
    }
    bool handleZelvoAction(const QString& action, const QString& conversationId,
                           const Parameters& parameters, const QRectF& rect,
                           platform::View* view) override {
        calls << u"zelvo "_s + conversationId;
        return ZVURLHandler::handleZelvoAction(action, conversationId, parameters, rect, view);
    }
};

class ZVURLHandlerDispatchTest : public testing::Test {
protected:
    void SetUp() override {
        ZVURLHandler::setUrlHandlerClass([] { return std::make_unique<RecordingHandler>(); });
        ZVURLHandler::setAccountConfirmation(
            [this](const QString& notificationId) { confirmed << notificationId; });
    }
    void TearDown() override {
        ZVURLHandler::setUrlHandlerClass(nullptr);
        ZVURLHandler::setAccountConfirmation(nullptr);
    }
    RecordingHandler& handler() { return static_cast<RecordingHandler&>(ZVURLHandler::handler()); }

    QStringList confirmed;
};

TEST_F(ZVURLHandlerDispatchTest, SchemeIsComparedExactly) {
    const std::pair<QString, QString> cases[] = {
        {u"file:///tmp/a.txt"_s, u"file file:///tmp/a.txt"_s},
        {u"zelvo:AbC"_s, u"zelvo AbC"_s},
        {u"tel://+1(555)#2"_s, u"tel tel://+1(555)#2"_s},
        {u"Zelvo:AbC"_s, u"system Zelvo:AbC"_s},
        {u"https://example.com/a"_s, u"system https://example.com/a"_s},
        {u"no scheme"_s, u"system no scheme"_s},
    };
    for (const auto& [url, call] : cases) {
        handler().calls.clear();
        ZVURLHandler::handler().handle(url);
        EXPECT_EQ(handler().calls, QStringList{call}) << url.toStdString();
    }
    handler().calls.clear();
    EXPECT_FALSE(ZVURLHandler::handler().handle(QString()));
    EXPECT_TRUE(handler().calls.isEmpty());
}

TEST_F(ZVURLHandlerDispatchTest, ConfirmNeedsANotificationId) {
    EXPECT_TRUE(handler().handle(u"zelvo:?confirm&notification_id=n%2D1"_s));
    EXPECT_EQ(confirmed, QStringList{u"n-1"_s});

    confirmed.clear();
    for (const QString& url : {u"zelvo:?confirm"_s, u"zelvo:?confirm&notification_id="_s,
                               u"zelvo:?notification_id=n1"_s, u"zelvo:?profile&account_id=a"_s}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(handler().handle(url)) << url.toStdString();
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("Invalid Zelvo URL: zelvo:?"), std::string::npos) << log;
        // The id signs an account in: it never reaches the log.
        EXPECT_EQ(log.find("n1"), std::string::npos) << log;
    }
    EXPECT_TRUE(confirmed.isEmpty());

    // Nothing to sign in with: not handled.
    ZVURLHandler::setAccountConfirmation(nullptr);
    EXPECT_FALSE(handler().handle(u"zelvo:?confirm&notification_id=n1"_s));
}

TEST_F(ZVURLHandlerDispatchTest, OneInstanceOfTheRegisteredClass) {
    ZVURLHandler& first = ZVURLHandler::handler();
    EXPECT_NE(dynamic_cast<RecordingHandler*>(&first), nullptr);
    first.handle(u"zelvo:x"_s);
    EXPECT_EQ(handler().calls.size(), 1);

    // A reset between tests starts a fresh instance of the same class.
    ZVURLHandler::reset();
    EXPECT_NE(dynamic_cast<RecordingHandler*>(&ZVURLHandler::handler()), nullptr);
    EXPECT_TRUE(handler().calls.isEmpty());

    ZVURLHandler::setUrlHandlerClass(nullptr);
    ZVURLHandler& base = ZVURLHandler::handler();
    EXPECT_EQ(dynamic_cast<RecordingHandler*>(&base), nullptr);
    // The base hands nothing to the desktop and shows no menu, but always ends the menu's turn.
    EXPECT_FALSE(base.handle(u"https://example.com"_s));
    EXPECT_FALSE(base.handle(u"tel://1"_s));
    EXPECT_FALSE(base.handle(u"file:///tmp/a"_s));
    bool completed = false;
    base.showShareMenuForUrl(u"https://example.com"_s, {}, nullptr, [&] { completed = true; });
    EXPECT_TRUE(completed);
}

}  // namespace
