#pragma once

#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Switch.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/controls/TextView.h"

#include <memory>
#include <vector>

// A screen of the controls: labels in each truncation mode, buttons in their states, a switch, a
// spinner, segments, text fields and a text view. Not part of the product.
namespace gallery {

struct SampleControls {
    std::shared_ptr<platform::View> root;
    std::vector<std::shared_ptr<platform::Label>> labels;
    std::shared_ptr<platform::Button> systemButton;
    std::shared_ptr<platform::Button> customButton;
    std::shared_ptr<platform::Switch> toggle;
    std::shared_ptr<platform::ActivityIndicator> spinner;
    std::shared_ptr<platform::SegmentedControl> segments;
    std::vector<std::shared_ptr<platform::TextField>> fields;
    std::shared_ptr<platform::TextView> textView;
    // The fields' delegate: return moves to the next field.
    std::shared_ptr<platform::TextFieldDelegate> form;

    // A screen filling `size` points.
    static SampleControls make(QSizeF size);
};

}  // namespace gallery
