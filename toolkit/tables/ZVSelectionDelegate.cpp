#include "toolkit/tables/ZVSelectionDelegate.h"

#include "platform/ui/standins/input/Pasteboard.h"
#include "toolkit/tables/ZVSelectionCell.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTableViewCell.h"

ZVSelectionDelegate::ZVSelectionDelegate(std::weak_ptr<ZVTableView> table)
    : table_(std::move(table)) {}

void ZVSelectionDelegate::endSelectionLater() {
    std::weak_ptr<ZVTableView> weak = table_;
    endTimer_ = platform::Scheduler::main().after(kEndDelay, [weak] {
        if (const auto table = weak.lock()) {
            table->setSelectionCell(nullptr);
        }
    });
}

void ZVSelectionDelegate::textViewDidChangeSelection(platform::TextView& textView) {
    if (textView.selectedRange().length == 0) {
        endSelectionLater();
    }
}

void ZVSelectionDelegate::textViewDidCopy(ZVTextView& /*textView*/) {
    endSelectionLater();
}

void ZVSelectionDelegate::copyText(const QString& text) {
    const auto table = this->table();
    const auto cell = table ? table->selectionCell() : nullptr;
    if (auto* target = dynamic_cast<ZVSelectionCopyTarget*>(cell.get())) {
        target->copyText(text);
    } else {
        platform::Pasteboard::general()->setString(text);
    }
}

void ZVSelectionDelegate::quoteText(const QString& text) {
    const auto table = this->table();
    if (!table) {
        return;
    }
    if (auto* target = dynamic_cast<ZVSelectionQuoteTarget*>(table->selectionCell().get())) {
        target->quoteText(text);
    }
    table->setSelectionCell(nullptr);
}

bool ZVSelectionDelegate::quoteAvailable() {
    const auto table = this->table();
    return table && dynamic_cast<ZVSelectionQuoteTarget*>(table->selectionCell().get());
}
