#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/standins/input/FakeKeyboard.h"
#include "platform/ui/view/Window.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVOptionCell.h"
#include "toolkit/dialogs/ZVOptionCellGroup.h"
#include "toolkit/dialogs/ZVRichTextCell.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/richtext/ZVRichTextLayout.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/tables/ZVTextView.h"

#include <gtest/gtest.h>

#include <QtCore/QStringList>

namespace {

// Writes down each announced change of `key` as its value after the change.
template <class T, class Value>
struct Recorder {
    std::vector<Value> values;
    platform::Observation observation;
    Recorder(const T& object, const QString& key, std::function<Value()> read)
        : observation(
              object.observe(key, [this, read](const QString&) { values.push_back(read()); })) {}
};

TEST(ZVOptionCell, TapsToggleASwitchKeepARadioCheckedAndDoNothingWhileDisabled) {
    struct Case {
        const char* name;
        bool radio;
        bool enabled;
        std::vector<bool> afterTaps;  // checked after each of three taps
    };
    const Case cases[] = {
        {"switch", false, true, {true, false, true}},
        {"radio", true, true, {true, true, true}},
        {"disabled switch", false, false, {false, false, false}},
        {"disabled radio", true, false, {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto cell = std::make_shared<ZVOptionCell>();
        cell->setIsRadioOption(c.radio);
        cell->setEnabled(c.enabled);
        Recorder<ZVOptionCell, bool> heard(*cell, ZVOptionCell::kCheckedKey,
                                           [&] { return cell->checked(); });
        std::vector<bool> after;
        for (int i = 0; i < 3; ++i) {
            cell->cellTapped();
            after.push_back(cell->checked());
        }
        EXPECT_EQ(after, c.afterTaps);
        EXPECT_EQ(heard.values, c.enabled ? c.afterTaps : std::vector<bool>{});
        if (!c.radio) {
            EXPECT_EQ(cell->switchControl()->isOn(), cell->checked());
        }
    }
}

TEST(ZVOptionCell, TheSwitchItselfAnnouncesItsNewState) {
    auto cell = std::make_shared<ZVOptionCell>();
    Recorder<ZVOptionCell, bool> heard(*cell, ZVOptionCell::kCheckedKey,
                                       [&] { return cell->checked(); });
    cell->switchControl()->setOn(true);
    cell->switchControl()->sendActionsForEvents(platform::Control::ValueChanged);
    EXPECT_TRUE(cell->checked());
    EXPECT_EQ(heard.values, std::vector<bool>{true});
}

TEST(ZVOptionCell, ADisabledRadioMarkIsDimmedAndFollowsTheCheck) {
    auto cell = std::make_shared<ZVOptionCell>();
    cell->setIsRadioOption(true);
    EXPECT_EQ(cell->switchControl(), nullptr);
    EXPECT_EQ(cell->checkedImage()->alpha(), 1);
    const QImage unchecked = cell->checkedImage()->image();
    cell->setEnabled(false);
    EXPECT_EQ(cell->checkedImage()->alpha(), ZVOptionCell::kDisabledMarkOpacity);
    cell->setChecked(true);
    EXPECT_NE(cell->checkedImage()->image(), unchecked);
    cell->setEnabled(true);
    EXPECT_EQ(cell->checkedImage()->alpha(), 1);
    EXPECT_NE(cell->checkedImage()->image(), unchecked);
    EXPECT_EQ(std::count(cell->contentView()->subviews().begin(),
                         cell->contentView()->subviews().end(), cell->checkedImage()),
              1);

    // Back to a switch: the mark goes and the switch shows the state.
    cell->setIsRadioOption(false);
    EXPECT_FALSE(cell->isRadioOption());
    EXPECT_TRUE(cell->switchControl()->isOn());
}

TEST(ZVOptionCellGroup, CheckingOneOptionUnchecksTheOthers) {
    ZVOptionCellGroup group({"Never", "Daily", "Weekly"});
    Recorder<ZVOptionCellGroup, int> heard(group, ZVOptionCellGroup::kCheckedIndexKey,
                                           [&] { return group.checkedIndex(); });
    EXPECT_EQ(group.checkedIndex(), -1);
    EXPECT_TRUE(group.cells()[0]->beginsGroup());
    EXPECT_FALSE(group.cells()[1]->beginsGroup());
    EXPECT_TRUE(group.cells()[2]->endsGroup());
    EXPECT_FALSE(group.cells()[1]->endsGroup());
    EXPECT_TRUE(group.cells()[1]->isRadioOption());
    EXPECT_EQ(group.optionAtIndex(1), "Daily");

    group.cells()[0]->cellTapped();
    group.cells()[2]->cellTapped();
    // Tapping the checked option again changes nothing.
    group.cells()[2]->cellTapped();
    EXPECT_EQ(group.checkedIndex(), 2);
    EXPECT_FALSE(group.cells()[0]->checked());
    EXPECT_EQ(heard.values, (std::vector<int>{0, 2}));

    group.setCheckedIndex(1);
    group.setCheckedIndex(5);
    EXPECT_EQ(group.checkedIndex(), -1);
    EXPECT_EQ(heard.values, (std::vector<int>{0, 2, 1, -1}));

    group.setEnabled(false);
    EXPECT_FALSE(group.enabled());
    group.cells()[1]->cellTapped();
    EXPECT_EQ(group.checkedIndex(), -1);
    EXPECT_EQ(ZVOptionCellGroup({}).checkedIndex(), -1);
}

TEST(ZVTextViewCell, GrowsWithItsLinesNeverBelowFortyAnnouncingEachChangeOnce) {
    platform::Keyboard::setShared(std::make_shared<platform::FakeKeyboard>());
    auto window = platform::Window::make();
    auto cell = std::make_shared<ZVTextViewCell>();
    window->setRootView(cell);
    cell->setFrame(QRectF(0, 0, 320, 40));
    cell->layoutIfNeeded();
    EXPECT_EQ(cell->height(), ZVTextViewCell::kMinimumHeight);
    Recorder<ZVDialogCell, qreal> heard(*cell, ZVDialogCell::kHeightKey,
                                        [&] { return cell->height(); });
    const auto& view = cell->textView();
    view->becomeFirstResponder();
    window->sendKey({Qt::Key_A, {}, "a"});
    EXPECT_TRUE(heard.values.empty());
    for (int line = 0; line < 3; ++line) {
        window->sendKey({Qt::Key_Return, {}, "\r"});
        window->sendKey({Qt::Key_B, {}, "b"});
    }
    ASSERT_FALSE(heard.values.empty());
    EXPECT_GT(heard.values.back(), ZVTextViewCell::kMinimumHeight);
    EXPECT_EQ(heard.values.back(), view->contentSize().height());
    for (std::size_t i = 1; i < heard.values.size(); ++i) {
        EXPECT_NE(heard.values[i], heard.values[i - 1]);
    }
    view->setText(QString());
    EXPECT_EQ(cell->height(), ZVTextViewCell::kMinimumHeight);
}

TEST(ZVTextViewCell, ThePlaceholderShowsOnlyWhileTheTextIsEmptyAndThereIsOne) {
    struct Case {
        QString placeholder;
        QString text;
        bool shown;
    };
    const Case cases[] = {
        {"Describe the team", "", true},
        {"Describe the team", "x", false},
        {"", "", false},
    };
    for (const Case& c : cases) {
        auto cell = std::make_shared<ZVTextViewCell>();
        cell->textView()->setText(c.text);
        cell->setPlaceholder(c.placeholder);
        EXPECT_EQ(!cell->placeholderLabel()->isHidden(), c.shown) << c.placeholder.toStdString();
    }
}

TEST(ZVDialogRows, AHeaderTitleFollowsItsIndexImageAndARichTextRowFollowsItsText) {
    auto header = std::make_shared<ZVHeaderCell>();
    header->setIndex(2, "Members");
    header->setFrame(QRectF(0, 0, 320, 30));
    header->layoutIfNeeded();
    EXPECT_EQ(header->textLabel()->attributedText().string(), "MEMBERS");
    const qreal strip = header->indexView()->bounds().width();
    EXPECT_GT(strip, 0);
    EXPECT_EQ(header->textLabel()->frame().left(), 13 + strip + 5);
    EXPECT_EQ(header->indexView()->center().x(), 13 + strip / 2);

    auto row = std::make_shared<ZVRichTextCell>();
    row->setFrame(QRectF(0, 0, 320, 40));
    const platform::AttributedString text(
        "A long explanation of what this setting does, long enough to wrap onto several lines",
        ZVTextStyles::attributesForStyle(13));
    row->setAttributedText(text);
    EXPECT_EQ(row->height(), ZVRichTextLayout::heightForText(text, 310) + 10);
    EXPECT_GT(row->height(), 40);
}

}  // namespace
