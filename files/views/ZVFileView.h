#pragma once

#include "platform/foundation/AttributedString.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/view/View.h"

#include <memory>

class File;

// One attachment or link preview of a message, in one of five forms: a tiny one-line row, a row
// with thumbnail, name and size, the same with date and sender (files page), a large picture, or
// a link card. The form follows from the file and the view kind; sizes and spacings are known
// without a view, and views are handed out again through the file-view manager's cache.
class ZVFileView : public platform::View {
public:
    // Where the views show. URL previews always show as in kind 1.
    enum Kind {
        kNoFiles = 0,
        kMessageWithPreviews = 1,
        kMessageWithoutPreviews = 2,
        kFilesPage = 3,
        kTinyRows = 4,
    };
    enum class ViewClass { None, Tiny, Thumbnail, Detailed, Preview, UrlPreview };

    static constexpr qreal kSpacing = 5;
    static constexpr double kHighlightDelay = 0.2;
    // Longer names are cut to kMaximumNameLength + 3 ("...") units.
    static constexpr qsizetype kMaximumNameLength = 25;
    static inline const QString kEllipsis = QStringLiteral("...");

    explicit ZVFileView(std::shared_ptr<File> file);
    ~ZVFileView() override;

    const std::shared_ptr<File>& file() const { return file_; }
    // Shows another file in the same form: texts, picture and observations are made for it.
    void setFile(const std::shared_ptr<File>& file);
    bool highlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    void cancelHighlight();
    virtual bool truncated() const { return false; }
    virtual void setTruncated(bool /*truncated*/) {}
    // Shows the file's present state again (a reused view).
    virtual void refresh() {}
    // The labels and pictures take the colour too.
    void setBackgroundColor(const QColor& color);

    static ViewClass identifyViewClass(const File* file, int kind);
    // 0 for kind 0; a null file is measured as a plain file.
    static qreal heightForFile(const File* file, int kind);
    static qreal widthForFile(const File* file, int kind);
    // The gap above `other` when it follows `file`.
    static qreal spacingWithFile(const File* file, const File* other, int kind);
    static qreal requiredSpacingWithViewClass(ViewClass above, ViewClass below);
    // A view from the cache when one is free, else a new one; none for kind 0 or no file.
    static std::shared_ptr<ZVFileView> viewForFile(const std::shared_ptr<File>& file, int kind);
    // Shows a just-picked local file at once: its picture goes into the three image caches under
    // the file's hash.
    static void associateLocalUrl(const QString& localUrl, const QString& sha256);
    // Cuts a name longer than 25 units to 28: its start, "...", and the part from the last dot.
    static platform::AttributedString truncateFileName(const platform::AttributedString& name);

    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesCancelled(const platform::TouchSet& touches,
                          const platform::TouchEvent& event) override;

protected:
    // Runs when the view is given another file.
    virtual void bindFile() {}
    virtual void backgroundColorChanged(const QColor& /*color*/) {}

private:
    static std::shared_ptr<ZVFileView> makeView(ViewClass viewClass,
                                                const std::shared_ptr<File>& file);

    std::shared_ptr<File> file_;
    bool highlighted_ = false;
    platform::ScopedTimer highlightTimer_;
};
