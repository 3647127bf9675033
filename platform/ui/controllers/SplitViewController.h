#pragma once

#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controllers/navigation/BarButtonItem.h"

namespace platform {

class SplitViewControllerDelegate;

// Two screens side by side on a tablet: a primary column on the left, as wide as a share of the
// whole between a minimum and a maximum, and the secondary screen beside it. In portrait the
// primary column is hidden by default (left of the screen) and the display-mode button shows it
// over the secondary; in landscape both are visible.
class SplitViewController : public ViewController {
public:
    // The numbers are the platform's.
    enum class DisplayMode { Automatic = 0, PrimaryHidden = 1, AllVisible = 2, PrimaryOverlay = 3 };

    static constexpr qreal kDefaultPrimaryFraction = 0.38;
    static constexpr qreal kDefaultMinimumPrimaryWidth = 320;
    static constexpr qreal kDefaultMaximumPrimaryWidth = 414;
    static constexpr qreal kDividerWidth = 1;
    static constexpr TimeInterval kDisplayModeDuration = 0.3;
    static const QString kDisplayModeButtonTitle;

    SplitViewController();
    ~SplitViewController() override;

    // The primary and the secondary screen, in that order.
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const {
        return controllers_;
    }
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);

    qreal preferredPrimaryColumnWidthFraction() const { return fraction_; }
    void setPreferredPrimaryColumnWidthFraction(qreal fraction);
    qreal minimumPrimaryColumnWidth() const { return minimumWidth_; }
    void setMinimumPrimaryColumnWidth(qreal width);
    qreal maximumPrimaryColumnWidth() const { return maximumWidth_; }
    void setMaximumPrimaryColumnWidth(qreal width);
    // The primary column's width in the current bounds.
    qreal primaryColumnWidth() const;

    DisplayMode preferredDisplayMode() const { return preferredMode_; }
    void setPreferredDisplayMode(DisplayMode mode);
    // The mode in effect (never Automatic).
    DisplayMode displayMode() const { return mode_; }
    // Shows or hides the primary column; screens put it in their navigation bars.
    const std::shared_ptr<BarButtonItem>& displayModeButtonItem() const { return modeButton_; }

    std::shared_ptr<SplitViewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<SplitViewControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    void loadView() override;
    void viewWillTransitionToSize(QSizeF size, TransitionCoordinator& coordinator) override;

private:
    class ContainerView;

    DisplayMode automaticMode(QSizeF size) const;
    void changeMode(DisplayMode mode, bool animated);
    void modeButtonTapped();
    void layoutColumns();
    void updateModeButton();

    std::vector<std::shared_ptr<ViewController>> controllers_;
    qreal fraction_ = kDefaultPrimaryFraction;
    qreal minimumWidth_ = kDefaultMinimumPrimaryWidth;
    qreal maximumWidth_ = kDefaultMaximumPrimaryWidth;
    DisplayMode preferredMode_ = DisplayMode::Automatic;
    DisplayMode mode_ = DisplayMode::AllVisible;
    // A mode chosen with the button, kept until the orientation or the preference changes.
    bool modeChosenByButton_ = false;
    bool modeSettled_ = false;
    std::shared_ptr<BarButtonItem> modeButton_;
    std::shared_ptr<View> dismissOverlay_;
    std::weak_ptr<SplitViewControllerDelegate> delegate_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class SplitViewControllerDelegate {
public:
    virtual ~SplitViewControllerDelegate() = default;
    // Told before the display mode changes (by orientation, preference or the mode button).
    virtual void willChangeToDisplayMode(SplitViewController&,
                                         SplitViewController::DisplayMode /*mode*/) {}
};

}  // namespace platform
