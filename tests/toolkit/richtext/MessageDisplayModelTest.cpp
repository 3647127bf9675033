#include "tests/toolkit/richtext/DisplayModelFixture.h"

#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVMessageQueue.h"
#include "ZelvoKit/support/text/ZVLocalization.h"
#include "ZelvoKit/support/text/ZVNameUtils.h"
#include "toolkit/richtext/message/ZVFileThumbnailReset.h"
#include "toolkit/style/RichTextAttributes.h"
#include "toolkit/style/ZVColorTable.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace displaytest {
namespace {

const QString kGrin = u"\U0001F600"_s;

QJsonObject fileRecord(std::int64_t nr, const QString& key, QJsonObject fields = {}) {
    fields.insert(u"conversation_id"_s, kConversationId);
    fields.insert(u"message_nr"_s, qint64(nr));
    fields.insert(u"attachment_id"_s, key);
    fields.insert(u"file_name"_s, key + u".png"_s);
    fields.insert(u"file_url"_s, u"https://files.example/"_s + key);
    return modeltest::streamRecord(u"file"_s, fields);
}

QString fileElement(const QString& key) {
    return u"<file key=\"%1\">%1.png</file>"_s.arg(key);
}

QStringList keysOf(const std::optional<ZVMessageRepresentation::Files>& files) {
    QStringList keys;
    for (const auto& file : files.value_or(ZVMessageRepresentation::Files())) {
        keys.append(file->attachmentId());
    }
    return keys;
}

double lineHeight() {
    return ZVTextStyles::lineHeightForStyle(5);
}

QString paragraphs(int count) {
    QString body = u"<msg>"_s;
    for (int i = 0; i < count; ++i) {
        body += u"<p>line %1</p>"_s.arg(i);
    }
    return body + u"</msg>"_s;
}

class MessageDisplayModel : public DisplayModelTest {};

TEST_F(MessageDisplayModel, DeletedMessagesNameWhoDeletedThem) {
    struct Case {
        const char* name;
        QJsonObject fields;
        QString text;
    };
    const Case cases[] = {
        {"deleted by another",
         {{u"edit_account_id"_s, kOwl}},
         u"This message has been deleted by Owl Jones."_s},
        {"deleted by its author",
         {{u"edit_account_id"_s, kFox}},
         u"This message has been deleted."_s},
        {"deleted, nobody named", {}, u"This message has been deleted."_s},
    };
    std::int64_t nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto shown = message(++nr, u"text"_s, u""_s, c.fields);
        const auto text = model(shown);
        EXPECT_EQ(text->localizedText(), c.text);
        EXPECT_EQ(text->attributedText(),
                  platform::AttributedString(c.text, ZVTextStyles::attributesForStyle(16)));
        EXPECT_FALSE(text->files());
        text->formattedHeightForWidth(20);
        EXPECT_FALSE(text->expandable()) << "a deleted message is never expandable";
    }
}

TEST_F(MessageDisplayModel, AMessageOnItsWayIsGreyAndAFailedOneSaysSo) {
    const auto conversation = this->conversation();
    const auto pending = [&](std::int64_t nr) {
        auto made = session_->repository()->createMemoryObjectOfClass<Message>(u"Message"_s);
        made->setConversationId(kConversationId);
        made->setMessageNr(nr);
        made->setMessageType(Message::TypeText);
        made->setMessage(u"<msg>on its way</msg>"_s);
        made->setConversation(conversation);
        return made;
    };
    const auto sending = pending(Message::kFirstPendingMessageNr);
    const auto text = model(sending);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->localizedText(), u"on its way"_s);
    EXPECT_EQ(text->attributedText()
                  .attribute(platform::TextAttribute::ForegroundColor, 0)
                  .value<platform::Color>(),
              ZVColors::gray());

    conversation->messageQueue()->setFailed(true);
    text->refresh();
    EXPECT_EQ(text->localizedText(), u"Failed message: on its way"_s);
    EXPECT_EQ(text->attributedText()
                  .attribute(platform::TextAttribute::ForegroundColor, 0)
                  .value<platform::Color>(),
              ZVColors::gray());
}

