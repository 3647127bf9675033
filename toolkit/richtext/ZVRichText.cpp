#include "toolkit/richtext/ZVRichText.h"

#include "platform/ui/standins/EditMenu.h"
#include "platform/ui/view/EditAction.h"

#include "platform/foundation/Scheduler.h"
#include "platform/foundation/SharedState.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/richtext/attachments/ZVRichTextBackground.h"
#include "toolkit/richtext/attachments/ZVRichTextCheckbox.h"
#include "toolkit/richtext/attachments/ZVRichTextLink.h"
#include "toolkit/style/Geometry.h"

#include <QtGui/QDesktopServices>
#include <QtGui/QLinearGradient>
#include <QtGui/QPainter>

namespace {

ZVRichTextURLHandler defaultHandler() {
    return {[](const QString& url, const QRectF&, platform::View&) {
                QDesktopServices::openUrl(QUrl(url));
            },
            {}};
}

ZVRichTextURLHandler& urlHandler() {
    static ZVRichTextURLHandler handler = defaultHandler();
    return handler;
}

}  // namespace

ZVRichText::ZVRichText() {
    setBackgroundColor(Qt::white);
}

ZVRichText::~ZVRichText() = default;

void ZVRichText::setURLHandler(ZVRichTextURLHandler handler) {
    static const bool registered = [] {
        platform::onResetSharedState([] { urlHandler() = defaultHandler(); });
        return true;
    }();
    (void)registered;
    urlHandler() = std::move(handler);
}

void ZVRichText::setAttributedText(const platform::AttributedString& text) {
    // A reused cell is handed its message's text again on every reload: the same text at the same
    // size lays out the same lines.
    if (givenPlain_ && attachments_.empty() && subviews().empty() && *givenPlain_ == text) {
        layoutFrame();
        return;
    }
    givenPlain_.reset();
    timer_.cancel();
    while (!subviews().empty()) {
        subviews().back()->removeFromSuperview();
    }
    attachments_.clear();
    text_ = ZVRichTextLayout::extractAttachments(text, &attachments_, weak_from_this());
    frame_.reset();
    const bool animating = std::any_of(attachments_.begin(), attachments_.end(),
                                       [](const auto& a) { return a->animating(); });
    if (animating) {
        timer_ = platform::Scheduler::main().every(kAnimationInterval, [this] { animate(); });
    }
    if (attachments_.empty()) {
        givenPlain_ = text;
    }
    layoutFrame();
    setNeedsDisplay();
}

void ZVRichText::layoutSubviews() {
    layoutFrame();
}

void ZVRichText::layoutFrame() {
    const QSizeF size = bounds().size();
    if (frame_ && frame_->size() == size) {
        return;
    }
    frame_.reset();
    if (text_.isEmpty()) {
        return;
    }
    frame_ = std::make_unique<platform::TextFrame>(
        ZVRichTextLayout::styledText(text_, attachments_), size);
    const auto& lines = frame_->lines();
    const std::size_t n = lines.size();
    textWidth_ = n < 2 ? 0 : size.width();
    if (n != 1 && truncationMode_ == kNoTruncation && attachments_.empty()) {
        return;
    }
    qsizetype reached = 0;
    std::size_t cursor = 0;
    if (!attachments_.empty()) {
        attachments_.front()->resetFrame();
    }
    for (const platform::TextLineInfo& line : lines) {
        for (const platform::TextRunInfo& run : line.runs) {
            reached = std::max<qsizetype>(reached, run.location + run.length);
            const auto endOf = [&](std::size_t i) {
                return attachments_[i]->range().location + attachments_[i]->range().length;
            };
            while (cursor < attachments_.size() && run.location >= endOf(cursor)) {
                if (++cursor < attachments_.size()) {
                    attachments_[cursor]->resetFrame();
                }
            }
            const bool belongs = cursor < attachments_.size() &&
                                 run.location >= attachments_[cursor]->range().location;
            if (!belongs && n != 1) {
                continue;
            }
            QRectF rect(line.origin.x() + run.x, line.origin.y() - run.ascent, run.width,
                        run.ascent + run.descent + run.leading);
            if (belongs) {
                QRectF touchable = rect;
                if (touchable.height() < kMinimumAttachmentHeight) {
                    touchable.setTop(touchable.bottom() - kMinimumAttachmentHeight);
                }
                attachments_[cursor]->addFrame(touchable);
            }
            textWidth_ = std::max(textWidth_, rect.right());
        }
    }
    if (truncationMode_ != kNoTruncation) {
        truncationState_ = reached >= text_.length() ? kAllFits
                           : n < 2                   ? kCutOneLine
                                                     : kCutSeveralLines;
    }
}

void ZVRichText::drawRect(QPainter& painter, const QRectF&) {
    layoutFrame();
    for (const auto& attachment : attachments_) {
        attachment->draw(painter);
    }
    if (frame_) {
        frame_->draw(painter, QPointF(0, 0));
    }
    if (truncationState_ != kAllFits && truncationMode_ == kTruncationFaded &&
        backgroundColor().alpha() != 0) {
        drawTruncationFade(painter);
    }
}

void ZVRichText::drawTruncationFade(QPainter& painter) const {
    QRectF rest = bounds();
    QColor transparent = backgroundColor();
    transparent.setAlpha(0);
    QRectF band;
    QLinearGradient gradient;
    if (truncationState_ == kCutSeveralLines) {
        band = CGRectExtractBottom(rest, std::min(rest.height(), kFadeBand));
        gradient = QLinearGradient(QPointF(band.center().x(), band.bottom()),
                                   QPointF(band.center().x(), band.top()));
    } else {
        band = CGRectExtractRight(rest, std::min(rest.width(), kFadeBand));
        gradient = QLinearGradient(QPointF(band.right(), band.center().y()),
                                   QPointF(band.left(), band.center().y()));
    }
    gradient.setColorAt(0, backgroundColor());
    gradient.setColorAt(1, transparent);
    painter.fillRect(band, gradient);
}

