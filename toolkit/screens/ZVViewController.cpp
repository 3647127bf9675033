#include "toolkit/screens/ZVViewController.h"

#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/animation/ViewAnimation.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/resources/Images.h"
#include "platform/ui/standins/input/Keyboard.h"
#include "platform/ui/table/TableView.h"
#include "platform/ui/view/Control.h"
#include "platform/ui/view/Window.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/menus/ZVSlideInMenu.h"
#include "toolkit/screens/ZVDefaultSwipeTarget.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/screens/ZVSwipeGestureRecognizer.h"

#include <algorithm>

using platform::BarButtonItem;
using platform::Keyboard;

const QString ZVViewController::kEditingChangedNotification =
    QStringLiteral("ZVViewControllerEditingChangedNotification");

namespace {

const QString kMenuImage = QStringLiteral("icon-menu-burger");
const QString kCloseImage = QStringLiteral("icon-close-white");

// Whether two references name the same object, without comparing addresses.
template <typename A, typename B>
bool sameObject(const std::shared_ptr<A>& a, const std::shared_ptr<B>& b) {
    return a && b && !a.owner_before(b) && !b.owner_before(a);
}

}  // namespace

ZVViewController::ZVViewController()
    : swipeGestureRecognizer_(std::make_shared<ZVSwipeGestureRecognizer>()) {
    // Pushed screens show a back arrow without a title.
    navigationItem().setBackBarButtonItem(
        BarButtonItem::withTitle(QString(), BarButtonItem::Style::Plain, {}));
    setEdgesForExtendedLayout(EdgeNone);
}

ZVViewController::~ZVViewController() = default;

std::weak_ptr<ZVViewController> ZVViewController::weakSelf() {
    return std::static_pointer_cast<ZVViewController>(weak_from_this().lock());
}

BarButtonItem::Action ZVViewController::bind(void (ZVViewController::*operation)()) {
    // Screens set their buttons up in their constructors, before a shared owner exists.
    return [alive = std::weak_ptr<bool>(alive_), this, operation](BarButtonItem&) {
        if (!alive.expired()) {
            (this->*operation)();
        }
    };
}

platform::DeviceProfile::Idiom ZVViewController::idiom() const {
    if (const platform::Window* w = window()) {
        return w->profile().idiom;
    }
    if (const auto w = ZVScreenCoordinator::shared().window()) {
        return w->profile().idiom;
    }
    return platform::DeviceProfile::Idiom::Phone;
}

// --- hooks ---

void ZVViewController::setTopInset(qreal) {}

void ZVViewController::keyboardWillShow(const platform::Notification& notification) {
    keyboardHeight_ = extractKeyboardSizeFromNotification(notification).height();
}

void ZVViewController::keyboardWillChangeFrame(const platform::Notification& notification) {
    keyboardWillShow(notification);
}

void ZVViewController::keyboardWillHide(const platform::Notification&) {
    keyboardHeight_ = 0;
}

void ZVViewController::commitEdit() {
    setEditing(false, true);
}

void ZVViewController::cancelEdit() {
    setEditing(false, true);
}

void ZVViewController::releaseObservers() {
    setKeyboardObservers(false);
}

void ZVViewController::navigateBack() {
    platform::NavigationController* navigation = navigationController();
    if (navigation == nullptr) {
        return;
    }
    auto& coordinator = ZVScreenCoordinator::shared();
    // The conversation's first screen on the right: going back closes the conversation.
    if (sameObject(navigation->shared_from_this(), coordinator.rightNavigationController()) &&
        navigation->viewControllers().size() == 2 && !coordinator.conversationId().isEmpty()) {
        coordinator.setConversationId(QString());
        return;
    }
    navigation->popViewControllerAnimated(true);
}

// --- bar buttons ---

platform::NavigationItem::Items ZVViewController::rightItems() const {
    platform::NavigationItem::Items items;
    for (const auto& item : {spacer_, rightButton_}) {
        if (item) {
            items.push_back(item);
        }
    }
    return items;
}

void ZVViewController::setShowMenuButton(bool show) {
    if (show == showMenuButton()) {
        return;
    }
    if (show) {
        rightButton_ = BarButtonItem::withImage(platform::Images::named(kMenuImage),
                                                BarButtonItem::Style::Plain,
                                                bind(&ZVViewController::showRightMenu));
        rightButton_->setAccessibilityLabel(QStringLiteral("Conversation menu"));
        rightButtonRole_ = RightButton::Menu;
    } else {
        rightButton_.reset();
    }
    navigationItem().setRightBarButtonItem(rightButton_);
}

