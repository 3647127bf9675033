#pragma once

#include "platform/ui/controllers/ViewController.h"

#include <QtCore/QRectF>
#include <QtCore/QString>

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class AlertController;

// The platform's numbers.
enum class AlertStyle : int { ActionSheet = 0, Alert = 1 };
enum class AlertActionStyle : int { Default = 0, Cancel = 1, Destructive = 2 };

// One button of an alert or action sheet.
class AlertAction {
public:
    using Handler = std::function<void(AlertAction&)>;

    AlertAction(QString title, AlertActionStyle style, Handler handler)
        : title_(std::move(title)), style_(style), handler_(std::move(handler)) {}
    static std::shared_ptr<AlertAction> make(QString title, AlertActionStyle style,
                                             Handler handler = {}) {
        return std::make_shared<AlertAction>(std::move(title), style, std::move(handler));
    }

    const QString& title() const { return title_; }
    AlertActionStyle style() const { return style_; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

private:
    friend class AlertController;
    QString title_;
    AlertActionStyle style_;
    Handler handler_;
    bool enabled_ = true;
};

// A text field of an input alert: what the user typed, read by the actions' handlers.
struct AlertTextField {
    QString text;
    QString placeholder;
    bool secureTextEntry = false;
};

class AlertCardView;

// An alert (title, message, buttons, text fields) or an action sheet (a list of choices with a
// cancel button), a controller presented over the screens: an alert in the middle, an action
// sheet at the bottom, or, on the tablet idiom, as a popover at its source rectangle, which a
// touch outside cancels. Choosing an action dismisses the alert, then runs the action's handler,
// once; no later tap does anything. Main thread only.
class AlertController : public ViewController {
public:
    // Room between an action sheet and the window's edges.
    static constexpr qreal kSheetInset = 8;

    AlertController(QString title, QString message, AlertStyle style);
    static std::shared_ptr<AlertController> make(QString title, QString message, AlertStyle style) {
        return std::make_shared<AlertController>(std::move(title), std::move(message), style);
    }

    const QString& title() const { return title_; }
    const QString& message() const { return message_; }
    AlertStyle style() const { return style_; }

    // False, and nothing added, for a second cancel action (there is one cancel button).
    bool addAction(const std::shared_ptr<AlertAction>& action);
    const std::vector<std::shared_ptr<AlertAction>>& actions() const { return actions_; }
    std::shared_ptr<AlertAction> cancelAction() const;

    // Only alerts take text fields; false for an action sheet.
    bool addTextField(std::function<void(AlertTextField&)> configure = {});
    const std::vector<std::shared_ptr<AlertTextField>>& textFields() const { return textFields_; }

    // Where a popover points: a rectangle of a view (its bounds when empty).
    void setSourceView(const std::shared_ptr<View>& view);
    void setSourceRect(const QRectF& rect);

    // Presents the alert from the topmost controller of `from`'s window, an action sheet on the
    // tablet idiom as a popover; `completion` runs once it is on screen. False when `from`'s window
    // has no controller to present from, or the alert was presented before (an alert is shown
    // once). A controller may also present it itself.
    bool present(View& from, bool animated, Completion completion = {});
    // Shown, and no action chosen yet.
    bool isPresented() const { return presentingViewController() != nullptr && !finished_; }
    // Whether it shows as a popover: an action sheet on the tablet idiom.
    bool isPopover() const { return popover_; }
    // The card while the view is loaded (tests look at it and tap its buttons).
    std::shared_ptr<AlertCardView> card();

    // A tap on the action at `index` (of actions()): false when the alert is not showing, the
    // action is disabled, or an action was chosen already.
    bool chooseAction(int index);
    // Dismisses without running any action.
    void dismiss(bool animated, Completion completion = {});

protected:
    void loadView() override;
    void viewDidAppear(bool animated) override;

private:
    void finish(const std::shared_ptr<AlertAction>& action);
    void watchTouchesOutside();

    QString title_;
    QString message_;
    AlertStyle style_;
    std::vector<std::shared_ptr<AlertAction>> actions_;
    std::vector<std::shared_ptr<AlertTextField>> textFields_;
    bool finished_ = false;
    bool popover_ = false;
};

}  // namespace platform
