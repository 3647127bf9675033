#include "MessageEditor/ZVClipboardMessage.h"

#include "tests/toolkit/richtext/DisplayModelFixture.h"

#include "MessageEditor/StartUp.h"
#include "ZelvoKit/model/File.h"
#include "platform/ui/standins/input/MemoryPasteboard.h"
#include "toolkit/tables/ZVClipboardMessageProbe.h"

#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>

namespace {

using namespace Qt::Literals::StringLiterals;
using displaytest::kConversationId;

const QString kQuotingBody =
    uR"(<msg><q><ql zvp="&gt; ">one</ql></q><br/>mid<br/><q><ql zvp="&gt; ">two</ql></q><br/>end</msg>)"_s;

QJsonObject clipFileRecord(const QString& conversationId, std::int64_t nr, const QString& key) {
    return modeltest::streamRecord(u"file"_s, {{u"conversation_id"_s, conversationId},
                                               {u"message_nr"_s, qint64(nr)},
                                               {u"attachment_id"_s, key},
                                               {u"file_name"_s, key + u".png"_s}});
}

QJsonObject ref(const QString& conversationId, std::int64_t nr, const QString& key) {
    return {{u"conversation"_s, conversationId}, {u"message_nr"_s, qint64(nr)}, {u"key"_s, key}};
}

QStringList keysOfFiles(const ZVClipboardMessage::Files& files) {
    QStringList keys;
    for (const auto& file : files) {
        keys.append(file->attachmentId());
    }
    return keys;
}

class ClipboardMessageTest : public displaytest::DisplayModelTest {
protected:
    void SetUp() override {
        DisplayModelTest::SetUp();
        platform::Pasteboard::setGeneral(pasteboard);
        ZVStartUpMessageEditor();
    }
    void TearDown() override {
        platform::Pasteboard::setGeneral(nullptr);
        DisplayModelTest::TearDown();
    }
    QJsonObject record() const {
        return QJsonDocument::fromJson(pasteboard->dataForType(ZVClipboardMessage::kMessageType))
            .object();
    }
    void putOnPasteboard(const QString& plain, const QByteArray& data) {
        pasteboard->setItem({{platform::Pasteboard::kPlainTextType, plain.toUtf8()},
                             {ZVClipboardMessage::kMessageType, data}});
    }

