#include "MessageFlow/views/ZVBaseMessageView.h"

#include "MessageFlow/views/ZVMessageViewCell.h"
#include "MessageFlow/views/ZVMessageViewCells.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/Message.h"
#include "toolkit/style/AttributedStringUtils.h"
#include "toolkit/style/Geometry.h"

#include <QtCore/QHashFunctions>

#include <algorithm>

ZVBaseMessageView::ZVBaseMessageView(std::weak_ptr<ZVMessageViewCell> cell)
    : ZVMessageView(std::move(cell)), text_(std::make_shared<ZVRichText>()) {
    text_->setTruncationMode(kTruncationMode);
    addSubview(text_);
}

ZVBaseMessageView::~ZVBaseMessageView() = default;

platform::AttributedString ZVBaseMessageView::textForMessage(ZVRichMessageRepresentation& model) {
    if (model.isShowingMatch() && !model.expanded()) {
        return extractHighlightedFragmentFitInLength(model.attributedText(), kMatchFragmentLength);
    }
    return model.attributedText();
}

int ZVBaseMessageView::fileViewKindForMessage(const Message& message,
                                              ZVRichMessageRepresentation& model,
                                              bool showPreviews) {
    if (!message.isUnconsumed() && model.expandable() && !model.expanded()) {
        return model.textIsTruncated() ? ZVFileView::kNoFiles : ZVFileView::kTinyRows;
    }
    return showPreviews ? ZVFileView::kMessageWithPreviews : ZVFileView::kMessageWithoutPreviews;
}

std::vector<ZVBaseMessageView::FileSlot> ZVBaseMessageView::fileSlots(
    ZVRichMessageRepresentation& model, int kind, int expandState) {
    std::vector<FileSlot> entries;
    if (kind != ZVFileView::kNoFiles) {
        for (const auto& file : model.files().value_or(ZVMessageRepresentation::Files())) {
            if (file) {
                entries.push_back({file, kind});
            }
        }
    }
    if (expandState != kCollapsed) {
        for (const auto& preview : model.urlPreviews()) {
            if (preview) {
                entries.push_back({preview, ZVFileView::kMessageWithPreviews});
            }
        }
    }
    return entries;
}

std::size_t ZVBaseMessageView::visibleFileCount(std::size_t count, int expandState) {
    if (expandState == kCollapsed) {
        return std::min<std::size_t>(count, kCollapsedFileLimit);
    }
    return count;
}

std::size_t ZVBaseMessageView::filesForm(const std::vector<FileSlot>& entries,
                                         std::size_t visible) {
    std::size_t form = qHash(visible);
    for (std::size_t i = 0; i < visible; ++i) {
        const File* file = entries[i].file.get();
        const ZVFileView::ViewClass viewClass =
            ZVFileView::identifyViewClass(file, entries[i].kind);
        const QSizeF preview = file->previewSize();
        form = qHashMulti(form, int(viewClass), preview.width(), preview.height());
        // A link card's height follows its texts and whether it has a picture.
        if (viewClass == ZVFileView::ViewClass::UrlPreview) {
            form = qHashMulti(form, file->previewUrl().isNull(), file->urlTitle(),
                              file->urlDescription());
        }
    }
    return form;
}

qreal ZVBaseMessageView::filesHeight(ZVRichMessageRepresentation& model, int kind,
                                     int expandState) {
    const std::vector<FileSlot> entries = fileSlots(model, kind, expandState);
    const std::size_t visible = visibleFileCount(entries.size(), expandState);
    const std::size_t form = filesForm(entries, visible);
    if (const auto known = model.filesHeight(kind, expandState, form)) {
        return *known;
    }
    qreal height = 0;
    for (std::size_t i = 0; i < visible; ++i) {
        const File* file = entries[i].file.get();
        height += ZVFileView::heightForFile(file, entries[i].kind);
        if (i + 1 < visible) {
            height += ZVFileView::requiredSpacingWithViewClass(
                ZVFileView::identifyViewClass(file, entries[i].kind),
                ZVFileView::identifyViewClass(entries[i + 1].file.get(), entries[i + 1].kind));
        }
    }
    if (visible > 0 && !model.attributedText().isEmpty()) {
        height += kTextFilesGap;
    }
    model.setFilesHeight(height, kind, expandState, form);
    return height;
}

qreal ZVBaseMessageView::heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                          const ZVMessageViewCells& cells) {
    const auto model = message ? ZVRichMessageRepresentation::of(message) : nullptr;
    if (!model) {
        return 0;
    }
    // Measuring first settles whether the message can expand, which the rest depends on.
    qreal height = model->formattedHeightForWidth(width);
    const int kind = fileViewKindForMessage(*message, *model, cells.showFilePreviews());
    return height + filesHeight(*model, kind, expandStateOf(*model));
}

