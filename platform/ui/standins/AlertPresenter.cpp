#include "platform/ui/standins/AlertPresenter.h"

#include "platform/foundation/SharedSlot.h"
#include "platform/ui/standins/OverlayAlertPresenter.h"

namespace platform {

std::shared_ptr<AlertPresenter> AlertPresenter::shared() {
    return sharedService<AlertPresenter>([] { return std::make_shared<OverlayAlertPresenter>(); });
}

void AlertPresenter::setShared(std::shared_ptr<AlertPresenter> presenter) {
    sharedSlot<std::shared_ptr<AlertPresenter>>() = std::move(presenter);
}

}  // namespace platform
