#include "tests/MessageFlow/views/MessageViewsTestSupport.h"

#include "MessageFlow/views/ZVEmailMessageView.h"
#include "MessageFlow/views/ZVHtmlMessageView.h"
#include "MessageFlow/views/board/ZVPinnedMessageView.h"
#include "MessageFlow/views/board/ZVSeparatorMessageView.h"
#include "MessageFlow/views/board/ZVTaskMessageView.h"
#include "ZelvoKit/model/ConversationWriters.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/standins/FakeWebPage.h"
#include "platform/ui/standins/WebView.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/avatars/ZVAvatarView.h"

#include <QtCore/QJsonArray>
#include <QtGui/QImage>

#include <gtest/gtest.h>

namespace viewstest {
namespace {

const QColor kRed(255, 59, 48);

class BoardMessageView : public MessageViewsTest {
protected:
    static qint64 seconds(const QDateTime& time) { return time.toSecsSinceEpoch(); }
    FakeCells cells;
};

// What the pin's status line says and in which colour, by the message's state.
TEST_F(BoardMessageView, ThePinStatusLineSaysWhoLastTouchedIt) {
    const qint64 posted = postedLongAgo();
    const qint64 edited = posted + 600;
    const QString postedText =
        ZVLocalization::formatDateAndTime(QDateTime::fromSecsSinceEpoch(posted));
    const QString editedText =
        ZVLocalization::formatDateAndTime(QDateTime::fromSecsSinceEpoch(edited));
    const QColor gray = platform::resolveColor(ZVColors::gray());
    struct Case {
        const char* name;
        QJsonArray tags;
        QJsonObject fields;
        QString lockedBy;
        QString text;
        QColor colour;
    };
    const std::vector<Case> cases{
        {"created", {u"pin"_s}, {}, {}, u"Created by Fox Mulder "_s + postedText, gray},
        {"edited by another",
         {u"pin"_s, u"is_edited_by_others"_s},
         {{u"edit_account_id"_s, displaytest::kOwl}, {u"edited_time"_s, edited}},
         {},
         u"Last edit by Owl Jones "_s + editedText,
         gray},
        {"edited by another, no edit time",
         {u"pin"_s, u"is_edited_by_others"_s},
         {{u"edit_account_id"_s, displaytest::kOwl}},
         {},
         u"Last edit by Owl Jones "_s + postedText,
         gray},
        {"deleted",
         {u"pin"_s, u"is_deleted"_s},
         {{u"edit_account_id"_s, displaytest::kOwl}, {u"edited_time"_s, edited}},
         {},
         u"Deleted by Owl Jones "_s + editedText,
         gray},
        {"locked by another, even deleted",
         {u"pin"_s, u"is_deleted"_s},
         {},
         displaytest::kOwl,
         u"Locked by Owl Jones"_s,
         kRed},
        {"locked by the user", {u"pin"_s}, {}, {}, u"Created by Fox Mulder "_s + postedText, gray},
    };
    std::int64_t nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject fields = c.fields;
        fields.insert(u"tags"_s, c.tags);
        fields.insert(u"posted_time"_s, posted);
        const auto pin = message(++nr, u"text"_s, u"<msg>Plans</msg>"_s, fields);
        const bool selfLock = std::string(c.name) == "locked by the user";
        if (!c.lockedBy.isEmpty() || selfLock) {
            conversation()->writers()->updateActivityBy(selfLock ? self : c.lockedBy, true, nr);
        }
        const LaidOut laid = layOut(ZVMessageViewClass::Pinned, pin, 375, cells);
        const auto& status = dynamic_cast<ZVPinnedMessageView&>(*laid.view).statusText();
        EXPECT_EQ(status->text(), c.text);
        EXPECT_EQ(status->textColor(), c.colour);
        EXPECT_FALSE(status->isHidden());
        conversation()->writers()->reset();
    }
}

// On a board a collapsed pin drops its status line, and its height does too; in the conversation
// the line stays.
TEST_F(BoardMessageView, ACollapsedPinOnTheBoardHasNoStatusLine) {
    const auto pin =
        messageWithFiles(20, u"text"_s, u"Plans"_s, 0, false, {{u"tags"_s, QJsonArray{u"pin"_s}}});
    ZVRichMessageRepresentation::of(pin)->setExpanded(false);
    cells.list = true;
    const LaidOut board = layOut(ZVMessageViewClass::Pinned, pin, 375, cells);
    EXPECT_TRUE(dynamic_cast<ZVPinnedMessageView&>(*board.view).statusText()->isHidden());
    cells.list = false;
    const LaidOut conversationRow = layOut(ZVMessageViewClass::Pinned, pin, 375, cells);
    EXPECT_FALSE(
        dynamic_cast<ZVPinnedMessageView&>(*conversationRow.view).statusText()->isHidden());
    EXPECT_EQ(conversationRow.height - board.height,
              ZVTextStyles::lineHeightForStyle(ZVPinnedMessageView::kStatusStyle));
}

// The task's lines and avatars: three assignees show three avatars; going down to none keeps one
// avatar, hidden, and the assigned line goes and is not counted.
TEST_F(BoardMessageView, AssigneesShowAsAvatarsAndOneHiddenAvatarStays) {
    const QJsonArray three{displaytest::kFox, displaytest::kOwl, self};
    const auto task =
        messageWithFiles(30, u"text"_s, u"Ship it"_s, 0, false,
                         {{u"tags"_s, QJsonArray{u"is_todo"_s}}, {u"assignee_ids"_s, three}});
    ZVRichMessageRepresentation::of(task)->setExpanded(true);
    cells.list = true;
    const LaidOut laid = layOut(ZVMessageViewClass::Task, task, 375, cells);
    auto& view = dynamic_cast<ZVTaskMessageView&>(*laid.view);
    ASSERT_EQ(view.assigneeAvatars().size(), 3u);
    EXPECT_EQ(view.assigneeAvatars()[1]->contact()->accountId(), displaytest::kOwl);
    EXPECT_TRUE(view.assignedLabel()->text().startsWith(u"Assigned to "_s));
    EXPECT_EQ(
        view.createdLabel()->text(),
        u"Created by Fox Mulder (%1)"_s.arg(ZVLocalization::formatDateAndTime(task->postedTime())));
    // The avatars stand at the right of the first line, beside the text.
    for (const auto& avatar : view.assigneeAvatars()) {
        EXPECT_FALSE(avatar->isHidden());
        EXPECT_GE(avatar->frame().left(), view.text()->frame().right());
    }

    message(30, u"text"_s, u"<msg>Ship it</msg>"_s,
            {{u"tags"_s, QJsonArray{u"is_todo"_s}}, {u"assignee_ids"_s, QJsonArray{}}});
    const qreal height = ZVMessageViewHeight(ZVMessageViewClass::Task, task, 375, cells);
    view.setMessage(task);
    view.setFrame(QRectF(0, 0, 375, height));
    view.layoutSubviews();
    ASSERT_EQ(view.assigneeAvatars().size(), 1u);
    EXPECT_TRUE(view.assigneeAvatars().front()->isHidden());
    EXPECT_TRUE(view.assignedLabel()->isHidden());
    EXPECT_EQ(view.text()->frame().height() - ZVBaseMessageView::kTextOverhang,
              ZVRichMessageRepresentation::of(task)->formattedHeightForWidth(
                  view.text()->frame().width()));
}

// A collapsed task on the board is one line; a separator reads its body or heads the archive.
TEST_F(BoardMessageView, CollapsedTasksAndSeparatorsAreOneLine) {
    const auto task = messageWithFiles(40, u"text"_s, u"Ship it"_s, 3, false,
                                       {{u"tags"_s, QJsonArray{u"is_todo"_s}}});
    ZVRichMessageRepresentation::of(task)->setExpanded(false);
    cells.list = true;
    const LaidOut laid = layOut(ZVMessageViewClass::Task, task, 375, cells);
    auto& view = dynamic_cast<ZVTaskMessageView&>(*laid.view);
    EXPECT_EQ(laid.height, ZVTextStyles::lineHeightForStyle(4) + 2 * ZVTaskMessageView::kMargin);
    EXPECT_TRUE(view.createdLabel()->isHidden());
    EXPECT_TRUE(view.assignedLabel()->isHidden());
    for (const auto& file : view.fileViews()) {
        EXPECT_TRUE(file->isHidden());
    }

    const auto separator = message(41, u"separator"_s, u"<msg>Done this week</msg>"_s);
    const LaidOut row = layOut(ZVMessageViewClass::Separator, separator, 375, cells);
    EXPECT_EQ(dynamic_cast<ZVSeparatorMessageView&>(*row.view).text()->text(), u"DONE THIS WEEK"_s);
    const auto header = conversation()->createTaskArchiveHeader();
    const LaidOut archive = layOut(ZVMessageViewClass::Separator, header, 375, cells);
    EXPECT_EQ(dynamic_cast<ZVSeparatorMessageView&>(*archive.view).text()->text(),
              u"ARCHIVED TASKS"_s);
}

// The HTML body's web view goes to the cell that shows the message last; the view that lost it
// leaves it there.
TEST_F(BoardMessageView, TheWebViewMovesToTheCellThatShowsTheMail) {
    platform::WebPage::setFactory([] { return std::make_shared<platform::FakeWebPage>(); });
    const auto mail =
        message(50, u"text"_s, u"<msg>plain form</msg>"_s,
                {{u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, u"<p>Hi</p>"_s}}}});
    ASSERT_TRUE(mail->isOfType(Message::TypeHtmlEmail));
    const LaidOut first = layOut(ZVMessageViewClass::Html, mail, 375, cells);
    auto& one = dynamic_cast<ZVHtmlMessageView&>(*first.view);
    ASSERT_TRUE(one.webView());
    EXPECT_EQ(one.webView()->superview(), &one);
    EXPECT_FALSE(one.activityIndicator()->isAnimating());
    EXPECT_EQ(one.webView()->frame(), one.text()->frame());

    const LaidOut second = layOut(ZVMessageViewClass::Html, mail, 375, cells);
    auto& two = dynamic_cast<ZVHtmlMessageView&>(*second.view);
    const auto web = two.webView();
    EXPECT_EQ(web->superview(), &two);
    // The first cell is reused for another message: the page stays with the second.
    const auto other = message(51, u"text"_s, u"<msg>Plain</msg>"_s);
    one.setMessage(other);
    EXPECT_FALSE(one.webView());
    EXPECT_EQ(web->superview(), &two);
    platform::WebPage::setFactory(nullptr);
}

