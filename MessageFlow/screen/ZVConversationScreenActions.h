#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QtCore/QString>

class Message;
class ZVConversationViewController;

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

    static ZVConversationScreenActions& shared() {
        static ZVConversationScreenActions instance;
        return instance;
    }
    // Nothing registered.
    static void reset() { shared() = ZVConversationScreenActions{}; }
};
