#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/EngineWebPage.h"
#include "platform/ui/standins/FakeWebPage.h"

#include "tests/platform/ui/standins/RecordingWebDelegate.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(FakeWebPage, PlaysLoadsAndTapsThroughTheDelegateAndAnswersLater) {
    auto page = std::make_shared<FakeWebPage>();
    auto delegate = std::make_shared<zvtest::RecordingWebDelegate>();
    page->setDelegate(delegate);
    page->setElementValue(QStringLiteral("inputHiddenValue"), QStringLiteral("{}"));
    page->setContentHeight(411.2);

    const QUrl base(QStringLiteral("https://service.example/"));
    page->loadHtmlString(QStringLiteral("<p>body</p>"), base);
    ASSERT_EQ(page->loads().size(), 1u);
    EXPECT_EQ(page->loads()[0].html, QStringLiteral("<p>body</p>"));
    EXPECT_TRUE(page->isLoading());
    page->finishLoad();
    EXPECT_EQ(delegate->finished, 1);

    EXPECT_FALSE(page->tapLink(QUrl(QStringLiteral("conversation/1"))));
    EXPECT_EQ(delegate->asked.back(),
              std::make_pair(QUrl(QStringLiteral("https://service.example/conversation/1")),
                             WebNavigationType::LinkClicked));
    EXPECT_EQ(page->loads().size(), 1u);

    QString value;
    double height = 0;
    page->elementValue(QStringLiteral("inputHiddenValue"), [&](const QString& v) { value = v; });
    page->measureContentHeight(320, [&](double h) { height = h; });
    EXPECT_TRUE(value.isNull());
    Scheduler::main().runPending();
    EXPECT_EQ(value, QStringLiteral("{}"));
    EXPECT_EQ(height, 412);
    EXPECT_EQ(page->measuredWidths(), std::vector<double>{320});

    page->loadRequest(UrlRequest{base, "GET", {}, {}, 120});
    page->stopLoading();
    ASSERT_EQ(delegate->failures.size(), 1u);
    EXPECT_TRUE(delegate->failures[0].isCancel());
}

TEST(WebPage, PagesComeFromTheWebEngineUnlessATestInstallsAFactory) {
    auto fake = std::make_shared<FakeWebPage>();
    WebPage::setFactory([fake] { return fake; });
    EXPECT_EQ(WebPage::create(), fake);
    WebPage::setFactory(nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<EngineWebPage>(WebPage::create()), nullptr);
}

}  // namespace
}  // namespace platform