TEST_F(MessageDisplayModel, OnlyShortEmoticonTextsAreDrawnLarge) {
    // An emoticon the application draws from its own image stands as one letter.
    const QString image = u"<emo kind=\"no-such-emoji\">x</emo>"_s;
    struct Case {
        const char* name;
        QString body;
        bool large;
    };
    const Case cases[] = {
        {"1 unit", image, false},
        {"2 units", kGrin, true},
        {"10 units", kGrin.repeated(5), true},
        {"11 units", kGrin.repeated(5) + image, false},
        {"text beside an emoticon", kGrin + u"ok"_s, false},
    };
    std::int64_t nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto text = model(message(++nr, u"text"_s, u"<msg>"_s + c.body + u"</msg>"_s));
        const auto font = text->attributedText()
                              .attribute(platform::TextAttribute::Font, 0)
                              .value<platform::FontDescription>();
        EXPECT_EQ(font == ZVTextStyles::fontForStyle(31), c.large);
    }

    session_->profile()->setClientFlag(u"large_emoticons_disabled"_s, true);
    const auto text = model(message(20, u"text"_s, u"<msg>"_s + kGrin + u"</msg>"_s));
    EXPECT_NE(text->attributedText().attribute(platform::TextAttribute::Font, 0),
              QVariant::fromValue(ZVTextStyles::fontForStyle(31)));
}

TEST_F(MessageDisplayModel, ATaskStartsWithItsCheckbox) {
    const auto open = model(
        message(11, u"text"_s, u"<msg>Ship it</msg>"_s, {{u"tags"_s, QJsonArray{u"is_todo"_s}}}));
    const auto done = model(
        message(12, u"text"_s, u"<msg>Shipped</msg>"_s, {{u"tags"_s, QJsonArray{u"is_done"_s}}}));
    for (const auto& [text, checked] : {std::pair{open, false}, std::pair{done, true}}) {
        const platform::AttributedString& drawn = text->attributedText();
        EXPECT_EQ(drawn.string().left(1), u"X"_s);
        EXPECT_EQ(drawn.attribute(ZVCheckboxAttributeName, 0), QVariant(checked));
        EXPECT_FALSE(drawn.attribute(ZVCheckboxAttributeName, 1).isValid());
    }
    EXPECT_TRUE(open->isTaskOrPin());
}

TEST_F(MessageDisplayModel, SeparatorsStartExpandedOnlyWithAPositiveNumber) {
    EXPECT_FALSE(model(message(0, u"separator"_s, u"<msg>Backlog</msg>"_s))->expanded());
    EXPECT_TRUE(model(message(5, u"separator"_s, u"<msg>Sprint</msg>"_s))->expanded());
}

TEST_F(MessageDisplayModel, AnEmailHidesItsQuotesAndTheFilesMarkedHiddenUntilQuoteZeroShows) {
    apply({fileRecord(30, u"shown"_s), fileRecord(30, u"quoted"_s, {{u"is_hidden"_s, true}})});
    const auto mail = message(30, u"email"_s,
                              u"<msg>Reply%1<q>Earlier mail %2</q></msg>"_s.arg(
                                  fileElement(u"shown"_s), fileElement(u"quoted"_s)));
    const auto text = model(mail);
    EXPECT_EQ(text->hiddenQuotes(), ZVRichMessageRepresentation::kAllQuotesHidden);
    EXPECT_EQ(keysOf(text->files()), QStringList{u"shown"_s});
    EXPECT_FALSE(text->attributedText().string().contains(u"Earlier mail"_s));
    const double hidden = text->formattedHeightForWidth(320);

    text->toggleQuote(0);
    EXPECT_EQ(text->hiddenQuotes() & 1u, 0u);
    EXPECT_EQ(keysOf(text->files()), (QStringList{u"shown"_s, u"quoted"_s}));
    EXPECT_TRUE(text->attributedText().string().contains(u"Earlier mail"_s));
    EXPECT_GT(text->formattedHeightForWidth(320), hidden);

    // Indexes past the mask have no bit: nothing changes.
    const std::uint32_t before = text->hiddenQuotes();
    text->toggleQuote(32);
    text->toggleQuote(-1);
    EXPECT_EQ(text->hiddenQuotes(), before);
}

