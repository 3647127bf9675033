#pragma once

#include "Analytics/Library/ZAHitValue.h"

#include <memory>

class ZATrackerModel;

// Where a tracker hands the hits it accepts.
class ZADispatchSender {
public:
    virtual ~ZADispatchSender() = default;
    // Builds the hit from the model on the SDK thread and stores it. Safe from any thread.
    virtual void queueModel(std::shared_ptr<ZATrackerModel> model) = 0;
    virtual void queueDispatch(const ZAHitParameters& hit) = 0;
};
