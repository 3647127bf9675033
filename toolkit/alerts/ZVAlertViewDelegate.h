#pragma once

class ZVAlertView;

// Told once when a card goes away through a button (its index) or without one (-1). A card
// replaced by another, or hidden by its owner, tells nobody.
class ZVAlertViewDelegate {
public:
    static constexpr int kNoButton = -1;

    virtual ~ZVAlertViewDelegate() = default;
    virtual void alertView(ZVAlertView& alertView, int buttonIndex) = 0;
};

// An extra view of a card that decides itself whether the card insets it from the sides.
class ZVAlertViewInsetting {
public:
    virtual ~ZVAlertViewInsetting() = default;
    virtual bool requiresInset() const = 0;
};
