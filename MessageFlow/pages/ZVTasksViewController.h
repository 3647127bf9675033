#pragma once

#include "MessageFlow/pages/ZVMessageBoard.h"

// The tasks page of a conversation: its task messages as a board in list style, a separator row
// folding the tasks below it, older tasks loaded while the service has more. New tasks come from
// the board's own editor, posted as tasks.
class ZVTasksViewController : public ZVMessageBoardHooks {
public:
    static constexpr int kMessageGrouping = 4;
    // Posts a message from the board's editor with the to-do tag.
    static constexpr int kNewMessageModifier = 3;
    static inline const QString kEmptyText = QStringLiteral("This conversation has no tasks yet.");
    static inline const QString kCreateNewText = QStringLiteral("Create a new task");
    static inline const QString kMoreAvailableText =
        QStringLiteral("There are more tasks in this conversation");

    // Sets the board's table model up for tasks; the board outlives the page's hooks.
    explicit ZVTasksViewController(std::weak_ptr<ZVMessageBoard> board);

    QString emptyText() const override { return kEmptyText; }
    QString createNewText() const override;
    QString moreAvailableText() const override { return kMoreAvailableText; }
    QStringList observeProps() const override;
    std::shared_ptr<ZVMessageArray> messageSource() const override;
    bool canLoadMore() const override;
    void loadMore() override;
    void didSelectMessage(const std::shared_ptr<Message>& message) override;
    void didObserveChange(const QString& key) override;

private:
    std::shared_ptr<Conversation> conversation() const;

    std::weak_ptr<ZVMessageBoard> board_;
};
