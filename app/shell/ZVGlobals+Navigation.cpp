#include "app/shell/ZVGlobals.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "platform/net/UrlRequest.h"
#include "platform/ui/controllers/SplitViewController.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/WebView.h"
#include "platform/ui/view/View.h"
#include "toolkit/screens/ZVNavigationController.h"
#include "toolkit/screens/ZVViewController.h"

using namespace Qt::StringLiterals;

namespace {

std::shared_ptr<platform::NavigationController> asNavigation(
    const std::shared_ptr<platform::ViewController>& controller) {
    if (!controller) {
        return nullptr;
    }
    if (auto navigation = std::dynamic_pointer_cast<platform::NavigationController>(controller)) {
        return navigation;
    }
    platform::NavigationController* parent = controller->navigationController();
    return parent ? std::dynamic_pointer_cast<platform::NavigationController>(
                        parent->shared_from_this())
                  : nullptr;
}

bool contains(const std::shared_ptr<platform::ViewController>& controller,
              const platform::View& view) {
    const auto shown = controller ? controller->viewIfLoaded() : nullptr;
    return shown && (shown.get() == &view || view.isDescendantOf(shown.get()));
}

}  // namespace

std::shared_ptr<platform::NavigationController> ZVGlobals::navigationControllerByView(
    const platform::View& view, const std::shared_ptr<platform::NavigationController>& base) {
    if (!base || base->viewControllers().empty()) {
        return nullptr;
    }
    const std::shared_ptr<platform::ViewController> top = base->viewControllers().back();
    if (const auto presented = top->presentedViewController(); contains(presented, view)) {
        return asNavigation(presented);
    }
    return contains(top, view) ? asNavigation(top) : nullptr;
}

std::shared_ptr<platform::NavigationController> ZVGlobals::navigationControllerByView(
    const platform::View& view) const {
    if (auto found = navigationControllerByView(view, rightNavigationController())) {
        return found;
    }
    return navigationControllerByView(view, leftNavigationController());
}

bool ZVGlobals::masterViewVisible() const {
    const auto view = left_ ? left_->viewIfLoaded() : nullptr;
    return view && view->window() && view->frame().x() >= 0;
}

void ZVGlobals::updateBackButtons() {
    if (!right_) {
        return;
    }
    for (const auto& controller : right_->viewControllers()) {
        if (auto screen = std::dynamic_pointer_cast<ZVViewController>(controller)) {
            screen->updateBackButton();
        }
    }
}

void ZVGlobals::updateSplitView() {
    if (!split_) {
        return;
    }
    using Mode = platform::SplitViewController::DisplayMode;
    const QRectF bounds = split_->view()->bounds();
    const bool portrait = bounds.width() < bounds.height();
    split_->setPreferredDisplayMode(portrait && !conversationId().isEmpty() ? Mode::Automatic
                                                                            : Mode::AllVisible);
}

QUrl ZVGlobals::internalBrowserUrl(const QString& url) const {
    if (url.startsWith(u"http:"_s) || url.startsWith(u"https:"_s)) {
        return QUrl(url);
    }
    return api_->baseURL().resolved(QUrl(url));
}

void ZVGlobals::showUrlInInternalBrowser(const QString& url, const QString& title) {
    if (!left_) {
        return;
    }
    auto browser = std::make_shared<ZVViewController>();
    browser->setTitle(title);
    auto web = std::make_shared<platform::WebView>();
    browser->setView(web);
    std::shared_ptr<platform::NavigationController> target;
    if (const auto presented = left_->presentedViewController()) {
        target = asNavigation(presented);
    }
    if (!target) {
        target = left_;
    }
    target->pushViewController(browser, false);
    platform::UrlRequest request;
    request.url = internalBrowserUrl(url);
    web->loadRequest(request);
}
