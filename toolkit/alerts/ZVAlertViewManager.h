#pragma once

#include "platform/ui/view/LayerTransform.h"

#include <QtCore/QPointF>

#include <memory>

class ZVAlertView;

namespace platform {
class View;
class Window;
}  // namespace platform

// Puts alert cards on screen and takes them off: one card at a time, a newer card flipping in
// where the old one was (no queue), over a dimming overlay that consecutive cards share. A
// popover card is placed next to the view it points at, scrolling that view's scroll view when
// there is no room. Main thread only.
class ZVAlertViewManager {
public:
    static constexpr double kFadeDuration = 0.3;
    static constexpr double kFlipDuration = 0.15;
    static constexpr double kOverlayAlpha = 0.3;
    static constexpr double kPerspective = -0.002;
    static constexpr double kRemovedScale = 0.8;
    static constexpr double kPopoverStartScale = 0.2;
    static constexpr double kCentredStartScale = 1.2;
    static constexpr double kPromptLift = 100;
    static constexpr double kEdgeMargin = 10;
    static constexpr double kRoomAround = 30;
    static constexpr double kCardDepth = 1000;

    ZVAlertViewManager();
    ~ZVAlertViewManager();
    ZVAlertViewManager(const ZVAlertViewManager&) = delete;
    ZVAlertViewManager& operator=(const ZVAlertViewManager&) = delete;

    // The shared instance, made on first use.
    static ZVAlertViewManager& alertViewManager();

    // The window cards show in: the application's, given at start-up.
    std::shared_ptr<platform::Window> keyWindow() const { return keyWindow_.lock(); }
    void setKeyWindow(std::weak_ptr<platform::Window> window) { keyWindow_ = std::move(window); }

    std::shared_ptr<ZVAlertView> currentAlertView() const { return current_; }
    // A card: presents it, replacing any other. Null: removes the current card.
    void setCurrentAlertView(std::shared_ptr<ZVAlertView> alertView);
    // Only the current card is removed.
    void hideAlertView(const ZVAlertView& alertView);
    // The current card's delegate hears -1, then the card goes.
    void dismissAlert();
    void overlayTapped();
    const std::shared_ptr<platform::View>& overlay() const { return overlay_; }

    // The centre, in window coordinates, of a card pointing at its view; may turn the card's
    // arrow over, scroll the pointed view, or leave the card centred without an arrow.
    // `preferAbove` changes nothing.
    QPointF locationForAlertView(ZVAlertView& alertView, platform::Window& window,
                                 bool preferAbove = true);

    static platform::LayerTransform initialTransform();
    static platform::LayerTransform finalTransform();
    void animateAppearance(ZVAlertView& alertView);
    void animateTransitionWithPopFrom(const std::shared_ptr<ZVAlertView>& from,
                                      const std::shared_ptr<ZVAlertView>& to);
    void animateTransitionFrom(const std::shared_ptr<ZVAlertView>& from,
                               const std::shared_ptr<ZVAlertView>& to);

private:
    void present(const std::shared_ptr<ZVAlertView>& alertView);
    void remove();

    std::weak_ptr<platform::Window> keyWindow_;
    std::shared_ptr<ZVAlertView> current_;
    std::shared_ptr<platform::View> overlay_;
};
