#pragma once

#include "platform/ui/standins/ImagePicker.h"

namespace platform {

// An image picker that tests drive: its view is empty and it counts its appearances; tests pick
// through pickItem(), takePicture() and cancel(). Never the one a user runs.
class FakeImagePicker : public ImagePicker {
public:
    int appearCount() const { return appearCount_; }

    void viewDidAppear(bool animated) override {
        ImagePicker::viewDidAppear(animated);
        ++appearCount_;
    }

private:
    int appearCount_ = 0;
};

}  // namespace platform
