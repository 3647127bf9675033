#pragma once

#include <functional>
#include <memory>

class Conversation;
namespace platform {
class View;
}

// The mute options of a conversation, shown pointing at a view (a swiped row, a menu's row). The
// conversation menus install the popover; until they do, asking for it is logged and does
// nothing. Main thread only.
class ZVMutePopover {
public:
    using Presenter =
        std::function<void(const std::shared_ptr<Conversation>& conversation, platform::View& at)>;

    // An empty presenter goes back to the logging answer.
    static void setPresenter(Presenter presenter);
    static void show(const std::shared_ptr<Conversation>& conversation, platform::View& at);

private:
    static Presenter& presenter();
};
