#include "tests/toolkit/richtext/DisplayModelFixture.h"

#include "ZelvoKit/support/text/ZVLocalization.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

namespace displaytest {
namespace {

const QString kOtherConversationId = u"9b2c6d1e-5a4f-4b3c-8d2e-1f0a9b8c7d6e"_s;
// Stands for the posted time in the expected sentences.
const QString kTime = u"<time>"_s;
const QString kNoLink;

struct Link {
    QString text;
    QString target;
};

class SystemMessageText : public DisplayModelTest {
protected:
    // The text of a finished model and its link fragment (the part after the sentence).
    static Link linkOf(ZVRichMessageRepresentation& shown) {
        const platform::AttributedString& text = shown.attributedText();
        const qsizetype start = shown.localizedText().size() + 1;
        if (text.length() <= start) {
            return {};
        }
        return {text.string().mid(start),
                text.attribute(platform::TextAttribute::Link, start).toString()};
    }
    QString withTime(QString expected, const std::shared_ptr<Message>& shown) {
        return expected.replace(kTime,
                                ZVLocalization::formatDateAndTime(shown->postedTime(), true));
    }
};

TEST_F(SystemMessageText, SentencePerTypeAndCase) {
    struct Case {
        const char* name;
        QString type;
        QJsonObject data;
        bool bySelf;
        QJsonObject conversationFields;
        QString sentence;
        QString linkText;
    };
    const QJsonArray everyone{u"SELF"_s, kFox, kOwl};
    const Case cases[] = {
        {"created alone by the user, no topic",
         u"create"_s,
         {{u"members"_s, QJsonArray{u"SELF"_s}}},
         true,
         {},
         u"You created new conversation on <time>."_s,
         kNoLink},
        {"created with others and a topic",
         u"create"_s,
         {{u"members"_s, everyone}, {u"topic"_s, u"Plans"_s}},
         false,
         {},
         u"Fox Mulder created new conversation \"Plans\" with Owl Jones on <time>."_s,
         kNoLink},
        {"created with others, no topic",
         u"create"_s,
         {{u"members"_s, everyone}},
         false,
         {},
         u"Fox Mulder created new conversation with Owl Jones on <time>."_s,
         kNoLink},
        {"created with a topic, nobody else",
         u"create"_s,
         {{u"members"_s, QJsonArray{kFox}}, {u"topic"_s, u"Plans"_s}},
         false,
         {},
         u"Fox Mulder created new conversation \"Plans\" on <time>."_s,
         kNoLink},
        {"the user added by another",
         u"add"_s,
         {{u"members"_s, QJsonArray{u"SELF"_s}}},
         false,
         {},
         u"Fox Mulder added you to the conversation."_s,
         kNoLink},
        {"the message that brought the user in",
         u"add"_s,
         {{u"members"_s, QJsonArray{u"SELF"_s, kOwl}}},
         false,
         {{u"join_message_nr"_s, 50}},
         u"Fox Mulder added you and Owl Jones to the conversation on <time>."_s,
         kNoLink},
        {"the user left an auto-join conversation last",
         u"leave"_s,
         {},
         true,
         {{u"is_autojoin"_s, true}, {u"last_message_nr"_s, 50}},
         u"You left the conversation."_s,
         u"Rejoin conversation"_s},
        {"the user left, later messages followed",
         u"leave"_s,
         {},
         true,
         {{u"is_autojoin"_s, true}, {u"last_message_nr"_s, 51}},
         u"You left the conversation."_s,
         kNoLink},
        {"another left last",
         u"leave"_s,
         {},
         false,
         {{u"is_autojoin"_s, true}, {u"last_message_nr"_s, 50}},
         u"Fox Mulder left the conversation."_s,
         kNoLink},
        {"the user left a conversation without auto-join",
         u"leave"_s,
         {},
         true,
         {{u"last_message_nr"_s, 50}},
         u"You left the conversation."_s,
         kNoLink},
        {"topic set",
         u"topic"_s,
         {{u"topic"_s, u"Plans"_s}},
         false,
         {},
         u"Fox Mulder changed the topic to \"Plans\"."_s,
         kNoLink},
        {"topic removed",
         u"topic"_s,
         {{u"topic"_s, u""_s}},
         false,
         {},
         u"Fox Mulder deleted the topic of this conversation."_s,
         kNoLink},
        {"a topic that is no text",
         u"topic"_s,
         {{u"topic"_s, 7}},
         false,
         {},
         u"Fox Mulder deleted the topic of this conversation."_s,
         kNoLink},
        {"kick",
         u"kick"_s,
         {{u"members"_s, QJsonArray{kOwl}}},
         false,
         {},
         u"Fox Mulder removed Owl Jones from the conversation."_s,
         kNoLink},
        {"members that are no list",
         u"kick"_s,
         {{u"members"_s, kOwl}},
         false,
         {},
         u"Fox Mulder removed  from the conversation."_s,
         kNoLink},
        {"file",
         u"file"_s,
         {{u"file_name"_s, u"plan.pdf"_s}},
         false,
         {},
         u"Fox Mulder posted file \"plan.pdf\"."_s,
         kNoLink},
        {"file without its name",
         u"file"_s,
         {},
         false,
         {},
         u"Fox Mulder posted file \"\"."_s,
         kNoLink},
        {"hook",
         u"hook"_s,
         {{u"hook_name"_s, u"Builds"_s}},
         false,
         {},
         u"Fox Mulder added Builds integration to the conversation."_s,
         kNoLink},
        {"unhook",
         u"unhook"_s,
         {{u"hook_name"_s, u"Builds"_s}},
         false,
         {},
         u"Fox Mulder removed Builds integration from the conversation."_s,
         kNoLink},
        {"video call with its address",
         u"hangout"_s,
         {{u"hangout_url"_s, u"https://meet.example/x"_s}},
         false,
         {},
         u"Fox Mulder has started a video call."_s,
         u"JOIN"_s},
        {"video call without one",
         u"hangout"_s,
         {},
         false,
         {},
         u"Fox Mulder has started a video call."_s,
         kNoLink},
        {"sharing without an address",
         u"share"_s,
         {},
         false,
         {},
         u"Fox Mulder enabled conversation sharing, anyone can join the conversation via: "_s,
         kNoLink},
        {"sharing with its address",
         u"share"_s,
         {},
         false,
         {{u"autojoin_url"_s, u"https://join.example/abc"_s}},
         u"Fox Mulder enabled conversation sharing, anyone can join the conversation via: "_s,
         u"https://join.example/abc"_s},
        {"unshare", u"unshare"_s, {}, true, {}, u"You disabled conversation sharing."_s, kNoLink},
        {"teams by id",
         u"add_team"_s,
         {{u"teams"_s, QJsonArray{u"t1"_s, u"t2"_s}}},
         false,
         {},
         u"Fox Mulder added team Ops and Design to the conversation."_s,
         kNoLink},
        {"a team by name",
         u"kick_team"_s,
         {{u"team_name"_s, u"Ops"_s}},
         false,
         {},
         u"Fox Mulder removed team Ops."_s,
         kNoLink},
        {"history shown",
         u"show"_s,
         {},
         false,
         {},
         u"Fox Mulder enabled automated disclosing of message history, new members will now see "
         u"previous messages."_s,
         kNoLink},
        {"history hidden",
         u"hide"_s,
         {},
         false,
         {},
         u"Fox Mulder disabled automated disclosing of message history, new members will only "
         u"see new messages."_s,
         kNoLink},
        {"fork into a known conversation",
         u"fork"_s,
         {{u"conversation_id"_s, kOtherConversationId}},
         false,
         {},
         u"Fox Mulder created a new conversation with you and Owl Jones."_s,
         u"OPEN"_s},
        {"fork into an unknown conversation",
         u"fork"_s,
         {{u"conversation_id"_s, u"0d9c8b7a-6f5e-4d3c-2b1a-0f9e8d7c6b5a"_s}},
         false,
         {},
         u"Fox Mulder created a new group conversation."_s,
         u"OPEN"_s},
        {"the service's own sentence",
         u"sysmsg"_s,
         {{u"sysmsg_text"_s, u"{author} set a reminder for {when} on {timestamp}."_s},
          {u"when"_s, u"Monday"_s}},
         false,
         {},
         u"Fox Mulder set a reminder for Monday on <time>."_s,
         kNoLink},
        {"a list value of the service's sentence",
         u"sysmsg"_s,
         {{u"sysmsg_text"_s, u"{author} tagged {tags}."_s},
          {u"tags"_s, QJsonArray{u"red"_s, 5, u"blue"_s}}},
         false,
         {},
         u"Fox Mulder tagged red, 5, blue."_s,
         kNoLink},
        {"an unknown type reads the service's sentence",
         u"bounce"_s,
         {{u"sysmsg_text"_s, u"Mail to {address} bounced."_s}},
         false,
         {},
         u"Mail to  bounced."_s,
         kNoLink},
    };
    apply(
        {modeltest::streamRecord(u"team"_s, {{u"team_id"_s, u"t1"_s}, {u"team_name"_s, u"Ops"_s}}),
         modeltest::streamRecord(u"team"_s,
                                 {{u"team_id"_s, u"t2"_s}, {u"team_name"_s, u"Design"_s}})});
    applyConversation({{u"members"_s, QJsonArray{self, kFox, kOwl}}}, kOtherConversationId);
    const auto withSelf = [&](QJsonValue value) {
        if (value.isArray()) {
            QJsonArray replaced;
            for (const QJsonValue& entry : value.toArray()) {
                replaced.append(entry == u"SELF"_s ? QJsonValue(self) : entry);
            }
            return QJsonValue(replaced);
        }
        return value;
    };
    const std::int64_t nr = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QJsonObject data = c.data;
        data.insert(u"members"_s, withSelf(data.value(u"members"_s)));
        if (!c.data.contains(u"members"_s)) {
            data.remove(u"members"_s);
        }
        QJsonObject fields = c.conversationFields;
        if (!fields.contains(u"last_message_nr"_s)) {
            fields.insert(u"last_message_nr"_s, 100);
        }
        fields.insert(u"is_autojoin"_s, c.conversationFields.value(u"is_autojoin"_s).toBool());
        fields.insert(u"join_message_nr"_s,
                      c.conversationFields.value(u"join_message_nr"_s).toInt());
        fields.insert(u"autojoin_url"_s, c.conversationFields.value(u"autojoin_url"_s).toString());
        applyConversation(fields);
        // Each case rewrites message 50; its model is made afresh.
        if (const auto old = session_->messageFromKey(kConversationId, nr)) {
            old->resetRepresentation();
        }
        const auto shown =
            message(nr, c.type, json(data), {{u"account_id"_s, c.bySelf ? self : kFox}});
        ASSERT_TRUE(shown);
        const auto text = model(shown);
        ASSERT_TRUE(text);
        EXPECT_EQ(text->localizedText(), withTime(c.sentence, shown));
        const Link link = linkOf(*text);
        EXPECT_EQ(link.text, c.linkText);
    }
}

TEST_F(SystemMessageText, LinksCarryTheirTargetsInTheLogoColour) {
    struct Case {
        const char* name;
        QString type;
        QJsonObject data;
        QJsonObject conversationFields;
        QString target;
    };
    const Case cases[] = {
        {"rejoin",
         u"leave"_s,
         {},
         {{u"is_autojoin"_s, true}, {u"last_message_nr"_s, 50}},
         u"zelvo:PyUE4E-JQdOaDAMF6CwzAQ"_s},
        {"open",
         u"fork"_s,
         {{u"conversation_id"_s, kOtherConversationId}},
         {},
         u"zelvo:myxtHlpPSzyNLh8Km4x9bg"_s},
        {"join",
         u"hangout"_s,
         {{u"hangout_url"_s, u"https://meet.example/x"_s}},
         {},
         u"https://meet.example/x"_s},
        {"share",
         u"share"_s,
         {},
         {{u"autojoin_url"_s, u"https://join.example/abc"_s}},
         u"https://join.example/abc"_s},
    };
    const std::int64_t nr = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        applyConversation(c.conversationFields);
        if (const auto old = session_->messageFromKey(kConversationId, nr)) {
            old->resetRepresentation();
        }
        const auto shown = message(nr, c.type, json(c.data), {{u"account_id"_s, self}});
        const auto text = model(shown);
        const qsizetype start = text->localizedText().size() + 1;
        const platform::AttributedString& drawn = text->attributedText();
        EXPECT_EQ(drawn.attribute(platform::TextAttribute::Link, start).toString(), c.target);
        EXPECT_EQ(drawn.attribute(platform::TextAttribute::ForegroundColor, start)
                      .value<platform::Color>(),
                  ZVColors::logo());
        // The sentence itself links nowhere.
        EXPECT_FALSE(drawn.attribute(platform::TextAttribute::Link, 0).isValid());
    }
}

