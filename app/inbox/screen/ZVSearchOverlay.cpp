#include "app/inbox/screen/ZVSearchOverlay.h"

#include "app/inbox/screen/ZVInboxViewController.h"

void ZVSearchOverlay::touchesBegan(const platform::TouchSet&, const platform::TouchEvent&) {
    if (const auto vc = vc_.lock()) {
        vc->hideSearch();
    }
}
