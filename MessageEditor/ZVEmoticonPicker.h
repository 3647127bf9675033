#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QStringList>

#include <memory>
#include <vector>

class ZVTextInjecting;
namespace platform {
class Button;
class Control;
}  // namespace platform

// The grid of emoticon buttons an editor shows in a pop-up: a tap puts the emoticon's markup into
// the editor.
class ZVEmoticonPicker : public platform::View {
public:
    static constexpr qreal kWidth = 200;
    static constexpr qreal kHeight = 90;
    static constexpr int kRows = 2;
    static constexpr int kColumns = 5;
    // Kept free below the grid.
    static constexpr qreal kBottomMargin = 10;
    // The conversation screen's analytics category.
    static constexpr int kTrackingCategory = 5;
    static inline const QString kTrackingAction = QStringLiteral("Add emoticon");

    // `ownPictures`: the application's emoticon images (the account's "emoticons_old" flag)
    // rather than the standard emoji.
    ZVEmoticonPicker(const std::shared_ptr<ZVTextInjecting>& editor, bool ownPictures);

    // The emoticons offered, in the grid's order.
    static const QStringList& emoticons();

    const std::vector<std::shared_ptr<platform::Button>>& buttons() const { return buttons_; }
    void emoticonPicked(const platform::Control& button);

    void layoutSubviews() override;

private:
    std::vector<std::shared_ptr<platform::Button>> buttons_;
    std::weak_ptr<ZVTextInjecting> editor_;
};
