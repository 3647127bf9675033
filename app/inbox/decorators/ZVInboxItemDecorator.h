#pragma once

#include "app/inbox/decorators/ZVInboxRowItem.h"
#include "platform/foundation/AttributedString.h"

#include <QtCore/QString>

#include <cstdint>
#include <memory>

// The row a decorator answers for: told when the decorator's item changed.
class ZVInboxItemDecoratorDelegate {
public:
    virtual ~ZVInboxItemDecoratorDelegate() = default;
    virtual void update() = 0;
};

// Answers, for one item of an inbox row, what the row shows and what it stands for. The base
// answers neutrally (no texts, no flags); each kind of item has its own decorator. Decorators
// never own their item: once it is gone they answer as for none. Main thread only.
class ZVInboxItemDecorator {
public:
    virtual ~ZVInboxItemDecorator() = default;

    virtual ZVInboxRowItem item() const { return {}; }
    virtual void setItem(const ZVInboxRowItem& item);

    // What picking the row names; the conversation id unless a kind says otherwise.
    virtual QString guid() const { return conversationId(); }
    virtual QString conversationId() const { return {}; }
    virtual platform::AttributedString title() const { return {}; }
    virtual platform::AttributedString detailTitle() const { return {}; }
    // Null when the row shows no time.
    virtual QString timestamp() const { return {}; }
    virtual std::int64_t unreadCount() const { return 0; }
    virtual bool isUnread() const { return false; }
    virtual bool isMuted() const { return false; }
    virtual bool isSnoozed() const { return false; }
    virtual bool isStarred() const { return false; }
    virtual bool isMention() const { return false; }
    virtual bool isEmail() const { return false; }
    virtual bool isFailed() const { return false; }
    virtual bool isArchived() const { return false; }

    std::shared_ptr<ZVInboxItemDecoratorDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZVInboxItemDecoratorDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    // A refresh of the row is scheduled.
    bool changed() const { return changed_; }

protected:
    void setChanged(bool changed) { changed_ = changed; }

private:
    std::weak_ptr<ZVInboxItemDecoratorDelegate> delegate_;
    bool changed_ = false;
};
