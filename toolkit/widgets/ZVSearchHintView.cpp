#include "toolkit/widgets/ZVSearchHintView.h"

#include "platform/ui/controls/ActivityIndicator.h"
#include "platform/ui/controls/Label.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVTextStyles.h"

namespace {

// The note alone, inset and centred at the top; the spinner and text centred in a row.
constexpr int kNoteFlags = kAlignInset | kAlignSizeLabelsToFit | kAlignCenterX | kAlignTop;
constexpr int kRowFlags = kAlignSizeLabelsToFit | kAlignCenterX | kAlignCenterY;
static_assert(kNoteFlags == 778 && kRowFlags == 530);

}  // namespace

ZVSearchHintView::ZVSearchHintView()
    : View(QRectF(0, 0, kInitialWidth, kInitialHeight)),
      label_(std::make_shared<platform::Label>()) {
    setBackgroundColor(QColor::fromRgbF(kBackgroundWhite, kBackgroundWhite, kBackgroundWhite));
    ZVTextStyles::styleLabel(*label_, kLabelStyle);
    addSubview(label_);
}

ZVSearchHintView::~ZVSearchHintView() = default;

void ZVSearchHintView::setSearchText(const QString& text) {
    searchText_ = text;
    updateLabel();
}

void ZVSearchHintView::setState(int state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    setShowActivity(state == kSearching);
    updateLabel();
}

qreal ZVSearchHintView::height() const {
    return state_ == kMoreInOlder ? kTallHeight : kHeight;
}

void ZVSearchHintView::setShowActivity(bool show) {
    if (show && !activityIndicator_) {
        activityIndicator_ =
            std::make_shared<platform::ActivityIndicator>(platform::ActivityIndicator::Style::Gray);
        addSubview(activityIndicator_);
        activityIndicator_->startAnimating();
    } else if (!show && activityIndicator_) {
        activityIndicator_->stopAnimating();
        activityIndicator_->removeFromSuperview();
        activityIndicator_.reset();
    }
    setNeedsLayout();
}

void ZVSearchHintView::updateLabel() {
    switch (state_) {
        case kNone:
            label_->setText(QStringLiteral(""));
            break;
        case kNoResults:
            label_->setText(QStringLiteral("No results for \"%1\"").arg(searchText_));
            break;
        case kSearching:
            label_->setText(QStringLiteral("Searching"));
            break;
        case kMoreInOlder:
            label_->setText(QStringLiteral("There are more results in older conversations"));
            break;
        default:
            label_->setText(QString());
            break;
    }
    setNeedsLayout();
}

void ZVSearchHintView::layoutSubviews() {
    if (state_ == kMoreInOlder) {
        alignViews({label_}, bounds(), kNoteFlags);
        return;
    }
    ViewList row;
    if (activityIndicator_) {
        row.push_back(activityIndicator_);
    }
    row.push_back(label_);
    alignViews(row, bounds(), kRowFlags);
}
