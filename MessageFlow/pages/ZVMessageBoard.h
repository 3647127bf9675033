#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

class Conversation;
class Message;
class ZVMessageArray;

// A message board (the pins or tasks page of a conversation) as the page that fills it drives
// it: the table model's settings, the search text, the listed source and the rows' heights. The
// board screen answers it.
class ZVMessageBoard {
public:
    virtual ~ZVMessageBoard() = default;
    virtual std::shared_ptr<Conversation> conversation() const = 0;
    virtual void setMessageGrouping(int grouping) = 0;
    virtual void setListStyle(bool listStyle) = 0;
    virtual void setEmptyText(const QString& text) = 0;
    virtual void setCreateNewText(const QString& text) = 0;
    // What a message posted from the board's editor is posted with.
    virtual void setNewMessageModifier(int modifier) = 0;
    virtual QString searchText() const = 0;
    // Lists messageSource() again (or the matches of the search text in it).
    virtual void updateSource() = 0;
    virtual void notifyCellHeightChange(bool animated) = 0;
};

// What a board asks of the page that fills it. The board runs its own handling of a row tap and
// of an observed change first, then the page's.
class ZVMessageBoardHooks {
public:
    virtual ~ZVMessageBoardHooks() = default;
    virtual QString emptyText() const = 0;
    virtual QString createNewText() const = 0;
    virtual QString moreAvailableText() const = 0;
    // The conversation's keys the board observes.
    virtual QStringList observeProps() const = 0;
    virtual std::shared_ptr<ZVMessageArray> messageSource() const = 0;
    virtual bool canLoadMore() const = 0;
    virtual void loadMore() = 0;
    virtual void didSelectMessage(const std::shared_ptr<Message>& /*message*/) {}
    virtual void didObserveChange(const QString& /*key*/) {}
};
