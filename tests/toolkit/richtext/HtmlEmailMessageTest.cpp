#include "tests/toolkit/richtext/DisplayModelFixture.h"

#include "ZelvoKit/support/url/ZVURLHandler.h"
#include "platform/ui/standins/WebView.h"
#include "toolkit/richtext/email/ZVLocalizedMessage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace displaytest {
namespace {

constexpr int kPageTimeoutMs = 30000;

QString longBody() {
    return u"<p>%1</p>"_s.arg(
        u"Lorem ipsum dolor sit amet, consectetur adipiscing elit. "_s.repeated(80));
}

// Takes the web addresses it is handed, as the application's handler passes them to the desktop.
class RecordingURLHandler : public ZVURLHandler {
public:
    explicit RecordingURLHandler(std::vector<QString>& opened) : opened_(opened) {}
    bool handleSystemUrl(const QString& url) override {
        opened_.push_back(url);
        return true;
    }

private:
    std::vector<QString>& opened_;
};

class HtmlEmailMessage : public DisplayModelTest {
protected:
    void SetUp() override {
        DisplayModelTest::SetUp();
        ZVURLHandler::setUrlHandlerClass(
            [this] { return std::make_unique<RecordingURLHandler>(opened); });
    }
    void TearDown() override {
        ZVURLHandler::setUrlHandlerClass([] { return std::make_unique<ZVURLHandler>(); });
        DisplayModelTest::TearDown();
    }

    // An HTML e-mail as message `nr`, unread or read.
    std::shared_ptr<ZVLocalizedMessage> mail(std::int64_t nr, const QString& html, bool unread,
                                             QJsonObject fields = {}) {
        applyConversation(
            {{u"last_message_nr"_s, 100}, {u"read_message_nr"_s, qint64(unread ? nr - 1 : 100)}});
        fields.insert(u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, html}});
        const auto made = message(nr, u"text"_s, u"<msg>plain form</msg>"_s, fields);
        EXPECT_TRUE(made && made->isOfType(Message::TypeHtmlEmail));
        return std::dynamic_pointer_cast<ZVLocalizedMessage>(model(made));
    }
    static bool waitFor(const std::function<bool()>& done) {
        return scheduler().runUntil(done, kPageTimeoutMs);
    }
    QVariant evaluate(platform::WebView& view, const QString& script) {
        std::optional<QVariant> result;
        view.evaluateScript(script, [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); })) << script.toStdString();
        return result.value_or(QVariant());
    }

    std::vector<QString> opened;
};

TEST_F(HtmlEmailMessage, AnUnreadLongMailIsMeasuredAndTheMessageListTold) {
    const auto shown = mail(60, longBody(), true);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->formattedHeightForWidth(320), ZVLocalizedMessage::kCollapsedHeight);
    EXPECT_FALSE(shown->expandable());
    EXPECT_EQ(shown->webViewState(), ZVLocalizedMessage::kNotLoaded);

    int told = 0;
    const auto observation =
        conversation()->observe(u"messages"_s, [&](const QString&) { ++told; });
    const auto view = shown->webView();
    ASSERT_TRUE(view);
    EXPECT_EQ(shown->webView(), view) << "made once";
    EXPECT_FALSE(view->scriptsEnabled());
    ASSERT_TRUE(waitFor([&] { return shown->webViewState() == ZVLocalizedMessage::kMeasured; }));
    const double height = std::ceil(view->contentHeight());
    EXPECT_GT(height, ZVLocalizedMessage::kCollapsedHeight);
    EXPECT_EQ(shown->formattedHeightForWidth(320), height);
    scheduler().advance(1);
    EXPECT_GE(told, 1);

    // A rebuild of the text keeps the measured page.
    shown->refresh();
    EXPECT_EQ(shown->formattedHeightForWidth(320), height);
}

TEST_F(HtmlEmailMessage, AReadMailStaysCollapsedUntilExpanded) {
    const auto shown = mail(60, longBody(), false);
    shown->webView();
    ASSERT_TRUE(waitFor([&] { return shown->webViewState() == ZVLocalizedMessage::kMeasured; }));
    EXPECT_EQ(shown->formattedHeightForWidth(320), ZVLocalizedMessage::kCollapsedHeight);
    EXPECT_TRUE(shown->expandable());

    shown->setExpanded(true);
    EXPECT_GT(shown->formattedHeightForWidth(320), ZVLocalizedMessage::kCollapsedHeight);
    EXPECT_FALSE(shown->expandable());
}

TEST_F(HtmlEmailMessage, AShortMailKeepsItsReservedHeight) {
    const auto shown = mail(60, u"<p>Thanks!</p>"_s, true);
    shown->webView();
    ASSERT_TRUE(waitFor([&] { return shown->webViewState() != ZVLocalizedMessage::kNotLoaded; }));
    scheduler().runUntil([&] { return shown->webView()->contentHeight() > 0; }, kPageTimeoutMs);
    EXPECT_EQ(shown->webViewState(), ZVLocalizedMessage::kLoaded);
    EXPECT_EQ(shown->formattedHeightForWidth(320), ZVLocalizedMessage::kCollapsedHeight);
}

TEST_F(HtmlEmailMessage, ALinkTappedInTheMailGoesToTheURLHandlerAndThePageStays) {
    const auto shown =
        mail(60, u"<p id=\"p\">Hello</p><a id=\"l\" href=\"news/today\">read</a>"_s, true);
    const auto view = shown->webView();
    ASSERT_TRUE(waitFor([&] { return shown->webViewState() != ZVLocalizedMessage::kNotLoaded; }));
    const QUrl base = ZVApi::api().baseURL();
    EXPECT_EQ(view->url(), base) << "the service's address resolves the mail's links";
    evaluate(*view, u"document.getElementById('l').click()"_s);
    ASSERT_TRUE(waitFor([&] { return !opened.empty(); }));
    EXPECT_EQ(opened, std::vector<QString>{base.resolved(QUrl(u"news/today"_s)).toString()});
    EXPECT_EQ(evaluate(*view, u"document.getElementById('p').textContent"_s).toString(),
              u"Hello"_s);
    EXPECT_EQ(view->url(), base);
}

TEST_F(HtmlEmailMessage, OnlyAnHtmlMailThatIsNotDeletedHasAWebView) {
    const auto deleted = mail(60, longBody(), true, {{u"tags"_s, QJsonArray{u"is_deleted"_s}}});
    ASSERT_TRUE(deleted);
    EXPECT_FALSE(deleted->webView());
    const auto text = std::dynamic_pointer_cast<ZVLocalizedMessage>(
        model(message(61, u"text"_s, u"<msg>hi</msg>"_s)));
    ASSERT_TRUE(text);
    EXPECT_FALSE(text->webView());
}

TEST_F(HtmlEmailMessage, AModelDroppedWhileItsPageLoadsIsNotCalledBack) {
    auto shown = mail(60, longBody(), true);
    // The message view may keep the web view after the model went.
    const auto view = shown->webView();
    held.clear();
    shown.reset();
    EXPECT_FALSE(view->delegate());
    // The load ends and is measured with nobody to tell.
    ASSERT_TRUE(waitFor([&] { return view->contentHeight() > 0; }));
    scheduler().advance(1);
}

}  // namespace
}  // namespace displaytest
