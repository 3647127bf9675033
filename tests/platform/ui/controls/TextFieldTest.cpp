#include "TextInputFixture.h"

#include "platform/ui/controls/TextField.h"
#include "platform/ui/host/WindowHost.h"
#include "platform/ui/view/EditAction.h"

using namespace platform;

namespace {

const QString kThumb = QStringLiteral("\U0001F44D");
// A thumb with a skin tone: one character of four UTF-16 units.
const QString kToned = QStringLiteral("\U0001F44D\U0001F3FD");

// Writes down what it is asked and allows a change only while the result stays under a limit of
// UTF-16 units, as the dialog forms do.
class LimitingDelegate : public TextFieldDelegate {
public:
    explicit LimitingDelegate(int limit) : limit_(limit) {}

    bool textFieldShouldChangeCharacters(TextField& field, TextRange range,
                                         const QString& replacement) override {
        asked.push_back({range, replacement});
        const int length = static_cast<int>(field.text().size());
        return range.end() <= length && length - range.length + replacement.size() < limit_;
    }

    std::vector<std::pair<TextRange, QString>> asked;

private:
    int limit_;
};

}  // namespace

class TextFieldTest : public TextInputTest {
protected:
    std::shared_ptr<TextField> field = View::make<TextField>(QRectF(10, 100, 300, 40));
    std::vector<QString> events;

    TextFieldTest() {
        root->addSubview(field);
        field->addTarget(Control::EditingDidBegin, [this](Control&) { events.push_back("begin"); });
        field->addTarget(Control::EditingChanged,
                         [this](Control&) { events.push_back("changed"); });
        field->addTarget(Control::EditingDidEnd, [this](Control&) { events.push_back("end"); });
    }
};

