#pragma once

#include "MessageFlow/views/ZVMessageView.h"
#include "files/views/ZVFileView.h"
#include "toolkit/richtext/ZVRichText.h"

#include <vector>

// A message view with rich text and, below it, the message's file views and link cards. Collapsed
// messages show at most three tiny file rows and no link cards; a collapsed message whose text is
// cut shows no files at all. Ticking a checkbox in the text flips the task; a "toggle-quote:N"
// link shows or hides quote N.
class ZVBaseMessageView : public ZVMessageView, public ZVRichTextDelegate {
public:
    static constexpr int kTruncationMode = ZVRichText::kTruncationFaded;
    // Between the text and the files.
    static constexpr qreal kTextFilesGap = 5;
    // The text's frame reaches this far below its rectangle, so descenders are not clipped.
    static constexpr qreal kTextOverhang = 3;
    static constexpr int kCollapsedFileLimit = 3;
    static constexpr qsizetype kMatchFragmentLength = 50;
    static inline const QString kToggleQuotePrefix = QStringLiteral("toggle-quote:");

    // One file view or link card under the text, as the layout stacks it.
    struct FileSlot {
        std::shared_ptr<File> file;
        int kind = 0;
    };

    explicit ZVBaseMessageView(std::weak_ptr<ZVMessageViewCell> cell);
    ~ZVBaseMessageView() override;

    const std::shared_ptr<ZVRichText>& text() const { return text_; }
    const std::vector<std::shared_ptr<ZVFileView>>& fileViews() const { return fileViews_; }

    void setMessage(const std::shared_ptr<Message>& message) override;
    QRectF layoutWithRect(const QRectF& rect) override;
    std::shared_ptr<ZVFileView> highlightedFile() const override;
    // The text and file views take the colour too.
    virtual void setBackgroundColor(const QColor& color);

    // Rich-text delegate.
    bool shouldOpenURL(const QString& url) override;
    void checkboxToggled(bool checked) override;
    // Open task becomes done, done becomes open.
    void toggleDone();

    // The text a message shows: the match's neighbourhood while a search hit is collapsed.
    static platform::AttributedString textForMessage(ZVRichMessageRepresentation& model);
    static int fileViewKindForMessage(const Message& message, ZVRichMessageRepresentation& model,
                                      bool showPreviews);
    // The views under the text, files then link cards, for a kind and expand state; and how many
    // of them are placed.
    static std::vector<FileSlot> fileSlots(ZVRichMessageRepresentation& model, int kind,
                                           int expandState);
    static std::size_t visibleFileCount(std::size_t count, int expandState);
    // A digest of what the heights of the first `visible` entries depend on (each one's form and
    // sizes), so that a kept height is not used once a file shows in another form.
    static std::size_t filesForm(const std::vector<FileSlot>& entries, std::size_t visible);
    // The files' part of a row: the placed views, the spacings between them and the gap above
    // them, kept in the display model for its kind, expand state and the files' form.
    static qreal filesHeight(ZVRichMessageRepresentation& model, int kind, int expandState);
    static qreal heightForMessage(const std::shared_ptr<Message>& message, qreal width,
                                  const ZVMessageViewCells& cells);

protected:
    // Only the text, in all of `rect`: a row too short for its files hides them.
    void layoutTextOnly(const QRectF& rect);
    // The quote number of a "toggle-quote:" link: decimal 0 to 31; none for anything else.
    static std::optional<int> quoteIndexOfUrl(const QString& url);

private:
    void removeFileViews();

    std::shared_ptr<ZVRichText> text_;
    std::vector<std::shared_ptr<ZVFileView>> fileViews_;
    // The form each view was made in, for the spacings between them.
    std::vector<ZVFileView::ViewClass> fileViewClasses_;
};
