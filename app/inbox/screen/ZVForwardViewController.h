#pragma once

#include "platform/foundation/Observable.h"
#include "toolkit/screens/ZVViewController.h"
#include "toolkit/widgets/ZVSearchBarDelegate.h"

#include <functional>
#include <memory>

class Conversation;
class Message;
class ZVInboxDataSource;
class ZVSearchBar;
namespace platform {
class TableView;
}

// The conversation a message is forwarded to, picked from a list like the inbox's (its own data
// source: conversations and people only, and always the new-conversation row). While it shows, the
// inbox lets go of the account's labels; it takes them back when the picker leaves.
class ZVForwardViewController : public ZVViewController, public ZVSearchBarDelegate {
public:
    static inline const QString kTitle = QStringLiteral("Forward");
    static inline const QString kCancelTitle = QStringLiteral("Cancel");

    // Gives the picked conversation the message as its forwarded message (a clipboard message made
    // from it); until the composer installs it, a pick only logs.
    using Forwarder = std::function<void(const std::shared_ptr<Conversation>& conversation,
                                         const std::shared_ptr<Message>& message)>;
    static void setForwarder(Forwarder forwarder);

    static std::shared_ptr<ZVForwardViewController> create(const std::shared_ptr<Message>& message);
    explicit ZVForwardViewController(std::shared_ptr<Message> message);
    ~ZVForwardViewController() override;

    const std::shared_ptr<Message>& message() const { return message_; }
    const std::shared_ptr<ZVInboxDataSource>& dataSource() const { return dataSource_; }
    const std::shared_ptr<ZVSearchBar>& searchBar() const { return searchBar_; }
    std::shared_ptr<platform::TableView> tableView() const { return table_; }

    void cancel();

    void searchBarTextDidChange(platform::View& searchBar, const QString& text) override;
    void searchBarCancelButtonClicked(platform::View& searchBar) override;
    void searchBarTextDidBeginEditing(platform::View& searchBar) override;
    void searchBarTextDidEndEditing(platform::View& searchBar) override;

    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

private:
    void setUp();
    void picked();

    std::shared_ptr<Message> message_;
    std::shared_ptr<ZVInboxDataSource> dataSource_;
    std::shared_ptr<ZVSearchBar> searchBar_;
    std::shared_ptr<platform::TableView> table_;
    platform::Observation pickObservation_;
};
