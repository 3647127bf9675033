#pragma once

#include "platform/foundation/TextAttributes.h"
#include "platform/ui/controls/TextView.h"

#include <memory>

namespace platform {
class Label;
}

// The text view of an input card: several lines, in the font and colour of the given attributes,
// with a placeholder that shows while it is empty.
class ZVAlertInputView : public platform::TextView, public platform::TextViewDelegate {
public:
    static constexpr qreal kDefaultWidth = 100;
    static constexpr qreal kDefaultHeight = 50;

    static std::shared_ptr<ZVAlertInputView> make(const platform::TextAttributes& attributes,
                                                  const QString& placeholder);
    ZVAlertInputView();

    const std::shared_ptr<platform::Label>& placeholderLabel() const { return placeholder_; }

    void textViewDidChange(platform::TextView& view) override;
    void layoutSubviews() override;

private:
    std::shared_ptr<platform::Label> placeholder_;
};
