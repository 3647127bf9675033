#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QtCore/qglobal.h>
#include <QtCore/QString>

class Message;
class ZVConversationViewController;
namespace platform {
struct Notification;
}

// The actions on single messages of the messages page (edit, quote, select, focus, and the edit of
// the user's last message that the composer's up arrow asks for). The side pages fill them at
// start-up; until they do, each does nothing. Main thread only.
struct ZVConversationScreenActions {
    using MessageAction =
        std::function<void(ZVConversationViewController& screen, const std::shared_ptr<Message>&)>;

    MessageAction editMessage;
    MessageAction quoteMessage;
    MessageAction selectMessage;
    // The quote of a part of a message's text (the selection), or the whole when empty.
    std::function<void(ZVConversationViewController& screen, const std::shared_ptr<Message>&,
                       const QString& text)>
        quoteMessageText;
    std::function<void(ZVConversationViewController& screen, std::int64_t messageNr)> focusMessage;
    std::function<void(ZVConversationViewController& screen)> editLastMessage;
    // The in-place editor follows edit mode and the keyboard: each runs after the screen's base
    // has done its part, but commitEdit, which runs before the base leaves edit mode.
    std::function<void(ZVConversationViewController& screen, bool editing, bool animated)>
        setEditing;
    std::function<void(ZVConversationViewController& screen)> commitEdit;
    std::function<void(ZVConversationViewController& screen, qreal inset)> setTopInset;
    using KeyboardAction = std::function<void(ZVConversationViewController& screen,
                                              const platform::Notification& notification)>;
    KeyboardAction keyboardWillShow;
    KeyboardAction keyboardWillChangeFrame;
    KeyboardAction keyboardWillHide;

    static ZVConversationScreenActions& shared() {
        static ZVConversationScreenActions instance;
        return instance;
    }
    // Nothing registered.
    static void reset() { shared() = ZVConversationScreenActions{}; }
};
