#include "platform/ui/controls/TextField.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "tests/toolkit/screens/ScreenStage.h"
#include "toolkit/dialogs/ZVCellGroup.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVDialogCellsDelegate.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVLabelCell.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"
#include "toolkit/dialogs/ZVSubPageOptionCellGroup.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

#include <gtest/gtest.h>

#include <QtCore/QStringList>

namespace {

// A group of a fixed number of rows.
class Rows : public ZVCellGroup {
public:
    explicit Rows(int rows) : rows_(rows) {}
    int count() const override { return rows_; }
    std::shared_ptr<ZVDialogCell> cellAtIndex(ZVTableView&, int) override {
        return std::make_shared<ZVDialogCell>();
    }

private:
    int rows_;
};

class Listener : public ZVDialogCellsDelegate {
public:
    QStringList heard;
    std::function<QString(ZVDialogCell&)> name;

    void textCellDidBeginEditing(ZVDialogCell& cell) override { heard << "begin " + name(cell); }
    void textCellDidEndEditing(ZVDialogCell& cell) override { heard << "end " + name(cell); }
    void textCellDidChange(ZVDialogCell& cell) override { heard << "change " + name(cell); }
    void textCellWillReturn(ZVDialogCell& cell) override { heard << "return " + name(cell); }
    void cellTapped(ZVDialogCell& cell) override { heard << "tap " + name(cell); }
};

TEST(ZVDialogCells, RowsAreNumberedAcrossEntriesSkippingHiddenRows) {
    auto header = std::make_shared<ZVHeaderCell>();
    auto hidden = std::make_shared<ZVDialogCell>();
    hidden->setHidden(true);
    auto group = std::make_shared<Rows>(3);
    auto last = std::make_shared<ZVDialogCell>();
    last->setHeight(60);
    ZVDialogCells form;
    form.addCells({header, hidden, group, last});
    EXPECT_EQ(form.numberOfRows(), 5);

    struct Case {
        int row;
        ZVDialogEntry entry;
        int adjusted;
        bool first;
        bool last;
        qreal height;
    };
    const Case cases[] = {
        {0, header, 0, true, false, 30 + 10},
        {1, group, 0, false, false, 40 + 10},
        {3, group, 2, false, false, 40 + 10},
        {4, last, 0, false, true, 60 + 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const auto source = form.cellSourceForRow(c.row);
        ASSERT_TRUE(source.has_value());
        EXPECT_TRUE(source->entry == c.entry);
        EXPECT_EQ(source->adjustedRow, c.adjusted);
        EXPECT_EQ(source->isFirst, c.first);
        EXPECT_EQ(source->isLast, c.last);
        EXPECT_EQ(form.heightForRow(c.row), c.height);
    }
    EXPECT_FALSE(form.cellSourceForRow(5).has_value());
    // The group's rows draw its outer lines only at its ends.
    EXPECT_TRUE(form.cellForRow(1)->beginsGroup());
    EXPECT_FALSE(form.cellForRow(2)->beginsGroup());
    EXPECT_FALSE(form.cellForRow(2)->endsGroup());
    EXPECT_TRUE(form.cellForRow(3)->endsGroup());
    EXPECT_EQ(form.cellForRow(0), header);

    // A group of no rows visited first leaves the next cell not first.
    ZVDialogCells empty;
    empty.addCells({std::make_shared<Rows>(0), last});
    const auto only = empty.cellSourceForRow(0);
    ASSERT_TRUE(only.has_value());
    EXPECT_TRUE(only->entry == ZVDialogEntry(last));
    EXPECT_FALSE(only->isFirst);
    EXPECT_TRUE(only->isLast);

    form.removeCellAtIndex(2);
    EXPECT_EQ(form.numberOfRows(), 2);
    form.resetCells();
    EXPECT_EQ(form.count(), 0);
    EXPECT_EQ(form.numberOfRows(), 0);
}

TEST(ZVDialogCells, ATextFieldHoldsFiftyUnitsButAPasswordIsNeverCut) {
    struct Case {
        const char* name;
        QString text;
        platform::TextRange range;
        QString replacement;
        bool secure;
        bool allowed;
    };
    const QString fifty(50, u'x');
    const QString fortyNine(49, u'x');
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const Case cases[] = {
        {"the 51st character", fifty, {50, 0}, "y", false, false},
        {"the 50th character", fortyNine, {49, 0}, "y", false, true},
        {"a paste past 50 is refused whole", QString(45, u'x'), {45, 0}, "123456", false, false},
        {"a replaced selection", fifty, {10, 5}, "12345", false, true},
        {"an emoji at 49 needs two units", fortyNine, {49, 0}, smile, false, false},
        {"an emoji at 48", QString(48, u'x'), {48, 0}, smile, false, true},
        {"a range past the text", "abc", {2, 5}, "", false, false},
        {"a password of 60", QString(59, u'x'), {59, 0}, "y", true, true},
        {"a password filled in whole", "", {0, 0}, QString(80, u'p'), true, true},
    };
    ZVDialogCells form;
    auto cell = std::make_shared<ZVTextFieldCell>();
    form.addCell(cell);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cell->textField()->setSecureTextEntry(c.secure);
        cell->textField()->setText(c.text);
        EXPECT_EQ(cell->textField()->delegate()->textFieldShouldChangeCharacters(
                      *cell->textField(), c.range, c.replacement),
                  c.allowed);
    }
}

struct FormStage : ScreenStage {
    std::shared_ptr<platform::FakeKeyboard> keyboard = std::make_shared<platform::FakeKeyboard>();
    std::shared_ptr<platform::MemoryPasteboard> pasteboard =
        std::make_shared<platform::MemoryPasteboard>();
    std::shared_ptr<ZVDialogCells> form = platform::ViewController::make<ZVDialogCells>();
    std::shared_ptr<Listener> listener = std::make_shared<Listener>();

