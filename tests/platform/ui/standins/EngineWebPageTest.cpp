#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/CookieStorage.h"
#include "platform/ui/standins/EngineWebPage.h"
#include "tests/emulator/ServiceEmulator.h"
#include "tests/support/RefusingPort.h"

#include "tests/platform/ui/standins/RecordingWebDelegate.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

constexpr int kPageTimeoutMs = 30000;

UrlRequest requestFor(const QString& url) {
    UrlRequest request;
    request.url = QUrl(url);
    return request;
}

class EngineWebPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        page = std::make_unique<EngineWebPage>(cookies);
        page->setDelegate(delegate);
    }

    bool waitFor(const std::function<bool()>& done) {
        return Scheduler::main().runUntil(done, kPageTimeoutMs);
    }
    // Until the page has finished `count` loads, or a new failure came first.
    bool waitForFinish(int count) {
        const std::size_t failures = delegate->failures.size();
        return waitFor([&] {
                   return delegate->finished >= count || delegate->failures.size() > failures;
               }) &&
               delegate->finished >= count;
    }
    QVariant evaluate(const QString& script) {
        std::optional<QVariant> result;
        page->evaluateScript(script, [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); })) << script.toStdString();
        return result.value_or(QVariant());
    }
    QString elementValue(const QString& id) {
        std::optional<QString> result;
        page->elementValue(id, [&](const QString& value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); }));
        return result.value_or(QStringLiteral("<no answer>"));
    }
    double height(double width) {
        std::optional<double> result;
        page->measureContentHeight(width, [&](double value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); }));
        return result.value_or(-1);
    }
    QString storePage(const QString& name, const QByteArray& html) {
        return emulator.storeFile(name, html, zvemu::ServiceEmulator::Access::Public,
                                  "text/html; charset=utf-8");
    }

    zvemu::ServiceEmulator emulator;
    std::shared_ptr<CookieStorage> cookies = std::make_shared<CookieStorage>();
    std::shared_ptr<zvtest::RecordingWebDelegate> delegate =
        std::make_shared<zvtest::RecordingWebDelegate>();
    std::unique_ptr<EngineWebPage> page;
};

TEST_F(EngineWebPageTest, AnEmailBodyWithScriptsOffIsMeasuredAndItsLinksGoToTheDelegate) {
    QString paragraph;
    for (int i = 0; i < 40; ++i) {
        paragraph += QStringLiteral("Lorem ipsum dolor sit amet, consectetur adipiscing elit. ");
    }
    const QString html =
        QStringLiteral(
            "<html><head><meta name=\"viewport\" content=\"width=device-width\"/>"
            "</head><body><p id=\"p\">%1</p>"
            "<input id=\"it's &quot;quoted&quot;\" value=\"v1\">"
            "<a id=\"l\" href=\"conversation/abc\">link</a>"
            "<script>document.getElementById('p').textContent = 'script ran';</script>"
            "</body></html>")
            .arg(paragraph);
    const QUrl base(emulator.baseUrl());
    page->setScriptsEnabled(false);
    page->loadHtmlString(html, base);
    ASSERT_TRUE(waitForFinish(1));
    ASSERT_FALSE(delegate->asked.empty());
    EXPECT_EQ(delegate->asked[0], std::make_pair(base, WebNavigationType::Other));
    EXPECT_EQ(page->url(), base);

    // The body's script never ran; the application's own scripts still read the page.
    EXPECT_NE(evaluate(QStringLiteral("document.getElementById('p').textContent")).toString(),
              QStringLiteral("script ran"));
    EXPECT_EQ(elementValue(QStringLiteral("it's \"quoted\"")), QStringLiteral("v1"));
    EXPECT_TRUE(elementValue(QStringLiteral("absent")).isNull());

    const double narrow = height(320);
    const double wide = height(640);
    EXPECT_GT(wide, 100);
    EXPECT_GT(narrow, wide);
    EXPECT_EQ(narrow, std::ceil(narrow));

    // A tap on a link is offered to the delegate, which keeps the page where it is.
    evaluate(QStringLiteral("document.getElementById('l').click()"));
    ASSERT_TRUE(waitFor([&] { return delegate->asked.size() >= 2; }));
    EXPECT_EQ(delegate->asked[1],
              std::make_pair(base.resolved(QUrl(QStringLiteral("conversation/abc"))),
                             WebNavigationType::LinkClicked));
    // Anything the refused navigation would report has arrived once the next load finished.
    page->loadHtmlString(QStringLiteral("<p>next</p>"), base);
    ASSERT_TRUE(waitForFinish(2)) << delegate->finished << " finished, " << delegate->started
                                  << " started, "
                                  << (delegate->failures.empty()
                                          ? std::string("no failure")
                                          : delegate->failures[0].description().toStdString());
    EXPECT_EQ(delegate->started, 2);
    EXPECT_TRUE(delegate->failures.empty());
}

