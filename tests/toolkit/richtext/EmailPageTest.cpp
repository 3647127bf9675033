#include "toolkit/richtext/email/ZVEmailPage.h"

#include "platform/foundation/Scheduler.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QBuffer>
#include <QtGui/QImage>

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

namespace {

using namespace Qt::Literals::StringLiterals;
using platform::WebNavigationType;

constexpr int kPageTimeoutMs = 30000;
constexpr int kReadyAttempts = 200;

// Sits between the web view and the page: records what the view asks and answers as the page
// does.
class Recorder : public platform::WebViewDelegate {
public:
    explicit Recorder(std::shared_ptr<ZVEmailPage> page) : page_(std::move(page)) {}
    bool shouldStartLoad(platform::WebView& view, const QUrl& url,
                         WebNavigationType type) override {
        const bool allowed = page_->shouldStartLoad(view, url, type);
        asked.push_back({url, type, allowed});
        return allowed;
    }
    void didFinishLoad(platform::WebView& view) override {
        ++finished;
        page_->didFinishLoad(view);
    }
    void contentHeightDidChange(platform::WebView& view, double height) override {
        page_->contentHeightDidChange(view, height);
    }

    struct Ask {
        QUrl url;
        WebNavigationType type;
        bool allowed;
    };
    std::vector<Ask> asked;
    int finished = 0;

private:
    std::shared_ptr<ZVEmailPage> page_;
};

class EmailPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(emulator.start());
        page->setLinkHandler([this](const QUrl& url) { linked.push_back(url); });
    }
    // Loads the body with the recorder in place, until the page has loaded it (a page loaded
    // before says so until the new load starts).
    void load(const QString& body) {
        page->loadBody(body, base());
        recorder = std::make_shared<Recorder>(page);
        page->webView()->setDelegate(recorder);
        ASSERT_TRUE(waitFor([&] { return recorder->finished > 0 && page->isLoaded(); }));
    }
    QUrl base() const { return QUrl(emulator.baseUrl()); }
    static bool waitFor(const std::function<bool()>& done) {
        return platform::Scheduler::main().runUntil(done, kPageTimeoutMs);
    }
    QVariant evaluate(const QString& script) {
        std::optional<QVariant> result;
        page->webView()->evaluateScript(script, [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(waitFor([&] { return result.has_value(); })) << script.toStdString();
        return result.value_or(QVariant());
    }
    // Waits until the view has asked about a navigation to `url`; whether it was let through.
    std::optional<bool> askedAbout(const QUrl& url) {
        std::optional<bool> allowed;
        waitFor([&] {
            for (const auto& ask : recorder->asked) {
                if (ask.url == url) {
                    allowed = ask.allowed;
                }
            }
            return allowed.has_value();
        });
        return allowed;
    }
    QString bodyText() { return evaluate(u"document.body.innerText"_s).toString(); }

    zvemu::ServiceEmulator emulator;
    std::shared_ptr<ZVEmailPage> page = std::make_shared<ZVEmailPage>(QRectF(0, 0, 320, 250));
    std::shared_ptr<Recorder> recorder;
    std::vector<QUrl> linked;
};

TEST(EmailPageTemplate, TheBodyGoesIntoTheViewportPageAsItStands) {
    EXPECT_EQ(ZVEmailPage::pageForBody(u"<p>100%1 sure</p>"_s),
              u"<html><head><meta name=\"viewport\" content=\"width=device-width, "
              u"user-scalable=yes\"/></head><body><p>100%1 sure</p></body></html>"_s);
}

TEST_F(EmailPage, ImagesLoadScriptsDoNotAndALinkGoesToTheHandler) {
    QImage picture(40, 30, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    const QString pictureUrl =
        emulator.storeFile(u"logo.png"_s, png, zvemu::ServiceEmulator::Access::Public, "image/png");
    load(
        u"<p id=\"p\">Hello</p><img id=\"i\" src=\"%1\">"
        u"<a id=\"l\" href=\"conversation/abc\">open</a>"
        u"<script>document.getElementById('p').textContent = 'script ran';</script>"_s.arg(
            QUrl(pictureUrl).path().mid(1)));
    ASSERT_FALSE(recorder->asked.empty());

    EXPECT_EQ(evaluate(u"document.getElementById('p').textContent"_s).toString(), u"Hello"_s);
    ASSERT_TRUE(waitFor([&] {
        return evaluate(u"document.getElementById('i').naturalWidth"_s).toInt() == 40;
    })) << "the relative image resolves against the base and loads";

    evaluate(u"document.getElementById('l').click()"_s);
    const QUrl target = base().resolved(QUrl(u"conversation/abc"_s));
    EXPECT_EQ(askedAbout(target), false);
    ASSERT_EQ(linked, std::vector<QUrl>{target});
    EXPECT_EQ(bodyText().left(5), u"Hello"_s);
    EXPECT_EQ(page->webView()->url(), base());
}

TEST_F(EmailPage, NothingButALinkLeavesTheMailAndEvenThatOnlyThroughTheHandler) {
    const QString away =
        emulator.storeFile(u"away.html"_s, "<p>elsewhere</p>",
                           zvemu::ServiceEmulator::Access::Public, "text/html; charset=utf-8");
    struct Case {
        const char* name;
        QString body;
        QString trigger;
    };
    const Case cases[] = {
        {"a refresh tag",
         u"<meta http-equiv=\"refresh\" content=\"0; url=%1\"><p>Mail</p>"_s.arg(away),
         {}},
        {"a form post",
         u"<form id=\"f\" method=\"post\" action=\"%1\"><input name=\"q\" value=\"1\"></form>"
         u"<p>Mail</p>"_s.arg(away),
         u"document.getElementById('f').submit()"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        load(c.body);
        if (!c.trigger.isEmpty()) {
            // The form of this body, not the page before it, which may still be showing.
            bool ready = false;
            for (int attempt = 0; attempt < kReadyAttempts && !ready; ++attempt) {
                ready = evaluate(u"document.getElementById('f') !== null"_s).toBool();
            }
            ASSERT_TRUE(ready);
            evaluate(c.trigger);
        }
        EXPECT_EQ(askedAbout(QUrl(away)), false);
        EXPECT_TRUE(linked.empty());
        EXPECT_EQ(bodyText().trimmed(), u"Mail"_s);
        EXPECT_EQ(emulator.requestCount(QUrl(away).path()), 0);
    }
}

TEST_F(EmailPage, ALongBodyIsMeasuredAtTheViewsWidth) {
    std::optional<double> measured;
    page->setOnContentHeight([&](double height) { measured = height; });
    load(u"<p>%1</p>"_s.arg(
        u"Lorem ipsum dolor sit amet, consectetur adipiscing elit. "_s.repeated(60)));
    ASSERT_TRUE(waitFor([&] { return measured.has_value(); }));
    EXPECT_GT(*measured, 250);
    EXPECT_EQ(*measured, page->contentHeight());
}

}  // namespace
