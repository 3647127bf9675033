#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/ui/text/StyledText.h"

#include <QtCore/QLatin1StringView>
#include <QtCore/QPointF>
#include <QtCore/QRectF>
#include <QtCore/QSizeF>

#include <memory>
#include <optional>

class QPainter;

namespace platform {
class View;
}

// A decoration of rich text made from one attribute run: links, fading highlights, paragraph
// backgrounds, rules, emoticon pictures and checkboxes. The view tells it where its glyphs landed
// (resetFrame, addFrame) and asks it to draw beneath the text. One that needs room of its own in
// the line substitutes its run by one placeholder character.
class ZVRichTextAttachment {
public:
    struct Range {
        qsizetype location = 0;
        qsizetype length = 0;
    };

    // Marks the placeholder character that stands for an attachment.
    static constexpr QLatin1StringView kSubstitutionAttribute{"ZVRunDelegate"};
    static constexpr QChar kPlaceholderCharacter{0xFFFC};

    ZVRichTextAttachment(std::weak_ptr<platform::View> parent, Range range);
    virtual ~ZVRichTextAttachment();
    ZVRichTextAttachment(const ZVRichTextAttachment&) = delete;
    ZVRichTextAttachment& operator=(const ZVRichTextAttachment&) = delete;

    // The attachment a run of `attributes` makes, by the first kind whose attribute it carries
    // (link, emoticon, background, paragraph background, rule, checkbox); null for none, or when
    // the kind cannot be made (an emoticon without its picture).
    static std::shared_ptr<ZVRichTextAttachment> create(std::weak_ptr<platform::View> parent,
                                                        Range range,
                                                        const platform::TextAttributes& attributes);

    virtual qreal descent() const { return 0; }
    // Whether this is a further piece of `other` (a link broken over lines or by other runs).
    virtual bool continuesAttachment(const ZVRichTextAttachment& other) const;
    virtual bool tapped() const { return false; }
    virtual void setTapped(bool tapped);
    virtual void resetFrame() {}
    virtual void addFrame(const QRectF& frame);
    virtual void draw(QPainter& painter) const;
    // No room of its own (a default QSizeF is invalid, -1 by -1, not empty).
    virtual QSizeF size() const { return {0, 0}; }
    virtual bool containsPoint(QPointF point) const;
    virtual bool animating() const { return false; }
    virtual void animate() {}
    virtual QRectF boundingRect() const { return {}; }
    virtual void copyToPasteboard() const {}

    // The placeholder that takes the run's place; none for an attachment of no area. Making one
    // shortens the range to the one character.
    std::optional<platform::AttributedString> createSubstitution();
    // The room of the placeholder in its line.
    platform::PlaceholderMetrics metrics() const;

    Range range() const { return range_; }
    void setLocation(qsizetype location) { range_.location = location; }
    std::shared_ptr<platform::View> parent() const { return parent_.lock(); }

protected:
    qreal parentWidth() const;
    void setParentNeedsDisplay() const;

private:
    std::weak_ptr<platform::View> parent_;
    Range range_;
};