void ZVBaseMessageView::removeFileViews() {
    for (const auto& view : fileViews_) {
        view->removeFromSuperview();
    }
    fileViews_.clear();
    fileViewClasses_.clear();
}

void ZVBaseMessageView::setMessage(const std::shared_ptr<Message>& message) {
    // The text calls back through this view; it must be a shared object by now.
    text_->setDelegate(std::shared_ptr<ZVRichTextDelegate>(shared_from_this(), this));
    ZVMessageView::setMessage(message);
    removeFileViews();
    const auto shown = model();
    if (!message || !shown) {
        return;
    }
    text_->setAttributedText(textForMessage(*shown));
    const int kind = fileViewKindForMessage(*message, *shown, showFilePreviews());
    for (const FileSlot& slot : fileSlots(*shown, kind, expandState())) {
        if (auto view = ZVFileView::viewForFile(slot.file, slot.kind)) {
            fileViews_.push_back(std::move(view));
            fileViewClasses_.push_back(ZVFileView::identifyViewClass(slot.file.get(), slot.kind));
        }
    }
    for (const auto& view : fileViews_) {
        view->setBackgroundColor(backgroundColor());
        addSubview(view);
        view->setHidden(false);
        view->refresh();
    }
    setNeedsLayout();
}

void ZVBaseMessageView::setBackgroundColor(const QColor& color) {
    View::setBackgroundColor(color);
    text_->setBackgroundColor(color);
    for (const auto& view : fileViews_) {
        view->setBackgroundColor(color);
    }
}

QRectF ZVBaseMessageView::layoutWithRect(const QRectF& rect) {
    QRectF rest = rect;
    const std::size_t count = fileViews_.size();
    const std::size_t visible = visibleFileCount(count, expandState());
    std::optional<ZVFileView::ViewClass> below;
    for (std::size_t i = count; i-- > 0;) {
        ZVFileView& view = *fileViews_[i];
        if (i >= visible) {
            view.setHidden(true);
            continue;
        }
        if (below) {
            CGRectExtractBottom(
                rest, ZVFileView::requiredSpacingWithViewClass(fileViewClasses_[i], *below));
        }
        const qreal height = view.frame().height();
        view.setHidden(rest.height() < height);
        QRectF frame = view.frame();
        frame.moveTopLeft(CGRectExtractBottom(rest, height).topLeft());
        view.setFrame(frame);
        view.setTruncated(visible < count && i == visible - 1);
        below = fileViewClasses_[i];
    }
    const bool textEmpty = text_->attributedText().isEmpty();
    if (count > 0 && !textEmpty) {
        CGRectExtractBottom(rest, kTextFilesGap);
    }
    text_->setHidden(textEmpty && count > 0);
    text_->setFrame(rest.adjusted(0, 0, 0, kTextOverhang));
    return rest;
}

std::shared_ptr<ZVFileView> ZVBaseMessageView::highlightedFile() const {
    for (const auto& view : fileViews_) {
        if (view->highlighted()) {
            return view;
        }
    }
    return nullptr;
}

std::optional<int> ZVBaseMessageView::quoteIndexOfUrl(const QString& url) {
    if (!url.startsWith(kToggleQuotePrefix)) {
        return std::nullopt;
    }
    const QStringView digits = QStringView(url).mid(kToggleQuotePrefix.size());
    // Digits only: toInt() would take a sign, spaces or an overflowing number.
    if (digits.isEmpty() || digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return std::nullopt;
    }
    const int index = digits.toInt();
    if (index > ZVRichMessageRepresentation::kLastQuoteIndex) {
        return std::nullopt;
    }
    return index;
}

bool ZVBaseMessageView::shouldOpenURL(const QString& url) {
    if (!url.startsWith(kToggleQuotePrefix)) {
        return true;
    }
    // A malformed quote link toggles nothing, and is still no address to open.
    if (const auto index = quoteIndexOfUrl(url)) {
        if (const auto shown = model()) {
            shown->toggleQuote(*index);
            if (const auto holder = cell()) {
                holder->notifyCellHeightChangeAnimated(false);
            }
        }
    }
    return false;
}

void ZVBaseMessageView::checkboxToggled(bool /*checked*/) {
    toggleDone();
}

void ZVBaseMessageView::toggleDone() {
    const auto task = message();
    if (!task) {
        return;
    }
    if (task->isCompletedTask()) {
        task->setTags({Message::TagTodo}, {Message::TagDone});
    } else {
        task->setTags({Message::TagDone}, {Message::TagTodo});
    }
    setMessage(task);
}

void ZVBaseMessageView::layoutTextOnly(const QRectF& rect) {
    for (const auto& view : fileViews_) {
        view->setHidden(true);
    }
    text_->setHidden(false);
    text_->setFrame(rect.adjusted(0, 0, 0, kTextOverhang));
}
