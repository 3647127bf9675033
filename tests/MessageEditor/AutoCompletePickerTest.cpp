#include "MessageEditor/ZVAutoCompleteCell.h"
#include "MessageEditor/ZVAutoCompletePicker.h"
#include "MessageEditor/ZVAutoCompletePickerCell.h"
#include "MessageEditor/ZVSmallMemberCell.h"
#include "ZelvoKit/model/ZVMember.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "toolkit/dialogs/ZVDialogCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <gtest/gtest.h>

#include <QtCore/QStringList>

using namespace Qt::StringLiterals;

namespace {

// A member row as the editors show them: the member's unique short name is what a choice types.
class MemberCell : public ZVDialogCell, public ZVAutoCompleteCell {
public:
    MemberCell(Style style, QString reuseId) : ZVDialogCell(style, std::move(reuseId)) {}
    void setItem(const QVariant& item) override {
        member_ = item.value<std::shared_ptr<ZVMember>>();
        textLabel()->setText(member_ ? member_->displayName() : QString());
    }
    QString text() const override { return member_ ? member_->uniqueShortName() + u' ' : u""_s; }

private:
    std::shared_ptr<ZVMember> member_;
};

constexpr qreal kMemberRowHeight = 42;
constexpr qreal kCommandRowHeight = 25;

// An editor as the message editors are: a text view with the picker over its superview, updated
// after every change of text or caret, and the table laid above the text view.
struct PickerStage : platform::TextViewDelegate {
    std::shared_ptr<platform::Window> window = platform::Window::make();
    std::shared_ptr<platform::View> editorView = platform::View::make(window->bounds());
    std::shared_ptr<ZVTextView> textView =
        platform::View::make<ZVTextView>(QRectF(0, 500, 375, 100));
    std::unique_ptr<ZVAutoCompletePicker> picker;
    std::vector<std::shared_ptr<ZVMember>> roster;
    QStringList asked;
    QVariantList commands{QVariantList{u"/task"_s, u"message"_s},
                          QVariantList{u"/taskto"_s, u"@user message"_s}};

    PickerStage() {
        platform::Keyboard::setShared(std::make_shared<platform::FakeKeyboard>());
        window->setRootView(editorView);
        editorView->addSubview(textView);
        for (const auto& [name, shortName] :
             {std::pair{u"Bob Stone"_s, u"bob"_s}, std::pair{u"Boris Lane"_s, u"boris"_s},
              std::pair{u"Alice Bowman"_s, u"alice"_s}}) {
            auto member = ZVMember::withEmail(shortName + u"@example.org"_s, name);
            member->setUniqueShortName(shortName);
            roster.push_back(member);
        }
        picker = std::make_unique<ZVAutoCompletePicker>(editorView, textView);
        picker->addItemType(
            '@', true,
            [this](const QString& word) {
                asked << u"@"_s + word;
                QVariantList found;
                for (const auto& member : roster) {
                    if (member->matchString(word)) {
                        found << QVariant::fromValue(member);
                    }
                }
                return found;
            },
            ZVArrayCellGroup::CellClass::of<MemberCell>(u"MemberCell"_s), kMemberRowHeight);
        picker->addItemType(
            '/', false,
            [this](const QString& word) {
                asked << u"/"_s + word;
                QVariantList found;
                for (const QVariant& command : commands) {
                    if (command.toList().at(0).toString().mid(1).startsWith(word)) {
                        found << command;
                    }
                }
                return found;
            },
            ZVArrayCellGroup::CellClass::of<ZVAutoCompletePickerCell>(
                u"ZVAutoCompletePickerCell"_s),
            kCommandRowHeight);
    }
    ~PickerStage() override { textView->setDelegate({}); }

    // Wires the text view to the picker (a shared owner is needed for a weak delegate).
    void attach(const std::shared_ptr<PickerStage>& self) {
        self_ = self;
        textView->setDelegate(self);
    }

    void textViewDidChange(platform::TextView&) override { updatePicker(); }
    void textViewDidChangeSelection(platform::TextView&) override { updatePicker(); }
    void updatePicker() {
        picker->update();
        if (const auto table = picker->tableView()) {
            const qreal height = picker->tableHeight();
            table->setFrame(QRectF(0, textView->frame().top() - height, 375, height));
        }
    }

