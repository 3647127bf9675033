#pragma once

#include "platform/ui/text/StyledText.h"

#include <QtGui/QAbstractTextDocumentLayout>

#include <unordered_map>

namespace platform {

// Gives each placeholder of a text document the size its callback asks for. Qt's line breaker asks
// the document's layout for the size of every inline object; the frame lays lines out itself, so
// this layout answers only that question and never lays out or draws the document.
class PlaceholderDocumentLayout : public QAbstractTextDocumentLayout {
public:
    PlaceholderDocumentLayout(QTextDocument* document, const StyledText& text);

    // The metrics last given to the placeholder at `position`.
    PlaceholderMetrics metricsAt(int position) const;

    void resizeInlineObject(QTextInlineObject item, int posInDocument,
                            const QTextFormat& format) override;
    void positionInlineObject(QTextInlineObject, int, const QTextFormat&) override {}
    void drawInlineObject(QPainter*, const QRectF&, QTextInlineObject, int,
                          const QTextFormat&) override {}

    // Unused: the frame positions and draws the lines of each block itself.
    void draw(QPainter*, const PaintContext&) override {}
    int hitTest(const QPointF&, Qt::HitTestAccuracy) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame*) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock& block) const override;

protected:
    void documentChanged(int, int, int) override {}

private:
    const StyledText& text_;
    mutable std::unordered_map<int, PlaceholderMetrics> metrics_;
};

}  // namespace platform
