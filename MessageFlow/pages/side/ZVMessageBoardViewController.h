#pragma once

#include "MessageFlow/pages/ZVMessageBoard.h"
#include "MessageFlow/pages/side/ZVConversationTableViewController.h"

#include <functional>
#include <memory>

class ZVConversationCells;
class ZVFlatMessageEditor;
namespace platform {
class BarButtonItem;
}

// A page that lists a chosen set of the conversation's messages as a board (the pins, the tasks):
// message rows, a search over the board's messages, a "new" button that opens a flat editor for a
// new pin or task, editing a board message in the same editor, and a reorder mode. The page that
// fills it (its hooks) says which messages it holds and how more are fetched. Main thread only.
class ZVMessageBoardViewController : public ZVConversationTableViewController,
                                     public ZVMessageBoard {
public:
    static inline const QString kReorderTitle = QStringLiteral("Edit");
    static inline const QString kDoneTitle = QStringLiteral("Done");
    static inline const QString kNewImage = QStringLiteral("icon-new-conversation");
    static constexpr qreal kNewEditorHeight = 100;
    static constexpr qreal kMinimumEditorHeight = 80;
    static constexpr platform::TimeInterval kEditorCloseDuration = 0.3;
    static constexpr qreal kFocusDistance = 50;
    // A message posted with this modifier is a pin; its editor wears the pin colour.
    static constexpr int kPinModifier = 1;
    // "Edit" shows for more rows than this.
    static constexpr int kReorderRowCount = 2;

    using HooksFactory = std::function<std::unique_ptr<ZVMessageBoardHooks>(
        const std::weak_ptr<ZVMessageBoard>& board)>;

    // The board with the page that fills it, wired and listing.
    static std::shared_ptr<ZVMessageBoardViewController> make(
        const std::shared_ptr<Conversation>& conversation, int page, const HooksFactory& hooks);

    ZVMessageBoardViewController(const std::shared_ptr<Conversation>& conversation, int page);
    ~ZVMessageBoardViewController() override;

    const std::shared_ptr<ZVConversationCells>& cells() const { return cells_; }
    const std::shared_ptr<ZVFlatMessageEditor>& editor() const { return editor_; }
    const std::shared_ptr<ZVMessageArray>& searchMessages() const { return searchMessages_; }
    int newMessageModifier() const { return newMessageModifier_; }
    int messageGrouping() const { return messageGrouping_; }
    const std::shared_ptr<platform::BarButtonItem>& reorderButton() const { return reorderButton_; }
    const std::shared_ptr<platform::BarButtonItem>& newButton() const { return newButton_; }
    ZVMessageBoardHooks* hooks() const { return hooks_.get(); }
    std::shared_ptr<ZVMessageArray> messageSource() const;

    // --- editing ---
    void createNew() override;
    // Only a message that may be edited opens the editor.
    void editMessage(const std::shared_ptr<Message>& message) override;
    void startReorder();
    void endReorder();
    void setEditing(bool editing, bool animated) override;
    // "Done": the editor's edit, or the new message posted (a blank one is not).
    void commitEdit() override;
    void updateButtonsAnimated(bool animated);
    void setTopInset(qreal inset) override;
    void focusMessage(std::int64_t messageNr) override;
    void selectMessage(const std::shared_ptr<Message>& message) override;

    // --- ZVMessageBoard ---
    std::shared_ptr<Conversation> conversation() const override {
        return ZVConversationTableViewController::conversation();
    }
    void setMessageGrouping(int grouping) override { messageGrouping_ = grouping; }
    void setListStyle(bool listStyle) override;
    void setEmptyText(const QString& text) override;
    void setCreateNewText(const QString& text) override;
    void setNewMessageModifier(int modifier) override { newMessageModifier_ = modifier; }
    QString searchText() const override { return ZVConversationTableViewController::searchText(); }
    void updateSource() override;
    void notifyCellHeightChange(bool animated) override;

    // --- side page ---
    QStringList observeProps() const override;
    bool canLoadMore() const override;
    void loadMore() override;
    QString moreAvailableText() const override;
    QString emptyText() const override;
    QString createNewText() const override;
    void observedChange(const QString& key) override;

    // --- table ---
    std::optional<qreal> tableViewHeightForRowAtIndexPath(platform::TableView& table,
                                                          platform::IndexPath path) override;
    void tableViewWillDisplayCell(platform::TableView& table, platform::TableViewCell& cell,
                                  platform::IndexPath path) override;
    void tableViewDidHighlightRowAtIndexPath(platform::TableView& table,
                                             platform::IndexPath path) override;
    std::optional<platform::IndexPath> tableViewWillSelectRowAtIndexPath(
        platform::TableView& table, platform::IndexPath path) override;
    void tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                          platform::IndexPath path) override;
    platform::TableViewCell::EditingStyle tableViewEditingStyleForRowAtIndexPath(
        platform::TableView&, platform::IndexPath) override {
        return platform::TableViewCell::EditingStyle::None;
    }

    // --- keyboard ---
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillChangeFrame(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;

    void start() override;

private:
    void openEditor(const std::shared_ptr<ZVFlatMessageEditor>& editor, const QRectF& frame);
    void closeEditor();
    void updateFilePreviews();
    qreal statusInset() const;
    bool tablet() const;

    int page_;
    std::unique_ptr<ZVMessageBoardHooks> hooks_;
    std::shared_ptr<ZVConversationCells> cells_;
    std::shared_ptr<ZVFlatMessageEditor> editor_;
    // The number of the message the open editor edits; 0 for a new message.
    std::int64_t editedMessageNr_ = 0;
    std::shared_ptr<ZVMessageArray> searchMessages_;
    std::shared_ptr<platform::BarButtonItem> reorderButton_;
    std::shared_ptr<platform::BarButtonItem> newButton_;
    int newMessageModifier_ = 0;
    int messageGrouping_ = 0;
};
