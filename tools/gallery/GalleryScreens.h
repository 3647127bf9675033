#pragma once

#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/table/TableView.h"
#include "tools/gallery/SampleTable.h"

#include <memory>

// The gallery's screens: a navigation stack whose root lists the sample table's rows; picking a
// row pushes a screen about it. Not part of the product.
namespace gallery {

class RowScreen : public platform::ViewController {
public:
    explicit RowScreen(platform::IndexPath path);
    void loadView() override;

private:
    platform::IndexPath path_;
};

class TableScreen : public platform::ViewController {
public:
    TableScreen();
    void loadView() override;
    const SampleTable& sample() const { return sample_; }

private:
    SampleTable sample_;
};

// A navigation stack over a TableScreen.
std::shared_ptr<platform::NavigationController> makeGalleryStack();

}  // namespace gallery
