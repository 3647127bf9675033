#pragma once

#include "platform/ui/standins/ImagePicker.h"
#include "platform/ui/standins/TitledPage.h"

namespace platform {

// The picker a user sees: a bar with its title and "Cancel", then either a grid of the library's
// items, newest first, where a tap picks one, or what the camera sees with a "Use Photo" button.
class GridImagePicker : public ImagePicker {
public:
    static constexpr int kColumns = 4;
    static constexpr qreal kSpacing = 2;

    // The picker's page once loaded, and the tiles of the grid in the order of items() (the
    // camera's: its "Use Photo" button).
    std::shared_ptr<TitledPage> page() const { return page_; }
    const std::vector<std::shared_ptr<View>>& tiles() const { return tiles_; }

    void viewWillAppear(bool animated) override;

protected:
    void loadView() override;
    void itemsDidLoad() override;

private:
    void clearTiles();
    void showCamera();

    std::shared_ptr<TitledPage> page_;
    std::vector<std::shared_ptr<View>> tiles_;
};

}  // namespace platform
