#include "toolkit/alerts/ZVAlertInputView.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"

namespace {

// The placeholder's grey, as the platform's text fields draw theirs.
const QColor kPlaceholderColor(199, 199, 205);

}  // namespace

ZVAlertInputView::ZVAlertInputView()
    : TextView(QRectF(0, 0, kDefaultWidth, kDefaultHeight)),
      placeholder_(std::make_shared<platform::Label>()) {
    placeholder_->setTextColor(kPlaceholderColor);
    addSubview(placeholder_);
}

std::shared_ptr<ZVAlertInputView> ZVAlertInputView::make(const platform::TextAttributes& attributes,
                                                         const QString& placeholder) {
    auto view = std::make_shared<ZVAlertInputView>();
    const auto font = attributes.value(platform::TextAttribute::Font);
    if (font.canConvert<platform::FontDescription>()) {
        view->setFont(font.value<platform::FontDescription>());
        view->placeholder_->setFont(font.value<platform::FontDescription>());
    }
    const auto colour = attributes.value(platform::TextAttribute::ForegroundColor);
    if (colour.canConvert<platform::Color>()) {
        view->setTextColor(platform::resolveColor(colour.value<platform::Color>()));
    }
    view->placeholder_->setText(placeholder);
    view->setDelegate(std::weak_ptr<platform::TextViewDelegate>(view));
    return view;
}

void ZVAlertInputView::textViewDidChange(platform::TextView& /*view*/) {
    placeholder_->setHidden(!text().isEmpty());
}

void ZVAlertInputView::layoutSubviews() {
    TextView::layoutSubviews();
    // Where the first line's text starts.
    const platform::EdgeInsets inset = textContainerInset();
    const qreal left = inset.left + kLineFragmentPadding;
    placeholder_->setFrame(QRectF(left, inset.top, bounds().width() - left - inset.right,
                                  placeholder_->sizeThatFits(QSizeF(0, 0)).height()));
}
