#include "TextInputFixture.h"

#include "platform/ui/controls/TextView.h"
#include "platform/ui/view/EditAction.h"

using namespace platform;

namespace {

// An editor's text view: Control+Return sends, the up arrow in an empty text edits the last
// message, and copy goes to the owner.
class EditorTextView : public TextView {
public:
    using TextView::TextView;
    std::vector<QString> log;

    std::vector<KeyCommand> keyCommands() const override {
        std::vector<KeyCommand> commands = TextView::keyCommands();
        auto* self = const_cast<EditorTextView*>(this);
        commands.push_back({"\r", Qt::ControlModifier, [self] { self->log.push_back("send"); }});
        if (text().isEmpty()) {
            commands.push_back(
                {KeyCommand::UpArrow, Qt::NoModifier, [self] { self->log.push_back("up"); }});
        }
        return commands;
    }
    void copy() override { log.push_back("copy " + selectedText()); }
};

class RecordingDelegate : public TextViewDelegate {
public:
    std::vector<QString> log;
    bool refuseLineBreaks = false;

    bool textViewShouldChangeText(TextView&, TextRange range, const QString& text) override {
        log.push_back(QStringLiteral("should %1,%2 %3")
                          .arg(range.location)
                          .arg(range.length)
                          .arg(text == "\n" ? "\\n" : text));
        return !(refuseLineBreaks && text == "\n");
    }
    void textViewDidChange(TextView& view) override { log.push_back("did " + view.text()); }
};

}  // namespace

class TextViewTest : public TextInputTest {
public:
    std::shared_ptr<EditorTextView> view = View::make<EditorTextView>(QRectF(0, 100, 300, 200));
    std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();

    TextViewTest() {
        root->addSubview(view);
        view->setDelegate(delegate);
    }
};

TEST_F(TextViewTest, KeyCommandsAreAskedForAtEveryKeyAndFollowTheText) {
    view->becomeFirstResponder();
    key(Qt::Key_Up);
    type("a");
    // With text the up arrow is a plain cursor move again.
    key(Qt::Key_Up);
    key(Qt::Key_End);
    key(Qt::Key_Backspace);
    key(Qt::Key_Up);
    key(Qt::Key_Return, "\r", Qt::ControlModifier);
    EXPECT_EQ(view->log, (std::vector<QString>{"up", "up", "send"}));
    // Control+Return was the command's: no line break was typed.
    EXPECT_EQ(view->text(), "");
}

TEST_F(TextViewTest, ReturnTypesALineBreakTheDelegateMayRefuse) {
    view->becomeFirstResponder();
    type("ab");
    key(Qt::Key_Return, "\r");
    delegate->refuseLineBreaks = true;
    key(Qt::Key_Return, "\r");
    EXPECT_EQ(view->text(), "ab\n");
    EXPECT_EQ(delegate->log,
              (std::vector<QString>{"should 0,0 a", "did a", "should 1,0 b", "did ab",
                                    "should 2,0 \\n", "did ab\n", "should 3,0 \\n"}));
}

TEST_F(TextViewTest, ReplaceTellsButDoesNotAskAndCanBeUndone) {
    view->setText("hello world");
    view->becomeFirstResponder();
    view->replace({6, 5}, "there");
    EXPECT_EQ(view->text(), "hello there");
    EXPECT_EQ(view->selectedRange(), (TextRange{11, 0}));
    EXPECT_EQ(delegate->log, std::vector<QString>{"did hello there"});
    key(Qt::Key_Z, {}, Qt::ControlModifier);
    EXPECT_EQ(view->text(), "hello world");
    // Text set in code starts the history afresh.
    view->setText("fresh");
    key(Qt::Key_Z, {}, Qt::ControlModifier);
    EXPECT_EQ(view->text(), "fresh");
}

// Ranges never split a character, in whichever paragraph it stands.
TEST_F(TextViewTest, RangesInsideACharacterOfALaterParagraphTakeTheWholeCharacter) {
    // A thumb with a skin tone: one character of four UTF-16 units, at 5 to 9.
    const QString text = QStringLiteral("ab\ncd\U0001F44D\U0001F3FDe");
    struct Case {
        TextRange asked;
        TextRange selected;
    };
    for (const Case& c : {Case{{6, 0}, {5, 4}}, Case{{7, 1}, {5, 4}}, Case{{5, 4}, {5, 4}},
                          Case{{4, 2}, {4, 5}}, Case{{2, 1}, {2, 1}}, Case{{9, 1}, {9, 1}}}) {
        view->setText(text);
        view->setSelectedRange(c.asked);
        EXPECT_EQ(view->selectedRange(), c.selected) << c.asked.location << "," << c.asked.length;
    }
    view->setText(text);
    view->replace({7, 0}, "x");
    EXPECT_EQ(view->text(), QStringLiteral("ab\ncdxe"));
}