    // The editor's text with the caret at `caret` (the end when negative) and `selected` units
    // selected from it, then the editor's update.
    void show(const QString& text, int caret = -1, int selected = 0) {
        textView->setDelegate({});
        textView->becomeFirstResponder();
        textView->setText(text);
        textView->setSelectedRange({caret < 0 ? static_cast<int>(text.size()) : caret, selected});
        textView->setDelegate(self_);
        updatePicker();
    }
    // The texts that the shown rows would type.
    QStringList rowTexts() {
        QStringList texts;
        if (const auto table = picker->tableView()) {
            window->updateNow();
            for (int row = 0; row < picker->items().size(); ++row) {
                if (const auto cell = table->cellForRowAtIndexPath({0, row})) {
                    texts << dynamic_cast<ZVAutoCompleteCell&>(*cell).text();
                }
            }
        }
        return texts;
    }
    void tapRow(int row) {
        window->updateNow();
        const auto table = picker->tableView();
        ASSERT_TRUE(table);
        const auto cell = table->cellForRowAtIndexPath({0, row});
        ASSERT_TRUE(cell);
        const QPointF at = cell->convertPointTo(cell->bounds().center(), nullptr);
        window->sendTouch(1, platform::TouchPhase::Began, at);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
        platform::Scheduler::main().advance(0.5);
    }

private:
    std::weak_ptr<PickerStage> self_;
};

std::shared_ptr<PickerStage> makeStage() {
    auto stage = std::make_shared<PickerStage>();
    stage->attach(stage);
    return stage;
}

struct WordCase {
    QString text;
    int caret;  // -1: at the end
    int selected;
    // What the types were asked, in order.
    QStringList asked;
    const char* why;
};

TEST(ZVAutoCompletePicker, FindsTheWordAfterATriggerThatStartsIt) {
    const std::vector<WordCase> cases = {
        {u"hi @bo"_s, -1, 0, {u"@bo"_s}, "a mention after a space"},
        {u"hi@bo"_s, -1, 0, {}, "a trigger glued to a word"},
        {u"/ta"_s, -1, 0, {u"/ta"_s}, "a command at the start"},
        {u"hi /ta"_s, -1, 0, {}, "a command only counts at the start"},
        {u"hi @"_s, -1, 0, {u"@"_s}, "a trigger alone looks up the empty word"},
        {u"hi @bo"_s, 4, 2, {}, "nothing with a selection"},
        {u"@bo"_s, 0, 0, {u"@bo"_s}, "the caret on the trigger"},
        {u"hi @bob, there"_s, 5, 0, {u"@bob"_s}, "the word runs past the caret to punctuation"},
        {u"hi\t@bo"_s, -1, 0, {u"@bo"_s}, "a tab before the trigger"},
        {u"hi @bo x"_s, -1, 0, {}, "a blank between the trigger's word and the caret"},
        {u"@bob\nhi"_s, -1, 0, {}, "a word on an earlier line"},
        {u"@bob\nhi"_s, 3, 0, {u"@bob"_s}, "the word ends at the line break"},
        {u"hi\n@bo"_s, -1, 0, {u"@bo"_s}, "a trigger at a line start"},
        {u"\U0001F600@bo"_s, -1, 0, {}, "an emoji glued to the trigger"},
        {u"\U0001F600 @bo"_s, -1, 0, {u"@bo"_s}, "an emoji, a space, then the trigger"},
        {u"hi @bo\U0001F600"_s, 5, 0, {u"@bo\U0001F600"_s}, "an emoji inside the word"},
    };
    for (const WordCase& c : cases) {
        SCOPED_TRACE(c.why);
        const auto stage = makeStage();
        stage->show(c.text, c.caret, c.selected);
        EXPECT_EQ(stage->asked, c.asked);
    }
}

TEST(ZVAutoCompletePicker, AnUnchangedWordKeepsItsTableAndAnotherTriggerLooksUpAgain) {
    const auto stage = makeStage();
    stage->show(u"hi @bo"_s);
    const auto table = stage->picker->tableView();
    ASSERT_TRUE(table);
    EXPECT_EQ(stage->rowTexts(), (QStringList{u"bob "_s, u"boris "_s, u"alice "_s}));

    // The caret moves inside the same word: nothing is looked up, the table stays.
    stage->textView->setSelectedRange({5, 0});
    stage->updatePicker();
    EXPECT_EQ(stage->picker->tableView(), table);
    EXPECT_EQ(stage->asked, QStringList{u"@bo"_s});

    // The same letters after the other trigger are a new question.
    stage->commands.append(QVariant(QVariantList{u"/bo"_s, u""_s}));
    stage->show(u"/bo"_s);
    EXPECT_EQ(stage->asked, (QStringList{u"@bo"_s, u"/bo"_s}));
    EXPECT_EQ(stage->rowTexts(), QStringList{u"bo "_s});
    EXPECT_EQ(stage->picker->tableHeight(), kCommandRowHeight);
    EXPECT_EQ(table->superview(), nullptr);

    // Losing the focus takes the table away; coming back looks up again.
    const auto commandTable = stage->picker->tableView();
    stage->textView->resignFirstResponder();
    stage->updatePicker();
    EXPECT_FALSE(stage->picker->tableView());
    EXPECT_EQ(commandTable->superview(), nullptr);
    EXPECT_EQ(stage->picker->tableHeight(), 0);
    stage->show(u"/bo"_s);
    EXPECT_EQ(stage->asked.size(), 3);
}

TEST(ZVAutoCompletePicker, TheTableIsAsHighAsFourRowsAtMost) {
    const auto stage = makeStage();
    for (int i = 0; i < 7; ++i) {
        auto member = ZVMember::withEmail(u"m%1@example.org"_s.arg(i), u"Member %1"_s.arg(i));
        member->setUniqueShortName(u"member%1"_s.arg(i));
        stage->roster.push_back(member);
    }
    stage->show(u"@me"_s);
    const auto table = stage->picker->tableView();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->superview(), stage->editorView.get());
    EXPECT_EQ(stage->picker->items().size(), 7);
    EXPECT_EQ(stage->picker->tableHeight(), 4 * kMemberRowHeight);
    // The rows are the type's height, so that four fill the table exactly.
    stage->window->updateNow();
    const auto first = table->cellForRowAtIndexPath({0, 0});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->frame().height(), kMemberRowHeight);
    EXPECT_EQ(stage->rowTexts().size(), 4);

    stage->show(u"@bo"_s);
    EXPECT_EQ(stage->picker->tableHeight(), 3 * kMemberRowHeight);
    stage->show(u"@zz"_s);
    EXPECT_FALSE(stage->picker->tableView());
    EXPECT_EQ(stage->picker->tableHeight(), 0);
    EXPECT_EQ(stage->picker->text(), QString());
}