TEST_F(EngineWebPageTest, AServicePageSharesCookiesWithTheApplicationBothWays) {
    QNetworkCookie preset("pre", "1");
    preset.setDomain(QStringLiteral("127.0.0.1"));
    cookies->setCookie(preset);
    page = std::make_unique<EngineWebPage>(cookies);
    page->setDelegate(delegate);

    const QString url =
        storePage(QStringLiteral("result.html"),
                  R"(<html><body><input id="inputHiddenValue" value='{"action":"authenticate"}'>)"
                  R"(<script>document.cookie = "token_id=tok123; path=/";</script></body></html>)");
    page->loadRequest(requestFor(url), WebCachePolicy::ReloadIgnoringLocalCacheData);
    ASSERT_TRUE(waitForFinish(1));
    EXPECT_EQ(delegate->asked[0], std::make_pair(QUrl(url), WebNavigationType::Other));
    EXPECT_EQ(elementValue(QStringLiteral("inputHiddenValue")),
              QStringLiteral(R"({"action":"authenticate"})"));

    const auto tokenCookie = [&] {
        for (const QNetworkCookie& found : cookies->cookiesForUrl(QUrl(emulator.baseUrl()))) {
            if (found.name() == "token_id") {
                return found.value();
            }
        }
        return QByteArray();
    };
    ASSERT_TRUE(waitFor([&] { return !tokenCookie().isEmpty(); }));
    EXPECT_EQ(tokenCookie(), QByteArray("tok123"));

    const auto cookieHeader = [&] {
        const auto request = emulator.lastRequest(QUrl(url).path());
        for (const auto& [name, value] : request ? request->headers : zvemu::HeaderList()) {
            if (name.compare("Cookie", Qt::CaseInsensitive) == 0) {
                return value;
            }
        }
        return QByteArray();
    };
    EXPECT_TRUE(cookieHeader().contains("pre=1"));

    // A cookie the application sets while the page lives goes with the page's next request.
    QNetworkCookie later("later", "2");
    later.setDomain(QStringLiteral("127.0.0.1"));
    cookies->setCookie(later);
    page->loadRequest(requestFor(url), WebCachePolicy::ReloadIgnoringLocalCacheData);
    ASSERT_TRUE(waitForFinish(2));
    EXPECT_TRUE(cookieHeader().contains("later=2"));
    EXPECT_TRUE(cookieHeader().contains("token_id=tok123"));
}

TEST_F(EngineWebPageTest, FailuresReachTheDelegateWithThePlatformsCodes) {
    zvtest::RefusingPort refusing;
    ASSERT_TRUE(refusing.isBound());
    page->loadRequest(requestFor(refusing.baseUrl()));
    ASSERT_TRUE(waitFor([&] { return !delegate->failures.empty(); }));
    EXPECT_TRUE(delegate->failures[0].is(UrlErrorCode::CannotConnectToHost))
        << delegate->failures[0].description().toStdString();
    EXPECT_FALSE(page->isLoading());

    // Too large for the engine: a clear failure, not an empty page.
    page->loadHtmlString(QString(EngineWebPage::kMaxHtmlBytes + 1, QLatin1Char('x')),
                         QUrl(emulator.baseUrl()));
    ASSERT_TRUE(waitFor([&] { return delegate->failures.size() >= 2; }));
    EXPECT_TRUE(delegate->failures[1].is(UrlErrorCode::CannotDecodeRawData));

    // A page that sends nothing fails once its request's time is up, and only once.
    const QString slow = storePage(QStringLiteral("slow.html"), "<p>late</p>");
    zvemu::Fault hold;
    hold.delay = zvemu::ServiceEmulator::kMaxHold;
    emulator.injectFault(QUrl(slow).path(), hold);
    UrlRequest request = requestFor(slow);
    request.timeoutInterval = 5;
    const int startedBefore = delegate->started;
    page->loadRequest(request);
    ASSERT_TRUE(waitFor([&] { return delegate->started > startedBefore; }));
    Scheduler::main().advance(4.9);
    EXPECT_EQ(delegate->failures.size(), 2u);
    Scheduler::main().advance(0.1);
    ASSERT_EQ(delegate->failures.size(), 3u);
    EXPECT_TRUE(delegate->failures[2].is(UrlErrorCode::TimedOut));
    emulator.releaseHeld();

    page->loadHtmlString(QStringLiteral("<p>after</p>"), QUrl(emulator.baseUrl()));
    ASSERT_TRUE(waitForFinish(1));
    EXPECT_EQ(delegate->failures.size(), 3u);
}

TEST_F(EngineWebPageTest, ALoadTheDelegateRefusesLeavesThePageAsItWas) {
    page->loadHtmlString(QStringLiteral("<input id=\"a\" value=\"first\">"),
                         QUrl(emulator.baseUrl()));
    ASSERT_TRUE(waitForFinish(1));
    delegate->refuseAll = true;
    page->loadRequest(requestFor(storePage(QStringLiteral("other.html"), "<p>other</p>")));
    ASSERT_TRUE(waitFor([&] { return delegate->asked.size() >= 2; }));
    EXPECT_FALSE(page->isLoading());
    EXPECT_EQ(page->url(), QUrl(emulator.baseUrl()));
    EXPECT_EQ(elementValue(QStringLiteral("a")), QStringLiteral("first"));
    EXPECT_EQ(delegate->started, 1);
    EXPECT_TRUE(delegate->failures.empty());
}

TEST_F(EngineWebPageTest, APageMayBeReleasedFromAnAnswerAndNothingLaterArrives) {
    page->loadHtmlString(QStringLiteral("<input id=\"a\" value=\"1\">"), QUrl(emulator.baseUrl()));
    ASSERT_TRUE(waitForFinish(1));
    page->loadHtmlString(QStringLiteral("<p>b</p>"), QUrl(emulator.baseUrl()));
    bool secondAnswered = false;
    page->evaluateScript(QStringLiteral("1"), [&](const QVariant&) { page.reset(); });
    page->evaluateScript(QStringLiteral("2"), [&](const QVariant&) { secondAnswered = true; });
    ASSERT_TRUE(waitFor([&] { return page == nullptr; }));
    // Whatever was on its way has been delivered once the scheduler is idle.
    Scheduler::main().runPending();
    EXPECT_FALSE(secondAnswered);
    EXPECT_EQ(delegate->finished, 1);
}

}  // namespace
}  // namespace platform
