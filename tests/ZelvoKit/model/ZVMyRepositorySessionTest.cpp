#include "ZelvoKit/model/ZVMyRepositorySession.h"

#include "tests/ZelvoKit/model/RepositoryTestSupport.h"

#include "ZelvoKit/model/ZVFileViewServices.h"

namespace {

using namespace Qt::Literals::StringLiterals;
using modeltest::streamRecord;

const QString kConversation = u"2f1c9a4e-1b2d-4c3e-9f8a-7b6c5d4e3f21"_s;

class ZVMyRepositorySessionTest : public modeltest::RepositoryTest {
protected:
    void SetUp() override {
        RepositoryTest::SetUp();
        ZVApi::setSessionClass(ZVMyRepositorySession::factory());
        ZVFileViewServices::setPreloadPreview(
            [this](const std::shared_ptr<File>& file) { preloaded_.append(file->attachmentId()); });
    }
    void TearDown() override {
        ZVFileViewServices::reset();
        RepositoryTest::TearDown();
    }

    static QJsonObject fileRecord(const QString& attachmentId) {
        return streamRecord(u"file"_s, {{u"conversation_id"_s, kConversation},
                                        {u"message_nr"_s, 3},
                                        {u"attachment_id"_s, attachmentId},
                                        {u"file_url"_s, u"https://f/"_s + attachmentId}});
    }

    QStringList preloaded_;
};

TEST_F(ZVMyRepositorySessionTest, PreviewsArePreloadedOnceTheFirstSynchronisationIsDone) {
    const QString email = u"anna@example.com"_s;
    const QString id = emulator.addAccount(email, u"secret"_s).accountId;
    emulator.appendEvents(id, {fileRecord(u"early"_s)});
    const auto session = signIn(email);
    ASSERT_TRUE(std::dynamic_pointer_cast<ZVMyRepositorySession>(session));
    ASSERT_TRUE(waitForStreamEnd(session));
    ASSERT_TRUE(session->fileFromConversation(kConversation, 3, u"early"_s));
    EXPECT_TRUE(preloaded_.isEmpty());

    ASSERT_TRUE(deliver(session, {fileRecord(u"later"_s)}));
    EXPECT_EQ(preloaded_, QStringList{u"later"_s});
}

}  // namespace
