#pragma once

#include <functional>
#include <memory>

class ZVTableView;

// The long-press menu of a message table, as the row model sees it: a tap does nothing of its own
// while the menu shows. The message menus register the factory at start-up; without one a table
// has no menu.
class ZVMessageMenuHandler {
public:
    virtual ~ZVMessageMenuHandler() = default;
    virtual bool menuShowing() const = 0;
};

struct ZVMessageMenuFactory {
    // Installs the menu on the table; `page` is the page that lists the messages.
    using Factory = std::function<std::shared_ptr<ZVMessageMenuHandler>(
        const std::shared_ptr<ZVTableView>& table, int page)>;

    static void setFactory(Factory factory);
    // Null when none is registered.
    static std::shared_ptr<ZVMessageMenuHandler> make(const std::shared_ptr<ZVTableView>& table,
                                                      int page);
    static void reset();
};
