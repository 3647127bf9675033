#include "MessageEditor/ZVEmoticonPicker.h"

#include "MessageEditor/ZVTextInjecting.h"
#include "ZelvoKit/markup/ZVEmoticonMap.h"
#include "ZelvoKit/markup/ZVMarkupEncoder.h"
#include "ZelvoKit/support/tracking/ZVEventTracker.h"
#include "platform/ui/controls/Button.h"
#include "platform/ui/resources/Images.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kEmoticonTitleStyle = 0;

QColor emoticonTitleColor() {
    const platform::Color& color = ZVTextStyles::colorForStyle(kEmoticonTitleStyle);
    return QColor(color.red, color.green, color.blue, color.alpha);
}

}  // namespace

ZVEmoticonPicker::ZVEmoticonPicker(const std::shared_ptr<ZVTextInjecting>& editor, bool ownPictures)
    : View(QRectF(0, 0, kWidth, kHeight)), editor_(editor) {
    for (const QString& name : emoticons()) {
        auto button = platform::Button::make(platform::Button::Type::Custom);
        if (ownPictures) {
            button->setImage(platform::Images::named(u"ic_e_"_s + name), platform::Button::Normal);
        } else {
            ZVTextStyles::styleLabel(*button->titleLabel(), kEmoticonTitleStyle);
            button->setTitle(ZVEmoticonMap::EmojiForEmoticon(u"e"_s + name),
                             platform::Button::Normal);
            button->setTitleColor(emoticonTitleColor(), platform::Button::Normal);
        }
        button->addTarget(platform::Control::TouchUpInside,
                          [this](platform::Control& tapped) { emoticonPicked(tapped); });
        addSubview(button);
        buttons_.push_back(std::move(button));
    }
}

const QStringList& ZVEmoticonPicker::emoticons() {
    static const QStringList names{u"smile"_s, u"wink"_s,     u"surprise"_s, u"sad"_s,  u"tongue"_s,
                                   u"laugh"_s, u"dontcare"_s, u"up"_s,       u"down"_s, u"heart"_s};
    return names;
}

void ZVEmoticonPicker::emoticonPicked(const platform::Control& button) {
    const auto found = std::find_if(buttons_.begin(), buttons_.end(),
                                    [&button](const auto& own) { return own.get() == &button; });
    if (found == buttons_.end()) {
        return;
    }
    const QString name = emoticons().at(static_cast<qsizetype>(found - buttons_.begin()));
    if (const auto editor = editor_.lock()) {
        editor->injectText(ZVMarkupEncoder::markupForEmoticon(name));
    }
    ZVEventTracker::tracker().reportEventWithCategory(kTrackingCategory, kTrackingAction, name);
}

void ZVEmoticonPicker::layoutSubviews() {
    View::layoutSubviews();
    QRectF grid = bounds();
    grid.setHeight(grid.height() - kBottomMargin);
    layoutViews(ViewList(buttons_.begin(), buttons_.end()), grid, kRows, kColumns, 0);
}
