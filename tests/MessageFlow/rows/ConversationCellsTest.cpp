#include "tests/MessageFlow/rows/RowsTestSupport.h"

#include "MessageFlow/rows/cells/ZVAccessorizedMessageCellWithNew.h"
#include "ZelvoKit/model/Conversation.h"
#include "toolkit/widgets/ZVBackgroundView.h"

#include <QtCore/QJsonArray>

#include <gtest/gtest.h>

namespace rowstest {
namespace {

using ConversationCells = RowsTest;

// Each rule of the view class, and the precedence between those that overlap: the first that
// matches wins.
TEST_F(ConversationCells, TheViewClassIsTheFirstRuleThatMatches) {
    applyConversation({{u"join_message_nr"_s, 2}});
    struct Case {
        const char* name;
        const char* type;
        QJsonObject fields;
        bool listStyle;
        ZVMessageViewClass expected;
    };
    const QString text = u"<msg>Words</msg>"_s;
    const std::vector<Case> cases{
        {"created", "create", {}, false, ZVMessageViewClass::Plain},
        {"members added when the user joined", "add", {}, false, ZVMessageViewClass::Plain},
        {"members added later", "add", {}, false, ZVMessageViewClass::System},
        {"hidden, though pinned",
         "text",
         {{u"tags"_s, QJsonArray{u"is_hidden"_s, u"pin"_s}}},
         false,
         ZVMessageViewClass::Plain},
        {"separator on a board", "separator", {}, true, ZVMessageViewClass::Separator},
        {"separator elsewhere", "separator", {}, false, ZVMessageViewClass::Plain},
        {"spam, though pinned",
         "text",
         {{u"tags"_s, QJsonArray{u"is_spam"_s, u"pin"_s}}},
         false,
         ZVMessageViewClass::System},
        {"pinned, though deleted",
         "text",
         {{u"tags"_s, QJsonArray{u"pin"_s, u"is_deleted"_s}}},
         false,
         ZVMessageViewClass::Pinned},
        {"deleted task",
         "text",
         {{u"tags"_s, QJsonArray{u"is_todo"_s, u"is_deleted"_s}}},
         false,
         ZVMessageViewClass::Text},
        {"task", "text", {{u"tags"_s, QJsonArray{u"is_todo"_s}}}, false, ZVMessageViewClass::Task},
        {"someone left", "leave", {}, false, ZVMessageViewClass::System},
        {"html e-mail, with a subject",
         "email",
         {{u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, u"<p>Hi</p>"_s}}},
          {u"subject"_s, u"Invoice"_s}},
         false,
         ZVMessageViewClass::Html},
        {"text with its own subject",
         "text",
         {{u"subject"_s, u"Invoice"_s}},
         false,
         ZVMessageViewClass::Email},
        {"text", "text", {}, false, ZVMessageViewClass::Text},
    };
    std::int64_t nr = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto shown = row(nr++, 0, QString::fromLatin1(c.type), text, c.fields);
        show(listOf({shown}));
        cells->setListStyle(c.listStyle);
        EXPECT_EQ(cells->viewClassForMessage(shown), c.expected);
    }
    // Spam shows itself once expanded, and then its other rules hold.
    const auto spam = row(nr++, 0, u"text"_s, text, {{u"tags"_s, QJsonArray{u"is_spam"_s}}});
    model(spam)->setExpanded(true);
    EXPECT_EQ(cells->viewClassForMessage(spam), ZVMessageViewClass::Text);
}

// A subject shows on the first message of a run under it; a reply under the same subject shows
// none, one under another subject shows its own, and rows that are not text do not break a run.
TEST_F(ConversationCells, ASubjectShowsOncePerRun) {
    const auto withSubject = [](const QString& subject) {
        return QJsonObject{{u"subject"_s, subject}};
    };
    const auto first = row(1, 0, u"text"_s, u"<msg>A</msg>"_s, withSubject(u"Plans"_s));
    const auto reply = row(2, 1, u"email"_s, u"<msg>B</msg>"_s, withSubject(u"Plans"_s));
    const auto left = row(3, 2, u"leave"_s, u"<msg></msg>"_s);
    const auto afterEvent = row(4, 3, u"text"_s, u"<msg>C</msg>"_s, withSubject(u"Plans"_s));
    const auto other = row(5, 4, u"text"_s, u"<msg>D</msg>"_s, withSubject(u"Budget"_s));
    const auto none = row(6, 5, u"text"_s, u"<msg>E</msg>"_s);
    const auto unlisted = row(7, 6, u"text"_s, u"<msg>F</msg>"_s, withSubject(u"Plans"_s));
    show(listOf({first, reply, left, afterEvent, other, none}));
    const std::vector<std::pair<std::shared_ptr<Message>, bool>> expected{
        {first, true}, {reply, false}, {afterEvent, false},
        {other, true}, {none, false},  {unlisted, true},
    };
    for (const auto& [shown, shows] : expected) {
        SCOPED_TRACE(shown->messageNr());
        EXPECT_EQ(cells->showSubjectForMessage(*shown), shows);
    }
}