void ZVRichText::animate() {
    bool any = false;
    for (const auto& attachment : attachments_) {
        if (attachment->animating()) {
            attachment->animate();
            any = true;
        }
    }
    if (any) {
        setNeedsDisplay();
    } else {
        timer_.cancel();
    }
}

QRectF ZVRichText::highlightFrame() const {
    for (const auto& attachment : attachments_) {
        if (dynamic_cast<const ZVRichTextBackground*>(attachment.get())) {
            return attachment->boundingRect();
        }
    }
    return {};
}

std::shared_ptr<ZVRichTextAttachment> ZVRichText::activeAttachment() const {
    for (const auto& attachment : attachments_) {
        if (attachment->tapped()) {
            return attachment;
        }
    }
    return nullptr;
}

void ZVRichText::setActive(std::size_t index, bool tapped) {
    const ZVRichTextAttachment& active = *attachments_[index];
    attachments_[index]->setTapped(tapped);
    for (std::size_t i = index; i-- > 0 && attachments_[i]->continuesAttachment(active);) {
        attachments_[i]->setTapped(tapped);
    }
    for (std::size_t i = index + 1;
         i < attachments_.size() && attachments_[i]->continuesAttachment(active); ++i) {
        attachments_[i]->setTapped(tapped);
    }
}

void ZVRichText::deactivate() {
    for (std::size_t i = 0; i < attachments_.size(); ++i) {
        if (attachments_[i]->tapped()) {
            setActive(i, false);
            return;
        }
    }
}

void ZVRichText::touchesBegan(const platform::TouchSet& touches,
                              const platform::TouchEvent& event) {
    const QPointF point = touches.front()->locationInView(this);
    for (std::size_t i = 0; i < attachments_.size(); ++i) {
        if (attachments_[i]->containsPoint(point)) {
            setActive(i, true);
            setNeedsDisplay();
            menuTimer_ = platform::Scheduler::main().after(kMenuDelay, [this] { presentMenu(); });
            return;
        }
    }
    View::touchesBegan(touches, event);
}

void ZVRichText::touchesEnded(const platform::TouchSet& touches,
                              const platform::TouchEvent& event) {
    // A press that ends before the menu's time is no long press.
    menuTimer_.cancel();
    if (const auto active = activeAttachment(); active && !menuShowing_) {
        openTimer_ = platform::Scheduler::main().after(kOpenDelay, [this, active] {
            if (dynamic_cast<ZVRichTextLink*>(active.get())) {
                openURL(active);
            } else if (dynamic_cast<ZVRichTextCheckbox*>(active.get())) {
                checkboxTapped(active);
            }
        });
        deactivate();
    }
    setNeedsDisplay();
    View::touchesEnded(touches, event);
}

void ZVRichText::touchesCancelled(const platform::TouchSet& touches,
                                  const platform::TouchEvent& event) {
    menuTimer_.cancel();
    deactivate();
    setNeedsDisplay();
    View::touchesCancelled(touches, event);
}

void ZVRichText::openURL(const std::shared_ptr<ZVRichTextAttachment>& attachment) {
    const auto* link = dynamic_cast<const ZVRichTextLink*>(attachment.get());
    if (!link) {
        return;
    }
    if (const auto delegate = delegate_.lock(); delegate && !delegate->shouldOpenURL(link->url())) {
        return;
    }
    if (urlHandler().open) {
        urlHandler().open(link->url(), link->boundingRect(), *this);
    }
}

void ZVRichText::checkboxTapped(const std::shared_ptr<ZVRichTextAttachment>& attachment) {
    auto* box = dynamic_cast<ZVRichTextCheckbox*>(attachment.get());
    if (!box) {
        return;
    }
    box->setChecked(!box->checked());
    if (const auto delegate = delegate_.lock()) {
        delegate->checkboxToggled(box->checked());
    }
}

void ZVRichText::presentMenu() {
    const auto* link = dynamic_cast<const ZVRichTextLink*>(activeAttachment().get());
    if (!link || !urlHandler().showShareMenu) {
        return;
    }
    const QUrl url(link->url(), QUrl::StrictMode);
    if (!url.isValid() || url.isEmpty()) {
        return;
    }
    menuShowing_ = true;
    const std::weak_ptr<View> weak = weak_from_this();
    menuHidden_ = platform::NotificationCenter::defaultCenter().addObserverForName(
        platform::EditMenu::kDidHideNotification, [weak](const platform::Notification&) {
            if (const auto view = std::static_pointer_cast<ZVRichText>(weak.lock())) {
                view->menuDisappeared();
            }
        });
    urlHandler().showShareMenu(url, link->boundingRect(), *this, [weak] {
        if (const auto view = std::static_pointer_cast<ZVRichText>(weak.lock())) {
            view->menuHidden_ = {};
            view->menuShowing_ = false;
            view->deactivate();
            view->setNeedsDisplay();
        }
    });
}

void ZVRichText::menuDisappeared() {
    menuHidden_ = {};
    menuShowing_ = false;
    deactivate();
    setNeedsDisplay();
}

bool ZVRichText::canPerformAction(const QString& action) const {
    return action == platform::EditAction::Copy;
}

bool ZVRichText::performAction(const QString& action) {
    if (!canPerformAction(action)) {
        return false;
    }
    copy();
    return true;
}

void ZVRichText::copy() {
    if (const auto active = activeAttachment()) {
        active->copyToPasteboard();
    }
}