TEST_F(TextFieldTest, ShouldChangeIsAskedWithUtf16RangesThatNeverSplitACharacter) {
    constexpr int kLimit = 51;
    const QString fortyEight(48, u'a');
    struct Case {
        const char* name;
        QString text;
        TextRange selection;  // location -1: the end
        std::function<void(TextInputTest&)> act;
        TextRange range;
        QString replacement;
        QString result;
    };
    const auto typeX = [](TextInputTest& t) { t.type("x"); };
    const auto backspace = [](TextInputTest& t) { t.key(Qt::Key_Backspace); };
    const auto typeThumb = [](TextInputTest& t) { t.key(0, kThumb); };
    const Case cases[] = {
        {"typing at the end", "hello", {-1, 0}, typeX, {5, 0}, "x", "hellox"},
        {"typing over a selection", "hello", {1, 3}, typeX, {1, 3}, "x", "hxo"},
        {"backspace after an emoji takes both units",
         "ab" + kThumb,
         {-1, 0},
         backspace,
         {2, 2},
         "",
         "ab"},
        {"backspace after a toned emoji takes all four",
         "ab" + kToned,
         {-1, 0},
         backspace,
         {2, 4},
         "",
         "ab"},
        {"a selection inside a surrogate pair widens",
         "a" + kThumb + "b",
         {2, 0},
         typeX,
         {1, 2},
         "x",
         "axb"},
        {"delete forward before an emoji",
         kThumb + "z",
         {0, 0},
         [](TextInputTest& t) { t.key(Qt::Key_Delete); },
         {0, 2},
         "",
         "z"},
        {"an emoji typed at 48 ends at 50: allowed",
         fortyEight,
         {-1, 0},
         typeThumb,
         {48, 0},
         kThumb,
         fortyEight + kThumb},
        {"an emoji typed at 49 would end at 51: refused",
         fortyEight + "a",
         {-1, 0},
         typeThumb,
         {49, 0},
         kThumb,
         fortyEight + "a"},
        {"pasted lines become one",
         "",
         {-1, 0},
         [](TextInputTest& t) {
             t.pasteboard->setString("one\ntwo");
             t.key(Qt::Key_V, {}, Qt::ControlModifier);
         },
         {0, 0},
         "one two",
         "one two"},
        {"input-method commit replacing the character before",
         "cafe",
         {-1, 0},
         [](TextInputTest& t) {
             t.window->sendTextInput({{}, QStringLiteral("\u00e9"), -1, 1});
         },
         {3, 1},
         "\u00e9",
         "caf\u00e9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto delegate = std::make_shared<LimitingDelegate>(kLimit);
        field->setDelegate(delegate);
        field->setText(c.text);
        ASSERT_TRUE(field->becomeFirstResponder());
        if (c.selection.location >= 0) {
            field->setSelectedRange(c.selection);
        }
        events.clear();
        c.act(*this);
        ASSERT_EQ(delegate->asked.size(), 1u);
        EXPECT_EQ(delegate->asked[0].first, c.range);
        EXPECT_EQ(delegate->asked[0].second, c.replacement);
        EXPECT_EQ(field->text(), c.result);
        const bool allowed = c.result != c.text;
        EXPECT_EQ(events, allowed ? std::vector<QString>{"changed"} : std::vector<QString>{});
    }
}

TEST_F(TextFieldTest, SetTextInCodeIsNeitherAskedNorAnnounced) {
    const auto delegate = std::make_shared<LimitingDelegate>(3);
    field->setDelegate(delegate);
    field->setText("longer than the limit");
    EXPECT_EQ(field->text(), "longer than the limit");
    EXPECT_TRUE(delegate->asked.empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(TextFieldTest, TapBeginsEditingAndKeysEditUntilResigned) {
    tap(*field);
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->isEditing());
    type("hi!");
    key(Qt::Key_Left);
    key(Qt::Key_Backspace);
    EXPECT_EQ(field->text(), "h!");
    key(Qt::Key_Z, {}, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "hi!");
    EXPECT_TRUE(field->resignFirstResponder());
    EXPECT_FALSE(field->isEditing());
    // Keys no longer reach it.
    type("x");
    EXPECT_EQ(field->text(), "hi!");
    EXPECT_EQ(events, (std::vector<QString>{"begin", "changed", "changed", "changed", "changed",
                                            "changed", "end"}));
}

TEST_F(TextFieldTest, ComposedTextIsShownApartUntilCommitted) {
    field->becomeFirstResponder();
    window->sendTextInput({QStringLiteral("ni"), {}, 0, 0});
    EXPECT_EQ(field->markedText(), "ni");
    EXPECT_EQ(field->text(), "");
    window->sendTextInput({{}, QStringLiteral("\u4f60"), 0, 0});
    EXPECT_EQ(field->markedText(), "");
    EXPECT_EQ(field->text(), "\u4f60");
}

TEST_F(TextFieldTest, ClearButtonShowsByModeAndClearsWhenTheDelegateAgrees) {
    struct Case {
        TextFieldViewMode mode;
        bool whileEditing;
        bool otherwise;
    };
    const Case cases[] = {
        {TextFieldViewMode::Never, false, false},
        {TextFieldViewMode::WhileEditing, true, false},
        {TextFieldViewMode::UnlessEditing, false, true},
        {TextFieldViewMode::Always, true, true},
    };
    field->setText("text");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        field->setClearButtonMode(c.mode);
        EXPECT_EQ(field->isClearButtonShown(), c.otherwise);
        field->becomeFirstResponder();
        EXPECT_EQ(field->isClearButtonShown(), c.whileEditing);
        field->resignFirstResponder();
    }

    class Refusing : public TextFieldDelegate {
    public:
        bool textFieldShouldClear(TextField&) override { return allow; }
        bool allow = false;
    };
    const auto delegate = std::make_shared<Refusing>();
    field->setDelegate(delegate);
    field->setClearButtonMode(TextFieldViewMode::Always);
    window->layoutIfNeeded();
    events.clear();
    tap(*field->clearButton());
    EXPECT_EQ(field->text(), "text");
    delegate->allow = true;
    tap(*field->clearButton());
    EXPECT_EQ(field->text(), "");
    EXPECT_FALSE(field->isClearButtonShown());
    EXPECT_EQ(events, std::vector<QString>{"changed"});
    // The button's tap is its own: the field did not start editing under it.
    EXPECT_FALSE(field->isEditing());
}

TEST_F(TextFieldTest, SecureTextIsNeverCopiedOut) {
    field->setSecureTextEntry(true);
    field->setText("secret");
    field->becomeFirstResponder();
    field->setSelectedRange({0, 6});
    EXPECT_FALSE(field->canPerformAction(EditAction::Copy));
    EXPECT_FALSE(field->canPerformAction(EditAction::Cut));
    key(Qt::Key_C, {}, Qt::ControlModifier);
    EXPECT_TRUE(pasteboard->string().isNull());
    EXPECT_FALSE(field->canPerformAction(EditAction::SelectAll));

    field->setSecureTextEntry(false);
    EXPECT_TRUE(field->canPerformAction(EditAction::Copy));
    key(Qt::Key_X, {}, Qt::ControlModifier);
    EXPECT_EQ(pasteboard->string(), "secret");
    EXPECT_EQ(field->text(), "");
}

TEST_F(TextFieldTest, TheHostsInputMethodLearnsTheKeysTheFieldWantsAndWhereItsCursorIs) {
    WindowHost host(window);
    field->setKeyboardType(KeyboardType::NumberPad);
    field->setReturnKeyType(ReturnKeyType::Next);
    field->setText("1234");
    EXPECT_FALSE(host.inputMethodQuery(Qt::ImEnabled).toBool());
    field->becomeFirstResponder();
    window->layoutIfNeeded();

    EXPECT_TRUE(host.inputMethodQuery(Qt::ImEnabled).toBool());
    EXPECT_EQ(host.inputMethodQuery(Qt::ImHints).toInt(), Qt::ImhDigitsOnly);
    EXPECT_EQ(host.inputMethodQuery(Qt::ImEnterKeyType).toInt(), Qt::EnterKeyNext);
    EXPECT_EQ(host.inputMethodQuery(Qt::ImSurroundingText).toString(), "1234");
    EXPECT_EQ(host.inputMethodQuery(Qt::ImCursorPosition).toInt(), 4);
    // The cursor stands after the text, inside the field, in window points.
    const QRectF cursor = host.inputMethodQuery(Qt::ImCursorRectangle).toRectF();
    EXPECT_GT(cursor.left(), field->frame().left());
    EXPECT_LT(cursor.left(), field->frame().center().x());
    EXPECT_GE(cursor.top(), field->frame().top());
    EXPECT_LE(cursor.bottom(), field->frame().bottom());

    field->setSecureTextEntry(true);
    field->setSelectedRange({0, 4});
    const auto hints = Qt::InputMethodHints(host.inputMethodQuery(Qt::ImHints).toInt());
    EXPECT_TRUE(hints.testFlag(Qt::ImhHiddenText));
    EXPECT_TRUE(hints.testFlag(Qt::ImhSensitiveData));
    // Secure text is not handed out, not even to the input method.
    EXPECT_EQ(host.inputMethodQuery(Qt::ImCurrentSelection).toString(), "");
    EXPECT_EQ(host.inputMethodQuery(Qt::ImSurroundingText).toString(), "");
}

TEST_F(TextFieldTest, EndEditingResignsTheFieldInsideAndForceOverridesARefusal) {
    class Stubborn : public TextFieldDelegate {
    public:
        bool textFieldShouldEndEditing(TextField&) override { return false; }
    };
    const auto stubborn = std::make_shared<Stubborn>();
    const auto form = View::make(QRectF(0, 0, 375, 300));
    const auto outside = View::make(QRectF(0, 300, 375, 100));
    root->addSubview(form);
    root->addSubview(outside);
    form->addSubview(field);
    struct Case {
        const char* name;
        std::shared_ptr<View> asked;
        bool refuses;
        bool force;
        bool stillEditing;
    };
    const Case cases[] = {
        {"the form around the field", form, false, false, false},
        {"a view beside it leaves it alone", outside, false, false, true},
        {"a refusing field stays", form, true, false, true},
        {"forced, it goes all the same", form, true, true, false},
        {"the window ends any editing", window, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        field->setDelegate(std::weak_ptr<TextFieldDelegate>());
        ASSERT_TRUE(field->becomeFirstResponder());
        Scheduler::main().advance(1);
        if (c.refuses) {
            field->setDelegate(stubborn);
        }
        c.asked->endEditing(c.force);
        Scheduler::main().advance(1);
        EXPECT_EQ(field->isEditing(), c.stillEditing);
        EXPECT_EQ(field->isFirstResponder(), c.stillEditing);
        EXPECT_EQ(keyboard->isVisible(), c.stillEditing);
        field->setDelegate(std::weak_ptr<TextFieldDelegate>());
        field->resignFirstResponder();
    }
}

TEST_F(TextFieldTest, AFieldThatRefusesToEndEditingStillEndsWhenItLeavesTheWindow) {
    class Stubborn : public TextFieldDelegate {
    public:
        bool textFieldShouldEndEditing(TextField&) override { return false; }
    };
    const auto stubborn = std::make_shared<Stubborn>();
    field->becomeFirstResponder();
    field->setDelegate(stubborn);
    events.clear();
    field->removeFromSuperview();
    Scheduler::main().advance(1);
    EXPECT_FALSE(field->isEditing());
    EXPECT_EQ(window->firstResponder(), nullptr);
    EXPECT_EQ(events, std::vector<QString>{"end"});
    EXPECT_FALSE(keyboard->isVisible());
}
