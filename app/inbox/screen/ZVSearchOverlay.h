#pragma once

#include "platform/ui/view/View.h"

#include <memory>

class ZVInboxViewController;

// The dimming laid over the inbox while its search bar is open and empty; a touch on it closes the
// search.
class ZVSearchOverlay : public platform::View {
public:
    explicit ZVSearchOverlay(std::weak_ptr<ZVInboxViewController> vc) : vc_(std::move(vc)) {}

    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    std::weak_ptr<ZVInboxViewController> vc_;
};