TEST(ZVAutoCompletePicker, ACommandRowShowsItsHintAndAChoiceReplacesTheTypedLetters) {
    const auto stage = makeStage();
    stage->show(u"/ta"_s);
    ASSERT_TRUE(stage->picker->tableView());
    stage->window->updateNow();
    const auto row = std::dynamic_pointer_cast<ZVAutoCompletePickerCell>(
        stage->picker->tableView()->cellForRowAtIndexPath({0, 0}));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->textLabel()->text(), u"/task"_s);
    EXPECT_EQ(row->detailTextLabel()->text(), u"message"_s);
    EXPECT_LE(row->textLabel()->frame().right(), row->detailTextLabel()->frame().left());

    stage->tapRow(0);
    EXPECT_EQ(stage->textView->text(), u"/task "_s);
    EXPECT_EQ(stage->textView->selectedRange(), (platform::TextRange{6, 0}));
    EXPECT_FALSE(stage->picker->tableView());
}

TEST(ZVAutoCompletePicker, TypingAMentionAndTappingAMemberCompletesIt) {
    const auto stage = makeStage();
    stage->textView->becomeFirstResponder();
    for (const QString& key : {u"H"_s, u"i"_s, u" "_s, u"@"_s, u"b"_s, u"o"_s, u"r"_s}) {
        stage->window->sendKey({0, {}, key});
    }
    EXPECT_EQ(stage->asked, (QStringList{u"@"_s, u"@b"_s, u"@bo"_s, u"@bor"_s}));
    EXPECT_EQ(stage->rowTexts(), QStringList{u"boris "_s});
    stage->tapRow(0);
    EXPECT_EQ(stage->textView->text(), u"Hi @boris "_s);
    EXPECT_FALSE(stage->picker->tableView());
    stage->window->sendKey({0, {}, u"x"_s});
    EXPECT_EQ(stage->textView->text(), u"Hi @boris x"_s);
}

}  // namespace
