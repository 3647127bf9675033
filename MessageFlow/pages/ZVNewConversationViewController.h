#pragma once

#include "accounts/people/ZVMembersViewController.h"
#include "platform/foundation/Observable.h"

#include <QtCore/QRectF>
#include <QtCore/QString>

#include <memory>

class ZVButtonCell;
class ZVDialogCell;
class ZVHeaderCell;
class ZVTextViewCell;

// Starts a conversation: the members page over the session's unsaved new conversation, in edit
// mode from the start, with a topic, a first message and "Create conversation" below the member
// rows. "Done" or "Create conversation" asks the service to create it; once it exists the typed
// topic and first message go to it and it opens. A failed create keeps the screen as it was,
// typed text included. Main thread only.
class ZVNewConversationViewController : public ZVMembersViewController {
public:
    static constexpr int kTrackingCategory = 1;
    static constexpr int kCreateButtonStyle = 1;
    static constexpr int kTopicIndex = 2;
    static constexpr int kMessageIndex = 3;
    // Topic header, topic, message header, message, button.
    static constexpr int kFormRowCount = 5;
    // A keyboard lower than this is taken as gone.
    static constexpr qreal kKeyboardThreshold = 0.1;
    static inline const QString kTopicTitle = QStringLiteral("Add a topic if you like:");
    static inline const QString kMessageTitle = QStringLiteral("Write your first message:");
    static inline const QString kCreateTitle = QStringLiteral("Create conversation");
    static inline const QString kAddRowText = QStringLiteral("Add or remove members");

    // The inbox pushes it, the forward picker presents it in a navigation of its own; both on the
    // members page's number, which is not kept.
    static std::shared_ptr<ZVNewConversationViewController> make(
        const std::shared_ptr<Conversation>& conversation, int page = kPage);
    explicit ZVNewConversationViewController(const std::shared_ptr<Conversation>& conversation);
    ~ZVNewConversationViewController() override;

    const std::shared_ptr<ZVHeaderCell>& topicHeader() const { return topicHeader_; }
    const std::shared_ptr<ZVTextViewCell>& topic() const { return topic_; }
    const std::shared_ptr<ZVHeaderCell>& messageHeader() const { return messageHeader_; }
    const std::shared_ptr<ZVTextViewCell>& message() const { return message_; }
    const std::shared_ptr<ZVButtonCell>& createConvButton() const { return createConvButton_; }
    bool isKeyboardVisible() const { return keyboardVisible_; }
    // A create request is on its way.
    bool isCreating() const { return creating_; }

    // Commits as "Done" does.
    void createConversation();
    void populateMembers() override;
    void commitEdit() override;
    // Leaves the screen; the additions stay with the unsaved conversation.
    void cancelEdit() override;
    // Below the picker, a strip of the members table shows the form; while a form field is
    // edited the table takes all the room below the search field.
    void updateLayout() override;
    // Whether the form takes the room below the search field now.
    bool isFormExpanded() const { return formExpanded_; }
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;
    void viewWillDisappear(bool animated) override;
    void releaseObservers() override;

    // --- dialog cells ---
    void textCellDidBeginEditing(ZVDialogCell& cell) override;
    void textCellDidEndEditing(ZVDialogCell& cell) override;
    void textCellDidChange(ZVDialogCell& cell) override;

protected:
    void addsCommitted(bool dialog) override;
    void addsFailed() override;

private:
    void setUp();
    void updateTableInset(const platform::Notification& notification);
    // The top of the header row in the members table; none when it is not among its rows.
    std::optional<qreal> headerTop(const std::shared_ptr<ZVHeaderCell>& header) const;
    // The height of the form's rows in the members table.
    qreal formHeight() const;
    bool isEditingForm() const;
    void sendFormTo(const std::shared_ptr<Conversation>& created);
    void open(const QString& conversationId);

    std::shared_ptr<ZVHeaderCell> topicHeader_;
    std::shared_ptr<ZVTextViewCell> topic_;
    std::shared_ptr<ZVHeaderCell> messageHeader_;
    std::shared_ptr<ZVTextViewCell> message_;
    std::shared_ptr<ZVButtonCell> createConvButton_;
    int createTarget_ = -1;
    bool keyboardVisible_ = false;
    bool formExpanded_ = false;
    QRectF formFrame_;
    bool observersReleased_ = false;
    bool creating_ = false;
    // Held while the create request runs: once created, the unsaved conversation may have been
    // merged into one the account already had, and nothing else holds it then.
    std::shared_ptr<Conversation> creatingConversation_;
    platform::Observation topicObservation_;
};
