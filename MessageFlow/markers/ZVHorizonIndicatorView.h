#pragma once

#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <cstdint>
#include <memory>

class ZVHorizonIndicators;
namespace platform {
class Label;
}

// One member's read marker: the member's short name at the right, with a short fading line
// leading into it, floating at the foot of the last message the member has seen. Touching the name
// highlights it. At rest a marker lives in the stack of its message; it is a view of its own only
// while it moves or fades.
class ZVHorizonIndicatorView : public platform::View {
public:
    static constexpr int kNameStyle = 12;
    static constexpr qreal kLineLength = 50;
    static constexpr qreal kLineGap = 5;
    static inline const QString kHighlightColorName = QStringLiteral("lightGray");

    ZVHorizonIndicatorView();
    ~ZVHorizonIndicatorView() override;

    const std::shared_ptr<platform::Label>& nameLabel() const { return nameLabel_; }
    QString name() const;
    void setName(const QString& name);
    const QString& contactId() const { return contactId_; }
    void setContactId(const QString& contactId) { contactId_ = contactId; }
    // The message the marker stands at; 0 at none.
    std::int64_t position() const { return position_; }
    void setPosition(std::int64_t position) { position_ = position; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    std::shared_ptr<ZVHorizonIndicators> owner() const { return owner_.lock(); }
    void setOwner(std::weak_ptr<ZVHorizonIndicators> owner) { owner_ = std::move(owner); }

    // Centres the marker on `y` with its right edge `offset` from its superview's right edge.
    void setLocation(qreal y, qreal offset);

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

protected:
    // A touch that began on the name ended on the view.
    virtual void tapped() {}

private:
    std::shared_ptr<platform::Label> nameLabel_;
    QString contactId_;
    std::int64_t position_ = 0;
    bool highlighted_ = false;
    std::weak_ptr<ZVHorizonIndicators> owner_;
};