TEST_F(MessageDisplayModel, AnExpandableMessageStartsExpandedWhenUnreadOrRecentButAnEmailNever) {
    struct Case {
        const char* name;
        QString type;
        qint64 age;
        bool unread;
        bool expanded;
    };
    const Case cases[] = {
        {"pinned 59 s ago", u"text"_s, 59, false, true},
        {"pinned 61 s ago", u"text"_s, 61, false, false},
        {"pinned long ago, unread", u"text"_s, 3600, true, true},
        {"an e-mail pinned 59 s ago", u"email"_s, 59, false, false},
        {"an e-mail pinned long ago, unread", u"email"_s, 3600, true, false},
    };
    std::int64_t nr = 90;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++nr;
        applyConversation(
            {{u"last_message_nr"_s, 100}, {u"read_message_nr"_s, c.unread ? 50 : 100}});
        const qint64 posted = static_cast<qint64>(scheduler().now()) - c.age;
        const auto text =
            model(message(nr, c.type, u"<msg>Pinned</msg>"_s,
                          {{u"tags"_s, QJsonArray{u"pin"_s}}, {u"posted_time"_s, posted}}));
        EXPECT_TRUE(text->expandable());
        EXPECT_EQ(text->expanded(), c.expanded);
    }
}

TEST_F(MessageDisplayModel, UnexpandedSpamReadsAsANoticeUntilShown) {
    for (const QString& type : {u"text"_s, u"email"_s}) {
        SCOPED_TRACE(type.toStdString());
        const auto text =
            model(message(type == u"text" ? 11 : 12, type, u"<msg>Buy now</msg>"_s,
                          {{u"tags"_s, QJsonArray{u"is_spam"_s}}, {u"edit_account_id"_s, kOwl}}));
        EXPECT_EQ(text->localizedText(), u"Owl Jones marked this message as spam."_s);
        EXPECT_EQ(text->attributedText().string(),
                  u"Owl Jones marked this message as spam. Show message"_s);
        // Measuring keeps the notice: no rebuild at every height.
        text->formattedHeightForWidth(320);
        EXPECT_EQ(text->localizedText(), u"Owl Jones marked this message as spam."_s);

        text->setExpanded(true);
        EXPECT_EQ(text->localizedText(), u"Buy now"_s);
    }
}

TEST_F(MessageDisplayModel, TheFileListKeepsItsObjectsAndSkipsDeletedFiles) {
    apply({fileRecord(40, u"a"_s), fileRecord(40, u"b"_s),
           fileRecord(40, u"gone"_s, {{u"is_deleted"_s, true}})});
    const auto shown = message(
        40, u"text"_s,
        u"<msg>Files %1 %2 %3 %4</msg>"_s.arg(fileElement(u"b"_s), fileElement(u"gone"_s),
                                              fileElement(u"missing"_s), fileElement(u"a"_s)));
    const auto text = model(shown);
    const auto first = text->files();
    ASSERT_EQ(keysOf(first), (QStringList{u"b"_s, u"a"_s}));
    for (const auto& file : *first) {
        EXPECT_EQ(file->message(), shown);
    }

    // A rebuild shows the very objects shown before, with what they hold.
    (*first)[0]->setHighlightedName(platform::AttributedString(u"b.png"_s));
    text->refresh();
    const auto again = text->files();
    ASSERT_EQ(keysOf(again), (QStringList{u"b"_s, u"a"_s}));
    EXPECT_EQ((*again)[0], (*first)[0]);
    EXPECT_EQ((*again)[0]->highlightedName().string(), u"b.png"_s);
    EXPECT_FALSE(text->containsFilesOnly());

    const auto onlyFiles =
        model(message(41, u"text"_s, u"<msg>%1</msg>"_s.arg(fileElement(u"c"_s))));
    apply({fileRecord(41, u"c"_s)});
    onlyFiles->refresh();
    EXPECT_TRUE(onlyFiles->containsFilesOnly());
}

