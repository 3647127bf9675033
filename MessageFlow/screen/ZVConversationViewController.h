#pragma once

#include "MessageFlow/pages/ZVConversationPageScreen.h"
#include "MessageFlow/pages/ZVTableAndBottomViewController.h"
#include "platform/foundation/ObserverList.h"
#include "platform/foundation/ScopedTimer.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class Conversation;
class Message;
class ZVConversationCells;
class ZVConversationComposer;
class ZVHorizonIndicators;
class ZVMessageCell;
class ZVTableMessage;
class ZVUserProfile;
class ZVWritersView;
namespace platform {
class Button;
}

// The messages page of an open conversation: the loaded messages in a table, the composer docked
// below it, a header row telling what lies above the first loaded message, the writers line under
// the last row, the members' read markers and a scroll-to-bottom button. It asks for older
// messages near the top, keeps the row the user reads in place while rows come and go, follows
// new messages only at the bottom, and marks messages read once they have rested on screen.
// Made with make(); main thread only.
class ZVConversationViewController : public ZVTableAndBottomViewController,
                                     public ZVConversationPageScreen {
public:
    static constexpr int kTrackingCategory = 5;
    static constexpr qreal kBottomSpacing = 10;
    static constexpr qreal kWritersBottomSpacing = 20;
    static constexpr qreal kHeaderHeight = 50;
    // The button's image grows by this on every side; its centre lies this far from the table's
    // right edge and above the table's bottom less the composer.
    static constexpr qreal kButtonPadding = 20;
    static constexpr qreal kButtonInset = 40;
    static constexpr platform::TimeInterval kAnimationDuration = 0.3;
    // Scroll evaluation, older messages, creating a new conversation, side page closing.
    static constexpr platform::TimeInterval kDeferral = 0.1;
    // Messages count as read once the table has rested this long.
    static constexpr platform::TimeInterval kConsumeDelay = 0.8;
    // The new-messages marker moves at most this often.
    static constexpr double kHorizonHold = 30;
    // Unread rows taller than this share of the table are not jumped over.
    static constexpr qreal kUnreadShare = 0.66;
    // A cell counts as seen when all but this much of its needed height shows.
    static constexpr qreal kVisibilitySlack = 20;
    // E-mail rows are tall; their top part is enough.
    static constexpr qreal kEmailNeededHeight = 50;
    static constexpr int kEmailMessageType = 9;
    static constexpr int kEmailReplyMessageType = 21;
    // The unread message lands this far below the top.
    static constexpr qreal kUnreadDistance = 50;
    // Views wider than this get the large avatars.
    static constexpr qreal kLargeAvatarWidth = 321;
    static constexpr int kSmallAvatars = 1;
    static constexpr int kLargeAvatars = 2;
    static constexpr int kPreviewFileKind = 1;
    static constexpr int kPlainFileKind = 2;

    static inline const QString kEmptyText = QStringLiteral("This conversation has no messages");
    static inline const QString kMoreAboveText = QStringLiteral("More messages above");
    static inline const QString kLoadingText = QStringLiteral("Loading");
    static inline const QString kDeletedText =
        QStringLiteral("Earlier messages in this conversation have been deleted.");
    static inline const QString kIsWriting = QStringLiteral("is writing");
    static inline const QString kAreWriting = QStringLiteral("are writing");
    static inline const QString kNoInlineImagesFlag = QStringLiteral("no_inline_images_mobile");
    static inline const QString kButtonImage = QStringLiteral("icon-scrolltobottom");

    // The observed keys of the conversation, in the order they are registered.
    static const QStringList& observedKeys();

    // Builds the page for a conversation; `page` goes to the row model.
    static std::shared_ptr<ZVConversationViewController> make(
        const std::shared_ptr<Conversation>& conversation, int page);
    ZVConversationViewController(const std::shared_ptr<Conversation>& conversation, int page);
    ~ZVConversationViewController() override;

    // --- parts ---
    std::shared_ptr<Conversation> conversation() const { return conversation_; }
    const std::shared_ptr<ZVConversationCells>& cells() const { return cells_; }
    const std::shared_ptr<ZVConversationComposer>& messageEditor() const { return messageEditor_; }
    const std::shared_ptr<ZVWritersView>& writersView() const { return writersView_; }
    const std::shared_ptr<ZVHorizonIndicators>& horizonIndicators() const {
        return horizonIndicators_;
    }
    const std::shared_ptr<ZVTableMessage>& startMessage() const { return startMessage_; }
    const std::shared_ptr<platform::Button>& scrollToBottomButton() const {
        return scrollToBottomButton_;
    }
    bool scrollToBottomButtonVisible() const { return scrollToBottomButtonVisible_; }
    bool viewHasAppeared() const { return viewHasAppeared_; }
    bool observersReleased() const { return observersReleased_; }
    bool dragging() const { return dragging_; }
    bool reloadPending() const { return reloadPending_; }
    std::int64_t lastVisibleMessageNr() const { return lastVisibleMessageNr_; }
    bool consumeTimerRunning() const { return consumeMessagesTimer_.isValid(); }
    // Seconds since the new-messages marker last moved (large before the first move).
    double timeSinceHorizonUpdate() const;
    QString description() const;

    // --- operations ---
    void scrollToBottom();
    void scrollToUnreadAnimated(bool animated);
    void closeSidecar();
    void loadMore();
    void reloadTableData();
    void updateStartMessage();
    // Whether the writers line came or went.
    bool updateWriters();
    void updateAvatars();
    void preloadImages();
    void updateOwnHorizon();
    void resetConsumeMessagesTimer() override;
    void consumeMessages();
    void viewWasScrolled();
    void setEditorVisible(bool visible);
    // The last message cell that shows enough of itself, walking up from the bottom; with
    // `includePending` false, messages the service has not stored yet are passed over.
    std::shared_ptr<ZVMessageCell> lastVisibleMessageCellIncludePending(bool includePending);
    // Lays the composer out at the view's width and `height`.
    void layoutComposer(qreal height);
    // The first appearance's building of the rows (a focus before it builds them itself).
    void initViews();

    // --- ZVConversationPageScreen ---
    ZVViewController& screen() override { return *this; }
    void focusMessage(std::int64_t messageNr) override;
    void editMessage(const std::shared_ptr<Message>& message) override;
    void quoteMessage(const std::shared_ptr<Message>& message) override;
    void selectMessage(const std::shared_ptr<Message>& message) override;
    void notifyAppActivation() override;
    // The quote of a part of a message (the page set's showing page answers it).
    void quoteMessage(const std::shared_ptr<Message>& message, const QString& text);
    void editLastMessage();

    // --- the platform's and the base's calls ---
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewWillLayoutSubviews() override;
    void viewDidLayoutSubviews() override;
    void viewWillTransitionToSize(QSizeF size,
                                  platform::TransitionCoordinator& coordinator) override;
    void releaseObservers() override;
    void endScrollAnimation() override;
    // Passed to the message actions, for the in-place editor.
    void setTopInset(qreal inset) override;
    void setEditing(bool editing, bool animated) override;
    void commitEdit() override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillChangeFrame(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;

    // --- the table's delegate ---
    void scrollViewWillBeginDragging(platform::ScrollView& scrollView) override;
    void scrollViewDidEndDragging(platform::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(platform::ScrollView& scrollView) override;
    void scrollViewDidScroll(platform::ScrollView& scrollView) override;
    void tableViewContentHeightWillChange(ZVTableView& tableView, qreal delta) override;
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView& table,
                                                          platform::IndexPath path) override;
    void tableViewWillDisplayCell(platform::TableView& table, platform::TableViewCell& cell,
                                  platform::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;
    void tableViewDidUnhighlightRowAtIndexPath(platform::TableView& table,
                                               platform::IndexPath path) override;
    void tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                             platform::IndexPath path) override;
    std::optional<platform::IndexPath> tableViewWillSelectRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;

private:
    // The steps of construction that need the screen shared.
    void build(int page);
    void observeConversation();
    void observeChange(const QString& key);
    void createConversation();
    void reinstallStartMessage();
    void forwardMessage();
    void setScrollBottomButtonVisible(bool visible);
    void completeTransition();
    qreal composerHeight() const;
    std::weak_ptr<ZVConversationViewController> weakPage();

    std::shared_ptr<Conversation> conversation_;
    std::shared_ptr<ZVUserProfile> userProfile_;
    std::shared_ptr<ZVConversationComposer> messageEditor_;
    std::shared_ptr<ZVConversationCells> cells_;
    std::shared_ptr<ZVWritersView> writersView_;
    std::shared_ptr<ZVHorizonIndicators> horizonIndicators_;
    std::shared_ptr<ZVTableMessage> startMessage_;
    std::shared_ptr<platform::Button> scrollToBottomButton_;
    bool scrollToBottomButtonVisible_ = false;
    bool viewHasAppeared_ = false;
    bool observersReleased_ = false;
    bool dragging_ = false;
    bool reloadPending_ = false;
    std::int64_t lastVisibleMessageNr_ = 0;
    // Scheduler time of the marker's last move; none before the first.
    std::optional<double> horizonUpdateTime_;
    platform::ScopedTimer consumeMessagesTimer_;
    platform::ScopedTimer scrollEvaluationTimer_;
    platform::ScopedTimer loadMoreTimer_;
    platform::ScopedTimer createConversationTimer_;
    platform::ScopedTimer closeSidecarTimer_;
    platform::ScopedTimer endEditingTimer_;
    std::vector<platform::Observation> conversationObservations_;
    platform::Observation clientFlagsObservation_;
    platform::Observation requestedHeightObservation_;
};
