#include "tests/MessageFlow/views/MessageViewsTestSupport.h"

#include "MessageFlow/views/ZVBaseMessageView.h"
#include "MessageFlow/views/ZVEmailMessageView.h"
#include "files/views/ZVFileView.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

namespace viewstest {
namespace {

using ViewClass = ZVFileView::ViewClass;

class MessageView : public MessageViewsTest {
protected:
    static ZVBaseMessageView& base(const LaidOut& laid) {
        return dynamic_cast<ZVBaseMessageView&>(*laid.view);
    }
    static std::vector<const ZVFileView*> shownFiles(const LaidOut& laid) {
        std::vector<const ZVFileView*> shown;
        for (const auto& view : base(laid).fileViews()) {
            if (!view->isHidden()) {
                shown.push_back(view.get());
            }
        }
        return shown;
    }
    FakeCells cells;
};

// A collapsed pin with five files lists three tiny rows, the third marked as cut, and is measured
// for three; expanded it shows all five in their full form.
TEST_F(MessageView, ACollapsedMessageListsThreeTinyRowsTheLastMarkedCut) {
    const auto pin =
        messageWithFiles(10, u"text"_s, u"Plans"_s, 5, true, {{u"tags"_s, QJsonArray{u"pin"_s}}});
    const auto model = ZVRichMessageRepresentation::of(pin);
    model->setExpanded(false);
    const LaidOut collapsed = layOut(ZVMessageViewClass::Pinned, pin, 375, cells);
    ASSERT_EQ(collapsed.view->expandState(), ZVMessageView::kCollapsed);
    const auto tiny = shownFiles(collapsed);
    ASSERT_EQ(tiny.size(), 3u);
    // The link card is not among the views of a collapsed message.
    EXPECT_EQ(base(collapsed).fileViews().size(), 5u);
    for (std::size_t i = 0; i < tiny.size(); ++i) {
        EXPECT_EQ(tiny[i]->frame().height(), ZVFileView::heightForFile(nullptr, 4));
        EXPECT_EQ(tiny[i]->truncated(), i == 2) << i;
        if (i > 0) {
            // Tiny rows stand without gaps, in file order from the top.
            EXPECT_EQ(tiny[i]->frame().top(), tiny[i - 1]->frame().bottom());
        }
    }
    EXPECT_EQ(
        ZVBaseMessageView::filesHeight(*model, ZVFileView::kTinyRows, ZVMessageView::kCollapsed),
        3 * ZVFileView::heightForFile(nullptr, 4) + ZVBaseMessageView::kTextFilesGap);

    model->setExpanded(true);
    const LaidOut expanded = layOut(ZVMessageViewClass::Pinned, pin, 375, cells);
    const auto all = shownFiles(expanded);
    ASSERT_EQ(all.size(), 6u);
    EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](auto* v) { return v->truncated(); }));
    EXPECT_TRUE(all.back()->file()->isUrlPreview());
    EXPECT_GT(expanded.height, collapsed.height);
}

// A collapsed message whose text is cut shows no files at all; an unread one always shows them.
TEST_F(MessageView, ACutCollapsedTextShowsNoFilesButAnUnreadOneDoes) {
    const QString longText = u"Many words in a long line of text. "_s.repeated(80);
    const auto cut = messageWithFiles(20, u"text"_s, longText, 3, false);
    const auto model = ZVRichMessageRepresentation::of(cut);
    const LaidOut laid = layOut(ZVMessageViewClass::Text, cut, 375, cells);
    ASSERT_TRUE(model->textIsTruncated());
    ASSERT_EQ(laid.view->expandState(), ZVMessageView::kCollapsed);
    EXPECT_TRUE(base(laid).fileViews().empty());
    EXPECT_EQ(ZVBaseMessageView::fileViewKindForMessage(*cut, *model, true), ZVFileView::kNoFiles);
    // The button shows "SHOW MORE" in the strip the height counted.
    const auto& button = laid.view->expandButton();
    ASSERT_TRUE(button);
    EXPECT_FALSE(button->isHidden());
    EXPECT_EQ(button->titleForState(platform::Button::Normal), u"SHOW MORE"_s);
    EXPECT_GE(button->frame().top(), base(laid).text()->frame().bottom() - 3);

    applyConversation({{u"last_message_nr"_s, 100}, {u"read_message_nr"_s, 10}});
    const auto unread = messageWithFiles(30, u"text"_s, longText, 3, false);
    const auto unreadModel = ZVRichMessageRepresentation::of(unread);
    ASSERT_TRUE(unread->isUnconsumed());
    const LaidOut shown = layOut(ZVMessageViewClass::Text, unread, 375, cells);
    EXPECT_EQ(shownFiles(shown).size(), 3u);
    cells.previews = false;
    EXPECT_EQ(ZVBaseMessageView::fileViewKindForMessage(*unread, *unreadModel, false),
              ZVFileView::kMessageWithoutPreviews);
}

