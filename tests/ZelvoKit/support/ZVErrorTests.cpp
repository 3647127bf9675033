#include "ZelvoKit/support/base/ZVError.h"

#include "ZelvoKit/support/text/ZVLocalization.h"

#include <gtest/gtest.h>

namespace {

// Each test chooses its localizer; the one installed at start-up comes back afterwards.
class ZVErrorTest : public testing::Test {
protected:
    void SetUp() override { saved_ = ZVError::errorLocalizer(); }
    void TearDown() override { ZVError::setErrorLocalizer(saved_); }

private:
    ZVError::Localizer saved_;
};

struct DescriptionCase {
    const char* name;
    int code;
    QJsonObject userInfo;
    bool withLocalizer;
    QString expected;
};

TEST_F(ZVErrorTest, LocalizedDescriptionFollowsLocalizerThenMessageThenIdThenDefault) {
    const QString alreadySignedIn = QStringLiteral("You are already signed in with this account.");
    const DescriptionCase cases[] = {
        {"known id beats the service's message",
         430,
         {{"error_id", "invalid_login"}, {"error_message", "x"}},
         true,
         QStringLiteral("Incorrect email or password")},
        {"typographic apostrophe of the table",
         403,
         {{"error_id", "autojoin_failed"}},
         true,
         QStringLiteral("The conversation you’re trying to join is private. A member of the "
                        "conversation will have to turn on Conversation sharing for you to be "
                        "able to join.")},
        {"known id without localizer reads the message",
         430,
         {{"error_id", "invalid_login"}, {"error_message", "x"}},
         false,
         QStringLiteral("x")},
        {"only a message",
         500,
         {{"error_message", "Server is down"}},
         true,
         QStringLiteral("Server is down")},
        {"unknown id reads as the id",
         500,
         {{"error_id", "quota_exceeded"}},
         true,
         QStringLiteral("quota_exceeded")},
        {"unknown id with a message reads the message",
         431,
         {{"error_id", "quota_exceeded"}, {"error_message", "Too many"}},
         true,
         QStringLiteral("Too many")},
        {"a message that is not text is passed over",
         500,
         {{"error_message", 42}, {"error_id", "quota_exceeded"}},
         true,
         QStringLiteral("quota_exceeded")},
        {"1016 whatever its user info", 1016, {{"error_message", "m"}}, true, alreadySignedIn},
        {"1016 without localizer",
         1016,
         {},
         false,
         QStringLiteral("The operation couldn’t be completed. (ZVApiError error 1016.)")},
        {"own code without id",
         1002,
         {{"key", "a"}},
         true,
         QStringLiteral("The operation couldn’t be completed. (ZVApiError error 1002.)")},
    };
    for (const DescriptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.withLocalizer) {
            ZVLocalization::load();
        } else {
            ZVError::setErrorLocalizer({});
        }
        EXPECT_EQ(ZVError::errorWithJson(c.userInfo, c.code)->localizedDescription(), c.expected);
    }
}

TEST_F(ZVErrorTest, LocalizerIsReplacedNotChainedAndNullFallsThrough) {
    ZVError::setErrorLocalizer([](const ZVError&) { return QStringLiteral("first"); });
    ZVError::setErrorLocalizer([](const ZVError& error) {
        return error.code() == 404 ? QStringLiteral("second") : QString();
    });
    EXPECT_EQ(ZVError::errorWithCode(404)->localizedDescription(), QStringLiteral("second"));
    EXPECT_EQ(ZVError::errorWithJson({{"error_message", "from the service"}}, 500)
                  ->localizedDescription(),
              QStringLiteral("from the service"));
}

TEST_F(ZVErrorTest, ConstructorsFillDomainCodeAndUserInfo) {
    const ZVErrorPtr backend = ZVError::errorWithBackendErrorId(QStringLiteral("member_left"), 432);
    EXPECT_EQ(backend->domain(), QStringLiteral("ZVApiError"));
    EXPECT_EQ(backend->code(), 432);
    EXPECT_EQ(backend->userInfo(), QJsonObject({{"error_id", "member_left"}}));
    EXPECT_EQ(backend->backendErrorId(), QStringLiteral("member_left"));

    EXPECT_TRUE(ZVError::errorWithCode(1008)->backendErrorId().isNull());
    EXPECT_TRUE(ZVError::errorWithJson({{"error_id", 7}}, 430)->backendErrorId().isNull());

    const ZVErrorPtr cancel = ZVError::cancel();
    EXPECT_EQ(cancel->code(), 1000);
    EXPECT_TRUE(cancel->userInfo().isEmpty());
}

TEST_F(ZVErrorTest, BackendRangeAndCancelTests) {
    const std::pair<long long, bool> codes[] = {{429, false}, {430, true},  {435, true},
                                                {439, true},  {440, false}, {-430, false}};
    for (const auto& [code, expected] : codes) {
        EXPECT_EQ(ZVError::isBackendError(code), expected) << code;
    }

    EXPECT_TRUE(ZVError::isCancel(ZVError::cancel()));
    EXPECT_TRUE(ZVError::isCancel(ZVError::errorWithCode(1000)));
    EXPECT_FALSE(ZVError::isCancel(ZVError::errorWithDomain(QStringLiteral("Network"), 1000)));
    EXPECT_FALSE(ZVError::isCancel(ZVError::errorWithCode(1001)));
    EXPECT_FALSE(ZVError::isCancel(ZVErrorPtr()));
}

TEST_F(ZVErrorTest, DescriptionForLogsMasksSecretsInUserInfo) {
    const QString ticket = QStringLiteral("T1cketT1cketT1cketT1cketT1cket");
    const QString document =
        QStringLiteral("{\n    \"password\": \"hunter22\",\n    \"ticket\": \"%1\"\n}\n")
            .arg(ticket);
    const ZVErrorPtr error = ZVError::errorWithJson(
        {{"error_id", "invalid_login"}, {"ticket", ticket}, {"data", document}}, 430);

    const QString text = error->description();

    EXPECT_TRUE(text.startsWith(QStringLiteral("Error Domain=ZVApiError Code=430 ")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("invalid_login")));
    EXPECT_FALSE(text.contains(ticket)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("hunter22"))) << text.toStdString();
}

}  // namespace
