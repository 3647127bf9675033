#include "accounts/settings/ZVChangePasswordViewController.h"

#include "tests/accounts/settings/SettingsTestSupport.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"
#include "toolkit/dialogs/ZVButtonCell.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"

#include <chrono>

using namespace Qt::StringLiterals;

namespace settingstest {
namespace {

const QString kPasswordConfigure = u"account/configure"_s;

class ChangePasswordTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        screen = platform::ViewController::make<ZVChangePasswordViewController>(session);
        push(screen);
    }
    // What typing does: the field takes the text and announces the edit.
    static void type(ZVTextFieldCell& cell, const QString& text) {
        cell.textField()->setText(text);
        cell.textField()->sendActionsForEvents(platform::Control::EditingChanged);
    }
    void fill(const QString& current, const QString& wanted, const QString& repeated) {
        type(*screen->oldPassword(), current);
        type(*screen->newPassword(), wanted);
        type(*screen->newPassword2(), repeated);
    }
    bool buttonEnabled() const { return screen->submitButton()->button()->isEnabled(); }
    void pressReturn(ZVTextFieldCell& cell) {
        cell.textField()->delegate()->textFieldShouldReturn(*cell.textField());
    }

    std::shared_ptr<ZVChangePasswordViewController> screen;
};

TEST_F(ChangePasswordTest, TheButtonWaitsForAllThreeFieldsAndReturnMovesOn) {
    EXPECT_TRUE(screen->oldPassword()->textField()->isFirstResponder());
    const struct {
        const char* current;
        const char* wanted;
        const char* repeated;
        bool enabled;
    } cases[] = {
        {"", "", "", false},       {"old", "", "", false},    {"old", "new", "", false},
        {"", "new", "new", false}, {"old", "new", "x", true}, {"old", "new", "new", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.current) + "/" + c.wanted + "/" + c.repeated);
        fill(QString::fromUtf8(c.current), QString::fromUtf8(c.wanted),
             QString::fromUtf8(c.repeated));
        EXPECT_EQ(buttonEnabled(), c.enabled);
    }

    // Return walks the fields; in the last one it submits, which does nothing while the
    // current or the new password is empty.
    pressReturn(*screen->oldPassword());
    EXPECT_TRUE(screen->newPassword()->textField()->isFirstResponder());
    pressReturn(*screen->newPassword());
    EXPECT_TRUE(screen->newPassword2()->textField()->isFirstResponder());
    fill(u""_s, u"new"_s, u"new"_s);
    pressReturn(*screen->newPassword2());
    EXPECT_EQ(calls(kPasswordConfigure), 0);
    EXPECT_FALSE(card());
    EXPECT_EQ(screen->oldPassword()->textField()->returnKeyType(), platform::ReturnKeyType::Next);
    EXPECT_EQ(screen->newPassword2()->textField()->returnKeyType(), platform::ReturnKeyType::Done);
    EXPECT_TRUE(screen->newPassword2()->textField()->isSecureTextEntry());
    // The form's edit mode does not apply.
    EXPECT_FALSE(screen->isEditing());
}

TEST_F(ChangePasswordTest, MismatchedPasswordsAreRefusedAndKept) {
    fill(QString::fromUtf16(kPassword), u"one"_s, u"two"_s);
    screen->submitButton()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(card());
    EXPECT_EQ(card()->title(), u"Error"_s);
    EXPECT_EQ(card()->message(), u"Passwords do not match"_s);
    EXPECT_EQ(screen->newPassword()->textField()->text(), u"one"_s);
    EXPECT_EQ(screen->newPassword2()->textField()->text(), u"two"_s);
    EXPECT_EQ(calls(kPasswordConfigure), 0);
}

TEST_F(ChangePasswordTest, AChangeGoesOutOnceAndTheScreenLeavesWhenAccepted) {
    // The answer is held until released, so the request is seen in flight.
    emulator.injectFault(kPasswordConfigure, zvemu::Fault::delayed(std::chrono::seconds(20)));
    fill(QString::fromUtf16(kPassword), u"fresh"_s, u"fresh"_s);
    screen->submitButton()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(
        scheduler().runUntil([&] { return emulator.requestCount(kPasswordConfigure) == 1; }));
    EXPECT_FALSE(buttonEnabled());
    // Typing meanwhile offers no second change.
    type(*screen->newPassword2(), u"fresh"_s);
    EXPECT_FALSE(buttonEnabled());
    pressReturn(*screen->newPassword2());

    emulator.releaseHeld();
    ASSERT_TRUE(scheduler().runUntil([&] { return card() != nullptr; }));
    EXPECT_EQ(card()->message(), u"Password changed"_s);
    EXPECT_TRUE(card()->title().isEmpty());
    settle();
    EXPECT_NE(top(), screen);
    ASSERT_EQ(emulator.requests(kPasswordConfigure).size(), 1);
    const QJsonObject body = emulator.lastRequest(kPasswordConfigure)->body;
    EXPECT_EQ(body.value(u"old_password"_s).toString(), QString::fromUtf16(kPassword));
    EXPECT_EQ(body.value(u"password"_s).toString(), u"fresh"_s);
    EXPECT_EQ(emulator.account(shelltest::kAnna)->password, u"fresh"_s);
}

TEST_F(ChangePasswordTest, ARefusalShowsTheErrorAndTheButtonComesBack) {
    fill(u"wrong"_s, u"fresh"_s, u"fresh"_s);
    screen->submitButton()->button()->sendActionsForEvents(platform::Control::TouchUpInside);
    ASSERT_TRUE(scheduler().runUntil([&] { return card() != nullptr; }));
    EXPECT_EQ(card()->title(), u"Request failed"_s);
    EXPECT_EQ(card()->message(), u"Incorrect password"_s);
    EXPECT_TRUE(buttonEnabled());
    EXPECT_EQ(top(), screen);
    EXPECT_EQ(emulator.account(shelltest::kAnna)->password, QString::fromUtf16(kPassword));
}

}  // namespace
}  // namespace settingstest
