#pragma once

#include "toolkit/screens/ZVViewController.h"

#include <memory>

class Message;
class ZVEmailPage;

// The whole HTML body of an e-mail message on a screen of its own, pushed from the message menu.
// The body shows in an e-mail page: its scripts do not run, a tapped link goes to the
// application's URL handling and the mail stays, and nothing else navigates the page away. The
// title is the message's subject, else its conversation's topic. Main thread only.
class ZVShowEmailViewController : public ZVViewController {
public:
    explicit ZVShowEmailViewController(const std::shared_ptr<Message>& message);
    ~ZVShowEmailViewController() override;

    const std::shared_ptr<ZVEmailPage>& emailPage() const { return page_; }

    void loadView() override;

private:
    std::shared_ptr<ZVEmailPage> page_;
};
