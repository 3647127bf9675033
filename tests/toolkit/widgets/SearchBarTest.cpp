#include "platform/foundation/Scheduler.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/view/EditAction.h"
#include "tests/platform/ui/controls/TextInputFixture.h"
#include "toolkit/widgets/ZVSearchBar.h"
#include "toolkit/widgets/ZVSearchHintView.h"

#include <gtest/gtest.h>

using platform::Scheduler;

namespace {

struct SearchRecorder : ZVSearchBarDelegate {
    QStringList calls;
    std::vector<const platform::View*> bars;
    void note(platform::View& bar, const QString& call) {
        bars.push_back(&bar);
        calls << call;
    }
    void searchBarTextDidBeginEditing(platform::View& bar) override { note(bar, "begin"); }
    void searchBarTextDidEndEditing(platform::View& bar) override { note(bar, "end"); }
    void searchBarTextDidChange(platform::View& bar, const QString& text) override {
        note(bar, "text " + text);
    }
    void searchBarSearchButtonClicked(platform::View& bar) override { note(bar, "search"); }
    void searchBarCancelButtonClicked(platform::View& bar) override { note(bar, "cancel"); }
};

class SearchBar : public TextInputTest {
protected:
    SearchBar() {
        root->addSubview(bar);
        bar->sizeToFit();
        bar->setDelegate(delegate);
        bar->layoutIfNeeded();
    }
    void tap(const platform::View& view) {
        const QPointF at = view.convertPointTo(view.bounds().center(), nullptr);
        window->sendTouch(1, platform::TouchPhase::Began, at);
        window->sendTouch(1, platform::TouchPhase::Ended, at);
    }

    std::shared_ptr<ZVSearchBar> bar = std::make_shared<ZVSearchBar>();
    std::shared_ptr<SearchRecorder> delegate = std::make_shared<SearchRecorder>();
};

}  // namespace

TEST_F(SearchBar, EditsReachTheDelegateWithTheStandInBar) {
    EXPECT_EQ(bar->frame(), QRectF(0, 0, 320, 50));
    EXPECT_TRUE(bar->clearButton()->isHidden()) << "hidden while empty";
    ASSERT_TRUE(bar->becomeFirstResponder());
    EXPECT_TRUE(bar->isFirstResponder());
    type(QStringLiteral("ab"));
    EXPECT_FALSE(bar->clearButton()->isHidden());

    key(Qt::Key_Return);
    EXPECT_EQ(bar->text(), QStringLiteral("ab")) << "the return key adds nothing";

    pasteboard->setString(QStringLiteral("cd"));
    bar->textField()->performAction(platform::EditAction::Paste);
    EXPECT_EQ(bar->text(), QStringLiteral("abcd"));

    // The field's delegate refuses exactly a line break, and searches instead.
    auto& field = *bar->textField();
    const struct {
        const char* replacement;
        bool allowed;
    } changes[] = {{"\n", false}, {"\n\n", true}, {"x\n", true}, {"", true}};
    for (const auto& c : changes) {
        EXPECT_EQ(field.delegate()->textFieldShouldChangeCharacters(
                      field, {0, 0}, QString::fromLatin1(c.replacement)),
                  c.allowed)
            << c.replacement;
    }

    tap(*bar->clearButton());
    EXPECT_EQ(bar->text(), QString());
    EXPECT_TRUE(bar->clearButton()->isHidden());
    bar->resignFirstResponder();
    EXPECT_FALSE(bar->isFirstResponder());

    EXPECT_EQ(delegate->calls, (QStringList{"begin", "text a", "text ab", "search", "text abcd",
                                            "search", "text ", "end"}));
    for (const platform::View* shown : delegate->bars) {
        EXPECT_EQ(shown, &bar->dummySearchBar());
    }
    EXPECT_EQ(bar->dummySearchBar().superview(), nullptr) << "never shown";
}

