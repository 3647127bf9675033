#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/text/TextFrame.h"
#include "platform/ui/view/View.h"
#include "toolkit/richtext/ZVRichTextLayout.h"

#include <functional>
#include <memory>
#include <optional>

// Told about what the user does with the view's links and checkboxes.
class ZVRichTextDelegate {
public:
    virtual ~ZVRichTextDelegate() = default;
    // False stops the link from opening.
    virtual bool shouldOpenURL(const QString& /*url*/) { return true; }
    virtual void checkboxToggled(bool /*checked*/) {}
};

// Where the links of rich text go: the application's URL handling registers itself at start-up;
// until then links open with the desktop and no share menu shows.
struct ZVRichTextURLHandler {
    std::function<void(const QString& url, const QRectF& rect, platform::View& view)> open;
    // Calls `completion` once the menu is gone.
    std::function<void(const QUrl& url, const QRectF& rect, platform::View& view,
                       std::function<void()> completion)>
        showShareMenu;
};

// Shows attributed text with its decorations: lays it out in its bounds, draws attachments under
// the text, notes when the text did not fit (and can fade out the cut edge), opens links on a tap
// and offers a share menu on a long press.
class ZVRichText : public platform::View {
public:
    enum TruncationMode { kNoTruncation = 0, kTruncationNoted = 1, kTruncationFaded = 2 };
    enum TruncationState { kAllFits = 0, kCutOneLine = 1, kCutSeveralLines = 2 };

    static constexpr double kAnimationInterval = 0.04;
    static constexpr double kOpenDelay = 0.1;
    static constexpr double kMenuDelay = 1.0;
    static constexpr qreal kFadeBand = 100;
    static constexpr qreal kMinimumAttachmentHeight = 23;

    ZVRichText();
    ~ZVRichText() override;

    static void setURLHandler(ZVRichTextURLHandler handler);

    void setAttributedText(const platform::AttributedString& text);
    const platform::AttributedString& attributedText() const { return text_; }
    const ZVRichTextLayout::Attachments& attachments() const { return attachments_; }

    int truncationMode() const { return truncationMode_; }
    void setTruncationMode(int mode) {
        if (mode != truncationMode_) {
            truncationMode_ = mode;
            // The lines are laid out again with the next text, even an equal one.
            givenPlain_.reset();
        }
    }
    int truncationState() const { return truncationState_; }
    // The drawn width of a one-line text, else the view's width (0 before layout).
    qreal textWidth() const { return textWidth_; }
    bool menuShowing() const { return menuShowing_; }
    bool isAnimating() const { return timer_.isValid(); }
    void setDelegate(std::weak_ptr<ZVRichTextDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    // The bounding rectangle of the first background (or link), else an empty one.
    QRectF highlightFrame() const;

    void openURL(const std::shared_ptr<ZVRichTextAttachment>& link);
    void checkboxTapped(const std::shared_ptr<ZVRichTextAttachment>& checkbox);
    void presentMenu();
    // The edit menu went away: the pressed link is let go.
    void menuDisappeared();
    void copy();

    // Copy is the one edit action, for the pressed link's address.
    bool canBecomeFirstResponder() const override { return true; }
    bool canPerformAction(const QString& action) const override;
    bool performAction(const QString& action) override;

    void layoutFrame();
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void layoutSubviews() override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

private:
    std::shared_ptr<ZVRichTextAttachment> activeAttachment() const;
    void setActive(std::size_t index, bool tapped);
    void deactivate();
    void animate();
    void drawTruncationFade(QPainter& painter) const;

    platform::AttributedString text_;
    // The text as last given, while it had no attachments: given again, the laid-out frame stays.
    std::optional<platform::AttributedString> givenPlain_;
    ZVRichTextLayout::Attachments attachments_;
    std::unique_ptr<platform::TextFrame> frame_;
    platform::ScopedTimer timer_;
    platform::ScopedTimer menuTimer_;
    platform::ScopedTimer openTimer_;
    // Held while the menu shows, so that its hiding reaches this view.
    platform::Observation menuHidden_;
    qreal textWidth_ = 0;
    bool menuShowing_ = false;
    int truncationMode_ = kNoTruncation;
    int truncationState_ = kAllFits;
    std::weak_ptr<ZVRichTextDelegate> delegate_;
};
