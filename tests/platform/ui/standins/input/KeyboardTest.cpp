#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/standins/input/InputPanelKeyboard.h"

#include <gtest/gtest.h>

using namespace platform;

// Without an on-screen panel (a desktop with a hardware keyboard, or no display) the keyboard
// takes no room, but screens are still told, so that they run the same code either way.
TEST(InputPanelKeyboard, HardwareKeyboardTakesNoRoomButIsStillAnnounced) {
    const auto keyboard = std::make_shared<InputPanelKeyboard>();
    QStringList names;
    std::vector<QRectF> ends;
    const auto observation = NotificationCenter::defaultCenter().addObserverForName(
        QString(), [&](const Notification& n) {
            names << n.name;
            ends.push_back(n.userInfo.value(Keyboard::FrameEndUserInfoKey).toRectF());
        });
    const QRectF screen(0, 0, 375, 667);
    keyboard->inputDidBegin({screen, KeyboardType::Default, ReturnKeyType::Done, false});
    Scheduler::main().advance(Keyboard::kAnimationDuration);
    keyboard->inputDidEnd();
    Scheduler::main().advance(Keyboard::kAnimationDuration);

    EXPECT_EQ(names,
              (QStringList{Keyboard::WillChangeFrameNotification, Keyboard::WillShowNotification,
                           Keyboard::DidChangeFrameNotification, Keyboard::DidShowNotification,
                           Keyboard::WillChangeFrameNotification, Keyboard::WillHideNotification,
                           Keyboard::DidChangeFrameNotification, Keyboard::DidHideNotification}));
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.front(), QRectF(0, 667, 375, 0));
    EXPECT_FALSE(keyboard->isVisible());
}