void ZVViewController::setShowCloseButton(bool show) {
    if (show == showCloseButton()) {
        return;
    }
    if (show) {
        rightButton_ = BarButtonItem::withImage(platform::Images::named(kCloseImage),
                                                BarButtonItem::Style::Plain,
                                                bind(&ZVViewController::navigateToInbox));
        rightButtonRole_ = RightButton::Close;
    } else {
        rightButton_.reset();
    }
    // Pulls the close button to the bar's edge.
    spacer_ = BarButtonItem::fixedSpace(kSpacerWidth);
    navigationItem().setRightBarButtonItems(rightItems());
}

void ZVViewController::updateBackButton() {
    if (idiom() != platform::DeviceProfile::Idiom::Tablet) {
        return;
    }
    leftButton_ = ZVScreenCoordinator::shared().displayModeButtonItem();
    navigationItem().setLeftBarButtonItem(leftButton_);
}

void ZVViewController::updateMenuButtons() {
    const auto side = slideInMenu_ ? std::optional(slideInMenu_->side()) : std::nullopt;
    for (const auto& [button, buttonSide] :
         {std::pair{leftButton_, ZVMenuSide::Left}, std::pair{rightButton_, ZVMenuSide::Right}}) {
        if (const auto control = std::dynamic_pointer_cast<platform::Control>(
                button ? button->customView() : nullptr)) {
            control->setHighlighted(side == buttonSide);
        }
    }
}

void ZVViewController::navigateToInbox() {
    ZVScreenCoordinator::shared().setConversationId(QString());
}

// --- side menus ---

void ZVViewController::showSlideInMenu(ZVMenuSide side) {
    const auto target = swipeGestureRecognizer_->target();
    const auto menu = target ? target->menuForSide(side) : nullptr;
    if (menu == slideInMenu_) {
        setSlideInMenu(nullptr);
        return;
    }
    setSlideInMenu(menu);
    if (menu) {
        menu->appearWithSpeed(0);
    }
}

void ZVViewController::setSlideInMenu(const std::shared_ptr<ZVSlideInMenu>& menu) {
    if (menu == slideInMenu_) {
        return;
    }
    if (const auto old = slideInMenu_) {
        if (old->window() != nullptr) {
            old->disappearWithSpeed(0);
        }
        old->setViewController({});
    }
    slideInMenu_ = menu;
    platform::ViewAnimation::animate(kStatusBarAnimationDuration,
                                     [this] { setNeedsStatusBarAppearanceUpdate(); });
    if (menu) {
        menu->setViewController(weakSelf());
        if (!swipeGestureRecognizer_->requiresFailureOf(*menu->panGestureRecognizer())) {
            swipeGestureRecognizer_->requireGestureRecognizerToFail(menu->panGestureRecognizer());
        }
        if (const auto window = ZVScreenCoordinator::shared().window()) {
            window->addSubview(menu);
        }
        menu->setPosition(0);
        menu->menuWillShow();
        menu->appear();
    }
    menuButtonsTimer_ =
        platform::Scheduler::main().after(kMenuButtonsDelay, [this] { updateMenuButtons(); });
}

// --- keyboard ---

QRectF ZVViewController::extractKeyboardSizeFromNotification(
    const platform::Notification& notification) const {
    const auto view = viewIfLoaded();
    if (!view) {
        return {};
    }
    const QRectF end =
        notification.userInfo.value(QString(Keyboard::FrameEndUserInfoKey)).toRectF();
    QRectF keyboard = view->convertRectFrom(end, nullptr);
    // A keyboard below the view overlaps none of it.
    keyboard.setHeight(
        std::max<qreal>(0, std::min(keyboard.height(), view->frame().height() - keyboard.y())));
    return keyboard;
}

void ZVViewController::startKeyboardAnimation(const platform::Notification& notification,
                                              const std::function<void()>& changes) {
    const double duration =
        notification.userInfo.value(QString(Keyboard::AnimationDurationUserInfoKey)).toDouble();
    const unsigned curve =
        notification.userInfo.value(QString(Keyboard::AnimationCurveUserInfoKey)).toUInt();
    const unsigned curveShift = 16;
    platform::ViewAnimation::animate(
        duration, 0, (curve << curveShift) & platform::ViewAnimation::kCurveMask, changes);
}

void ZVViewController::setKeyboardObservers(bool active) {
    if (active == keyboardObserversActive_) {
        return;
    }
    keyboardObserversActive_ = active;
    keyboardObservers_.clear();
    if (!active) {
        return;
    }
    auto& center = platform::NotificationCenter::defaultCenter();
    using Hook = void (ZVViewController::*)(const platform::Notification&);
    const std::pair<QLatin1StringView, Hook> hooks[] = {
        {Keyboard::WillShowNotification, &ZVViewController::keyboardWillShow},
        {Keyboard::WillHideNotification, &ZVViewController::keyboardWillHide},
        {Keyboard::DidShowNotification, &ZVViewController::keyboardDidShow},
        {Keyboard::DidHideNotification, &ZVViewController::keyboardDidHide},
        {Keyboard::WillChangeFrameNotification, &ZVViewController::keyboardWillChangeFrame},
    };
    for (const auto& [name, hook] : hooks) {
        // The observations are members: they end with the screen.
        keyboardObservers_.push_back(center.addObserverForName(
            QString(name), [this, hook](const platform::Notification& n) { (this->*hook)(n); }));
    }
}

