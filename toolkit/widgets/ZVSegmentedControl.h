#pragma once

#include "platform/ui/view/Control.h"

#include <QtCore/QStringList>

#include <memory>
#include <vector>

namespace platform {
class Label;
}
class ZVSegmentedControlContainer;

// The application's segmented switch: equally wide titled segments on a rounded track, the
// selected one a block in the logo colour with white text. Every touch that begins selects the
// segment under it and sends value-changed, also on the selected segment.
class ZVSegmentedControl : public platform::Control {
public:
    static constexpr qreal kInitialWidth = 100;
    static constexpr qreal kInitialHeight = 50;
    static constexpr qreal kTrackInsetX = 13;
    static constexpr qreal kTrackInsetY = 10;
    static constexpr int kTitleStyle = 12;

    ZVSegmentedControl();
    ~ZVSegmentedControl() override;

    const QStringList& sectionTitles() const { return sectionTitles_; }
    void setSectionTitles(const QStringList& titles);
    const std::vector<std::shared_ptr<platform::Label>>& sectionLabels() const { return labels_; }
    int selectedSegmentIndex() const { return selectedSegmentIndex_; }
    // Clamped to the segments; without titles only a negative index is raised to 0.
    void setSelectedSegmentIndex(int index);
    const std::shared_ptr<ZVSegmentedControlContainer>& container() const { return container_; }
    const std::shared_ptr<platform::View>& selectionBackground() const {
        return selectionBackground_;
    }

    void layoutSubviews() override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    QStringList sectionTitles_;
    std::vector<std::shared_ptr<platform::Label>> labels_;
    std::shared_ptr<ZVSegmentedControlContainer> container_;
    std::shared_ptr<platform::View> selectionBackground_;
    int selectedSegmentIndex_ = 0;
};
