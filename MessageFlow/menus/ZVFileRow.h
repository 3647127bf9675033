#pragma once

#include <memory>

class File;

// A row of a conversation's files page as the file menu reads it: the file the row shows. The
// files page's cell answers it.
class ZVFileRow {
public:
    virtual ~ZVFileRow() = default;
    virtual std::shared_ptr<File> file() const = 0;
};
