#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>

class ZVMessageRowMetrics;
class ZVWritersViewAnimation;
namespace platform {
class Label;
}

// The line that tells who is writing in the open conversation: a text followed by three pulsing
// dots, indented like the message text of the conversation's rows. The message screen docks it
// at the bottom of its table and sets its text.
class ZVWritersView : public platform::View {
public:
    static constexpr qreal kWidth = 320;
    static constexpr qreal kHeight = 20;
    static constexpr qreal kDotsWidth = 21;
    static constexpr int kTextStyle = 13;
    // Indents for avatar size classes 1 and 2; other classes have none.
    static constexpr qreal kSmallAvatarIndent = 40;
    static constexpr qreal kLargeAvatarIndent = 50;
    // Kept clear at the right of the text besides the dots.
    static constexpr qreal kRightMargin = 30;
    static constexpr qreal kDotsGap = 2;
    // The dots sit this much below the text's middle, nearer its baseline.
    static constexpr qreal kDotsDrop = 2;

    // The metrics are held weakly: the table model belongs to the message screen.
    explicit ZVWritersView(std::weak_ptr<ZVMessageRowMetrics> cells);
    ~ZVWritersView() override;

    QString label() const;
    void setLabel(const QString& text);
    const std::shared_ptr<platform::Label>& textLabel() const { return label_; }
    const std::shared_ptr<ZVWritersViewAnimation>& animation() const { return animation_; }

    void layoutSubviews() override;

private:
    std::weak_ptr<ZVMessageRowMetrics> cells_;
    std::shared_ptr<ZVWritersViewAnimation> animation_;
    std::shared_ptr<platform::Label> label_;
};
