#pragma once

#include "toolkit/alerts/ZVActionMenuHost.h"

#include <QtCore/QString>

#include <memory>

class Conversation;
class ZVRepositorySession;

// The long-press menu of an inbox row: read or unread, archive, star, mute, spam, clone and delete
// for the row's conversation. While it shows, the account holds its label changes so that the rows
// stay where they are; whatever ends the menu resumes them once.
class ZVConversationActionsMenu : public ZVActionMenuHost {
public:
    static constexpr int kTrackingCategory = 4;
    static inline const QString kTrackingAction = QStringLiteral("Conversation");
    static inline const QString kDemoPrefix = QStringLiteral("[Demo]");

    using ZVActionMenuHost::ZVActionMenuHost;
    ~ZVConversationActionsMenu() override;

    std::shared_ptr<Conversation> conversation() const { return conversation_.lock(); }
    static QString deleteText(const Conversation& conversation);

    void menuWillAppear() override;
    void menuWillDisappear() override;

    void markRead();
    void markUnread();
    void archive();
    void unarchive();
    void star();
    void unstar();
    void mute();
    void unmute();
    void spam();
    void unspam();
    void clone();
    void deleteConversation();

private:
    void reportAction(const QString& label);
    void addMainOptions(Conversation& conversation);

    std::weak_ptr<Conversation> conversation_;
    // The account whose label changes this menu holds; resumed once.
    std::weak_ptr<ZVRepositorySession> holding_;
};
