#pragma once

#include "MessageFlow/rows/ZVMessageMenuHandler.h"
#include "platform/foundation/ScopedTimer.h"
#include "toolkit/alerts/ZVActionMenuHost.h"

#include <QtCore/QSet>
#include <QtCore/QString>

#include <cstdint>
#include <memory>
#include <optional>

class Conversation;
class Message;

// The long-press menu of a message table: what can be done with the pressed message (edit,
// quote, copy, forward, mark unread, show the e-mail, pin, make, assign or archive a task,
// disclose history, delete), only the removal on a pressed link card, and the profile or a direct
// conversation on a pressed sender's picture. Each action works on the message the user pressed;
// what runs later (a member selector's answer, the forward picker) finds it again by number and
// ends quietly when it has gone. Main thread only.
class ZVMessageMenu : public ZVActionMenuHost, public ZVMessageMenuHandler {
public:
    static constexpr int kTrackingCategory = 5;
    static inline const QString kTrackingAction = QStringLiteral("Message");
    // Pages of the conversation that list messages with this menu.
    static constexpr int kMessagesPage = 0;
    static constexpr int kTasksPage = 4;
    // A conversation with fewer members has the sender in its one-to-one conversation already.
    static constexpr int kDialogMemberCount = 3;
    // The message text a delete confirmation quotes, in UTF-16 units, before "...".
    static constexpr int kConfirmTextLength = 20;
    static constexpr int kDiscloseSelectorTag = 101;
    static constexpr int kAssignSelectorTag = 102;
    // The forward picker waits for the menu to leave; so does a change of the open conversation.
    static constexpr platform::TimeInterval kForwardDelay = 0.1;
    static constexpr platform::TimeInterval kConversationChangeDelay = 0.1;

    ZVMessageMenu(const std::shared_ptr<platform::TableView>& tableView, int page);
    ~ZVMessageMenu() override;

    // Makes every message table's menu from now on.
    static void registerFactory();

    // "Are you sure ..." with the message's readable text, cut and escaped for the card.
    static QString deleteConfirmation(Message& message);

    std::shared_ptr<Message> message() const { return message_.lock(); }
    std::int64_t messageNr() const { return messageNr_; }
    int page() const { return page_; }
    bool menuShowing() const override { return ZVActionMenuHost::menuShowing(); }

    void menuWillAppear() override;
    void menuWillDisappear() override;
    std::shared_ptr<platform::View> pointAtView() override;
    void populateActionsEditAllowed(bool editAllowed);

    // --- actions ---
    void copyMessage();
    void copyFiles();
    void pin();
    void unpin();
    void markUnread();
    void deleteMessage();
    void edit();
    void quote();
    void selectMessage();
    void removePreview();
    void disclose();
    void assign();
    void assignToMe();
    void untask();
    void task();
    void archive();
    void showEmail();
    void forwardMessage();
    void dialog();
    void profile();

    // A member selector's answer: the selected ids, none when it was not confirmed.
    void completeAssign(const std::optional<QSet<QString>>& selected);
    void completeDisclose(const std::optional<QSet<QString>>& selected);
    // Presents the forward picker for the message numbered so in the conversation, if it is there.
    void doForward(const std::weak_ptr<Conversation>& conversation, std::int64_t messageNr);

private:
    void populateFileMessage(bool editAllowed);
    void reportAction(const QString& label);
    // The message numbered `messageNr_` in the pressed message's conversation, looked up again;
    // none when it has gone.
    std::shared_ptr<Message> messageAgain();
    std::weak_ptr<ZVMessageMenu> weakMenu();
    // Opens the conversation of the id, or closes the open one for an empty id, once the menu
    // has gone.
    void showConversationAsync(const QString& conversationId);

    std::weak_ptr<Message> message_;
    std::weak_ptr<Conversation> selectorConversation_;
    std::int64_t messageNr_ = 0;
    int page_ = 0;
    platform::ScopedTimer forwardTimer_;
    platform::ScopedTimer conversationTimer_;
};
