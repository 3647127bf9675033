#pragma once

#include "platform/foundation/TextAttributes.h"
#include "platform/ui/view/View.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <QtCore/QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ZVAlertButton;
class ZVArrowView;
class ZVConfirmationAlertView;
class ZVError;
class ZVRichText;

namespace platform {
class Button;
class Label;
class ScrollView;
}  // namespace platform

// The application's own alert and popover card: an optional title bar, a message in rich text,
// extra views (fields, option rows), a row of buttons made from titles, and, pointing at a view,
// a small arrow. The card lays itself out and tracks its touches; ZVAlertViewManager puts it on
// screen, one card at a time.
class ZVAlertView : public platform::View {
public:
    using ViewList = std::vector<std::shared_ptr<platform::View>>;

    static constexpr qreal kDefaultWidth = 300;
    static constexpr qreal kDefaultHeight = 170;
    static constexpr qreal kTitleBarHeight = 38;
    static constexpr qreal kMargin = 10;
    static constexpr qreal kMaxMessageHeight = 200;
    static constexpr qreal kButtonRowMinTop = 125;
    static constexpr qreal kButtonHeight = 45;
    static constexpr qreal kViewInset = 5;
    static constexpr qreal kArrowGap = 5;
    // A card of the default width in a window narrower than this fills it but for the margins.
    static constexpr qreal kNarrowWindow = 400;
    static constexpr qreal kNarrowWindowMargin = 20;

    // Keyboard settings.
    static constexpr int kKeepKeyboard = 0;
    static constexpr int kDismissKeyboard = 1;
    static constexpr int kKeyboardPrompt = 2;

    ZVAlertView();
    ~ZVAlertView() override;

    // The buttons are `cancelButtonTitle` (unless null) and then `otherButtonTitles`; the last is
    // the default one.
    static std::shared_ptr<ZVAlertView> make(const QString& title, const QString& message,
                                             std::weak_ptr<ZVAlertViewDelegate> delegate,
                                             const QString& cancelButtonTitle,
                                             const QStringList& otherButtonTitles);
    void setUp(const QString& title, const QString& message,
               std::weak_ptr<ZVAlertViewDelegate> delegate, const QString& cancelButtonTitle,
               const QStringList& otherButtonTitles);

    // A plain-text message (a typed address, a service's error text) with "OK", shown now.
    static std::shared_ptr<ZVAlertView> showMessage(const QString& message, const QString& title);
    static std::shared_ptr<ZVAlertView> showError(const ZVError& error,
                                                  const QString& title = QString());
    static bool alertViewShowing();
    // "Cancel" and the confirm button (the default one); `action` runs when the card is dismissed
    // through the confirm button. The message is markup, as in any card: callers escape the
    // values they put in.
    static std::shared_ptr<ZVConfirmationAlertView> confirmationWithTitle(
        const QString& title, const QString& message, const QString& confirmButtonTitle,
        std::function<void()> action);
    // A confirmation card that asks for text: its one extra view is a text view of several lines
    // in the font and colour of `defaultAttributes` (else text style 0's), showing `placeholder`
    // while empty; confirmed, `action` gets the text. The keyboard stays up and the card sits
    // above it.
    static std::shared_ptr<ZVConfirmationAlertView> inputViewWithTitle(
        const QString& title, const QString& message, const QString& confirmButtonTitle,
        std::function<void(const QString& text)> action,
        const std::optional<platform::TextAttributes>& defaultAttributes,
        const QString& placeholder);
    static std::shared_ptr<ZVConfirmationAlertView> showConfirmationWithTitle(
        const QString& title, const QString& message, const QString& confirmButtonTitle,
        std::function<void()> action);

    QString title() const;
    void setTitle(const QString& title);
    const QString& message() const { return message_; }
    // Markup, parsed into rich text; a message that is no valid markup shows as the plain text
    // it is. Empty hides the message.
    void setMessage(const QString& message);
    const QStringList& buttons() const { return buttons_; }
    void setButtons(const QStringList& buttons) { buttons_ = buttons; }
    const std::vector<std::shared_ptr<ZVAlertButton>>& buttonViews() const { return buttonViews_; }
    const ViewList& views() const { return views_; }
    void setViews(ViewList views) { views_ = std::move(views); }
    int destructiveButtonIndex() const { return destructiveButtonIndex_; }
    void setDestructiveButtonIndex(int index) { destructiveButtonIndex_ = index; }
    int defaultButtonIndex() const { return defaultButtonIndex_; }
    void setDefaultButtonIndex(int index) { defaultButtonIndex_ = index; }
    std::shared_ptr<ZVAlertViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZVAlertViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    int keyboardSetting() const { return keyboardSetting_; }
    void setKeyboardSetting(int setting) { keyboardSetting_ = setting; }