// Files without text: the text is hidden and the row is the files alone, with no gap above them.
TEST_F(MessageView, FilesWithoutTextHaveNoGapAbove) {
    const auto files = messageWithFiles(40, u"text"_s, QString(), 2, false);
    const LaidOut laid = layOut(ZVMessageViewClass::Text, files, 375, cells);
    EXPECT_TRUE(base(laid).text()->isHidden());
    const auto shown = shownFiles(laid);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.front()->frame().top(), 0);
    EXPECT_EQ(shown.back()->frame().bottom(), laid.height);
}

// A "toggle-quote:" link with a number from 0 to 31 flips that quote and asks for a new height
// without animation; anything else after the prefix flips nothing; neither is opened. Other links
// open.
TEST_F(MessageView, QuoteLinksToggleTheirQuoteAndAreNeverOpened) {
    const auto quoted = messageWithFiles(50, u"text"_s, u"See below"_s, 0, false);
    const auto model = ZVRichMessageRepresentation::of(quoted);
    const LaidOut laid = layOut(ZVMessageViewClass::Text, quoted, 375, cells);
    auto& view = base(laid);
    struct Case {
        QString url;
        bool opens;
        std::uint32_t flipped;
    };
    const std::vector<Case> cases{
        {u"toggle-quote:3"_s, false, 1u << 3},
        {u"toggle-quote:31"_s, false, 1u << 31},
        {u"toggle-quote:0"_s, false, 1u},
        {u"toggle-quote:32"_s, false, 0},
        {u"toggle-quote:x"_s, false, 0},
        {u"toggle-quote:"_s, false, 0},
        {u"toggle-quote:-1"_s, false, 0},
        {u"toggle-quote:+3"_s, false, 0},
        {u"toggle-quote: 3"_s, false, 0},
        {u"toggle-quote:4294967299"_s, false, 0},
        {u"https://example.org/toggle-quote:3"_s, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const std::uint32_t before = model->hiddenQuotes();
        const int notices = laid.cell->heightNotices;
        EXPECT_EQ(view.shouldOpenURL(c.url), c.opens);
        EXPECT_EQ(model->hiddenQuotes() ^ before, c.flipped);
        EXPECT_EQ(laid.cell->heightNotices - notices, c.flipped ? 1 : 0);
        EXPECT_FALSE(laid.cell->lastAnimated);
    }
}

// Ticking a task's box marks it done; ticking a done task opens it again.
TEST_F(MessageView, TheCheckboxFlipsTheTaskBothWays) {
    const auto task = messageWithFiles(60, u"text"_s, u"Ship it"_s, 0, false,
                                       {{u"tags"_s, QJsonArray{u"is_todo"_s}}});
    const LaidOut laid = layOut(ZVMessageViewClass::Task, task, 375, cells);
    auto& view = base(laid);
    view.checkboxToggled(true);
    EXPECT_TRUE(task->isCompletedTask());
    EXPECT_FALSE(task->hasTag(Message::TagTodo));
    view.checkboxToggled(false);
    EXPECT_FALSE(task->isCompletedTask());
    EXPECT_TRUE(task->hasTag(Message::TagTodo));
    // The view shows the task as it now is.
    EXPECT_EQ(view.message(), task);
}

// The subject line shows exactly when the table says so, and the height counts it.
TEST_F(MessageView, TheSubjectLineFollowsTheTable) {
    const auto mail = messageWithFiles(70, u"email"_s, u"Numbers attached"_s, 0, false,
                                       {{u"subject"_s, u"Quarterly report"_s}});
    cells.subject = true;
    const LaidOut with = layOut(ZVMessageViewClass::Email, mail, 375, cells);
    auto& view = dynamic_cast<ZVEmailMessageView&>(*with.view);
    ASSERT_TRUE(view.subjectLabel());
    EXPECT_FALSE(view.subjectLabel()->isHidden());
    EXPECT_EQ(view.subjectText()->text(), u"Quarterly report"_s);
    EXPECT_EQ(view.subjectLabel()->text(), u"Subject: "_s);
    EXPECT_LE(view.subjectText()->frame().bottom(), view.text()->frame().top());

    cells.subject = false;
    const LaidOut without = layOut(ZVMessageViewClass::Email, mail, 375, cells);
    EXPECT_EQ(with.height - without.height,
              ZVTextStyles::lineHeightForStyle(ZVEmailMessageView::kSubjectStyle) +
                  ZVEmailMessageView::kSubjectGap);
    // A reused view hides the line for a message that has none shown.
    view.setMessage(mail);
    EXPECT_TRUE(view.subjectLabel()->isHidden());
}

// The bare view draws nothing and measures nothing.
TEST_F(MessageView, TheBareViewMeasuresNothing) {
    const auto hidden = messageWithFiles(80, u"text"_s, u"Hidden"_s, 2, true);
    EXPECT_EQ(ZVMessageViewHeight(ZVMessageViewClass::Plain, hidden, 375, cells), 0);
}

}  // namespace
}  // namespace viewstest
