#include "platform/ui/text/PlaceholderDocumentLayout.h"

#include <QtGui/QTextBlock>
#include <QtGui/QTextLayout>

namespace platform {

PlaceholderDocumentLayout::PlaceholderDocumentLayout(QTextDocument* document,
                                                     const StyledText& text)
    : QAbstractTextDocumentLayout(document), text_(text) {}

PlaceholderMetrics PlaceholderDocumentLayout::metricsAt(int position) const {
    if (const auto it = metrics_.find(position); it != metrics_.end()) {
        return it->second;
    }
    const TextLookRun* run = text_.runAt(position);
    if (run == nullptr || !run->look.placeholder) {
        return {};
    }
    const PlaceholderMetrics metrics = run->look.placeholder();
    metrics_[position] = metrics;
    return metrics;
}

void PlaceholderDocumentLayout::resizeInlineObject(QTextInlineObject item, int posInDocument,
                                                   const QTextFormat&) {
    metrics_.erase(posInDocument);
    const PlaceholderMetrics metrics = metricsAt(posInDocument);
    item.setWidth(metrics.width);
    item.setAscent(metrics.ascent);
    item.setDescent(metrics.descent);
}

QRectF PlaceholderDocumentLayout::blockBoundingRect(const QTextBlock& block) const {
    return block.layout() != nullptr ? block.layout()->boundingRect() : QRectF();
}

}  // namespace platform
