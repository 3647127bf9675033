#pragma once

#include "platform/ui/standins/ImagePicker.h"

namespace platform {

// An image picker that tests drive: it draws nothing and counts its showings; tests pick through
// pickItem(), takePicture() and cancel(). Never the one a user runs.
class FakeImagePicker : public ImagePicker {
public:
    int showCount() const { return showCount_; }
    int hideCount() const { return hideCount_; }

protected:
    void showPicker(View&, bool, std::function<void()> shown) override {
        ++showCount_;
        if (shown) {
            shown();
        }
    }
    void hidePicker(bool, std::function<void()> hidden) override {
        ++hideCount_;
        if (hidden) {
            hidden();
        }
    }

private:
    int showCount_ = 0;
    int hideCount_ = 0;
};

}  // namespace platform