TEST_F(TextViewTest, EditActionsOfferedByStateAndRoutedThroughOverridableOperations) {
    struct Case {
        const char* name;
        bool editable;
        TextRange selection;
        bool clipboardText;
        std::vector<QString> offered;
    };
    const Case cases[] = {
        {"editable, nothing selected", true, {2, 0}, false, {"select:", "selectAll:"}},
        {"editable, a word selected, text to paste",
         true,
         {0, 4},
         true,
         {"cut:", "copy:", "paste:", "selectAll:", "delete:"}},
        {"read-only, nothing selected", false, {2, 0}, true, {"select:", "selectAll:"}},
        {"read-only, all selected", false, {0, 9}, true, {"copy:"}},
    };
    const std::vector<QString> all = {
        "cut:", "copy:", "paste:", "select:", "selectAll:", "delete:", "define:"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view->setEditable(c.editable);
        view->setText("some text");
        view->becomeFirstResponder();
        view->setSelectedRange(c.selection);
        if (c.clipboardText) {
            pasteboard->setString(QStringLiteral("clip"));
        } else {
            pasteboard->clear();
        }
        std::vector<QString> offered;
        for (const QString& action : all) {
            if (view->canPerformAction(action)) {
                offered.push_back(action);
            }
        }
        EXPECT_EQ(offered, c.offered);
        view->resignFirstResponder();
    }

    // Copy by key or by the menu goes through the subclass's copy().
    view->setEditable(true);
    view->becomeFirstResponder();
    view->setSelectedRange({5, 4});
    key(Qt::Key_C, {}, Qt::ControlModifier);
    EXPECT_TRUE(view->performAction(EditAction::Copy));
    EXPECT_EQ(view->log, (std::vector<QString>{"copy text", "copy text"}));
    EXPECT_FALSE(view->performAction(QStringLiteral("quote:")));
}

TEST_F(TextViewTest, ContentSizeFollowsTheTextWidthAndInsets) {
    view->setText("one");
    view->layoutIfNeeded();
    const qreal oneLine = view->contentSize().height();
    EXPECT_EQ(view->contentSize().width(), 300);
    EXPECT_EQ(view->sizeThatFits({300, 0}).height(), oneLine);

    view->setText("one\ntwo\nthree");
    const qreal threeLines = view->contentSize().height();
    const qreal line = oneLine - TextView::kDefaultTextContainerInset.top -
                       TextView::kDefaultTextContainerInset.bottom;
    EXPECT_NEAR(threeLines, oneLine + 2 * line, 2);

    view->setTextContainerInset({20, 10, 30, 10});
    EXPECT_NEAR(view->contentSize().height(), threeLines + 34, 1);
    // A narrower view wraps a long line, so the text grows taller.
    view->setText(QString(60, u'w'));
    const qreal wide = view->contentSize().height();
    view->setFrame({0, 100, 100, 200});
    view->layoutIfNeeded();
    EXPECT_GT(view->contentSize().height(), wide);
    EXPECT_EQ(view->sizeThatFits({100, 0}).height(), view->contentSize().height());
}

TEST_F(TextViewTest, TapBeginsEditingOnlyWhenEditable) {
    tap(*view);
    EXPECT_TRUE(view->isEditing());
    view->resignFirstResponder();

    view->setEditable(false);
    view->setText("read only");
    tap(*view);
    // Selectable: it takes focus to select and copy, but does not edit.
    EXPECT_TRUE(view->isFirstResponder());
    EXPECT_FALSE(view->isEditing());
    type("x");
    EXPECT_EQ(view->text(), "read only");
    view->resignFirstResponder();

    view->setSelectable(false);
    tap(*view);
    EXPECT_FALSE(view->isFirstResponder());
}

TEST_F(TextViewTest, OnlyAnEditableTextViewRaisesTheKeyboardAndItPastesFromThePasteboard) {
    view->setEditable(false);
    view->setText("read only");
    view->becomeFirstResponder();
    Scheduler::main().advance(1);
    EXPECT_TRUE(notices.isEmpty());

    view->resignFirstResponder();
    view->setEditable(true);
    view->becomeFirstResponder();
    EXPECT_EQ(notices.size(), 2);
    pasteboard->setString("pasted ");
    view->setSelectedRange({0, 0});
    key(Qt::Key_V, {}, Qt::ControlModifier);
    EXPECT_EQ(view->text(), "pasted read only");
    view->resignFirstResponder();
    Scheduler::main().advance(1);
    EXPECT_FALSE(keyboard->isVisible());
}

TEST_F(TextViewTest, AttributedTextKeepsItsParagraphsAndLineHeightsWhenMeasured) {
    const FontDescription font{QString(), 20};
    ParagraphStyle tight;
    tight.lineHeightMultiple = 0.5;
    AttributedString text(QStringLiteral("first line\nsecond line"),
                          {{TextAttribute::Font, QVariant::fromValue(font)}});
    view->setAttributedText(text);
    EXPECT_EQ(view->text(), "first line\nsecond line");
    const qreal natural = view->sizeThatFits({300, 1000}).height();

    // Only the second paragraph is drawn at half height: the measure follows its own format.
    text.addAttribute(TextAttribute::ParagraphStyle, QVariant::fromValue(tight), 11, 11);
    view->setAttributedText(text);
    const qreal halfSecond = view->sizeThatFits({300, 1000}).height();
    text.addAttribute(TextAttribute::ParagraphStyle, QVariant::fromValue(tight), 0, 22);
    view->setAttributedText(text);
    const qreal halfBoth = view->sizeThatFits({300, 1000}).height();
    EXPECT_LT(halfSecond, natural);
    EXPECT_LT(halfBoth, halfSecond);
    EXPECT_EQ(view->attributedText(), text);
    EXPECT_EQ(view->contentSize().height(), halfBoth);

    // Typing makes the kept copy plain text again.
    view->becomeFirstResponder();
    type("!");
    EXPECT_EQ(view->attributedText(), AttributedString(view->text()));
}