// The cell class and strips of each row follow its neighbours; the reuse identifier names all
// four classes, so rows share cells only when all four agree, and the cell the table shows is
// of that class.
TEST_F(ConversationCells, EachRowGetsTheCellAndStripsOfItsPlaceInTheStream) {
    const qint64 yesterday = -kDay / kMinute;
    const auto first = row(1, yesterday);
    const auto grouped = row(2, yesterday + 1);
    const auto nextDay = row(3, 0);
    const auto other =
        row(4, 1, u"text"_s, u"<msg>Hi</msg>"_s, {{u"account_id"_s, displaytest::kOwl}});
    const auto beforeGap =
        row(5, 2, u"text"_s, u"<msg>Hi</msg>"_s, {{u"account_id"_s, displaytest::kOwl}});
    const auto afterGap = row(9, 3, u"text"_s, u"<msg>Hi</msg>"_s, {{u"prev_message_nr"_s, 8}});
    const auto last = row(10, 4, u"text"_s, u"<msg>Hi</msg>"_s, {{u"account_id"_s, self}});
    constexpr qreal kTallEnoughForEveryRow = 2000;
    show(listOf({first, grouped, nextDay, other, beforeGap, afterGap, last}), kPhoneWidth, 2,
         kTallEnoughForEveryRow);
    const QStringList expected{
        u"ZVAvatarMessageCell-ZVTextMessageView-(null)-(null)"_s,
        u"ZVMessageCell-ZVTextMessageView-(null)-(null)"_s,
        u"ZVAccessorizedMessageCell-ZVTextMessageView-ZVMessageDateView-(null)"_s,
        u"ZVAvatarMessageCell-ZVTextMessageView-(null)-(null)"_s,
        u"ZVAccessorizedMessageCell-ZVTextMessageView-(null)-ZVMessageLoadMoreViewBottom"_s,
        u"ZVAccessorizedMessageCell-ZVTextMessageView-ZVMessageLoadMoreViewTop-(null)"_s,
        u"ZVAvatarMessageCell-ZVTextMessageView-(null)-(null)"_s,
    };
    for (int i = 0; i < int(expected.size()); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(cells->rowClassesAtIndex(i, true).reuseIdentifier(), expected[i]);
        const auto cell = cellAt(i);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->reuseIdentifier(), expected[i]);
        EXPECT_EQ(cell->message(), (*shown)[i]);
    }
    // Without strips every row is the plain cell.
    cells->setEnableAccessories(false);
    EXPECT_EQ(cells->rowClassesAtIndex(2, true).reuseIdentifier(),
              u"ZVMessageCell-ZVTextMessageView-(null)-(null)"_s);
}

// The failed-send strip goes under the user's failed message when it is the last row.
TEST_F(ConversationCells, AFailedLastRowGetsTheResendStrip) {
    const auto stored = row(1, 0);
    const auto failed = failedMessage();
    ASSERT_TRUE(failed && failed->isFailed());
    show(listOf({stored, failed}));
    EXPECT_EQ(cells->bottomAccessoryForMessageAtIndex(0), ZVMessageAccessoryClass::None);
    EXPECT_EQ(cells->bottomAccessoryForMessageAtIndex(1), ZVMessageAccessoryClass::ResendControls);
    EXPECT_EQ(cells->rowClassesAtIndex(1, true).reuseIdentifier(),
              u"ZVAccessorizedMessageCell-ZVTextMessageView-(null)-ZVMessageResendControlsView"_s);
    // A resend starts the queue again: the row is sending, and the strip goes.
    failed->resend();
    EXPECT_FALSE(failed->isFailed());
    EXPECT_EQ(cells->bottomAccessoryForMessageAtIndex(1), ZVMessageAccessoryClass::None);
}

