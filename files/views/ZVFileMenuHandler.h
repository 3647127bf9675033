#pragma once

#include <functional>
#include <memory>

class File;
class ZVTableView;

// A table row that shows one file: what the long-press file menu asks of the row under the
// finger.
class ZVFileRow {
public:
    virtual ~ZVFileRow() = default;
    virtual std::shared_ptr<File> file() const = 0;
};

// The long-press menu of a table's file rows, as the pages that list files see it. The file menus
// register the factory at start-up; without one a table has no file menu.
class ZVFileMenuHandler {
public:
    virtual ~ZVFileMenuHandler() = default;
    virtual bool menuShowing() const = 0;
};

struct ZVFileMenuFactory {
    // Installs the menu on the table, whose file rows are ZVFileRows.
    using Factory = std::function<std::shared_ptr<ZVFileMenuHandler>(
        const std::shared_ptr<ZVTableView>& table)>;

    static void setFactory(Factory factory);
    // Null when none is registered.
    static std::shared_ptr<ZVFileMenuHandler> make(const std::shared_ptr<ZVTableView>& table);
    static void reset();
};
