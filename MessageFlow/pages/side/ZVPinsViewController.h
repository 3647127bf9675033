#pragma once

#include "MessageFlow/pages/ZVMessageBoard.h"

// The pinned messages of a conversation as a board: heaviest first, older pins loaded while the
// service has more, new ones written in the board's editor and posted as pins.
class ZVPinsViewController : public ZVMessageBoardHooks {
public:
    // The usage reports' "Pinboard screen".
    static constexpr int kTrackingCategory = 7;
    static constexpr int kMessageGrouping = 3;
    static constexpr int kNewMessageModifier = 1;
    static inline const QString kEmptyText =
        QStringLiteral("This conversation has no pinned messages yet.");
    static inline const QString kCreateNewText = QStringLiteral("Create a new pinned message");
    static inline const QString kMoreAvailableText =
        QStringLiteral("There are more pinned messages in this conversation");

    // Sets the board up for pins; the board outlives the page's hooks.
    explicit ZVPinsViewController(std::weak_ptr<ZVMessageBoard> board);

    QString emptyText() const override { return kEmptyText; }
    QString createNewText() const override;
    QString moreAvailableText() const override { return kMoreAvailableText; }
    QStringList observeProps() const override;
    std::shared_ptr<ZVMessageArray> messageSource() const override;
    bool canLoadMore() const override;
    void loadMore() override;
    void didObserveChange(const QString& key) override;

private:
    std::shared_ptr<Conversation> conversation() const;

    std::weak_ptr<ZVMessageBoard> board_;
};
