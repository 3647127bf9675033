#include "tests/MessageFlow/menus/MessageMenuTestSupport.h"

#include <gtest/gtest.h>

namespace menustest {
namespace {

class MessageMenuOptions : public MessageMenuTest {};

// What the menu offers follows the message's type, the page, the user's rights and the message's
// state; options from "Pin" on sit behind the separator, save the tasks page's assigning.
TEST_F(MessageMenuOptions, TheOptionsFollowTypePageRightsAndState) {
    enum Author { Fox, Self };
    struct Case {
        const char* name;
        QString type;
        QString body;
        Author author;
        QJsonObject fields;
        bool canPost;
        int page;
        // Extra state: Owl joined after the message, the backward horizon past it, a pending
        // number, a file of the body not yet on the service.
        bool laterJoiner;
        bool pastHorizon;
        bool pending;
        bool localFile;
        QString expected;
    };
    const QString text = u"<msg>Hello there</msg>"_s;
    const QString mail = u"<msg>mail</msg>"_s;
    const QJsonArray todo{u"is_todo"_s};
    const QJsonArray pin{u"pin"_s};
    const QJsonObject html{
        {u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, u"<p>Hi</p>"_s}}}};
    const Case cases[] = {
        {"own text",
         u"text"_s,
         text,
         Self,
         {},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Edit message | Quote | Copy | Forward | Mark unread | -- | Pin message | Create task | "
         "Delete message"_s},
        {"someone else's text",
         u"text"_s,
         text,
         Fox,
         {},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread | -- | Pin message | Create task"_s},
        {"own text where the user may not post",
         u"text"_s,
         text,
         Self,
         {},
         false,
         0,
         false,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread"_s},
        {"own text on the tasks page",
         u"text"_s,
         text,
         Self,
         {},
         true,
         4,
         false,
         false,
         false,
         false,
         u"Edit message | Forward | -- | Pin message | Create task | Delete message"_s},
        {"own task on the tasks page",
         u"text"_s,
         text,
         Self,
         {{u"tags"_s, todo}},
         true,
         4,
         false,
         false,
         false,
         false,
         u"Edit message | Forward | -- | Untask | Assign | Assign to me | Archive | "
         "Delete message"_s},
        {"someone else's task on the tasks page: assigning is primary",
         u"text"_s,
         text,
         Fox,
         {{u"tags"_s, todo}},
         true,
         4,
         false,
         false,
         false,
         false,
         u"Forward | Assign | Assign to me | -- | Archive"_s},
        {"a task assigned to the user",
         u"text"_s,
         text,
         Fox,
         {{u"tags"_s, todo}, {u"assignee_ids"_s, QJsonArray{u"SELF"_s}}},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread | -- | Assign"_s},
        {"own task that others edited",
         u"text"_s,
         text,
         Self,
         {{u"tags"_s, QJsonArray{u"is_todo"_s, u"is_edited_by_others"_s}}},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Edit message | Quote | Copy | Forward | Mark unread | -- | Assign | Assign to me | "
         "Delete message"_s},
        {"own pin",
         u"text"_s,
         text,
         Self,
         {{u"tags"_s, pin}},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Edit message | Quote | Copy | Forward | Mark unread | -- | Unpin message | "
         "Create task | Delete message"_s},
        {"a pin below the backward horizon is not marked unread",
         u"text"_s,
         text,
         Self,
         {{u"tags"_s, pin}},
         true,
         0,
         false,
         true,
         false,
         false,
         u"Edit message | Quote | Copy | Forward | -- | Unpin message | Create task | "
         "Delete message"_s},
        {"an archived pin pins again",
         u"text"_s,
         text,
         Fox,
         {{u"tags"_s, QJsonArray{u"pin"_s, u"is_archived"_s}}},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread | -- | Pin message | Create task"_s},
        {"a later joiner",
         u"text"_s,
         text,
         Fox,
         {},
         true,
         0,
         true,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread | -- | Pin message | Create task | "
         "Disclose history"_s},
        {"a later joiner of a pin",
         u"text"_s,
         text,
         Fox,
         {{u"tags"_s, pin}},
         true,
         0,
         true,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread | -- | Unpin message | Create task"_s},
        {"someone else's e-mail may be deleted",
         u"email"_s,
         mail,
         Fox,
         {},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread | -- | Pin message | Create task | "
         "Delete message"_s},
        {"an e-mail where the user may not post",
         u"email"_s,
         mail,
         Fox,
         {},
         false,
         0,
         false,
         false,
         false,
         false,
         u"Quote | Copy | Forward | Mark unread"_s},
        {"an HTML e-mail", u"text"_s, mail, Fox, html, true, 0, false, false, false, false,
         u"Forward | Mark unread | Show email"_s},
        {"an HTML e-mail on the tasks page", u"text"_s, mail, Fox, html, true, 4, false, false,
         false, false, u"Forward | Show email"_s},
        {"a pending HTML e-mail", u"text"_s, mail, Self, html, true, 0, false, false, true, false,
         u"Forward | Show email | Delete message"_s},
        {"a file message",
         u"file"_s,
         u"<msg>report</msg>"_s,
         Fox,
         {},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Mark unread | Delete file"_s},
        {"a file message on the tasks page",
         u"file"_s,
         u"<msg>report</msg>"_s,
         Fox,
         {},
         true,
         4,
         false,
         false,
         false,
         false,
         u"Mark unread | Delete file"_s},
        {"a file message where the user may not post",
         u"file"_s,
         u"<msg>report</msg>"_s,
         Fox,
         {},
         false,
         0,
         false,
         false,
         false,
         false,
         u"Mark unread"_s},
        {"a text whose file has not reached the service",
         u"text"_s,
         QString(),
         Fox,
         {},
         true,
         0,
         false,
         false,
         false,
         true,
         u"Quote | Mark unread | -- | Pin message | Create task"_s},
        {"own deleted text",
         u"text"_s,
         u""_s,
         Self,
         {{u"tags"_s, QJsonArray{u"is_deleted"_s}}},
         true,
         0,
         false,
         false,
         false,
         false,
         u"Mark unread"_s},
    };
    std::int64_t nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nr += 10;
        const std::int64_t number = c.pending ? Message::kFirstPendingMessageNr + nr : nr;
        conversationWith({{u"can_post"_s, c.canPost ? 1 : 0},
                          {u"bw_message_nr"_s, qint64(c.pastHorizon ? nr + 1 : 0)}});
        if (c.laterJoiner) {
            owlJoinedAt(nr + 1);
        }
        QJsonObject fields = c.fields;
        fields.insert(u"account_id"_s, c.author == Self ? self : displaytest::kFox);
        // "SELF" among the assignees stands for the user, whose id comes with the sign-in.
        if (fields.value(u"assignee_ids"_s).toArray().contains(u"SELF"_s)) {
            fields.insert(u"assignee_ids"_s, QJsonArray{self});
        }
        QString body = c.body;
        if (c.localFile) {
            const QString key = u"local%1"_s.arg(nr);
            QJsonObject record = fileRecord(nr, key);
            record.insert(u"file_url"_s, u"file:///tmp/%1.pdf"_s.arg(key));
            apply({record});
            body = u"<msg>See this %1</msg>"_s.arg(fileElement(key));
        }
        const auto shown = message(number, c.type, body, fields);
        ASSERT_TRUE(shown);
        showRows({shown}, c.page);
        const auto menu = menuOf(0);
        ASSERT_TRUE(menu);
        EXPECT_EQ(titles(*menu).toStdString(), c.expected.toStdString());
        menu->invokeActionIndex(-1, false);
        EXPECT_FALSE(host->menuShowing());
    }
}

// A message the user failed to send can be edited, copied and deleted, but not marked unread or
// pinned.
TEST_F(MessageMenuOptions, AFailedMessageIsNeitherMarkedUnreadNorPinned) {
    conversationWith({{u"can_post"_s, 1}});
    const auto failed = failedMessage(u"Refused words"_s);
    ASSERT_TRUE(failed && failed->isFailed());
    showRows({failed});
    const auto menu = menuOf(0);
    ASSERT_TRUE(menu);
    EXPECT_EQ(titles(*menu).toStdString(),
              "Edit message | Quote | Copy | Forward | -- | Create task | Delete message");
}

// The delete question quotes the message's readable text as typed, cut after 20 units on a
// character's edge; a file message asks its own short question, and a pending e-mail is removed
// without one.
TEST_F(MessageMenuOptions, TheDeleteQuestionQuotesTheTextCutAndAsTyped) {
    struct Case {
        const char* name;
        QString body;
        QString quoted;
    };
    const QString emoji = u"\U0001F600"_s;
    const Case cases[] = {
        {"25 units", u"<msg>abcdefghijklmnopqrstuvwxy</msg>"_s, u"abcdefghijklmnopqrst..."_s},
        {"20 units stay whole", u"<msg>abcdefghijklmnopqrst</msg>"_s, u"abcdefghijklmnopqrst"_s},
        {"an emoji across the cut", u"<msg>%1%2tail</msg>"_s.arg(u"a"_s.repeated(19), emoji),
         u"a"_s.repeated(19) + u"..."_s},
        {"markup shows as typed", u"<msg>&lt;b&gt;bold&lt;/b&gt; &amp; x</msg>"_s,
         u"<b>bold</b> & x"_s},
    };
    conversationWith({{u"can_post"_s, 1}});
    std::int64_t nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto shown = message(++nr, u"text"_s, c.body, {{u"account_id"_s, self}});
        showRows({shown});
        const auto menu = menuOf(0);
        ASSERT_TRUE(menu);
        const auto remove = option(*menu, u"Delete message"_s);
        ASSERT_TRUE(remove);
        menu->invokeActionIndex(remove->tag(), true);
        const auto card = ZVAlertViewManager::alertViewManager().currentAlertView();
        ASSERT_TRUE(card && card != menu);
        EXPECT_EQ(card->textLabel()->attributedText().string().toStdString(),
                  (u"Are you sure you want to delete the message \""_s + c.quoted + u"\"?"_s)
                      .toStdString());
        EXPECT_FALSE(shown->isDeletedMessage());
        card->hide();
    }

    const auto file = message(++nr, u"file"_s, u"<msg>report</msg>"_s);
    const auto pendingMail =
        message(Message::kFirstPendingMessageNr + nr, u"text"_s, u"<msg>mail</msg>"_s,
                {{u"html_email_data"_s, QJsonObject{{u"cleaned_html"_s, u"<p>Hi</p>"_s}}}});
    showRows({file, pendingMail});
    auto menu = menuOf(0);
    ASSERT_TRUE(menu);
    EXPECT_EQ(option(*menu, u"Delete file"_s)->confirmMessage(), u"Delete file?"_s);
    menu->invokeActionIndex(-1, false);
    menu = menuOf(1);
    ASSERT_TRUE(menu);
    const auto remove = option(*menu, u"Delete message"_s);
    ASSERT_TRUE(remove);
    EXPECT_TRUE(remove->confirmMessage().isEmpty());
}

}  // namespace
}  // namespace menustest
