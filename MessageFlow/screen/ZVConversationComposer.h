#pragma once

#include "platform/foundation/Observable.h"
#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <functional>
#include <memory>

class Conversation;
class Message;
class ZVClipboardMessage;
class ZVConversationCells;

// The composer docked under the conversation screen's messages. The screen makes it through the
// factory registered at start-up, lays it out at the view's width and kInitialHeight first and then
// at its requestedHeight, and docks it as the bottom view while the conversation allows posting.
// Without a factory there is no composer, as when posting is not allowed. The screen observes
// kRequestedHeightKey and gives the bottom view the new height. Main thread only.
class ZVConversationComposer : public platform::View, public platform::Observable {
public:
    static inline const QString kRequestedHeightKey = QStringLiteral("requestedHeight");
    static constexpr qreal kInitialHeight = 150;

    using Factory = std::function<std::shared_ptr<ZVConversationComposer>(
        const std::shared_ptr<Conversation>& conversation,
        const std::shared_ptr<ZVConversationCells>& cells)>;

    ~ZVConversationComposer() override = default;

    // The height the composer wants; every change is announced under kRequestedHeightKey.
    virtual qreal requestedHeight() const = 0;
    // Re-reads the conversation's e-mail subject (called on "has_email_subject" and "subject").
    virtual void updateSubject() = 0;
    // A copied message (quote false) or the conversation's forwarded message (quote true).
    virtual void pasteMessage(const std::shared_ptr<ZVClipboardMessage>& message, bool quote) = 0;
    // Appends the quoted text of a message (the whole text or the selected part).
    virtual void quoteMessage(const std::shared_ptr<Message>& message, const QString& text) = 0;
    // Keyboard focus to and from the text area; true when it moved.
    virtual bool focusComposer() = 0;
    virtual bool resignComposer() = 0;
    virtual bool composerHasFocus() const = 0;

    // The edit-last hook: run on the up arrow while the text is empty. The screen sets it (holding
    // itself weakly); the composer only calls it.
    void setOnEditMessage(std::function<void()> block) { onEditMessage_ = std::move(block); }
    const std::function<void()>& onEditMessage() const { return onEditMessage_; }

    // --- registration ---
    // Set by the composer's start-up; an empty factory means no composer.
    static void setFactory(Factory newFactory) { factory() = std::move(newFactory); }
    static bool hasFactory() { return static_cast<bool>(factory()); }
    // Null without a factory.
    static std::shared_ptr<ZVConversationComposer> make(
        const std::shared_ptr<Conversation>& conversation,
        const std::shared_ptr<ZVConversationCells>& cells) {
        return factory() ? factory()(conversation, cells) : nullptr;
    }

protected:
    ZVConversationComposer() = default;

private:
    static Factory& factory() {
        static Factory instance;
        return instance;
    }

    std::function<void()> onEditMessage_;
};
