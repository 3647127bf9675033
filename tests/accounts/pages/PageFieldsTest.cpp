#include "platform/ui/controls/Button.h"
#include "tests/accounts/pages/PreLoginStage.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace prelogintest;

namespace {

struct FieldsPage {
    PreLoginStage stage;
    std::shared_ptr<ZVContainerView> page = stage.page();
    std::shared_ptr<ZVBorderedTextField> email = page->pushTextFieldWithPlaceholder(u"E-mail"_s);
    std::shared_ptr<ZVBorderedTextField> password =
        page->pushTextFieldWithPlaceholder(u"Password"_s);
    std::shared_ptr<platform::Button> button = page->pushButtonWithTitle(u"Sign in"_s, 0);
    std::shared_ptr<platform::Button> second = page->pushButtonWithTitle(u"Forgot?"_s, 2);
    int taps = 0;

    FieldsPage() {
        button->addTarget(platform::Control::TouchUpInside, [this](auto&) { ++taps; });
        stage.screen->commitPush();
        stage.settle();
    }
};

TEST(PreLoginPageFields, TheActionButtonWakesOnlyWhenEveryFieldHoldsTextAndThePageIsEnabled) {
    FieldsPage f;
    EXPECT_FALSE(f.button->isEnabled());
    // Only the first button is the action button.
    EXPECT_TRUE(f.second->isEnabled());

    edit(*f.email->textField(), {0, 0}, u"ann@example.com"_s);
    edit(*f.password->textField(), {0, 0}, u"   "_s);
    // The check comes 0.1 s after the edit.
    PreLoginStage::wait(0.05);
    EXPECT_FALSE(f.button->isEnabled());
    PreLoginStage::wait(0.1);
    EXPECT_FALSE(f.button->isEnabled()) << "blanks are no password";

    edit(*f.password->textField(), {3, 0}, u"x"_s);
    PreLoginStage::wait(0.09);
    EXPECT_FALSE(f.button->isEnabled());
    PreLoginStage::wait(0.02);
    EXPECT_TRUE(f.button->isEnabled());

    f.page->setEnabled(false);
    EXPECT_FALSE(f.button->isEnabled());
    EXPECT_FALSE(f.second->isEnabled());
    EXPECT_FALSE(f.email->textField()->isEnabled());
    f.page->setEnabled(true);
    EXPECT_TRUE(f.button->isEnabled());
    EXPECT_TRUE(f.second->isEnabled());
}

TEST(PreLoginPageFields, NextMovesOnAndDoneActsOnlyThroughAnEnabledButton) {
    FieldsPage f;
    EXPECT_EQ(f.email->textField()->returnKeyType(), platform::ReturnKeyType::Next);
    EXPECT_EQ(f.password->textField()->returnKeyType(), platform::ReturnKeyType::Done);
    // The first field took the focus when the page showed.
    EXPECT_TRUE(f.email->textField()->isFirstResponder());

    EXPECT_TRUE(f.page->textFieldShouldReturn(*f.email->textField()));
    EXPECT_TRUE(f.password->textField()->isFirstResponder());

    EXPECT_TRUE(f.page->textFieldShouldReturn(*f.password->textField()));
    EXPECT_EQ(f.taps, 0);

    f.email->textField()->setText(u"ann@example.com"_s);
    f.password->textField()->setText(u"secret"_s);
    f.page->updateActionButton();
    EXPECT_TRUE(f.page->textFieldShouldReturn(*f.password->textField()));
    EXPECT_EQ(f.taps, 1);
}

TEST(PreLoginPageFields, TheCodeFieldTakesDigitsAndOneDashInUtf16Ranges) {
    PreLoginStage stage;
    const auto page = stage.page();
    const auto field = page->pushTextFieldWithPlaceholder(u"Code"_s);
    auto& text = *field->textField();
    text.setKeyboardType(platform::KeyboardType::NumberPad);

    // Three typed digits bring the dash a moment later.
    typeAtEnd(text, u"123"_s);
    EXPECT_EQ(text.text(), u"123"_s);
    PreLoginStage::wait(0.01);
    EXPECT_EQ(text.text(), u"123-"_s);
    EXPECT_EQ(text.selectedRange(), (platform::TextRange{4, 0}));
    typeAtEnd(text, u"456"_s);
    EXPECT_EQ(text.text(), u"123-456"_s);

    struct Refused {
        const char* name;
        QString text;
        platform::TextRange range;
        QString replacement;
    };
    const Refused refused[] = {
        {"an eighth character", u"123-456"_s, {7, 0}, u"7"_s},
        {"a letter", u"12"_s, {2, 0}, u"a"_s},
        {"an emoji, two UTF-16 units", u"12"_s, {2, 0}, u"\U0001F600"_s},
        {"a dash after a dash", u"12-"_s, {3, 0}, u"-"_s},
        {"a paste making two dashes", u"1-"_s, {2, 0}, u"-3"_s},
        {"a paste past seven", u""_s, {0, 0}, u"1234-567"_s},
        {"a range past the text", u"12"_s, {1, 3}, u"4"_s},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.name);
        text.setText(c.text);
        EXPECT_FALSE(edit(text, c.range, c.replacement));
        EXPECT_EQ(text.text(), c.text);
    }

    // "12" and a typed dash already has its dash: none is added.
    text.setText(u"12"_s);
    typeAtEnd(text, u"-"_s);
    PreLoginStage::wait(0.05);
    EXPECT_EQ(text.text(), u"12-"_s);

    // A whole code pasted into an empty field stays as it is.
    text.setText({});
    EXPECT_TRUE(edit(text, {0, 0}, u"123-456"_s));
    PreLoginStage::wait(0.05);
    EXPECT_EQ(text.text(), u"123-456"_s);

    // Other fields are not filtered.
    const auto name = page->pushTextFieldWithPlaceholder(u"Name"_s);
    EXPECT_TRUE(edit(*name->textField(), {0, 0}, u"Ann--Marie 12345678"_s));
}

TEST(PreLoginPageFields, WithoutAPasswordManagerTheFieldTakesItsFullWidth) {
    PreLoginStage stage;
    const auto page = stage.page();
    const auto email = page->pushTextFieldWithPlaceholder(u"E-mail"_s);
    const auto password = page->pushTextFieldWithPlaceholder(u"Password"_s);
    password->setUsernameField(email);
    stage.screen->commitPush();
    stage.settle();
    EXPECT_EQ(password->passwordManagerButton(), nullptr);
    EXPECT_EQ(password->usernameField(), email);
    EXPECT_EQ(
        password->textField()->frame(),
        password->bounds().adjusted(ZVBorderedTextField::kInsetX, ZVBorderedTextField::kInsetY,
                                    -ZVBorderedTextField::kInsetX, -ZVBorderedTextField::kInsetY));

    // An info text takes a strip at the right; a hint grows the field above the text.
    password->setInfoText(u"8+"_s);
    password->setHintText(u"At least eight characters"_s);
    password->layoutIfNeeded();
    const QRectF info = password->subviews()[1]->frame();
    EXPECT_GT(password->frame().height(), ZVBorderedTextField::kHeight);
    EXPECT_LT(password->textField()->frame().right(), info.left());
    password->setHintText(QString());
    EXPECT_EQ(password->frame().height(), ZVBorderedTextField::kHeight);
    EXPECT_TRUE(password->hintText().isNull());
}

}  // namespace
