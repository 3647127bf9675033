#pragma once

#include "platform/ui/controllers/InterfaceOrientation.h"
#include "platform/ui/controllers/TransitionCoordinator.h"
#include "platform/ui/controllers/navigation/NavigationItem.h"
#include "platform/ui/view/View.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class NavigationController;
class PopoverPresentation;
class Presentation;
class SplitViewController;
class Window;

// Manages one screen: makes its view when first asked for it, and is told, in the platform's
// order, when that view is about to appear and has appeared, is about to go and has gone. Holds
// child controllers, presents others modally, and answers the window's questions about the
// status bar and the orientations it supports.
class ViewController : public Responder,
                       public ViewOwner,
                       public std::enable_shared_from_this<ViewController> {
public:
    // The numbers are the platform's.
    enum class ModalPresentationStyle { FullScreen = 0, OverFullScreen = 5, Popover = 7 };
    enum class ModalTransitionStyle { CoverVertical = 0, FlipHorizontal = 1, CrossDissolve = 2 };
    enum class StatusBarStyle { Default = 0, LightContent = 1 };
    enum class StatusBarAnimation { None = 0, Fade = 1, Slide = 2 };
    enum RectEdge : unsigned {
        EdgeNone = 0,
        EdgeTop = 1,
        EdgeLeft = 2,
        EdgeBottom = 4,
        EdgeRight = 8,
        EdgeAll = 15
    };
    // Where a controller is in its appearance cycle.
    enum class Appearance { Disappeared, Appearing, Appeared, Disappearing };
    using Completion = std::function<void()>;

    static constexpr TimeInterval kCoverDuration = 0.4;
    static constexpr TimeInterval kCrossDissolveDuration = 0.3;
    static constexpr TimeInterval kFlipDuration = 0.75;

    ViewController();
    ~ViewController() override;
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    template <typename T = ViewController, typename... Args>
    static std::shared_ptr<T> make(Args&&... args) {
        return std::make_shared<T>(std::forward<Args>(args)...);
    }

    // --- the view ---
    // Loads the view on first use: loadView, then viewDidLoad.
    std::shared_ptr<View> view();
    std::shared_ptr<View> viewIfLoaded() const { return view_; }
    bool isViewLoaded() const { return view_ != nullptr; }
    void setView(const std::shared_ptr<View>& view);
    // Makes the view; the default is a plain view the size of the device's screen.
    virtual void loadView();
    virtual void viewDidLoad() {}

    // --- appearance ---
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}
    virtual void viewWillLayoutSubviews() {}
    virtual void viewDidLayoutSubviews() {}
    // Containers drive their children's cycle with these. A call that would repeat the current
    // phase (will-appear while appearing) is ignored, so every controller sees will before did
    // and appear and disappear alternate.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    Appearance appearance() const { return appearance_; }
    // True during the appearance calls of a push or pop, a presentation or a dismissal.
    bool isMovingToParentViewController() const { return movingToParent_; }
    bool isMovingFromParentViewController() const { return movingFromParent_; }
    bool isBeingPresented() const { return beingPresented_; }
    bool isBeingDismissed() const { return beingDismissed_; }

    // --- children ---
    const std::vector<std::shared_ptr<ViewController>>& childViewControllers() const {
        return children_;
    }
    ViewController* parentViewController() const { return parent_; }
    // Sends the child willMoveToParentViewController(this); the caller adds the child's view and
    // then sends didMoveToParentViewController(this).
    void addChildViewController(const std::shared_ptr<ViewController>& child);
    // The caller first sends willMoveToParentViewController(nullptr); this sends the did-move.
    void removeFromParentViewController();
    virtual void willMoveToParentViewController(ViewController* /*parent*/) {}
    virtual void didMoveToParentViewController(ViewController* /*parent*/) {}
    // Whether appearance calls reach the children on their own; a container that drives its
    // children's cycle itself answers false.
    virtual bool shouldAutomaticallyForwardAppearanceMethods() const { return true; }

    // --- the screen's parts that containers show ---
    const QString& title() const { return title_; }
    // Also the navigation item's title.
    virtual void setTitle(const QString& title);
    NavigationItem& navigationItem() { return *navigationItem_; }
    // The same item, for bars that show it.
    std::shared_ptr<NavigationItem> sharedNavigationItem() const { return navigationItem_; }
    // The nearest navigation or split view controller among the ancestors.
    NavigationController* navigationController() const;
    SplitViewController* splitViewController() const;
    unsigned edgesForExtendedLayout() const { return extendedEdges_; }
    void setEdgesForExtendedLayout(unsigned edges) { extendedEdges_ = edges; }
    QSizeF preferredContentSize() const { return preferredContentSize_; }
    void setPreferredContentSize(QSizeF size) { preferredContentSize_ = size; }

    // --- editing ---
    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);

    // --- status bar and orientation (asked by the window, which records the answers) ---
    virtual bool prefersStatusBarHidden() const { return false; }
    virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::Default; }
    virtual StatusBarAnimation preferredStatusBarUpdateAnimation() const {
        return StatusBarAnimation::Fade;
    }
    // The controller whose answers stand for this one's (a container's top screen).
    virtual ViewController* childViewControllerForStatusBar() const { return nullptr; }
    // Asks the window to read the status-bar answers again.
    void setNeedsStatusBarAppearanceUpdate();
    virtual unsigned supportedInterfaceOrientations() const;
    virtual bool shouldAutorotate() const { return true; }
    // Told before the window's size changes; the default tells the children.
    virtual void viewWillTransitionToSize(QSizeF size, TransitionCoordinator& coordinator);
    // The window this controller's view is in, when any.
    Window* window() const;

    // --- modal presentation ---
    ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { presentationStyle_ = style; }
    ModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
    void setModalTransitionStyle(ModalTransitionStyle style) { transitionStyle_ = style; }
    // Where a popover presentation points; made on first use.
    PopoverPresentation& popoverPresentationController();
    // Shows `controller` over this one's screen (over the top ancestor's for a child). Refused,
    // with a warning and no completion, while something is already presented or a presentation
    // or dismissal is running, or when this controller's view is not in a window.
    bool presentViewController(const std::shared_ptr<ViewController>& controller, bool animated,
                               Completion completion = {});
    // Dismisses what this controller presents (and everything above that), or, when it presents
    // nothing, this controller itself. `completion` runs once the screen is gone (at once when
    // there is nothing to dismiss). Asked during a presentation, it waits for it to end.
    void dismissViewController(bool animated, Completion completion = {});
    std::shared_ptr<ViewController> presentedViewController() const;
    // The controller that presented this one or one of its ancestors.
    ViewController* presentingViewController() const;

    // The responder after the controller: its view's superview.
    Responder* nextResponder() const override;
    Window* responderWindow() const override { return window(); }

