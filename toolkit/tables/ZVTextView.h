#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/TextView.h"

#include <memory>

class ZVTextViewPasteboardDelegate;

// The application's text view: the editors' input, the forms' text cells and the read-only copy
// of a message being selected. Control+Return sends and the up arrow in an empty text edits the
// previous message; copy, paste and "Quote" go to the pasteboard delegate, so that its owner can
// move whole messages instead of plain text. Its content size is observable ("contentSize").
class ZVTextView : public platform::TextView, public platform::Observable {
public:
    static inline const QString kContentSizeKey = QStringLiteral("contentSize");

    static inline const QString kQuoteAction = QStringLiteral("quote:");
    // A tap on the read-only copy selects all of it again after this long.
    static constexpr double kReselectDelay = 0.1;

    using platform::TextView::TextView;

    std::shared_ptr<ZVTextViewPasteboardDelegate> pasteboardDelegate() const {
        return pasteboardDelegate_.lock();
    }
    void setPasteboardDelegate(std::weak_ptr<ZVTextViewPasteboardDelegate> delegate) {
        pasteboardDelegate_ = std::move(delegate);
    }
    bool textWasSelected() const { return textWasSelected_; }

    std::vector<platform::KeyCommand> keyCommands() const override;
    void controlEnter();
    void upArrow();

    bool canPerformAction(const QString& action) const override;
    bool performAction(const QString& action) override;
    void quote();
    void copy() override;
    void paste() override;

    void setContentSize(QSizeF size) override;

    void touchesBegan(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const platform::TouchEvent& event) override;

private:
    // The selection, or the whole text when nothing is selected.
    QString actionText() const;

    std::weak_ptr<ZVTextViewPasteboardDelegate> pasteboardDelegate_;
    bool textWasSelected_ = false;
    platform::ScopedTimer reselectTimer_;
};
