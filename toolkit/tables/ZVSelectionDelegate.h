#pragma once

#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/TextView.h"
#include "toolkit/tables/ZVTextViewPasteboardDelegate.h"

#include <memory>

class ZVTableView;

// The delegate of the read-only copy a table lays over a cell whose text is being selected: ends
// the selection mode once nothing is selected or the text was copied or quoted, and hands copies
// and quotes to the cell when it takes them.
class ZVSelectionDelegate : public platform::TextViewDelegate,
                            public ZVTextViewPasteboardDelegate,
                            public ZVTextViewCopyObserver {
public:
    static constexpr double kEndDelay = 0.1;

    explicit ZVSelectionDelegate(std::weak_ptr<ZVTableView> table);

    std::shared_ptr<ZVTableView> table() const { return table_.lock(); }

    void textViewDidChangeSelection(platform::TextView& textView) override;
    void textViewDidCopy(ZVTextView& textView) override;

    void copyText(const QString& text) override;
    void quoteText(const QString& text) override;
    bool quoteAvailable() override;
    void handleControlEnter(ZVTextView&) override {}
    void handleUpArrow(ZVTextView&) override {}
    void textViewDidPaste(ZVTextView&) override {}

private:
    // The delegate owns the timer: once the table dropped it (another cell, or no selection any
    // more) nothing is ended.
    void endSelectionLater();

    std::weak_ptr<ZVTableView> table_;
    platform::ScopedTimer endTimer_;
};