    const std::shared_ptr<platform::Label>& titleLabel() const { return titleLabel_; }
    const std::shared_ptr<ZVRichText>& textLabel() const { return textLabel_; }
    const std::shared_ptr<platform::View>& titleBackground() const { return titleBackground_; }
    const std::shared_ptr<platform::View>& contentView() const { return contentView_; }
    const std::shared_ptr<platform::Button>& closeButton() const { return closeButton_; }
    // The scroll view a message taller than the limit scrolls in, else null.
    const std::shared_ptr<platform::ScrollView>& messageScrollView() const {
        return messageScroll_;
    }

    // --- pointing ---
    const std::shared_ptr<platform::View>& pointAtView() const { return pointAtView_; }
    void setPointAtView(std::shared_ptr<platform::View> view);
    bool arrowAbove() const { return arrowAbove_; }
    void setArrowAbove(bool above);
    qreal arrowPos() const { return arrowPos_; }
    void setArrowPos(qreal pos);
    const std::shared_ptr<ZVArrowView>& arrow() const { return arrow_; }

    // --- showing ---
    virtual void show();
    // Takes the card off screen when it is the one showing; tells no delegate.
    void hide();
    // Does nothing for an index outside the buttons.
    void setButton(int index, bool enabled);
    bool viewRequiresInset(const platform::View& view) const;
    void performLayout();

    // --- the pointed view's scroll view ---
    std::shared_ptr<platform::ScrollView> scrollView() const;
    bool scrollPointedViewBy(qreal distance);
    void restoreScrollPos();
    void inheritScrollStateFrom(ZVAlertView& other);
    bool viewWasScrolled() const { return viewWasScrolled_; }
    qreal savedContentOffset() const { return savedContentOffset_; }

    // --- pages ---
    bool secondaryState() const { return secondaryState_; }
    void toggleSecondaryState();

    // --- geometry ---
    QRectF contentViewRectForHeight(qreal height) const;
    QRectF frameForHeight(qreal height) const;
    QPointF arrowPosForHeight(qreal height) const;
    void setHeight(qreal height);
    // The frame as laid out, whatever transform an animation gives the card meanwhile.
    QRectF untransformedFrame() const;
    void setUntransformedFrame(const QRectF& frame);

    // --- touches ---
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesMoved(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;
    std::shared_ptr<ZVAlertButton> buttonFromTouches(const platform::TouchSet& touches);
    const std::shared_ptr<ZVAlertButton>& activeButton() const { return activeButton_; }
    void setActiveButton(std::shared_ptr<ZVAlertButton> button);
    void cancelTapped();

    // Told by the manager when another card takes this one's place on screen. The delegate hears
    // nothing of it; an owner that must end what the card began installs this hook.
    void setOnReplaced(std::function<void(ZVAlertView& replacement)> hook) {
        onReplaced_ = std::move(hook);
    }
    void wasReplacedBy(ZVAlertView& replacement);

protected:
    // Sends the delegate the dismissal; a subclass may add to it.
    virtual void tellDelegate(int buttonIndex);

private:
    void updateArrow();
    QColor arrowColor() const;
    void layoutMessage(qreal& y, qreal width);
    void layoutViews(qreal& y, qreal width);
    void layoutButtons(qreal& y, qreal width);

    std::shared_ptr<platform::Label> titleLabel_;
    std::shared_ptr<ZVRichText> textLabel_;
    std::shared_ptr<platform::ScrollView> messageScroll_;
    QString message_;
    QStringList buttons_;
    std::vector<std::shared_ptr<ZVAlertButton>> buttonViews_;
    ViewList views_;
    int destructiveButtonIndex_ = -1;
    int defaultButtonIndex_ = -1;
    std::weak_ptr<ZVAlertViewDelegate> delegate_;
    std::shared_ptr<platform::View> titleBackground_;
    std::shared_ptr<platform::View> contentView_;
    std::shared_ptr<platform::Button> closeButton_;
    std::shared_ptr<platform::View> pointAtView_;
    bool arrowAbove_ = false;
    qreal arrowPos_ = 0;
    std::shared_ptr<ZVArrowView> arrow_;
    bool secondaryState_ = false;
    qreal savedContentOffset_ = 0;
    qreal savedContentInset_ = 0;
    bool viewWasScrolled_ = false;
    std::shared_ptr<ZVAlertButton> activeButton_;
    int keyboardSetting_ = kDismissKeyboard;
    std::function<void(ZVAlertView&)> onReplaced_;
};
