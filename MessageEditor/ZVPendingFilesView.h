#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/scroll/ScrollView.h"
#include "toolkit/alerts/ZVAlertViewDelegate.h"

#include <QtCore/QString>

#include <functional>
#include <memory>
#include <vector>

class File;
class ZVCellOverlay;

// The editor that holds a pending-files strip: told when the strip's last file was removed.
class ZVPendingFilesOwner {
public:
    virtual ~ZVPendingFilesOwner() = default;
    virtual void filesChanged() = 0;
};

// The row of small pictures above a message editor: the files picked for the next message, one
// per file URL, in the order added, scrolling sideways. A tap opens a card with a larger view of
// the file, "Send in full size" (for a photo sent reduced) and "Remove file". The editor that owns
// it is its superview. Main thread.
class ZVPendingFilesView : public platform::ScrollView, public ZVAlertViewDelegate {
public:
    static constexpr qreal kHeight = 55;
    static constexpr qreal kPreviewHeight = 45;
    static constexpr qreal kSpacing = 5;
    static constexpr qreal kHighlightAlpha = 0.5;
    static constexpr qreal kHighlightCornerRadius = 4;
    // The card opens this long after the finger lifts, once the highlight has shown.
    static constexpr double kCardDelay = 0.1;
    // The card is as wide as its file view and this.
    static constexpr qreal kCardMargin = 20;
    static constexpr int kSendInFullSizeTag = 0;
    static constexpr int kRemoveFileTag = 1;

    // A view of a file: the strip's 45-pt-high previews, and the larger view the card shows. Until
    // the file views register theirs, both are the file's local picture.
    using FileViewFactory =
        std::function<std::shared_ptr<platform::View>(const std::shared_ptr<File>& file)>;
    static void setPreviewFactory(FileViewFactory factory);
    static void setCardViewFactory(FileViewFactory factory);

    ZVPendingFilesView();
    ~ZVPendingFilesView() override;

    // The files to send: those whose upload is neither idle nor without a URL (they stay shown).
    std::vector<std::shared_ptr<File>> files() const;
    bool containsFiles() const { return !previews_.empty(); }
    // A second file of the same URL is not added.
    void addFile(const std::shared_ptr<File>& file);
    // The superview hears filesChanged() when the last preview goes.
    void removeFile(const std::shared_ptr<File>& file);
    void removeAllFiles();

    std::shared_ptr<platform::View> fileViewByUrl(const QString& url) const;
    // The preview whose frame holds the point (in the strip's content), or null.
    std::shared_ptr<platform::View> fileByPosition(QPointF point) const;
    // The file a preview shows; null for a view that is no preview of the strip.
    std::shared_ptr<File> fileOfPreview(const platform::View* preview) const;

    const std::shared_ptr<platform::View>& highlightedFile() const { return highlighted_; }
    void setHighlightedFile(const std::shared_ptr<platform::View>& preview);
    const std::shared_ptr<ZVCellOverlay>& overlay() const { return overlay_; }

    bool separator() const { return separator_; }
    void setSeparator(bool separator);

    void showFileMenu(const std::shared_ptr<platform::View>& preview);
    void alertView(ZVAlertView& alertView, int buttonIndex) override;

    void layoutSubviews() override;
    void drawRect(QPainter& painter, const QRectF& rect) override;
    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesMoved(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

private:
    struct Preview {
        std::shared_ptr<File> file;
        std::shared_ptr<platform::View> view;
    };
    std::vector<Preview>::const_iterator findFile(const File& file) const;
    std::shared_ptr<platform::View> previewUnder(const platform::TouchSet& touches) const;
    void sendInFullSize(const std::shared_ptr<File>& file);
    void remove(const std::shared_ptr<File>& file);

    std::vector<Preview> previews_;
    std::shared_ptr<platform::View> highlighted_;
    std::shared_ptr<ZVCellOverlay> overlay_;
    bool separator_ = false;
    platform::ScopedTimer cardTimer_;
};
