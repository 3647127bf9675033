#include "MessageEditor/ZVPendingFilesView.h"

#include "MessageEditor/ZVPendingFilePicture.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/media/ZVURLLoader.h"
#include "platform/ui/text/AttributedText.h"
#include "platform/ui/view/Touch.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/style/ViewLayout.h"
#include "toolkit/style/ZVColors.h"
#include "toolkit/tables/ZVCellOverlay.h"

#include <QtGui/QPainterPath>

#include <algorithm>

namespace {

// The card's file view until the file views register theirs, when the file has no preview size.
constexpr QSizeF kDefaultCardViewSize{280, 180};

ZVPendingFilesView::FileViewFactory& previewFactory() {
    static ZVPendingFilesView::FileViewFactory factory;
    return factory;
}

ZVPendingFilesView::FileViewFactory& cardViewFactory() {
    static ZVPendingFilesView::FileViewFactory factory;
    return factory;
}

std::shared_ptr<platform::View> makePreview(const std::shared_ptr<File>& file) {
    if (previewFactory()) {
        return previewFactory()(file);
    }
    return ZVPendingFilePicture::proportional(file, ZVPendingFilesView::kPreviewHeight);
}

std::shared_ptr<platform::View> makeCardView(const std::shared_ptr<File>& file) {
    // A file the file views show in no form still gets a card, with its picture.
    if (cardViewFactory()) {
        if (auto view = cardViewFactory()(file)) {
            return view;
        }
    }
    const QSizeF size = file->previewSize().isEmpty() ? kDefaultCardViewSize : file->previewSize();
    return ZVPendingFilePicture::sized(file, size);
}

}  // namespace

void ZVPendingFilesView::setPreviewFactory(FileViewFactory factory) {
    previewFactory() = std::move(factory);
}

void ZVPendingFilesView::setCardViewFactory(FileViewFactory factory) {
    cardViewFactory() = std::move(factory);
}

ZVPendingFilesView::ZVPendingFilesView() : ScrollView(QRectF(0, 0, 0, kHeight)) {}

ZVPendingFilesView::~ZVPendingFilesView() = default;

std::vector<std::shared_ptr<File>> ZVPendingFilesView::files() const {
    std::vector<std::shared_ptr<File>> result;
    for (const Preview& preview : previews_) {
        const File::Status status = preview.file->status();
        if (status != File::Status::LocalIdle && status != File::Status::WithoutUrl) {
            result.push_back(preview.file);
        }
    }
    return result;
}

// The same file, or another of the same URL: files without a URL yet are told apart by identity.
std::vector<ZVPendingFilesView::Preview>::const_iterator ZVPendingFilesView::findFile(
    const File& file) const {
    const QString url = file.fileUrl();
    return std::find_if(previews_.begin(), previews_.end(), [&](const Preview& preview) {
        return preview.file.get() == &file || (!url.isEmpty() && preview.file->fileUrl() == url);
    });
}

void ZVPendingFilesView::addFile(const std::shared_ptr<File>& file) {
    if (!file || findFile(*file) != previews_.end()) {
        return;
    }
    auto view = makePreview(file);
    if (!view) {
        return;
    }
    previews_.push_back({file, view});
    if (overlay_) {
        insertSubviewBelow(view, overlay_.get());
    } else {
        addSubview(view);
    }
    setNeedsLayout();
    setNeedsDisplay();
}

void ZVPendingFilesView::removeFile(const std::shared_ptr<File>& file) {
    if (!file) {
        return;
    }
    const auto found = findFile(*file);
    if (found == previews_.end()) {
        return;
    }
    const std::shared_ptr<platform::View> view = found->view;
    previews_.erase(found);
    if (highlighted_ == view) {
        setHighlightedFile(nullptr);
    }
    view->removeFromSuperview();
    setNeedsLayout();
    setNeedsDisplay();
    if (previews_.empty()) {
        if (auto* owner = dynamic_cast<ZVPendingFilesOwner*>(superview())) {
            owner->filesChanged();
        }
    }
}

void ZVPendingFilesView::removeAllFiles() {
    setHighlightedFile(nullptr);
    for (const Preview& preview : previews_) {
        preview.view->removeFromSuperview();
    }
    previews_.clear();
    setNeedsLayout();
    setNeedsDisplay();
}

std::shared_ptr<platform::View> ZVPendingFilesView::fileViewByUrl(const QString& url) const {
    const auto found = std::find_if(previews_.begin(), previews_.end(),
                                    [&](const Preview& p) { return p.file->fileUrl() == url; });
    return found == previews_.end() ? nullptr : found->view;
}

std::shared_ptr<platform::View> ZVPendingFilesView::fileByPosition(QPointF point) const {
    for (const Preview& preview : previews_) {
        if (preview.view->frame().contains(point)) {
            return preview.view;
        }
    }
    return nullptr;
}

std::shared_ptr<File> ZVPendingFilesView::fileOfPreview(const platform::View* view) const {
    for (const Preview& preview : previews_) {
        if (preview.view.get() == view) {
            return preview.file;
        }
    }
    return nullptr;
}

void ZVPendingFilesView::setHighlightedFile(const std::shared_ptr<platform::View>& preview) {
    if (preview == highlighted_) {
        return;
    }
    highlighted_ = preview;
    if (!preview) {
        if (overlay_) {
            overlay_->removeFromSuperview();
            overlay_.reset();
        }
        return;
    }
    if (!overlay_) {
        overlay_ = View::make<ZVCellOverlay>();
        overlay_->setColor(platform::resolveColor(ZVColors::cellHighlight()));
        overlay_->setAlpha(kHighlightAlpha);
        addSubview(overlay_);
    }
    setNeedsLayout();
}

