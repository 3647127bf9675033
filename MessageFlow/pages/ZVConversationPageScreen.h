#pragma once

#include <cstdint>
#include <memory>

class Message;
class ZVViewController;

// A page screen as the pages drive it. The screen itself is a ZVViewController (its observers,
// swipe recogniser, menu and close buttons and edit mode are that base's); this adds what the
// pages ask of the screens that show messages. Each call but screen() has a default that does
// nothing, for pages that show no messages.
class ZVConversationPageScreen {
public:
    virtual ~ZVConversationPageScreen() = default;

    // The screen the navigation shows; the object itself in every page screen.
    virtual ZVViewController& screen() = 0;

    // Scrolls to the message with that number and marks it.
    virtual void focusMessage(std::int64_t /*messageNr*/) {}
    // Opens the editor on the message, quotes it into the composer, enters selection with it.
    virtual void editMessage(const std::shared_ptr<Message>& /*message*/) {}
    virtual void quoteMessage(const std::shared_ptr<Message>& /*message*/) {}
    virtual void selectMessage(const std::shared_ptr<Message>& /*message*/) {}
    // The application became active (the messages page).
    virtual void notifyAppActivation() {}
    virtual void resetConsumeMessagesTimer() {}
};
