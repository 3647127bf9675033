#pragma once

#include "platform/ui/view/View.h"

#include <QtGui/QPainterPath>

#include <memory>
#include <optional>

namespace platform {
class ImageView;
class Label;
}  // namespace platform

// One row of an alert card: a title, optionally a subtitle at the right and an icon at the left.
// It is a plain view: the card tracks the touches and tells the row to highlight. A row made
// without a title is the separator row that draws three dots and opens the card's second page.
class ZVAlertButton : public platform::View {
public:
    static constexpr qreal kDefaultWidth = 100;
    static constexpr qreal kHeight = 50;
    static constexpr qreal kSeparatorHeight = 40;
    static constexpr int kTitleStyle = 22;
    static constexpr int kSubtitleStyle = 13;

    // Null title: a separator row.
    ZVAlertButton(const QString& title, const QString& subtitle, const QString& iconId);
    static std::shared_ptr<ZVAlertButton> alertButtonWithTitle(const QString& title,
                                                               const QString& subtitle,
                                                               const QString& iconId = {});
    static std::shared_ptr<ZVAlertButton> separatorButton();

    QString title() const;
    bool isSeparator() const { return label_ == nullptr; }
    const std::shared_ptr<platform::Label>& label() const { return label_; }
    const std::shared_ptr<platform::Label>& subtitleLabel() const { return subtitleLabel_; }
    const std::shared_ptr<platform::ImageView>& icon() const { return icon_; }

    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isDestructive() const { return destructive_; }
    void setIsDestructive(bool destructive);
    bool isDefault() const { return default_; }
    void setIsDefault(bool isDefault) { default_ = isDefault; }
    bool separator() const { return separator_; }
    void setSeparator(bool separator);
    const std::optional<QPainterPath>& shape() const { return shape_; }
    void setShape(std::optional<QPainterPath> shape);

    // The title's colour for the current flags.
    QColor titleColor() const;

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;

private:
    void updateTitleColor();

    std::shared_ptr<platform::Label> label_;
    std::shared_ptr<platform::Label> subtitleLabel_;
    std::shared_ptr<platform::ImageView> icon_;
    std::optional<QPainterPath> shape_;
    bool highlighted_ = false;
    bool enabled_ = true;
    bool destructive_ = false;
    bool default_ = false;
    bool separator_ = true;
};
