#include "tests/toolkit/screens/FakeCoordinator.h"

#include <gtest/gtest.h>

// The coordinator registers itself from above the toolkit; the screens must cope before it does
// and after it has gone, never reaching a coordinator that no longer exists.
TEST(ScreenCoordinatorTest, AnswersWithNothingUntilRegisteredAndAfterItHasGone) {
    auto& before = ZVScreenCoordinator::shared();
    EXPECT_EQ(before.window(), nullptr);
    EXPECT_EQ(before.leftNavigationController(), nullptr);
    EXPECT_TRUE(before.conversationId().isEmpty());
    EXPECT_EQ(before.statusViewContentInset(), 0);
    before.setConversationId("c1");
    EXPECT_TRUE(ZVScreenCoordinator::shared().conversationId().isEmpty());

    auto fake = FakeCoordinator::install();
    auto& registered = ZVScreenCoordinator::shared();
    ASSERT_NE(registered.window(), nullptr);
    EXPECT_EQ(registered.rightNavigationController(), registered.leftNavigationController());
    registered.setConversationId("c1");
    EXPECT_EQ(fake->conversationRequests, QStringList{"c1"});
    EXPECT_EQ(ZVScreenCoordinator::shared().conversationId(), "c1");

    // Held weakly: once its owner lets it go the empty coordinator answers again.
    std::weak_ptr<FakeCoordinator> weak = fake;
    ZVScreenCoordinator::setShared(fake);
    fake.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(ZVScreenCoordinator::shared().window(), nullptr);
}