    FormStage() {
        platform::Keyboard::setShared(keyboard);
        platform::Pasteboard::setGeneral(pasteboard);
        form->setDelegate(listener);
        listener->name = [this](ZVDialogCell& cell) {
            for (int i = 0; i < form->count(); ++i) {
                if (const auto* entry = std::get_if<std::shared_ptr<ZVDialogCell>>(&(*form)[i]);
                    entry && entry->get() == &cell) {
                    return QString::number(i);
                }
            }
            return QStringLiteral("?");
        };
    }
    void present() {
        show(form);
        form->tableView()->reloadData();
        window().updateNow();
    }
    void key(int qtKey, const QString& text = {}, Qt::KeyboardModifiers modifiers = {}) {
        window().sendKey({qtKey, modifiers, text});
    }
    QPointF middleOfRow(int row) {
        auto& table = *form->tableView();
        return table.convertPointTo(table.rectForRowAtIndexPath({0, row}).center(), nullptr);
    }
    void tap(QPointF at) {
        down(at);
        up(at);
        settle();
    }
};

std::shared_ptr<ZVTextFieldCell> field(platform::ReturnKeyType returnKey) {
    auto cell = std::make_shared<ZVTextFieldCell>();
    cell->textField()->setReturnKeyType(returnKey);
    return cell;
}

TEST(ZVDialogCells, NextMovesToTheFollowingTextRowAndDoneTellsTheDelegate) {
    FormStage stage;
    const auto name = field(platform::ReturnKeyType::Next);
    auto about = std::make_shared<ZVTextViewCell>();
    const auto email = field(platform::ReturnKeyType::Next);
    const auto code = field(platform::ReturnKeyType::Done);
    stage.form->addCells({name, std::make_shared<ZVLabelCell>(), about, email, code});
    stage.present();

    name->textField()->becomeFirstResponder();
    EXPECT_TRUE(stage.form->isEditing());
    stage.key(Qt::Key_A, "a");
    stage.key(Qt::Key_Return, "\r");
    EXPECT_TRUE(about->textView()->isFirstResponder());

    email->textField()->becomeFirstResponder();
    stage.key(Qt::Key_Return, "\r");
    // The last text row but one: Next goes to the Done field.
    EXPECT_TRUE(code->textField()->isFirstResponder());
    stage.key(Qt::Key_Return, "\r");
    EXPECT_TRUE(code->textField()->isFirstResponder());
    EXPECT_EQ(stage.listener->heard, (QStringList{"change 0", "begin 2", "end 2", "return 4"}));

    // Next in the last text row stays there.
    code->textField()->setReturnKeyType(platform::ReturnKeyType::Next);
    stage.key(Qt::Key_Return, "\r");
    EXPECT_TRUE(code->textField()->isFirstResponder());
}

TEST(ZVDialogCells, ReturnInADoneTextViewCommitsTheEditAMomentLater) {
    FormStage stage;
    auto about = std::make_shared<ZVTextViewCell>();
    stage.form->addCell(about);
    stage.present();
    about->textView()->becomeFirstResponder();
    stage.key(Qt::Key_H, "h");
    stage.key(Qt::Key_Return, "\r");
    EXPECT_EQ(about->textView()->text(), "h");
    EXPECT_TRUE(stage.form->isEditing());
    ScreenStage::wait(ZVDialogCells::kCommitDelay);
    EXPECT_FALSE(stage.form->isEditing());
    EXPECT_FALSE(about->textView()->isFirstResponder());

    // Another return key types its line break.
    about->textView()->setReturnKeyType(platform::ReturnKeyType::Default);
    about->textView()->becomeFirstResponder();
    stage.key(Qt::Key_Return, "\r");
    EXPECT_EQ(about->textView()->text(), "h\n");
}

TEST(ZVDialogCells, ATextViewRowGrowsInTheTableAsItsTextGrows) {
    FormStage stage;
    auto about = std::make_shared<ZVTextViewCell>();
    stage.form->addCells({about, std::make_shared<ZVLabelCell>()});
    stage.present();
    auto& table = *stage.form->tableView();
    EXPECT_EQ(table.rectForRowAtIndexPath({0, 0}).height(), 40 + 10);
    about->textView()->becomeFirstResponder();
    for (int line = 0; line < 4; ++line) {
        stage.key(Qt::Key_X, "x");
        stage.key(Qt::Key_Return, "\r", Qt::ShiftModifier);
    }
    about->textView()->setReturnKeyType(platform::ReturnKeyType::Default);
    for (int line = 0; line < 3; ++line) {
        stage.key(Qt::Key_Return, "\r");
        stage.key(Qt::Key_X, "x");
    }
    EXPECT_GT(about->height(), 40);
    // The table took each new height at once: the next row starts right below.
    EXPECT_EQ(table.rectForRowAtIndexPath({0, 0}).height(), about->height() + 10);
    EXPECT_EQ(table.rectForRowAtIndexPath({0, 1}).top(), about->height() + 10);
}

TEST(ZVDialogCells, TheFocusedFieldIsBroughtWhollyAboveTheKeyboard) {
    FormStage stage;
    std::vector<std::shared_ptr<ZVTextFieldCell>> fields;
    for (int i = 0; i < 12; ++i) {
        fields.push_back(field(platform::ReturnKeyType::Next));
        stage.form->addCell(fields.back());
    }
    stage.present();
    auto& table = *stage.form->tableView();
    const qreal visible = table.frame().height();
    const qreal keyboard = platform::FakeKeyboard::kDefaultHeight;

    // A field already above the keyboard: nothing moves.
    fields[1]->textField()->becomeFirstResponder();
    ScreenStage::wait(1);
    EXPECT_EQ(table.contentOffset().y(), 0);
    EXPECT_EQ(table.contentInset(), (platform::EdgeInsets{0, 0, keyboard, 0}));

    fields[1]->textField()->resignFirstResponder();
    ScreenStage::wait(1);
    EXPECT_EQ(table.contentInset(), platform::EdgeInsets());
    fields[8]->textField()->becomeFirstResponder();
    ScreenStage::wait(1);
    const QRectF field =
        fields[8]->textField()->convertRectTo(fields[8]->textField()->bounds(), &table);
    EXPECT_EQ(table.contentOffset().y(), field.bottom() - (visible - keyboard));
    EXPECT_GE(table.contentOffset().y() + visible - keyboard, field.bottom());
}

TEST(ZVDialogCells, ARowTapEndsEditingWhenAskedAndReachesTheDelegate) {
    FormStage stage;
    const auto name = field(platform::ReturnKeyType::Done);
    auto option = std::make_shared<ZVOptionCell>();
    option->setTitle("Notify me");
    stage.form->addCells({name, option});
    stage.form->setCancelEditWhenTapped(true);
    stage.present();
    name->textField()->becomeFirstResponder();
    stage.tap(stage.middleOfRow(1));
    EXPECT_FALSE(name->textField()->isFirstResponder());
    EXPECT_TRUE(option->checked());
    EXPECT_EQ(stage.listener->heard, QStringList{"tap 1"});
}

TEST(ZVDialogCells, TheRowsLinesShowAcrossTheirLabels) {
    FormStage stage;
    auto option = std::make_shared<ZVOptionCell>();
    option->setTitle("Sounds");
    option->setBeginsGroup(true);
    stage.form->addCells(
        {std::make_shared<ZVTextFieldCell>(), option, std::make_shared<ZVLabelCell>()});
    stage.present();
    const QImage shot = stage.window().render();
    const qreal scale = shot.devicePixelRatio();
    auto& table = *stage.form->tableView();
    // Under the text field row, above and under the option row, at the middle of the width
    // where the rows' white labels lie.
    const qreal x = 187;
    for (const qreal y : {table.rectForRowAtIndexPath({0, 0}).bottom() - 0.5,
                          table.rectForRowAtIndexPath({0, 1}).top() + 0.5,
                          table.rectForRowAtIndexPath({0, 1}).bottom() - 0.5}) {
        const QPointF at = table.convertPointTo({x, y}, nullptr) * scale;
        EXPECT_NE(shot.pixelColor(at.toPoint()), QColor(Qt::white)) << y;
    }
}

TEST(ZVSubPageOptionCellGroup, AChoiceOnTheSubPageShowsInTheRowAtOnce) {
    FormStage stage;
    auto row = std::make_shared<ZVSubPageOptionCellGroup>();
    row->setLabelText("Notifications");
    row->setLongTitle("Send me notifications");
    row->addOptionShortTitle("All", "For every message");
    row->addOptionShortTitle("Mentions", "When I am mentioned");
    row->addOptionShortTitle("None", "Never");
    row->setCheckedIndex(1);
    EXPECT_EQ(row->detailText(), "Mentions");
    stage.form->addCell(row);
    stage.present();

    stage.tap(stage.middleOfRow(0));
    ASSERT_EQ(stage.depth(), 3u);
    const auto* page = dynamic_cast<ZVDialogCells*>(stage.left().topViewController());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->title(), "Notifications");
    EXPECT_EQ(page->numberOfRows(), 4);
    ASSERT_NE(row->ocg(), nullptr);
    EXPECT_EQ(row->ocg()->checkedIndex(), 1);
    EXPECT_EQ(row->ocg()->optionAtIndex(2), "Never");

    row->ocg()->cells()[2]->cellTapped();
    EXPECT_EQ(row->checkedIndex(), 2);
    EXPECT_EQ(row->detailText(), "None");

    // An index outside the titles: no detail, and none checked on the page.
    row->setCheckedIndex(7);
    EXPECT_EQ(row->detailText(), "");
    EXPECT_EQ(row->ocg()->checkedIndex(), -1);
}

TEST(ZVSubPageOptionCellGroup, ARowNotOnTheTopScreenOpensNothing) {
    FormStage stage;
    auto row = std::make_shared<ZVSubPageOptionCellGroup>();
    row->addOptionShortTitle("A", "Option A");
    row->setSelected(true, false);
    EXPECT_EQ(row->ocg(), nullptr);
    EXPECT_EQ(stage.depth(), 1u);
}

}  // namespace
