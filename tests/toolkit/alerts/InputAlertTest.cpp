#include "AlertStage.h"

#include "platform/ui/controls/Label.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertInputView.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

namespace {

TEST(InputAlert, TypedTextReachesTheActionOnlyWhenConfirmed) {
    AlertStage stage({768, 1024});
    struct Case {
        const char* name;
        int button;
        std::vector<QString> received;
    };
    for (const Case& c : {Case{"confirm", 1, {"Plans for May"}}, Case{"cancel", 0, {}}}) {
        SCOPED_TRACE(c.name);
        std::vector<QString> received;
        auto alert = ZVAlertView::inputViewWithTitle(
            "Rename", "A new topic", "Save", [&](const QString& text) { received.push_back(text); },
            std::nullopt, "Topic");
        ASSERT_EQ(alert->views().size(), 1u);
        auto input = std::dynamic_pointer_cast<ZVAlertInputView>(alert->views().front());
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(alert->keyboardSetting(), ZVAlertView::kKeyboardPrompt);
        EXPECT_EQ(input->font(), ZVTextStyles::fontForStyle(0));

        alert->show();
        EXPECT_EQ(alert->center(), QPointF(384, 512 - 100));
        EXPECT_TRUE(input->isFirstResponder());
        EXPECT_FALSE(input->placeholderLabel()->isHidden());
        EXPECT_EQ(input->placeholderLabel()->text(), QStringLiteral("Topic"));
        stage.window->sendTextInput({QString(), QStringLiteral("Plans for May"), 0, 0});
        EXPECT_EQ(input->text(), QStringLiteral("Plans for May"));
        EXPECT_TRUE(input->placeholderLabel()->isHidden());
        stage.settle();

        const auto& button = *alert->buttonViews()[static_cast<std::size_t>(c.button)];
        stage.tap(AlertStage::middleOf(button));
        EXPECT_EQ(received, c.received);
        stage.settle();
    }
}

TEST(InputAlert, TakesTheFontAndColourOfTheGivenAttributes) {
    const platform::FontDescription font{QStringLiteral("Avenir-Heavy"), 21};
    const platform::Color red{200, 0, 0, 255};
    const platform::TextAttributes attributes{
        {QString(platform::TextAttribute::Font), QVariant::fromValue(font)},
        {QString(platform::TextAttribute::ForegroundColor), QVariant::fromValue(red)}};
    auto alert = ZVAlertView::inputViewWithTitle("T", QString(), "OK", {}, attributes, QString());
    auto input = std::dynamic_pointer_cast<ZVAlertInputView>(alert->views().front());
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->font(), font);
    EXPECT_EQ(input->textColor(), QColor(200, 0, 0));
}

}  // namespace
