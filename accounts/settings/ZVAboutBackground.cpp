#include "accounts/settings/ZVAboutBackground.h"

#include "platform/ui/controllers/ViewController.h"

std::shared_ptr<ZVAboutBackground> ZVAboutBackground::make(
    std::weak_ptr<platform::ViewController> vc) {
    std::shared_ptr<ZVAboutBackground> background(new ZVAboutBackground());
    background->vc_ = std::move(vc);
    background->setShowClouds(true);
    background->setBackVisible(true);
    return background;
}

ZVAboutBackground::~ZVAboutBackground() = default;

void ZVAboutBackground::touchesBegan(const platform::TouchSet& touches,
                                     const platform::TouchEvent& event) {
    ZVLoginBackground::touchesBegan(touches, event);
    const auto vc = vc_.lock();
    if (auto* presenting = vc ? vc->presentingViewController() : nullptr) {
        presenting->dismissViewController(true);
    }
}