TEST_F(SystemMessageText, NamesAreBoldTheTimeRegularAndTheRestInTheEventStyle) {
    applyConversation({{u"join_message_nr"_s, 50}});
    const auto shown = message(50, u"add"_s, json({{u"members"_s, QJsonArray{self}}}));
    const platform::AttributedString& text = model(shown)->attributedText();
    const platform::TextAttributes& event = ZVTextStyles::attributesForStyle(17);
    const auto fontAt = [&](qsizetype index) {
        return text.attribute(platform::TextAttribute::Font, index)
            .value<platform::FontDescription>();
    };
    const QString plain = text.string();
    ASSERT_TRUE(plain.startsWith(u"Fox Mulder added you to the conversation on "_s));
    EXPECT_EQ(fontAt(0), ZVTextStyles::mainBoldFont());
    EXPECT_EQ(fontAt(plain.indexOf(u"you"_s)), ZVTextStyles::mainBoldFont());
    EXPECT_EQ(fontAt(plain.indexOf(u" on "_s) + 4), ZVTextStyles::mainFont());
    EXPECT_EQ(fontAt(plain.indexOf(u"added"_s)),
              event.value(platform::TextAttribute::Font).value<platform::FontDescription>());
    // Names take the colour of the event style that they lack.
    EXPECT_EQ(text.attribute(platform::TextAttribute::ForegroundColor, 0),
              event.value(platform::TextAttribute::ForegroundColor));
}

TEST_F(SystemMessageText, AnEventWithoutDataShowsNothingAndASeparatorItsPlainText) {
    const auto bare = message(50, u"sysmsg"_s, u"not json"_s);
    EXPECT_EQ(model(bare)->localizedText(), u""_s);
    EXPECT_TRUE(model(bare)->attributedText().isEmpty());

    const auto separator = message(51, u"separator"_s, u"<msg><b>Sprint</b> 12</msg>"_s);
    EXPECT_EQ(model(separator)->localizedText(), u"Sprint 12"_s);
    EXPECT_EQ(model(separator)->attributedText(),
              platform::AttributedString(u"Sprint 12"_s, ZVTextStyles::attributesForStyle(0)));
}

}  // namespace
}  // namespace displaytest