    std::shared_ptr<platform::MemoryPasteboard> pasteboard =
        std::make_shared<platform::MemoryPasteboard>();
};

TEST_F(ClipboardMessageTest, ACopiedMessageWritesItsTextAndARecordOfWhatItHas) {
    const auto copied = message(7, u"text"_s, kQuotingBody);
    ZVClipboardMessage(copied).copyToClipboard();

    EXPECT_EQ(pasteboard->string(), u"> one\nmid\n> two\nend"_s);
    const QJsonObject written = record();
    // No subject and no files: those keys are left out, not written empty.
    EXPECT_EQ(written.keys(), (QStringList{u"conversationId"_s, u"message"_s, u"quoteHeader"_s}));
    EXPECT_EQ(written.value(u"conversationId"_s).toString(), kConversationId);
    EXPECT_TRUE(written.value(u"quoteHeader"_s).toString().startsWith(u"On "_s));
    EXPECT_TRUE(written.value(u"quoteHeader"_s).toString().endsWith(u" Fox Mulder wrote:"_s));
    EXPECT_FALSE(pasteboard->dataForType(ZVClipboardMessage::kMessageType).contains('\n'));
    EXPECT_TRUE(ZVClipboardMessage::isInClipboard());
    EXPECT_TRUE(ZVClipboardMessageProbe::isInClipboard());

    // Back from the pasteboard: the number is not carried, and a quote shows the whole text.
    const auto pasted = ZVClipboardMessage::fromClipboard();
    EXPECT_EQ(pasted->message(), u"> one\nmid\n> two\nend"_s);
    EXPECT_EQ(pasted->quoteSource(), pasted->message());
    EXPECT_EQ(pasted->messageNr(), 0);
    EXPECT_EQ(pasted->conversationId(), kConversationId);
    EXPECT_TRUE(pasted->subject().isNull());
    EXPECT_EQ(pasted->quoteHeader(), written.value(u"quoteHeader"_s).toString());

    // In memory the message keeps its number, and its quote leaves out its own last quote.
    const ZVClipboardMessage kept(copied);
    EXPECT_EQ(kept.messageNr(), 7);
    EXPECT_EQ(kept.quoteSource(), u"> one\nmid\n\nend"_s);
}

TEST_F(ClipboardMessageTest, CopiedFilesTravelAsReferencesAndComeBackAsTheStoredFiles) {
    apply({clipFileRecord(kConversationId, 30, u"a"_s), clipFileRecord(kConversationId, 30, u"b"_s),
           clipFileRecord(kConversationId, 31, u"c"_s)});
    const auto files30 = session_->filesInMessageNr(30, kConversationId);
    const auto files31 = session_->filesInMessageNr(31, kConversationId);
    ZVClipboardMessage(QString(),
                       {files30.value(u"b"_s), files31.value(u"c"_s), files30.value(u"a"_s)})
        .copyToClipboard();

    EXPECT_TRUE(pasteboard->string().isNull());
    const QJsonObject written = record();
    EXPECT_EQ(written.keys(), QStringList{u"files"_s});
    EXPECT_EQ(written.value(u"files"_s).toArray().first().toObject(),
              ref(kConversationId, 30, u"b"_s));

    const auto pasted = ZVClipboardMessage::fromClipboard();
    EXPECT_TRUE(pasted->message().isNull());
    EXPECT_TRUE(pasted->conversationId().isNull());
    ASSERT_EQ(keysOfFiles(pasted->files()), (QStringList{u"b"_s, u"c"_s, u"a"_s}));
    EXPECT_EQ(pasted->files()[0], files30.value(u"b"_s));
}

TEST_F(ClipboardMessageTest, ReferencesResolveInAnyAccountAndBadOnesAreSkipped) {
    const auto ben = signIn(u"ben@example.com"_s);
    ASSERT_TRUE(ben);
    const QString bens = u"9c3e2f6a-4d5b-4a7c-8e9f-1a2b3c4d5e6f"_s;
    ASSERT_EQ(applyLocally(
                  ben, {modeltest::streamRecord(
                            u"conv"_s, {{u"conversation_id"_s, bens},
                                        {u"members"_s, QJsonArray{ben->profile()->contactId()}}}),
                        clipFileRecord(bens, 5, u"theirs"_s)}),
              nullptr);
    apply(
        {clipFileRecord(kConversationId, 30, u"a"_s), clipFileRecord(kConversationId, 30, u"b"_s)});

    QJsonObject withoutKey = ref(kConversationId, 30, u"a"_s);
    withoutKey.remove(u"key"_s);
    QJsonObject numberAsText = ref(kConversationId, 30, u"a"_s);
    numberAsText.insert(u"message_nr"_s, u"30"_s);
    const QJsonArray references{
        ref(kConversationId, 30, u"a"_s),
        withoutKey,
        numberAsText,
        u"not a reference"_s,
        ref(kConversationId, 30, u"unknown"_s),
        ref(kConversationId, 30, u"b"_s),
        ref(bens, 5, u"theirs"_s),
        ref(u"no-such-conversation"_s, 1, u"a"_s),
    };
    const auto files = ZVClipboardMessage::deserializeFiles(references);
    EXPECT_EQ(keysOfFiles(files), (QStringList{u"a"_s, u"b"_s, u"theirs"_s}));
    EXPECT_EQ(files[2], ben->filesInMessageNr(5, bens).value(u"theirs"_s));
    EXPECT_EQ(logText().count(u"File::filesFromReference: missing values"_s), 3);
}

TEST_F(ClipboardMessageTest, ForeignDataUnderOurTypeFallsBackToThePlainText) {
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"not JSON", "{\"message\": "},
        {"not an object", "[\"message\"]"},
        {"a text of the wrong type", R"({"message": "x", "subject": 5})"},
        {"files not a list", R"({"message": "x", "files": {"key": "a"}})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        putOnPasteboard(u"the plain text"_s, c.data);
        const qsizetype logged = logText().count(u"ZVClipboard::fromClipboard: "_s);
        const auto pasted = ZVClipboardMessage::fromClipboard();
        EXPECT_EQ(pasted->message(), u"the plain text"_s);
        EXPECT_TRUE(pasted->subject().isNull());
        EXPECT_TRUE(pasted->files().empty());
        EXPECT_EQ(logText().count(u"ZVClipboard::fromClipboard: "_s), logged + 1);
    }

    // Text copied by another program: no record at all, nothing logged.
    pasteboard->setString(u"from elsewhere"_s);
    const qsizetype logged = logText().count(u"ZVClipboard::fromClipboard: "_s);
    const auto pasted = ZVClipboardMessage::fromClipboard();
    EXPECT_EQ(pasted->message(), u"from elsewhere"_s);
    EXPECT_TRUE(pasted->conversationId().isNull());
    EXPECT_FALSE(ZVClipboardMessage::isInClipboard());
    EXPECT_EQ(logText().count(u"ZVClipboard::fromClipboard: "_s), logged);
}

TEST(ClipboardMessageQuote, KeepsParagraphBreaksButDropsSingleEmptyLines) {
    const struct {
        const char* name;
        QString header;
        QString text;
        QString quote;
    } cases[] = {
        {"one empty line between paragraphs goes", {}, u"one\n\ntwo"_s, u"> one\n> two\n"_s},
        {"of two empty lines one stays", {}, u"one\n\n\ntwo"_s, u"> one\n> \n> two\n"_s},
        {"a final newline adds nothing", {}, u"one\ntwo\n"_s, u"> one\n> two\n"_s},
        {"the header comes first on its own line", u"On Monday Fox wrote:"_s, u"hi"_s,
         u"On Monday Fox wrote:\n> hi\n"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ZVClipboardMessage(c.text, {}, {}, c.header, {}).quotedText(), c.quote);
    }
}

}  // namespace
