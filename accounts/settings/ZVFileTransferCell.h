#pragma once

#include "toolkit/dialogs/ZVLabelCell.h"

#include <memory>

namespace platform {
class BackgroundUrlSessionTask;
}

// A row of the API status screen for one background upload or download: the address it was made
// for, and "Error <code>" once it failed ("?" otherwise). The task is not kept alive by the row.
class ZVFileTransferCell : public ZVLabelCell {
public:
    explicit ZVFileTransferCell(const std::shared_ptr<platform::BackgroundUrlSessionTask>& task);
    ~ZVFileTransferCell() override;

    std::shared_ptr<platform::BackgroundUrlSessionTask> task() const { return task_.lock(); }
    void refresh();

private:
    std::weak_ptr<platform::BackgroundUrlSessionTask> task_;
};