protected:
    // A container that changes its children's cycle itself (a push or pop) marks them with these
    // around the appearance calls.
    void setMovingToParent(bool moving) { movingToParent_ = moving; }
    void setMovingFromParent(bool moving) { movingFromParent_ = moving; }

    void ownedViewWillLayout() override { viewWillLayoutSubviews(); }
    void ownedViewDidLayout() override { viewDidLayoutSubviews(); }
    void ownedViewWillMoveToWindow(Window* window) override;
    void ownedViewDidMoveToWindow(Window* window) override;

private:
    friend class Presentation;
    friend class NavigationController;
    // The ancestor at the top of the parent chain.
    ViewController* rootAncestor();
    bool childViewInHierarchy(const ViewController& child) const;

    std::shared_ptr<View> view_;
    QString title_;
    std::shared_ptr<NavigationItem> navigationItem_ = std::make_shared<NavigationItem>();
    Appearance appearance_ = Appearance::Disappeared;
    bool appearanceAnimated_ = false;
    bool movingToParent_ = false;
    bool movingFromParent_ = false;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
    bool editing_ = false;
    unsigned extendedEdges_ = EdgeAll;
    QSizeF preferredContentSize_;
    ViewController* parent_ = nullptr;
    std::vector<std::shared_ptr<ViewController>> children_;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
    ModalTransitionStyle transitionStyle_ = ModalTransitionStyle::CoverVertical;
    std::unique_ptr<PopoverPresentation> popoverPresentation_;
    // Set on the presenter while it presents.
    std::unique_ptr<Presentation> presentation_;
    // Set on the presented controller.
    ViewController* presenter_ = nullptr;
};

}  // namespace platform