// Offscreen renders: a pin on its colour, a task on a board in its outlined box, an e-mail with
// files.
TEST_F(BoardMessageView, RowsRenderTheirColoursAndFiles) {
    const auto pin = messageWithFiles(60, u"text"_s, u"Plans for the week"_s, 0, false,
                                      {{u"tags"_s, QJsonArray{u"pin"_s}}});
    const LaidOut pinRow = layOut(ZVMessageViewClass::Pinned, pin, 375, cells);
    const QImage pinImage = pinRow.view->snapshot(2);
    ASSERT_FALSE(pinImage.isNull());
    EXPECT_EQ(pinImage.pixelColor(2 * 6, 2 * 6), platform::resolveColor(ZVColors::pin()));

    cells.list = true;
    const auto task = messageWithFiles(61, u"text"_s, u"Ship it"_s, 0, false,
                                       {{u"tags"_s, QJsonArray{u"is_todo"_s}},
                                        {u"assignee_ids"_s, QJsonArray{displaytest::kOwl}}});
    ZVRichMessageRepresentation::of(task)->setExpanded(true);
    const LaidOut taskRow = layOut(ZVMessageViewClass::Task, task, 375, cells);
    const QImage taskImage = taskRow.view->snapshot(2);
    const int middle = int(taskRow.height);
    EXPECT_EQ(taskImage.pixelColor(0, middle), platform::resolveColor(ZVColors::border()));
    EXPECT_EQ(taskImage.pixelColor(2 * 5, middle), platform::resolveColor(ZVColors::task()));

    cells.list = false;
    cells.subject = true;
    const auto mail = messageWithFiles(62, u"email"_s, u"Numbers attached"_s, 2, false,
                                       {{u"subject"_s, u"Quarterly report"_s}});
    const LaidOut mailRow = layOut(ZVMessageViewClass::Email, mail, 375, cells);
    mailRow.view->setBackgroundColor(Qt::white);
    const QImage mailImage = mailRow.view->snapshot(2);
    auto inked = [&](const QRectF& frame) {
        int count = 0;
        for (int y = int(frame.top() * 2); y < int(frame.bottom() * 2); y += 2) {
            for (int x = int(frame.left() * 2); x < int(frame.right() * 2); x += 2) {
                count += mailImage.pixelColor(x, y) != QColor(Qt::white);
            }
        }
        return count;
    };
    auto& view = dynamic_cast<ZVEmailMessageView&>(*mailRow.view);
    EXPECT_GT(inked(view.subjectLabel()->frame()), 0);
    for (const auto& file : view.fileViews()) {
        EXPECT_GT(inked(file->frame()), 0);
    }
}

}  // namespace
}  // namespace viewstest