QSizeF ZVViewController::screenSize() const {
    const auto view = viewIfLoaded();
    return view ? view->bounds().size() : QSizeF();
}

void ZVViewController::reportAction(const QString& action, const QString& label) {
    if (trackingCategory_ != 0) {
        ZVEventTracker::tracker().reportEventWithCategory(trackingCategory_, action, label);
    }
}

// --- appearance ---

void ZVViewController::viewWillAppear(bool animated) {
    if (trackingCategory_ != 0) {
        ZVEventTracker::tracker().reportPage(trackingCategory_);
    }
    platform::ViewController::viewWillAppear(animated);
    setKeyboardObservers(true);
    setTopInset(ZVScreenCoordinator::shared().statusViewContentInset());
}

void ZVViewController::viewDidAppear(bool animated) {
    platform::ViewController::viewDidAppear(animated);
    if (const auto control = std::dynamic_pointer_cast<platform::Control>(
            leftButton_ ? leftButton_->customView() : nullptr);
        control && !control->hasTargetsFor(~0u)) {
        control->addTarget(platform::Control::TouchUpInside,
                           [weak = weakSelf()](platform::Control&) {
                               if (const auto self = weak.lock()) {
                                   self->navigateBack();
                               }
                           });
    }
    swipeGestureRecognizer_->setViewController(weakSelf());
    if (!swipeGestureRecognizer_->target()) {
        // The recognizer holds its target weakly; the screen keeps it.
        defaultSwipeTarget_ = std::make_shared<ZVDefaultSwipeTarget>(weakSelf());
        swipeGestureRecognizer_->setTarget(defaultSwipeTarget_);
    }
    const auto v = view();
    v->addGestureRecognizer(swipeGestureRecognizer_);
    // A table scrolls only once the finger has shown it is not swiping sideways.
    for (const auto& subview : v->subviews()) {
        if (auto* table = dynamic_cast<platform::TableView*>(subview.get())) {
            auto& pan = table->panGestureRecognizer();
            if (!pan.requiresFailureOf(*swipeGestureRecognizer_)) {
                pan.requireGestureRecognizerToFail(swipeGestureRecognizer_);
            }
            break;
        }
    }
}

void ZVViewController::viewWillLayoutSubviews() {
    if (const auto v = viewIfLoaded(); v && v->frame().width() > v->frame().height()) {
        swipeGestureRecognizer_->hideMenu();
    }
    platform::ViewController::viewWillLayoutSubviews();
}

void ZVViewController::viewWillDisappear(bool animated) {
    platform::ViewController::viewWillDisappear(animated);
    if (slideInMenu_) {
        slideInMenu_->disappearWithSpeed(0);
    }
    setKeyboardObservers(false);
}

void ZVViewController::viewWillTransitionToSize(QSizeF size,
                                                platform::TransitionCoordinator& coordinator) {
    platform::ViewController::viewWillTransitionToSize(size, coordinator);
    coordinator.animateAlongsideTransition({}, [](const platform::TransitionCoordinator&) {
        ZVScreenCoordinator::shared().updateStatusViewLocation();
    });
}

unsigned ZVViewController::supportedInterfaceOrientations() const {
    // The alert card does not turn: the screen under it stays upright.
    if (idiom() == platform::DeviceProfile::Idiom::Phone && ZVAlertView::alertViewShowing()) {
        return platform::InterfaceOrientationMask::Portrait;
    }
    return platform::ViewController::supportedInterfaceOrientations();
}

// --- editing ---

void ZVViewController::setEditing(bool editing, bool animated) {
    platform::ViewController::setEditing(editing, animated);
    if (editing) {
        navigationItem().setLeftBarButtonItem(
            BarButtonItem::withTitle(QStringLiteral("Cancel"), BarButtonItem::Style::Plain,
                                     bind(&ZVViewController::cancelEdit)),
            animated);
        navigationItem().setRightBarButtonItems(
            {BarButtonItem::withTitle(QStringLiteral("Done"), BarButtonItem::Style::Done,
                                      bind(&ZVViewController::commitEdit))},
            animated);
    } else {
        navigationItem().setLeftBarButtonItem(nullptr, animated);
        navigationItem().setRightBarButtonItems(rightItems(), animated);
    }
    platform::NotificationCenter::defaultCenter().postNotificationName(kEditingChangedNotification,
                                                                       this, weakSelf().lock());
}
