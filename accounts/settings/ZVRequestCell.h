#pragma once

#include "toolkit/dialogs/ZVLabelCell.h"

#include <memory>

class ZVApiRequest;

// A row of the API status screen for one request: its path, and how it stands ("Pending", the
// seconds it has run, its answer's time or status). The request is not kept alive by the row.
class ZVRequestCell : public ZVLabelCell {
public:
    explicit ZVRequestCell(const std::shared_ptr<ZVApiRequest>& request);
    ~ZVRequestCell() override;

    std::shared_ptr<ZVApiRequest> request() const { return request_.lock(); }
    // Recomputes the status; a request that has gone keeps the last one.
    void refresh();

private:
    std::weak_ptr<ZVApiRequest> request_;
};