TEST_F(MessageDisplayModel, AMessageWithNeitherTextNorFilesSaysSo) {
    const auto text = model(message(11, u"text"_s, u"<msg> </msg>"_s));
    EXPECT_EQ(text->attributedText(),
              platform::AttributedString(u"This message contains no text."_s,
                                         ZVTextStyles::attributesForStyle(16)));
}

TEST_F(MessageDisplayModel, TheThumbnailsOfItsFilesAreDroppedWhenItBecomesOrStopsBeingAPin) {
    QStringList reset;
    ZVFileThumbnailReset::setReset(
        [&](const std::shared_ptr<File>& file) { reset.append(file->attachmentId()); });
    apply({fileRecord(40, u"a"_s)});
    const auto shown = message(40, u"text"_s, u"<msg>%1</msg>"_s.arg(fileElement(u"a"_s)));
    const auto text = model(shown);
    text->refresh();
    EXPECT_TRUE(reset.isEmpty());
    message(40, u"text"_s, u"<msg>%1</msg>"_s.arg(fileElement(u"a"_s)),
            {{u"tags"_s, QJsonArray{u"pin"_s}}});
    text->refresh();
    EXPECT_EQ(reset, QStringList{u"a"_s});
    text->refresh();
    EXPECT_EQ(reset, QStringList{u"a"_s});
    ZVFileThumbnailReset::setReset(nullptr);
}

TEST_F(MessageDisplayModel, AHeightIsMeasuredOncePerWidth) {
    const auto text = model(message(11, u"text"_s, paragraphs(3)));
    const double height = text->formattedHeightForWidth(320.0);
    EXPECT_EQ(height, std::ceil(height));
    EXPECT_EQ(text->formattedHeightForWidth(320.5), height);
    EXPECT_EQ(text->formatWidth(), 320.0) << "the second call measured again";
    text->formattedHeightForWidth(321.0);
    EXPECT_EQ(text->formatWidth(), 321.0);
    text->refresh();
    EXPECT_EQ(text->formatWidth(), 0.0);
}

TEST_F(MessageDisplayModel, HeightLimitsByKindAndState) {
    struct Case {
        const char* name;
        QString type;
        QString body;
        QJsonObject fields;
        bool unread;
        bool expand;
        double maxLines;  // 0: not cut
    };
    const QString longBody = paragraphs(40);
    const QString longEvent = json({{u"sysmsg_text"_s, u"word "_s.repeated(400)}});
    const Case cases[] = {
        {"a read text message", u"text"_s, longBody, {}, false, false, 20},
        {"an unread text message", u"text"_s, longBody, {}, true, false, 0},
        {"an expanded text message", u"text"_s, longBody, {}, false, true, 0},
        {"a pin", u"text"_s, longBody, {{u"tags"_s, QJsonArray{u"pin"_s}}}, false, false, 3},
        {"an e-mail, quotes hidden", u"email"_s, longBody, {}, false, false, 20},
        {"a cut event shows two lines", u"sysmsg"_s, longEvent, {}, false, false, 2},
    };
    std::int64_t nr = 60;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++nr;
        applyConversation(
            {{u"last_message_nr"_s, 100}, {u"read_message_nr"_s, c.unread ? 50 : 100}});
        const auto text = model(message(nr, c.type, c.body, c.fields));
        if (c.expand) {
            text->setExpanded(true);
        }
        const double height = text->formattedHeightForWidth(320);
        if (c.maxLines == 0) {
            EXPECT_FALSE(text->textIsTruncated());
            EXPECT_GT(height, 30 * lineHeight());
        } else {
            EXPECT_TRUE(text->textIsTruncated());
            EXPECT_TRUE(text->expandable());
            EXPECT_LE(height, std::ceil(c.maxLines * lineHeight()) + 3);
            EXPECT_GE(height, (c.maxLines - 1) * lineHeight());
        }
    }
}

