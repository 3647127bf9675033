#include "toolkit/widgets/ZVSegmentedControl.h"

#include "platform/ui/controls/Label.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/style/ZVTextStyles.h"
#include "toolkit/widgets/ZVSegmentedControlContainer.h"

#include <cmath>

using platform::resolveColor;

ZVSegmentedControl::ZVSegmentedControl()
    : Control(QRectF(0, 0, kInitialWidth, kInitialHeight)),
      container_(std::make_shared<ZVSegmentedControlContainer>()),
      selectionBackground_(platform::View::make()) {
    setBackgroundColor(resolveColor(ZVColors::background()));
    selectionBackground_->setBackgroundColor(resolveColor(ZVColors::logo()));
    selectionBackground_->setUserInteractionEnabled(false);
    container_->addSubview(selectionBackground_);
    addSubview(container_);
}

ZVSegmentedControl::~ZVSegmentedControl() = default;

void ZVSegmentedControl::setSectionTitles(const QStringList& titles) {
    sectionTitles_ = titles;
    for (const auto& label : labels_) {
        label->removeFromSuperview();
    }
    labels_.clear();
    for (const QString& title : titles) {
        auto label = std::make_shared<platform::Label>();
        label->setText(title);
        label->setUserInteractionEnabled(false);
        // Sized in its own font, so that the title is not cut.
        ZVTextStyles::styleLabel(*label, kTitleStyle);
        label->sizeToFit();
        container_->addSubview(label);
        labels_.push_back(label);
    }
    setSelectedSegmentIndex(selectedSegmentIndex_);
}

void ZVSegmentedControl::setSelectedSegmentIndex(int index) {
    const int count = static_cast<int>(labels_.size());
    selectedSegmentIndex_ = std::max(0, std::min(index, count - 1));
    const QColor logo = resolveColor(ZVColors::logo());
    for (int k = 0; k < count; ++k) {
        labels_[k]->setTextColor(k == selectedSegmentIndex_ ? QColor(Qt::white) : logo);
    }
    setNeedsLayout();
}

void ZVSegmentedControl::layoutSubviews() {
    container_->setFrame(
        bounds().adjusted(kTrackInsetX, kTrackInsetY, -kTrackInsetX, -kTrackInsetY));
    setNeedsDisplay();
    container_->setNeedsDisplay();
    if (labels_.empty()) {
        return;
    }
    const QRectF track = container_->bounds();
    const qreal width = track.width() / static_cast<qreal>(labels_.size());
    const auto segment = [&](int k) { return QRectF(k * width, 0, width, track.height()); };
    for (std::size_t k = 0; k < labels_.size(); ++k) {
        labels_[k]->setCenter(segment(static_cast<int>(k)).center());
    }
    selectionBackground_->setFrame(segment(selectedSegmentIndex_));
}

void ZVSegmentedControl::touchesBegan(const platform::TouchSet& touches,
                                      const platform::TouchEvent& event) {
    const int count = static_cast<int>(labels_.size());
    // Before the first layout the track has no whole-point width to divide by: the touch then
    // selects nothing.
    const long segmentWidth =
        count > 0 ? static_cast<long>(std::trunc(container_->bounds().width())) / count : 0;
    if (segmentWidth > 0 && !touches.empty()) {
        const qreal x = touches.front()->locationInView(container_.get()).x();
        setSelectedSegmentIndex(static_cast<int>(static_cast<long>(std::trunc(x)) / segmentWidth));
        sendActionsForEvents(ValueChanged);
    }
    Control::touchesBegan(touches, event);
}
