#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/view/View.h"
#include "toolkit/richtext/ZVRichText.h"

#include <QtCore/QString>

#include <memory>
#include <utility>
#include <vector>

namespace platform {
class ActivityIndicator;
class Button;
class ImageView;
class ViewController;
}  // namespace platform
class ZVBorderedTextField;

// One page of the screens before sign-in: a column of parts pushed once, top to bottom, and laid
// out by placeChildren(). Fields and buttons (every part, under a ZVContainerViewController) sit
// in a white box; the page's first button is its action button, enabled only while every field
// holds text. Main thread only.
class ZVContainerView : public platform::View,
                        public platform::TextFieldDelegate,
                        public ZVRichTextDelegate {
public:
    static constexpr qreal kMargin = 20;
    static constexpr qreal kNarrowMargin = 10;
    // A page narrower than its superview by more than this gets the narrow margin.
    static constexpr qreal kNarrowSlack = 20;
    static constexpr qreal kOutsideInset = 47;
    static constexpr qreal kGap = 10;
    static constexpr qreal kTrailingSpace = 20;
    static constexpr qreal kLogoPadding = 20;
    static constexpr qreal kCornerRadius = 4;
    // The text views' width is the page's less this.
    static constexpr qreal kTextWidthLoss = 94;
    static constexpr qreal kFieldHeight = 48;
    static constexpr platform::TimeInterval kActionButtonDelay = 0.1;
    static constexpr platform::TimeInterval kCodeDashDelay = 0.01;
    static constexpr qsizetype kCodeMaxLength = 7;
    // A code reads as three digits, a dash and three digits.
    static constexpr qsizetype kCodeDashPosition = 3;

    explicit ZVContainerView(std::weak_ptr<platform::ViewController> viewController = {});
    ~ZVContainerView() override;

    std::shared_ptr<platform::ViewController> viewController() const {
        return viewController_.lock();
    }
    void setViewController(std::weak_ptr<platform::ViewController> controller) {
        viewController_ = std::move(controller);
    }
    // The colour of the box; the page itself stays clear.
    const QColor& backgroundColor() const { return boxColor_; }
    void setBackgroundColor(const QColor& color) { boxColor_ = color; }
    const std::shared_ptr<platform::View>& background() const { return background_; }
    bool bottomLine() const { return bottomLine_ != nullptr; }
    void setBottomLine(bool shown);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    const QString& title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    // --- building the page ---
    void pushLogo();
    std::shared_ptr<ZVRichText> pushTextView(const platform::AttributedString& text, qreal spacing);
    // Links as "title • title", each carrying its name as the link value, in the order given.
    std::shared_ptr<ZVRichText> pushTextActions(
        const std::vector<std::pair<QString, QString>>& nameAndTitle, qreal spacing);
    std::shared_ptr<ZVBorderedTextField> pushTextFieldWithPlaceholder(const QString& placeholder);
    std::shared_ptr<platform::Button> pushButtonWithTitle(const QString& title, int style);
    // A labelled separator, or a hairline when `text` is null.
    void pushSeparator(const QString& text);
    std::shared_ptr<platform::ImageView> pushIllustration(const QString& imageName);
    std::shared_ptr<platform::ActivityIndicator> pushActivityIndicator();
    void pushSuccessView();

    // The parts in the order pushed (the box not among them).
    std::vector<std::shared_ptr<platform::View>> parts() const;
    std::vector<std::shared_ptr<ZVBorderedTextField>> textFields() const;
    std::shared_ptr<ZVBorderedTextField> firstTextField() const;
    std::shared_ptr<platform::Button> actionButton() const;

    void placeChildren();
    void updateActionButton();
    // Puts off updateActionButton() by kActionButtonDelay.
    void scheduleActionButtonUpdate();

    // The first field takes the focus; a page without one keeps it where it is.
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;

    // --- text fields ---
    bool textFieldShouldReturn(platform::TextField& field) override;
    bool textFieldShouldChangeCharacters(platform::TextField& field, platform::TextRange range,
                                         const QString& replacement) override;

private:
    // Whether the page's controller is a ZVPreLoginViewController, where only fields and buttons
    // are boxed.
    bool boxesOnlyControls() const;
    bool isTablet() const;
    // A text part's height on a page `pageWidth` wide, `spacing` below it.
    static qreal textPartHeight(const platform::AttributedString& text, qreal pageWidth,
                                qreal spacing);
    // Adds the part last, at `height` tall and as wide as the page.
    template <typename T>
    std::shared_ptr<T> push(std::shared_ptr<T> part, qreal height);
    // The code field's filter; true when the edit may go ahead.
    bool acceptCodeEdit(platform::TextField& field, platform::TextRange range,
                        const QString& replacement);
    void insertCodeDash(const std::weak_ptr<platform::TextField>& field);

    std::weak_ptr<platform::ViewController> viewController_;
    // The text parts with the spacing below each: measured again at the page's width when it is
    // placed, since a page may be built before it has one.
    std::vector<std::pair<std::weak_ptr<ZVRichText>, qreal>> texts_;
    QColor boxColor_ = Qt::white;
    std::shared_ptr<platform::View> background_;
    std::shared_ptr<platform::View> bottomLine_;
    bool enabled_ = true;
    QString title_;
    platform::ScopedTimer actionButtonTimer_;
    platform::ScopedTimer codeDashTimer_;
};