TEST_F(MessageDisplayModel, AnEmailShowingQuoteZeroIsNotCut) {
    const auto text = model(message(
        11, u"email"_s, u"<msg>Reply<q>%1</q></msg>"_s.arg(u"quoted line<br/>"_s.repeated(40))));
    text->toggleQuote(0);
    text->formattedHeightForWidth(320);
    EXPECT_FALSE(text->textIsTruncated());
}

TEST_F(MessageDisplayModel, ASubjectIsDistinctUnlessItRepeatsTheTopic) {
    applyConversation({{u"topic"_s, u"Quarterly plans"_s}});
    struct Case {
        QString subject;
        bool distinct;
    };
    const Case cases[] = {
        {u""_s, false},
        {u"No subject"_s, false},
        {u"Quarterly plans"_s, false},
        {u"RE: quarterly PLANS"_s, false},
        {u"Re: Fw:  Quarterly plans "_s, false},
        {u"Quarterly plans draft"_s, true},
        {u"Re: Quarterly plans draft"_s, true},
        {u"Fwd: Quarterly plans"_s, true},
        {u"Note: Quarterly plans"_s, true},
    };
    std::int64_t nr = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject.toStdString());
        const auto text =
            model(message(++nr, u"text"_s, u"<msg>Hi</msg>"_s, {{u"subject"_s, c.subject}}));
        EXPECT_EQ(text->hasDistinctSubject(), c.distinct);
    }
}

TEST_F(MessageDisplayModel, ALocalSearchHighlightsWordStarts) {
    const auto text = model(message(11, u"text"_s, u"<msg>plan the planet, replan</msg>"_s));
    EXPECT_TRUE(text->highlightMatch(u"PLAN"_s));
    EXPECT_TRUE(text->isShowingMatch());
    const platform::AttributedString& drawn = text->attributedText();
    const QVariant highlight = QVariant::fromValue(ZVColorTable::colorWithName(u"highlight"_s));
    for (qsizetype at : {0, 9}) {
        EXPECT_EQ(drawn.attribute(platform::TextAttribute::BackgroundColor, at), highlight) << at;
    }
    EXPECT_FALSE(drawn.attribute(platform::TextAttribute::BackgroundColor, 18).isValid())
        << "inside a word";

    EXPECT_FALSE(text->highlightMatch(u"moon"_s));
    EXPECT_FALSE(text->isShowingMatch());
    EXPECT_FALSE(text->highlightMatch(u""_s));

    // A task's checkbox letter is no word of the text.
    const auto task = model(
        message(12, u"text"_s, u"<msg>xylophone</msg>"_s, {{u"tags"_s, QJsonArray{u"is_todo"_s}}}));
    EXPECT_TRUE(task->highlightMatch(u"x"_s));
    EXPECT_EQ(task->attributedText().string(), u"Xxylophone"_s);
    EXPECT_FALSE(
        task->attributedText().attribute(platform::TextAttribute::BackgroundColor, 0).isValid());
    EXPECT_TRUE(
        task->attributedText().attribute(platform::TextAttribute::BackgroundColor, 1).isValid());
}

TEST_F(MessageDisplayModel, AMessageWithoutTextMatchesNothing) {
    const auto text = model(message(11, u"sysmsg"_s, u"not json"_s));
    EXPECT_FALSE(text->highlightMatch(u"any"_s));
    EXPECT_FALSE(text->isShowingMatch());
}

