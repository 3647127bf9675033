#pragma once

#include "platform/ui/view/View.h"

namespace platform {

// The layer a presented screen lives in: a view over the whole window, above the screens below.
// The window keeps it the window's size when it turns.
class PresentationContainerView : public View {
public:
    using View::View;

    // The full-screen content follows the container's size.
    void setContent(const std::shared_ptr<View>& content);
    std::shared_ptr<View> content() const { return content_.lock(); }
    void layoutSubviews() override;

private:
    std::weak_ptr<View> content_;
};

}  // namespace platform
