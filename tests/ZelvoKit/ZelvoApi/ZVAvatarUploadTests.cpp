#include "ZelvoKit/ZelvoApi/transfers/ZVFileTransfers.h"
#include "tests/ZelvoKit/ZelvoApi/ApiTestSupport.h"
#include "tests/ZelvoKit/ZelvoApi/TransferTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace zvapitest {
namespace {

using namespace Qt::Literals::StringLiterals;
using zvemu::Fault;

class ZVAvatarUploadTest : public ApiTest {
protected:
    void SetUp() override {
        ApiTest::SetUp();
        session = signIn(u"ann@example.com"_s);
        api().ensureFileTransfers();
    }

    std::shared_ptr<RecordingSession> session;
};

TEST_F(ZVAvatarUploadTest, ProgressCompletionAndFailureReachTheCallersBlocks) {
    const QByteArray jpeg = patternBytes(120000, 11);
    const QUrl picked = QUrl::fromLocalFile(writeTestFile(u"p"_s, u"IMG_0001.JPG"_s, jpeg));
    std::vector<float> progress;
    int succeeded = 0;
    std::vector<ZVErrorPtr> errors;
    const auto start = [&](const QUrl& local) {
        session->setMyAvatar(
            local, [&] { ++succeeded; }, [&](float value) { progress.push_back(value); },
            [&](const ZVErrorPtr& error) { errors.push_back(error); });
    };

    start(picked);
    ASSERT_TRUE(waitUntil([&] { return succeeded + errors.size() == 1; }));
    EXPECT_EQ(succeeded, 1);
    const auto request = emulator.lastRequest(u"avatar/upload"_s);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->header("Content-Disposition"), R"(attachment; filename="Avatar.jpg")");
    EXPECT_EQ(request->accountId, session->sessionId());
    EXPECT_TRUE(request->rawBody == jpeg);
    ASSERT_FALSE(progress.empty());
    EXPECT_FLOAT_EQ(progress.back(), 1.0f);

    emulator.injectFault(u"avatar/upload"_s, Fault::withStatus(413));
    start(picked);
    ASSERT_TRUE(waitUntil([&] { return succeeded + errors.size() == 2; }));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors.front()->code(), 413);

    // Nothing to send: told at once rather than never.
    start(QUrl::fromLocalFile(zvtest::testRoot() + u"/gone.jpg"_s));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors.back()->code(), ZVError::LocalTransferFailed);
    EXPECT_EQ(succeeded, 1);
}

}  // namespace
}  // namespace zvapitest
