#pragma once

#include "platform/ui/view/View.h"

#include <memory>

namespace platform {
class Button;
class Label;
}  // namespace platform

class ZVMessageBanner;

class ZVMessageBannerDelegate {
public:
    virtual ~ZVMessageBannerDelegate() = default;
    virtual void bannerClosed(ZVMessageBanner& banner) = 0;
};

// A coloured strip with a line of text and a close button at its right end.
class ZVMessageBanner : public platform::View {
public:
    static constexpr qreal kInitialWidth = 100;
    static constexpr qreal kInitialHeight = 40;
    static constexpr qreal kLabelInset = 5;
    // The close button's touch area reaches beyond its image.
    static constexpr qreal kCloseButtonGrowth = 5;

    ZVMessageBanner();
    ~ZVMessageBanner() override;

    QString message() const;
    void setMessage(const QString& message);
    void setDelegate(std::weak_ptr<ZVMessageBannerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    const std::shared_ptr<platform::Label>& label() const { return label_; }
    const std::shared_ptr<platform::Button>& closeButton() const { return closeButton_; }
    void closeClicked();

    void layoutSubviews() override;

private:
    std::shared_ptr<platform::Label> label_;
    std::shared_ptr<platform::Button> closeButton_;
    std::weak_ptr<ZVMessageBannerDelegate> delegate_;
};
