#include "ZelvoKit/model/ZVFileArray.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/support/text/ZVTextAppearance.h"
#include "platform/foundation/TextAttributes.h"

namespace {

using namespace Qt::Literals::StringLiterals;

class ZVFileArrayTest : public modeltest::SignedInTest {
protected:
    std::shared_ptr<File> file(std::int64_t messageNr, const QString& attachmentId,
                               const QString& name, const QString& hash = {}) {
        auto made = session_->repository()->createObjectOfClass<File>(QString(File::kEntityName));
        made->setConversationId(u"c"_s);
        made->setMessageNr(messageNr);
        made->setAttachmentId(attachmentId);
        made->setFileName(name);
        made->setFileSha256(hash.isEmpty() ? name : hash);
        made->setFileUrl(u"https://f/"_s + attachmentId);
        return made;
    }

    static QStringList names(const ZVFileArray& files) {
        QStringList out;
        for (const auto& f : files) {
            out.append(f->fileName());
        }
        return out;
    }
};

TEST_F(ZVFileArrayTest, NewestFirstWithoutDeletedUnpostedOrRepeatedContent) {
    const auto deleted = file(5, u"a"_s, u"deleted.txt"_s);
    deleted->setFileDeleted(true);
    const auto unposted = file(6, u"a"_s, u"unposted.txt"_s);
    unposted->setFileUrl(u"zelvo-upload:17"_s);
    const auto original = file(2, u"a"_s, u"first.png"_s, u"same"_s);
    const auto repeat = file(9, u"b"_s, u"again.png"_s, u"same"_s);

    ZVFileArray files;
    files.populateFromArray({file(3, u"a"_s, u"3a"_s), original, deleted, unposted,
                             file(3, u"b"_s, u"3b"_s), repeat, file(1, u"z"_s, u"1z"_s)});
    EXPECT_EQ(names(files), (QStringList{u"3b"_s, u"3a"_s, u"first.png"_s, u"1z"_s}));
    EXPECT_EQ(files.filesByHash().value(u"same"_s), original);

    // Once the first copy goes, the next one of that content may stand for it.
    files.removeItem(original);
    EXPECT_FALSE(files.filesByHash().contains(u"same"_s));
    EXPECT_TRUE(files.addItem(repeat));
    EXPECT_EQ(names(files).first(), u"again.png"_s);
}

TEST_F(ZVFileArrayTest, MatchingNamesAreHighlighted) {
    ZVTextAppearance::setStyleLookup([](int style) {
        return platform::TextAttributes{{u"style"_s, style}};
    });
    ZVFileArray files;
    files.populateFromArray({file(1, u"a"_s, u"Budget 2026.xlsx"_s),
                             file(2, u"a"_s, u"my-budget.pdf"_s), file(3, u"a"_s, u"notes.txt"_s),
                             file(4, u"a"_s, QString(), u"h4"_s)});
    const auto matches = files.filesMatchingText(u"bud"_s);
    ASSERT_TRUE(matches);
    // A file without a name is never hidden by a search.
    EXPECT_EQ(names(*matches), (QStringList{QString(), u"my-budget.pdf"_s, u"Budget 2026.xlsx"_s}));
    const platform::AttributedString& highlighted = (*matches)[1]->highlightedName();
    EXPECT_EQ(highlighted.string(), u"my-budget.pdf"_s);
    EXPECT_EQ(highlighted.attributesAt(0).value(u"style"_s), 7);
    EXPECT_NE(highlighted.attributesAt(3), highlighted.attributesAt(2));
    EXPECT_EQ(files.filesMatchingText(u"udget"_s)->count(), 1);  // only the nameless file
    files.removeItem(files[0]);
    EXPECT_EQ(files.filesMatchingText(u"udget"_s), nullptr);
    ZVTextAppearance::setStyleLookup(nullptr);
}

}  // namespace

namespace {

using namespace Qt::Literals::StringLiterals;

class ConversationFilesTest : public modeltest::SignedInTest {
protected:
    QJsonObject fileRecord(const QString& kind, int messageNr, const QString& key,
                           const QString& hash, QJsonObject fields = {}) const {
        fields.insert(u"conversation_id"_s, conversationId_);
        fields.insert(u"message_nr"_s, messageNr);
        fields.insert(kind == u"file"_s ? u"attachment_id"_s : u"attached_url"_s, key);
        fields.insert(u"file_sha256"_s, hash);
        fields.insert(u"file_name"_s, key);
        fields.insert(u"file_url"_s, u"https://f/"_s + key);
        return modeltest::streamRecord(kind, fields);
    }
    QStringList listed() {
        QStringList keys;
        for (const auto& file : *session_->conversationFromId(conversationId_)->files()) {
            keys.append(QString::number(file->messageNr()) + u'/' + file->attachmentId());
        }
        return keys;
    }

    QString conversationId_;
};

TEST_F(ConversationFilesTest, ListsPostedFilesAndFollowsTheStream) {
    conversationId_ = emulator.addConversation(u"Plans"_s, {session_->sessionId()});
    ASSERT_TRUE(deliver(
        session_,
        {*emulator.conversationRecord(conversationId_), fileRecord(u"file"_s, 1, u"a"_s, u"h1"_s),
         fileRecord(u"file"_s, 2, u"b"_s, u"h2"_s),
         fileRecord(u"file"_s, 2, u"c"_s, u"h1"_s),  // the same content again
         fileRecord(u"file"_s, 3, u"d"_s, u"h3"_s, {{u"is_deleted"_s, true}}),
         fileRecord(u"preview"_s, 3, u"https://site/"_s, u"h4"_s)}));
    // The second copy of a content, deleted files and link previews are not listed.
    EXPECT_EQ(listed(), (QStringList{u"2/b"_s, u"1/a"_s}));

    ASSERT_TRUE(
        deliver(session_, {fileRecord(u"file"_s, 4, u"e"_s, u"h5"_s),
                           fileRecord(u"file"_s, 2, u"b"_s, u"h2"_s, {{u"is_deleted"_s, true}})}));
    EXPECT_EQ(listed(), (QStringList{u"4/e"_s, u"1/a"_s}));

    session_->conversationFromId(conversationId_)->deleteFile(u"a"_s, 1);
    EXPECT_EQ(listed(), QStringList{u"4/e"_s});
    EXPECT_TRUE(session_->fileFromConversation(conversationId_, 1, u"a"_s));
}

}  // namespace
