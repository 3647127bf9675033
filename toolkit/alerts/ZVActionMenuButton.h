#pragma once

#include "toolkit/alerts/ZVAlertButton.h"

#include <functional>

// One option of an action menu: its row, what it runs, and whether it asks first.
class ZVActionMenuButton : public ZVAlertButton {
public:
    using ZVAlertButton::ZVAlertButton;

    // Bound by the menu's owner (a host binds its own operations).
    const std::function<void()>& action() const { return action_; }
    void setAction(std::function<void()> action) { action_ = std::move(action); }
    const std::function<void()>& handler() const { return handler_; }
    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    // Set: the option asks "Are you sure?" with this message before it runs.
    const QString& confirmMessage() const { return confirmMessage_; }
    void setConfirmMessage(const QString& message) { confirmMessage_ = message; }
    // Its place in a native sheet while one shows, else -1.
    int actionSheetIndex() const { return actionSheetIndex_; }
    void setActionSheetIndex(int index) { actionSheetIndex_ = index; }

private:
    std::function<void()> action_;
    std::function<void()> handler_;
    QString confirmMessage_;
    int actionSheetIndex_ = -1;
};