TEST_F(MessageDisplayModel, AServerHighlightSurvivesRefreshAndMarksFileNames) {
    apply({fileRecord(11, u"a"_s)});
    const QString body = u"<msg>quarterly report %1</msg>"_s.arg(fileElement(u"a"_s));
    const auto shown = message(11, u"text"_s, body);
    // A search answer brings the hit's highlight for the message held.
    message(11, u"text"_s, body,
            {{u"marked_text"_s,
              u"<msg><mark>quarterly</mark> report <file key=\"a\">"
              u"<mark>a</mark>.png</file></msg>"_s}});
    ASSERT_FALSE(shown->markedText().isEmpty());
    const auto text = model(shown);
    text->highlightSearchMatches();
    EXPECT_TRUE(text->highlighted());
    text->refresh();
    const platform::AttributedString& drawn = text->attributedText();
    EXPECT_EQ(drawn.attribute(ZVFadingHighlightAttributeName, 0).toDateTime(),
              scheduler().currentDate());
    const auto files = text->files();
    ASSERT_EQ(keysOf(files), QStringList{u"a"_s});
    const platform::AttributedString& name = (*files)[0]->highlightedName();
    EXPECT_EQ(name.string(), u"a.png"_s);
    EXPECT_TRUE(name.attribute(platform::TextAttribute::BackgroundColor, 0).isValid());
    EXPECT_EQ(name.attribute(platform::TextAttribute::Font, 2),
              ZVTextStyles::attributesForStyle(7).value(platform::TextAttribute::Font));

    const platform::AttributedString preview = text->searchMatchText();
    // File names follow the text, each on a line of its own.
    EXPECT_EQ(preview.string(), u"quarterly report\na.png"_s);
}

TEST_F(MessageDisplayModel, PosterNamesComeFromTheSenderTheHookOrTheRoster) {
    apply({modeltest::streamRecord(u"hook"_s, {{u"hook_key"_s, u"h1"_s},
                                               {u"conversation_id"_s, kConversationId},
                                               {u"account_id"_s, kFox},
                                               {u"hook_url"_s, u"https://hooks.example/1"_s},
                                               {u"is_active"_s, true},
                                               {u"hook_name"_s, u"Builds"_s}})});
    const auto fromHook =
        model(message(11, u"text"_s, u"<msg>green</msg>"_s, {{u"hook_key"_s, u"h1"_s}}));
    EXPECT_EQ(fromHook->hookName(), u"Builds"_s);
    EXPECT_EQ(fromHook->posterName(), u"Builds"_s);
    EXPECT_EQ(fromHook->posterShortName(), u"Builds"_s);

    const auto named =
        model(message(12, u"text"_s, u"<msg>hi</msg>"_s, {{u"sender_name"_s, u"Dana Scully"_s}}));
    EXPECT_EQ(named->posterName(), u"Dana Scully"_s);
    EXPECT_EQ(named->posterShortName(), ZVNameUtils::shortenName(u"Dana Scully"_s));

    const auto member = model(message(13, u"text"_s, u"<msg>hi</msg>"_s));
    EXPECT_EQ(member->posterName(), u"Fox Mulder"_s);
    EXPECT_FALSE(member->posterShortName().isEmpty());
    EXPECT_EQ(member->quoteHeader(),
              u"On %1 Fox Mulder wrote:"_s.arg(ZVLocalization::formatDateAndTime(
                  scheduler().currentDate().addSecs(-kHour), true)));
}

TEST_F(MessageDisplayModel, AModelWhoseSessionIsGoneAnswersFromWhatItHas) {
    const auto text = model(message(11, u"text"_s, u"<msg>short lived</msg>"_s));
    ASSERT_TRUE(text);
    const double height = text->formattedHeightForWidth(320);
    held.clear();
    session_.reset();
    ZVApi::resetSharedApi();
    ASSERT_FALSE(text->message());

    text->refresh();
    text->setExpanded(true);
    text->toggleQuote(0);
    text->highlightSearchMatches();
    text->updatePosterName();
    EXPECT_EQ(text->localizedText(), u"short lived"_s);
    EXPECT_EQ(text->posterName(), u"Fox Mulder"_s);
    EXPECT_EQ(text->formattedHeightForWidth(200), height);
    EXPECT_FALSE(text->hasDistinctSubject());
    EXPECT_EQ(text->quoteHeader(), u""_s);
}

}  // namespace
}  // namespace displaytest
