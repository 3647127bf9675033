#pragma once

#include <QtCore/QString>

class ZVTextView;

// The owner of a text view that copies, pastes and quotes whole messages instead of plain text,
// and answers the view's keyboard commands.
class ZVTextViewPasteboardDelegate {
public:
    virtual ~ZVTextViewPasteboardDelegate() = default;
    virtual void handleControlEnter(ZVTextView& textView) = 0;
    virtual void handleUpArrow(ZVTextView& textView) = 0;
    // The delegate reads the pasteboard itself.
    virtual void textViewDidPaste(ZVTextView& textView) = 0;
    virtual void copyText(const QString& text) = 0;
    virtual void quoteText(const QString& text) = 0;
    virtual bool quoteAvailable() = 0;
};

// A text view's ordinary delegate that also wants to hear that the view copied.
class ZVTextViewCopyObserver {
public:
    virtual ~ZVTextViewCopyObserver() = default;
    virtual void textViewDidCopy(ZVTextView& textView) = 0;
};
