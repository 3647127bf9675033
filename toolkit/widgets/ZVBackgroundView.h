#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/controls/EdgeInsets.h"
#include "platform/ui/view/View.h"

#include <array>
#include <memory>
#include <optional>

namespace platform {
class ImageView;
}
class ZVRichText;
class ZVRichTextDelegate;

// What shows behind an empty list: clouds, and while there is a message an illustration with the
// message centred below it and an optional link line. The message fades in and out.
class ZVBackgroundView : public platform::View {
public:
    static constexpr int kCloudCount = 3;
    static constexpr double kFadeDuration = 0.25;
    static constexpr int kTextStyle = 25;
    // The link line's address, as the delegate hears it.
    static inline const QString kLinkValue = QStringLiteral("x");
    static constexpr qreal kLabelInset = 5;
    static constexpr qreal kIllustrationGap = 20;
    static constexpr qreal kMeasureHeight = 1000;

    ZVBackgroundView();
    // Starts drawing the clouds ahead, for a screen that is about to show one of these views.
    static void preloadImages();
    ~ZVBackgroundView() override;

    const QString& text() const { return text_; }
    void setText(const QString& text);
    const QString& linkText() const { return linkText_; }
    void setLinkText(const QString& linkText);
    // None while no message is shown.
    std::optional<platform::AttributedString> attributedText() const;
    void setAttributedText(const std::optional<platform::AttributedString>& text);
    void setDelegate(std::weak_ptr<ZVRichTextDelegate> delegate);
    const platform::EdgeInsets& contentInset() const { return contentInset_; }
    void setContentInset(const platform::EdgeInsets& insets);

    const std::shared_ptr<platform::ImageView>& logo() const { return logo_; }
    const std::shared_ptr<ZVRichText>& label() const { return label_; }
    const std::array<std::shared_ptr<platform::ImageView>, kCloudCount>& clouds() const {
        return clouds_;
    }

    void layoutSubviews() override;

private:
    void updateLabel();

    std::shared_ptr<platform::ImageView> logo_;
    std::array<std::shared_ptr<platform::ImageView>, kCloudCount> clouds_;
    std::shared_ptr<ZVRichText> label_;
    platform::EdgeInsets contentInset_;
    QString text_;
    QString linkText_;
    std::weak_ptr<ZVRichTextDelegate> delegate_;
};
