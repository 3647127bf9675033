#include "tests/MessageFlow/rows/RowsTestSupport.h"

#include "MessageFlow/rows/accessories/ZVMessageAccessoryView.h"
#include "MessageFlow/rows/accessories/ZVMessageNewIndicatorView.h"
#include "MessageFlow/rows/cells/ZVAccessorizedMessageCellWithNew.h"
#include "MessageFlow/views/ZVMessageView.h"
#include "toolkit/richtext/ZVRichText.h"
#include "toolkit/style/ZVTextStyles.h"

#include <QtCore/QJsonArray>

#include <functional>

#include <gtest/gtest.h>

namespace rowstest {
namespace {

class RowHeights : public RowsTest {
protected:
    // A message of `files` files and no text.
    std::shared_ptr<Message> filesOnlyRow(std::int64_t nr, qint64 minutes, int files,
                                          QJsonObject fields = {}) {
        QString body;
        QList<QJsonObject> records;
        for (int i = 0; i < files; ++i) {
            const QString key = u"f%1-%2"_s.arg(nr).arg(i);
            records.append(fileRecord(nr, key));
            body += fileElement(key);
        }
        apply(records);
        return row(nr, minutes, u"text"_s, u"<msg>%1</msg>"_s.arg(body), fields);
    }
    static QString longBody() {
        return u"<msg>%1</msg>"_s.arg(u"A sentence that fills some of the line. "_s.repeated(40));
    }

