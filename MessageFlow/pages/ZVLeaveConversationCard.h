#pragma once

#include <functional>
#include <memory>

class Conversation;
namespace platform {
class View;
}

// The card that asks whether to leave a conversation, shown from the settings page's "Leave
// conversation" button. The people screens install it with the member menus; until they do,
// asking for it is logged and does nothing. Main thread only.
class ZVLeaveConversationCard {
public:
    using Presenter = std::function<void(const std::shared_ptr<Conversation>& conversation,
                                         platform::View* anchor)>;

    // An empty presenter goes back to the logging answer.
    static void setPresenter(Presenter presenter);
    static void show(const std::shared_ptr<Conversation>& conversation, platform::View* anchor);

private:
    static Presenter& presenter();
};
