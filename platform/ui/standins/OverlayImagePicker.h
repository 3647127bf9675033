#pragma once

#include "platform/ui/standins/ImagePicker.h"

namespace platform {

// The picker a user sees, over the whole window: a bar with its title and "Cancel", then either a
// grid of the library's items, newest first, where a tap picks one, or what the camera sees with
// a "Use Photo" button.
class OverlayImagePicker : public ImagePicker {
public:
    static constexpr int kColumns = 4;
    static constexpr qreal kSpacing = 2;
    static constexpr qreal kBarHeight = 44;

    ~OverlayImagePicker() override;

    // The picker's view while shown, and the tiles of the grid in the order of items().
    std::shared_ptr<View> view() const { return view_; }
    const std::vector<std::shared_ptr<View>>& tiles() const { return tiles_; }

protected:
    void showPicker(View& window, bool animated, std::function<void()> shown) override;
    void hidePicker(bool animated, std::function<void()> hidden) override;
    void itemsDidLoad() override;

private:
    QRectF contentArea() const;
    void showCamera();

    std::shared_ptr<View> view_;
    std::vector<std::shared_ptr<View>> tiles_;
};

}  // namespace platform