void ZVPendingFilesView::setSeparator(bool separator) {
    separator_ = separator;
    setNeedsDisplay();
}

void ZVPendingFilesView::layoutSubviews() {
    ScrollView::layoutSubviews();
    qreal x = kSpacing;
    for (const Preview& preview : previews_) {
        const QSizeF size = preview.view->frame().size();
        preview.view->setFrame(QRectF(QPointF(x, kSpacing), size));
        x += size.width() + kSpacing;
    }
    setContentSize(QSizeF(x, bounds().height()));
    if (overlay_) {
        overlay_->setFrame(QRectF(QPointF(), contentSize()));
        QPainterPath shape;
        if (highlighted_) {
            shape.addRoundedRect(highlighted_->frame(), kHighlightCornerRadius,
                                 kHighlightCornerRadius);
        }
        overlay_->setShape(shape);
    }
}

void ZVPendingFilesView::drawRect(QPainter& painter, const QRectF& rect) {
    ScrollView::drawRect(painter, rect);
    if (separator_ && containsFiles()) {
        drawSeparator(painter, bounds(), true, false);
    }
}

// --- touches ---

std::shared_ptr<platform::View> ZVPendingFilesView::previewUnder(
    const platform::TouchSet& touches) const {
    return touches.empty() ? nullptr : fileByPosition(touches.front()->locationInView(this));
}

void ZVPendingFilesView::touchesBegan(const platform::TouchSet& touches,
                                      const platform::TouchEvent& event) {
    setHighlightedFile(previewUnder(touches));
    ScrollView::touchesBegan(touches, event);
}

void ZVPendingFilesView::touchesMoved(const platform::TouchSet& touches,
                                      const platform::TouchEvent& event) {
    setHighlightedFile(previewUnder(touches));
    ScrollView::touchesMoved(touches, event);
}

void ZVPendingFilesView::touchesEnded(const platform::TouchSet& touches,
                                      const platform::TouchEvent& event) {
    ScrollView::touchesEnded(touches, event);
    const auto preview = previewUnder(touches);
    if (!preview || preview != highlighted_) {
        return;
    }
    // The strip may be gone, or the file removed, by the time the card would open.
    const std::weak_ptr<platform::View> weakPreview = preview;
    cardTimer_ = platform::Scheduler::main().after(kCardDelay, [this, weakPreview] {
        const auto shown = weakPreview.lock();
        if (shown && fileOfPreview(shown.get())) {
            showFileMenu(shown);
        }
    });
}

void ZVPendingFilesView::touchesCancelled(const platform::TouchSet& touches,
                                          const platform::TouchEvent& event) {
    setHighlightedFile(nullptr);
    ScrollView::touchesCancelled(touches, event);
}

// --- the card ---

void ZVPendingFilesView::showFileMenu(const std::shared_ptr<platform::View>& preview) {
    const auto file = fileOfPreview(preview.get());
    if (!file) {
        return;
    }
    const auto fileView = makeCardView(file);
    auto remove = ZVAlertButton::alertButtonWithTitle(QStringLiteral("Remove file"), QString());
    remove->setTag(kRemoveFileTag);
    ZVAlertView::ViewList views{fileView};
    if (!file->fullSizeUrl().isEmpty()) {
        auto fullSize =
            ZVAlertButton::alertButtonWithTitle(QStringLiteral("Send in full size"), QString());
        fullSize->setTag(kSendInFullSizeTag);
        views.push_back(fullSize);
    }
    views.push_back(remove);
    auto card = View::make<ZVAlertView>();
    card->setPointAtView(preview);
    card->setViews(std::move(views));
    QRectF frame = card->frame();
    frame.setWidth(fileView->frame().width() + kCardMargin);
    card->setFrame(frame);
    // The card tells the strip only while the strip lives.
    card->setDelegate(std::shared_ptr<ZVAlertViewDelegate>(shared_from_this(), this));
    card->show();
}

void ZVPendingFilesView::alertView(ZVAlertView& /*alertView*/, int buttonIndex) {
    if (!highlighted_) {
        return;
    }
    const auto file = fileOfPreview(highlighted_.get());
    setHighlightedFile(nullptr);
    if (!file) {
        return;
    }
    if (buttonIndex == kSendInFullSizeTag) {
        sendInFullSize(file);
    } else if (buttonIndex == kRemoveFileTag) {
        remove(file);
    }
}

void ZVPendingFilesView::sendInFullSize(const std::shared_ptr<File>& file) {
    const QUrl fullSize = file->fullSizeUrl();
    if (fullSize.isEmpty()) {
        return;
    }
    file->setFullSizeUrl(QUrl());
    const std::weak_ptr<View> weakSelf = weak_from_this();
    const std::weak_ptr<File> weakFile = file;
    ZVURLLoader::loader().representationForUrl(
        fullSize,
        [weakSelf, weakFile](const std::shared_ptr<ZVURLRepresentation>& representation) {
            // A file taken off the strip meanwhile is not sent after all.
            const auto self = std::static_pointer_cast<ZVPendingFilesView>(weakSelf.lock());
            const auto file = weakFile.lock();
            if (self && file && self->findFile(*file) != self->previews_.end()) {
                file->setFromUrlRepresentation(representation);
            }
        },
        // The reduced copy goes on uploading.
        [](const ZVErrorPtr&) {});
}

void ZVPendingFilesView::remove(const std::shared_ptr<File>& file) {
    removeFile(file);
    if (file->messageNr() != 0) {
        return;
    }
    if (const auto session = file->repositorySession()) {
        if (const auto conversation = session->conversationFromId(file->conversationId())) {
            conversation->removePendingFile(file);
        }
    }
}