// Where the new-messages marker stands: the first row past the read message, also when that
// message is not loaded; none when everything is read or nothing was.
TEST_F(ConversationCells, TheNewMessagesMarkerStandsOnTheFirstUnreadRow) {
    const auto a = row(10, 0);
    const auto hidden =
        row(20, 1, u"text"_s, u"<msg>x</msg>"_s, {{u"tags"_s, QJsonArray{u"is_hidden"_s}}});
    const auto b = row(30, 2);
    const auto c = row(40, 3);
    show(listOf({a, hidden, b, c}));
    struct Case {
        const char* name;
        std::int64_t read;
        qsizetype index;
    };
    const Case cases[] = {
        {"read message loaded", 10, 1},
        {"read message on a hidden row", 20, 2},
        {"read message not loaded, between rows", 25, 2},
        {"read message below the first loaded", 5, 0},
        {"the last row read", 40, -1},
        {"read past the last row", 45, -1},
        {"no read position", 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cells->setReadMessageNr(c.read);
        cells->reloadData();
        window->updateNow();
        EXPECT_EQ(cells->newMessageIndex(), c.index);
        if (c.index >= 0) {
            EXPECT_TRUE(
                std::dynamic_pointer_cast<ZVAccessorizedMessageCellWithNew>(cellAt(int(c.index))));
        }
    }
}

// A list of only the conversation's creation counts as empty and shows the empty text with its
// link; the first real message takes it away.
TEST_F(ConversationCells, AListOfOnlyTheCreationShowsTheEmptyText) {
    const auto created = row(1, 0, u"create"_s, u"<msg></msg>"_s);
    show(listOf({created}));
    cells->setEmptyText(u"No pins yet"_s);
    cells->setCreateNewText(u"Pin a message"_s);
    auto background = std::dynamic_pointer_cast<ZVBackgroundView>(table->backgroundView());
    ASSERT_TRUE(background);
    EXPECT_EQ(background->text(), u"No pins yet"_s);
    EXPECT_EQ(background->linkText(), u"Pin a message"_s);
    shown = listOf({created, row(2, 1)});
    cells->setMessages(shown);
    EXPECT_FALSE(table->backgroundView());
}

// Pins and tasks dragged on a board take a weight between their new neighbours; a board lists
// heavier first, so one dropped on top outweighs the first and one dropped last weighs least.
// Anything else snaps back, and a lone pin keeps its weight.
TEST_F(ConversationCells, AMovedPinIsWeighedByItsNewNeighbours) {
    const auto pin = [this](std::int64_t nr, double weight) {
        return row(nr, nr, u"text"_s, u"<msg>Pin</msg>"_s,
                   {{u"tags"_s, QJsonArray{u"pin"_s}}, {u"pin_weight"_s, weight}});
    };
    const auto a = pin(1, 300);
    const auto b = pin(2, 200);
    const auto c = pin(3, 100);
    struct Case {
        const char* name;
        int from;
        int to;
        double weight;
    };
    const Case cases[] = {
        {"the last dropped on top", 2, 0, 310},
        {"the first dropped last", 0, 2, 90},
        {"the first dropped between the others", 0, 1, 150},
    };
    for (const Case& drop : cases) {
        SCOPED_TRACE(drop.name);
        a->setPinWeightValue(300);
        b->setPinWeightValue(200);
        c->setPinWeightValue(100);
        show(std::make_shared<ZVMessageArray>(ZVMessageArray::Messages{a, b, c},
                                              ZVMessageArray::Pinboard));
        const auto moved = (*shown)[drop.from];
        cells->tableViewMoveRowAtIndexPath(*table, {0, drop.from}, {0, drop.to});
        EXPECT_DOUBLE_EQ(moved->pinWeight().value_or(0), drop.weight);
        EXPECT_EQ((*shown)[drop.to], moved);
    }
    const auto lone = pin(4, 42);
    show(
        std::make_shared<ZVMessageArray>(ZVMessageArray::Messages{lone}, ZVMessageArray::Pinboard));
    cells->tableViewMoveRowAtIndexPath(*table, {0, 0}, {0, 0});
    EXPECT_DOUBLE_EQ(lone->pinWeight().value_or(0), 42);

    const auto plain = row(5, 5);
    show(std::make_shared<ZVMessageArray>(ZVMessageArray::Messages{a, plain},
                                          ZVMessageArray::Pinboard));
    const auto before = shown->messages();
    cells->tableViewMoveRowAtIndexPath(*table, {0, 1}, {0, 0});
    EXPECT_EQ(shown->messages(), before);
    EXPECT_FALSE(plain->pinWeight().has_value());
}

}  // namespace
}  // namespace rowstest