    // Rows of every kind the conversation shows: a new group, a grouped reply, files only, a day
    // line, gaps above and below (with the new-messages marker between them), hidden, pinned,
    // task, subject, a long expandable text, someone leaving, and a failed last message.
    std::shared_ptr<ZVMessageArray> everyKindOfRow() {
        const qint64 yesterday = -kDay / kMinute;
        std::vector<std::shared_ptr<Message>> rows{
            row(1, yesterday),
            row(2, yesterday + 1, u"text"_s, longBody()),
            filesOnlyRow(3, yesterday + 2, 2, {{u"account_id"_s, displaytest::kOwl}}),
            row(4, 0),
            row(5, 1, u"text"_s, u"<msg>hidden</msg>"_s, {{u"tags"_s, QJsonArray{u"is_hidden"_s}}}),
            row(6, 2, u"text"_s, u"<msg>Pinned words</msg>"_s, {{u"tags"_s, QJsonArray{u"pin"_s}}}),
            row(7, 3, u"text"_s, u"<msg>A task</msg>"_s, {{u"tags"_s, QJsonArray{u"is_todo"_s}}}),
            row(8, 4, u"email"_s, u"<msg>Mail</msg>"_s, {{u"subject"_s, u"Invoice"_s}}),
            row(12, 5, u"text"_s, u"<msg>Between gaps</msg>"_s, {{u"prev_message_nr"_s, 10}}),
            row(20, 6, u"leave"_s, u"<msg></msg>"_s, {{u"prev_message_nr"_s, 19}}),
            row(21, 7, u"text"_s, u"<msg>Edited</msg>"_s,
                {{u"edit_account_id"_s, displaytest::kFox}}),
        };
        rows.push_back(failedMessage());
        return listOf(rows);
    }
};

// Every row's height, asked of classes alone, is where its laid-out cell ends: the message view
// gets exactly its class's height at the cell's content width, the header and strips sit above
// it, and the margin and bottom strip fill the rest. At two widths and every avatar size.
TEST_F(RowHeights, EveryHeightIsWhereTheLaidOutCellEnds) {
    const auto list = everyKindOfRow();
    constexpr qreal kTallEnoughForEveryRow = 6000;
    for (const qreal width : {375.0, 260.0}) {
        for (const int avatarSize : {0, 1, 2}) {
            SCOPED_TRACE(
                QString(u"width %1, avatars %2"_s.arg(width).arg(avatarSize)).toStdString());
            show(list, width, avatarSize, kTallEnoughForEveryRow);
            cells->setReadMessageNr(8);
            cells->reloadData();
            window->updateNow();
            ASSERT_EQ(cells->newMessageIndex(), 8);
            for (int i = 0; i < int(list->count()); ++i) {
                SCOPED_TRACE(i);
                const auto& message = (*list)[i];
                if (message->isHidden()) {
                    // A row of no height shows no cell.
                    EXPECT_EQ(cells->heightForRowAtIndex(i), 0);
                    continue;
                }
                const auto cell = cellAt(i);
                ASSERT_TRUE(cell);
                const auto classes = cells->rowClassesAtIndex(i, true);
                const qreal height = cells->heightForRowAtIndex(i);
                EXPECT_DOUBLE_EQ(cell->frame().height(), height);
                const int type = message->messageType().value_or(0);
                const qreal contentWidth = ZVMessageCell::contentWidth(*cells, type);
                const QRectF view = cell->messageView()->frame();
                EXPECT_DOUBLE_EQ(view.height(),
                                 ZVMessageViewHeight(classes.view, message, contentWidth, *cells));
                EXPECT_DOUBLE_EQ(view.width(), contentWidth);
                const qreal margin = classes.groupedWithNext ? ZVMessageCell::kGroupedBottomMargin
                                                             : ZVMessageCell::kBottomMargin;
                EXPECT_NEAR(view.bottom() + margin + ZVMessageAccessoryHeight(classes.bottom),
                            height, 0.01);
                qreal top = ZVMessageAccessoryHeight(classes.top) + ZVMessageCell::kTopMargin;
                if (i == cells->newMessageIndex()) {
                    top += ZVMessageNewIndicatorView::kHeight;
                }
                const auto avatarCell = std::dynamic_pointer_cast<ZVAvatarMessageCell>(cell);
                if (avatarCell && !avatarCell->header()->isHidden()) {
                    EXPECT_DOUBLE_EQ(avatarCell->header()->frame().top(), top);
                    top += ZVTextStyles::lineHeightForStyle(ZVAvatarMessageCell::kNameStyle);
                    if (model(message)->containsFilesOnly()) {
                        top += ZVAvatarMessageCell::kFilesOnlyGap;
                    }
                }
                EXPECT_NEAR(view.top(), top, 0.01);
            }
        }
    }
}

// The row of a message between two gaps, right after the read message, carries all three strips
// and the marker; its height adds each of them to the view's height and the cell's share.
TEST_F(RowHeights, StripsAndTheMarkerAddTheirHeights) {
    const auto before = row(1, 0);
    const auto between =
        row(5, 1, u"text"_s, u"<msg>Between gaps</msg>"_s, {{u"prev_message_nr"_s, 3}});
    const auto after = row(9, 2, u"text"_s, u"<msg>After</msg>"_s, {{u"prev_message_nr"_s, 7}});
    show(listOf({before, between, after}));
    cells->setReadMessageNr(1);
    cells->reloadData();
    const qreal view = ZVMessageViewHeight(ZVMessageViewClass::Text, between,
                                           ZVMessageCell::contentWidth(*cells, 1), *cells);
    const qreal share = ZVMessageCell::kTopMargin + ZVMessageCell::kBottomMargin +
                        ZVTextStyles::lineHeightForStyle(ZVAvatarMessageCell::kNameStyle);
    EXPECT_DOUBLE_EQ(cells->heightForRowAtIndex(1), view + 90 + 44 + 27 + share);

    // A failed message after a day line: the day line, the marker and the resend strip.
    const auto yesterday =
        row(10, -kDay / kMinute, u"text"_s, u"<msg>Old</msg>"_s, {{u"prev_message_nr"_s, 9}});
    const auto failed = failedMessage();
    show(listOf({yesterday, failed}));
    cells->setReadMessageNr(10);
    cells->reloadData();
    const qreal failedView = ZVMessageViewHeight(ZVMessageViewClass::Text, failed,
                                                 ZVMessageCell::contentWidth(*cells, 1), *cells);
    EXPECT_DOUBLE_EQ(cells->heightForRowAtIndex(1), failedView + 66 + 44 + 48 + share);
}

// A reload keeps the heights of rows that did not change. After each change, every height the
// row model gives equals the one a row model that never measured these rows works out, and the
// changed row's height did move.
TEST_F(RowHeights, KeptHeightsFollowEveryChange) {
    const auto first = row(1, 0);
    const auto older = row(2, 1);
    const auto edited =
        row(3, 2, u"text"_s, u"<msg>Short</msg>"_s, {{u"account_id"_s, displaytest::kOwl}});
    const auto filed = row(4, 3);
    const auto expandable = row(5, 20, u"text"_s, longBody());
    const auto tagged = row(6, 21, u"text"_s, u"<msg>To be pinned</msg>"_s);
    const auto last = row(7, 22, u"text"_s, u"<msg>The end</msg>"_s);
    const auto list = listOf({older, edited, filed, expandable, tagged, last});
    show(list);
    // A file from a message elsewhere, to hand to the row's display model as an upload does.
    const auto upload = model(messageWithFiles(40, u"text"_s, u"x"_s, 1, false))->files();
    ASSERT_TRUE(upload && !upload->empty());

    const auto heightsNow = [&] {
        std::vector<qreal> heights;
        for (qsizetype i = 0; i < list->count(); ++i) {
            heights.push_back(cells->heightForRowAtIndex(i));
        }
        return heights;
    };
    const auto heightsAfresh = [&] {
        const auto freshTable = platform::View::make<ZVTableView>(table->frame());
        const auto fresh = ZVConversationCells::make(freshTable, list, 0);
        fresh->setEnableAccessories(true);
        fresh->setAvatarSize(cells->avatarSize());
        fresh->setReadMessageNr(cells->readMessageNr());
        fresh->reloadData();
        std::vector<qreal> heights;
        for (qsizetype i = 0; i < list->count(); ++i) {
            heights.push_back(fresh->heightForRowAtIndex(i));
        }
        return heights;
    };
    const auto messageOf = [&](const std::shared_ptr<Message>& shownMessage) {
        return list->indexOfMessageNr(shownMessage->messageNr());
    };

    struct Case {
        const char* name;
        std::function<void()> change;
        std::shared_ptr<Message> moved;
    };
    const Case cases[] = {
        {"an edit arrives",
         [&] {
             row(3, 2, u"text"_s, longBody(),
                 {{u"account_id"_s, displaytest::kOwl}, {u"prev_message_nr"_s, 2}});
             edited->updateRepresentation();
         },
         edited},
        {"a file joins the message", [&] { model(filed)->absorbFiles(*upload); }, filed},
        {"the message is expanded", [&] { model(expandable)->setExpanded(true); }, expandable},
        {"a pin tag arrives",
         [&] {
             row(6, 21, u"text"_s, u"<msg>To be pinned</msg>"_s,
                 {{u"tags"_s, QJsonArray{u"pin"_s}}, {u"prev_message_nr"_s, 5}});
             tagged->updateRepresentation();
         },
         tagged},
        {"the read mark moves under it", [&] { cells->setReadMessageNr(3); }, filed},
        {"the message before arrives (the row joins its group)", [&] { list->addMessage(first); },
         older},
        {"the table narrows", [&] { table->setFrame(QRectF(0, 0, 260, kPhoneHeight)); },
         expandable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cells->reloadData();
        const qreal before = cells->heightForRowAtIndex(messageOf(c.moved));
        c.change();
        cells->reloadData();
        window->updateNow();
        const auto kept = heightsNow();
        EXPECT_EQ(kept, heightsAfresh());
        EXPECT_NE(kept[std::size_t(messageOf(c.moved))], before);
    }
}

// The cell's own share: nothing for rows that show nothing, the header only where it shows, and
// 5 more under it for a message of files alone.
TEST_F(RowHeights, TheCellsShareFollowsWhatTheRowShows) {
    const auto text = row(1, 0);
    const auto hidden =
        row(2, 1, u"text"_s, u"<msg>x</msg>"_s, {{u"tags"_s, QJsonArray{u"is_hidden"_s}}});
    const auto separator = row(3, 2, u"separator"_s, u"<msg>Archive</msg>"_s);
    const auto pinned =
        row(4, 3, u"text"_s, u"<msg>Pin</msg>"_s, {{u"tags"_s, QJsonArray{u"pin"_s}}});
    const auto files = filesOnlyRow(5, 4, 1);
    show(listOf({text}));
    const qreal header = ZVTextStyles::lineHeightForStyle(ZVAvatarMessageCell::kNameStyle);
    struct Case {
        const char* name;
        std::shared_ptr<Message> message;
        bool listStyle;
        bool groupedWithNext;
        bool groupedWithPrevious;
        qreal plain;
        qreal avatar;
    };
    const Case cases[] = {
        {"text, alone", text, false, false, false, 15, 15 + header},
        {"text, grouped both ways", text, false, true, true, 8, 8},
        {"hidden (its view is the plain one)", hidden, false, false, true, 0, 0},
        {"separator outside a board", separator, false, false, true, 0, 0},
        {"separator on a board", separator, true, false, true, 15, 15},
        {"pinned", pinned, false, false, false, 15, 15},
        {"files only", files, false, false, false, 15, 15 + header + 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cells->setListStyle(c.listStyle);
        EXPECT_DOUBLE_EQ(ZVMessageCellHeight(ZVMessageCellClass::Plain, c.message, *cells,
                                             c.groupedWithNext, c.groupedWithPrevious),
                         c.plain);
        EXPECT_DOUBLE_EQ(ZVMessageCellHeight(ZVMessageCellClass::Avatar, c.message, *cells,
                                             c.groupedWithNext, c.groupedWithPrevious),
                         c.avatar);
    }
}

// The avatar column follows the size, and HTML e-mail has none.
TEST_F(RowHeights, TheContentWidthLeavesRoomForTheAvatarColumn) {
    show(listOf({row(1, 0)}));
    struct Case {
        int avatarSize;
        int type;
        qreal width;
    };
    const Case cases[] = {
        {0, 1, 375 - 2 * 13},
        {1, 1, 375 - 2 * 7 - 30 - 7},
        {2, 1, 375 - 2 * 13 - 40 - 10},
        {2, 21, 375 - 2 * 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.avatarSize * 100 + c.type);
        cells->setAvatarSize(c.avatarSize);
        EXPECT_DOUBLE_EQ(ZVMessageCell::contentWidth(*cells, c.type), c.width);
    }
    cells->setAvatarSize(1);
    EXPECT_DOUBLE_EQ(cells->textWidth(), 375 - 2 * 7 - 30 - 7);
}

}  // namespace
}  // namespace rowstest