TEST_F(SearchBar, LayoutInBothStylesWithAndWithoutIcons) {
    bar->setText(QStringLiteral("team"));
    bar->layoutIfNeeded();
    EXPECT_EQ(bar->background()->frame(), QRectF(13, 10, 294, 30));
    const qreal clearSlice = bar->clearButton()->bounds().width() + 10;
    EXPECT_EQ(bar->clearButton()->center().x(), 307 - clearSlice / 2);
    const qreal icon = bar->image()->bounds().width();
    EXPECT_EQ(bar->image()->center().x(), 23 + icon / 2);
    EXPECT_EQ(bar->textField()->frame(), QRectF(28 + icon, 10, 307 - clearSlice - (28 + icon), 30));

    bar->setShowIcons(false);
    EXPECT_FALSE(bar->showIcons());
    bar->layoutIfNeeded();
    EXPECT_TRUE(bar->clearButton()->isHidden());
    EXPECT_EQ(bar->textField()->frame(), QRectF(23, 10, 274, 30));

    bar->setHeaderStyle(true);
    bar->sizeToFit();
    bar->layoutIfNeeded();
    EXPECT_EQ(bar->frame().size(), QSizeF(320, 40));
    EXPECT_EQ(bar->background()->frame(), QRectF(1, 5, 318, 30));
    EXPECT_EQ(bar->cancelButton()->currentTitleColor(), QColor(Qt::white));
}

TEST_F(SearchBar, TheCloseButtonSlidesInAndOut) {
    const QRectF field = bar->background()->frame();
    const qreal closeWidth = bar->cancelButton()->bounds().width();
    EXPECT_TRUE(bar->cancelButton()->isHidden());
    EXPECT_EQ(bar->cancelButton()->center().x(), field.right() + 5 + closeWidth / 2);

    bar->setShowClose(true);
    EXPECT_FALSE(bar->cancelButton()->isHidden());
    const qreal shrunk = 307 - closeWidth - 10 - 5;
    EXPECT_EQ(bar->background()->frame().right(), shrunk);
    Scheduler::main().advance(0.15);
    const qreal moving = bar->background()->layer().presentationBounds().width();
    EXPECT_GT(moving, shrunk - 13);
    EXPECT_LT(moving, field.width());
    Scheduler::main().advance(0.2);
    EXPECT_EQ(bar->cancelButton()->center().x(), 307 - (closeWidth + 10) / 2);

    tap(*bar->cancelButton());
    EXPECT_EQ(delegate->calls, QStringList{"cancel"});

    bar->setShowClose(false);
    EXPECT_FALSE(bar->cancelButton()->isHidden()) << "visible while it slides out";
    Scheduler::main().advance(0.35);
    EXPECT_TRUE(bar->cancelButton()->isHidden());
    EXPECT_EQ(bar->background()->frame(), field);
}

TEST(SearchHintView, StatesTextsSpinnerAndHeight) {
    ZVSearchHintView hint;
    hint.setFrame(QRectF(0, 0, 320, 30));
    hint.setSearchText(QStringLiteral("budget"));
    const struct {
        int state;
        const char* text;
        bool spinner;
        qreal height;
    } states[] = {
        {1, "No results for \"budget\"", false, 30},
        {2, "Searching", true, 30},
        {3, "There are more results in older conversations", false, 40},
        {0, "", false, 30},
        {7, "", false, 30},
    };
    for (const auto& s : states) {
        hint.setState(s.state);
        EXPECT_EQ(hint.label()->text(), QString::fromUtf8(s.text)) << s.state;
        EXPECT_EQ(hint.activityIndicator() != nullptr, s.spinner) << s.state;
        EXPECT_EQ(hint.height(), s.height) << s.state;
    }

    hint.setState(2);
    hint.layoutIfNeeded();
    const auto spinner = hint.activityIndicator();
    ASSERT_TRUE(spinner);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_LT(spinner->frame().right(), hint.label()->frame().left()) << "left of the text";
    hint.setState(2);
    EXPECT_EQ(hint.activityIndicator(), spinner) << "the same state changes nothing";
    hint.setSearchText(QStringLiteral("plan"));
    hint.setState(1);
    EXPECT_EQ(hint.label()->text(), QStringLiteral("No results for \"plan\""));
    EXPECT_EQ(spinner->superview(), nullptr);
}
