#include "TextInputFixture.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/TextField.h"

using namespace platform;

namespace {

// A form as the sign-in pages build it: each field's return key moves on to the next field, the
// last one's sends the form's button.
class Form : public TextFieldDelegate {
public:
    std::vector<std::shared_ptr<TextField>> fields;
    std::shared_ptr<Button> button = Button::make(Button::Type::System);

    bool textFieldShouldReturn(TextField& field) override {
        const auto it = std::find_if(fields.begin(), fields.end(),
                                     [&](const auto& f) { return f.get() == &field; });
        if (field.returnKeyType() == ReturnKeyType::Next && it + 1 != fields.end()) {
            (*(it + 1))->becomeFirstResponder();
        } else if (field.returnKeyType() == ReturnKeyType::Done && button->isEnabled()) {
            button->sendActionsForEvents(Control::TouchUpInside);
        }
        return true;
    }
};

}  // namespace

TEST_F(TextInputTest, ReturnKeyChainsFieldsAndTheKeyboardStaysUpBetweenThem) {
    const auto form = std::make_shared<Form>();
    for (int i = 0; i < 3; ++i) {
        auto field = View::make<TextField>(QRectF(10, 50 + 50 * i, 300, 40));
        field->setDelegate(form);
        field->setReturnKeyType(i < 2 ? ReturnKeyType::Next : ReturnKeyType::Done);
        root->addSubview(field);
        form->fields.push_back(field);
    }
    form->fields[1]->setKeyboardType(KeyboardType::EmailAddress);
    int submitted = 0;
    form->button->addTarget(Control::TouchUpInside, [&](Control&) { ++submitted; });

    form->fields[0]->becomeFirstResponder();
    Scheduler::main().advance(1);
    notices.clear();
    for (const char* text : {"name", "mail", "secret"}) {
        type(text);
        key(Qt::Key_Return);
        Scheduler::main().advance(1);
    }
    EXPECT_EQ(form->fields[0]->text(), "name");
    EXPECT_EQ(form->fields[1]->text(), "mail");
    EXPECT_EQ(form->fields[2]->text(), "secret");
    EXPECT_EQ(submitted, 1);
    // Done kept the last field editing: nothing listens for editing-did-end-on-exit.
    EXPECT_TRUE(form->fields[2]->isFirstResponder());
    // Focus moving along the form left the keyboard where it was.
    EXPECT_TRUE(notices.isEmpty()) << notices.join("\n").toStdString();
    ASSERT_EQ(keyboard->requests().size(), 3u);
    EXPECT_EQ(keyboard->requests()[1].type, KeyboardType::EmailAddress);
    EXPECT_EQ(keyboard->requests()[2].returnKey, ReturnKeyType::Done);
}

TEST_F(TextInputTest, EditingDidEndOnExitEndsEditingWhenSomeoneListens) {
    const auto field = View::make<TextField>(QRectF(10, 50, 300, 40));
    root->addSubview(field);
    std::vector<QString> events;
    field->addTarget(Control::EditingDidEndOnExit, [&](Control&) { events.push_back("exit"); });
    field->addTarget(Control::EditingDidEnd, [&](Control&) { events.push_back("end"); });
    field->becomeFirstResponder();
    key(Qt::Key_Return);
    EXPECT_EQ(events, (std::vector<QString>{"exit", "end"}));
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(field->text(), "");
}

TEST_F(TextInputTest, KeyboardNotificationsComeInOrderWithTheirFrames) {
    const auto first = View::make<TextField>(QRectF(10, 50, 300, 40));
    const auto second = View::make<TextField>(QRectF(10, 100, 300, 40));
    root->addSubview(first);
    root->addSubview(second);
    const QString up = "0,451 375x216";
    const QString down = "0,667 375x216";

    first->becomeFirstResponder();
    EXPECT_EQ(notices, (QStringList{"WillChangeFrame " + down + " -> " + up,
                                    "WillShow " + down + " -> " + up}));
    Scheduler::main().advance(Keyboard::kAnimationDuration);
    EXPECT_EQ(notices.mid(2), (QStringList{"DidChangeFrame " + down + " -> " + up,
                                           "DidShow " + down + " -> " + up}));
    EXPECT_EQ(keyboard->frame(), QRectF(0, 451, 375, 216));

    // A taller keyboard for the next field: the frame changes from where it stood.
    notices.clear();
    keyboard->setHeight(260);
    second->becomeFirstResponder();
    Scheduler::main().advance(Keyboard::kAnimationDuration);
    const QString taller = "0,407 375x260";
    EXPECT_EQ(
        notices,
        (QStringList{"WillChangeFrame " + up + " -> " + taller, "WillShow " + up + " -> " + taller,
                     "DidChangeFrame " + up + " -> " + taller, "DidShow " + up + " -> " + taller}));

    // Resigning lowers it on the next turn of the run loop.
    notices.clear();
    second->resignFirstResponder();
    EXPECT_TRUE(notices.isEmpty());
    Scheduler::main().runPending();
    EXPECT_EQ(notices, (QStringList{"WillChangeFrame " + taller + " -> 0,667 375x260",
                                    "WillHide " + taller + " -> 0,667 375x260"}));
    EXPECT_FALSE(keyboard->isVisible());

    // Raised again before the hide finished: only the show's did-notices come.
    notices.clear();
    first->becomeFirstResponder();
    Scheduler::main().advance(1);
    EXPECT_EQ(notices, (QStringList{"WillChangeFrame 0,667 375x260 -> 0,407 375x260",
                                    "WillShow 0,667 375x260 -> 0,407 375x260",
                                    "DidChangeFrame 0,667 375x260 -> 0,407 375x260",
                                    "DidShow 0,667 375x260 -> 0,407 375x260"}));
}

TEST_F(TextInputTest, HardwareKeysFromTheHostReachTheFirstResponder) {
    const auto field = View::make<TextField>(QRectF(10, 50, 300, 40));
    root->addSubview(field);
    key(0, "a");
    EXPECT_EQ(field->text(), "");
    field->becomeFirstResponder();
    key(Qt::Key_A, "a");
    key(Qt::Key_B, "B", Qt::ShiftModifier);
    // Control turns letters into commands, never text.
    key(Qt::Key_Q, "\x11", Qt::ControlModifier);
    EXPECT_EQ(field->text(), "aB");
    EXPECT_EQ(field->selectedRange(), (TextRange{2, 0}));
}
