#pragma once

#include <QtCore/QString>

#include <memory>

class Conversation;
class ZVConversationPageScreen;
class ZVViewController;

// One page of an open conversation: its icon and title, and its screen once made.
class ZVConversationPage {
public:
    ZVConversationPage(QString iconName, QString title, int index);

    const QString& iconName() const { return iconName_; }
    const QString& title() const { return title_; }
    int index() const { return index_; }

    // Null until created.
    const std::shared_ptr<ZVConversationPageScreen>& screen() const { return screen_; }
    // The same screen as the navigation sees it; null until created.
    std::shared_ptr<ZVViewController> viewController() const;
    // Makes the screen through the factory registered for the page and keeps it; null when the
    // page has no factory.
    std::shared_ptr<ZVViewController> createViewController(
        const std::shared_ptr<Conversation>& conversation, int page);

private:
    QString iconName_;
    QString title_;
    int index_;
    std::shared_ptr<ZVConversationPageScreen> screen_;
};
