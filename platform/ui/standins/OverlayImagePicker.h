#pragma once

#include "platform/ui/standins/ImagePicker.h"
#include "platform/ui/standins/OverlayPage.h"

namespace platform {

// The picker a user sees, over the whole window: a bar with its title and "Cancel", then either a
// grid of the library's items, newest first, where a tap picks one, or what the camera sees with
// a "Use Photo" button.
class OverlayImagePicker : public ImagePicker {
public:
    static constexpr int kColumns = 4;
    static constexpr qreal kSpacing = 2;

    ~OverlayImagePicker() override;

    // The picker's view while shown, and the tiles of the grid in the order of items().
    std::shared_ptr<OverlayPage> view() const { return view_; }
    const std::vector<std::shared_ptr<View>>& tiles() const { return tiles_; }

protected:
    void showPicker(View& window, bool animated, std::function<void()> shown) override;
    void hidePicker(bool animated, std::function<void()> hidden) override;
    void itemsDidLoad() override;

private:
    void showCamera();

    std::shared_ptr<OverlayPage> view_;
    std::vector<std::shared_ptr<View>> tiles_;
};

}  // namespace platform
