#include "MessageEditor/ZVAutoCompletePicker.h"

#include "MessageEditor/ZVAutoCompleteCell.h"
#include "ZelvoKit/support/text/StringUtils.h"
#include "platform/foundation/Scheduler.h"
#include "platform/ui/controllers/ViewController.h"
#include "platform/ui/controls/TextView.h"
#include "toolkit/dialogs/ZVDialogCell.h"
#include "toolkit/dialogs/ZVDialogCells.h"
#include "toolkit/dialogs/ZVDialogCellsDelegate.h"
#include "toolkit/tables/ZVTableView.h"

#include <algorithm>

namespace {

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85) ||
           c == QChar(0x2028) || c == QChar(0x2029);
}

// Spaces and tabs: a word of the picker never spans them.
bool isBlank(QChar c) {
    return c.isSpace() && !isLineBreak(c);
}

// The end of the word that starts at `from`: the first separator after it, or the text's end.
qsizetype wordEnd(const QString& text, qsizetype from) {
    qsizetype pos = from;
    while (pos < text.size()) {
        qsizetype width = 1;
        if (inWhitespaceAndPunctuationSet(codePointAt(text, pos, &width))) {
            break;
        }
        pos += width;
    }
    return pos;
}

}  // namespace

// The rows' taps come back through the table's form, which tells its delegate.
class ZVAutoCompletePicker::Wiring : public ZVDialogCellsDelegate {
public:
    explicit Wiring(ZVAutoCompletePicker& owner) : owner_(owner) {}

    void textCellDidBeginEditing(ZVDialogCell&) override {}
    void textCellDidEndEditing(ZVDialogCell&) override {}
    void textCellDidChange(ZVDialogCell&) override {}
    void textCellWillReturn(ZVDialogCell&) override {}
    void cellTapped(ZVDialogCell& cell) override {
        if (const auto* row = dynamic_cast<const ZVAutoCompleteCell*>(&cell)) {
            owner_.choose(row->text());
        }
    }

private:
    ZVAutoCompletePicker& owner_;
};

ZVAutoCompletePicker::ZVAutoCompletePicker(const std::shared_ptr<platform::View>& superview,
                                           const std::shared_ptr<platform::TextView>& editor)
    : superview_(superview), editor_(editor), wiring_(std::make_shared<Wiring>(*this)) {}

ZVAutoCompletePicker::~ZVAutoCompletePicker() {
    removeTable();
}

void ZVAutoCompletePicker::addItemType(char prefix, bool allowedAnywhere,
                                       ZVAutoCompletePickerItem::PopulateProc populateProc,
                                       ZVArrayCellGroup::CellClass itemClass, qreal height) {
    itemTypes_.push_back(std::make_shared<ZVAutoCompletePickerItem>(
        prefix, allowedAnywhere, std::move(populateProc), std::move(itemClass), height));
}

// The word after the trigger `prefix` that the caret stands in or just after. The walk goes back
// from the caret (from one past it when a trigger is under it) to the trigger, and gives up at a
// blank or a line break: a word on an earlier line is not the one being typed, and a choice
// would replace it. A trigger inside the text must follow white space or start a line; the word
// runs to the next separator, which may lie beyond the caret.
std::optional<platform::TextRange> ZVAutoCompletePicker::textRangeWithPrefix(char prefix) const {
    const auto editor = editor_.lock();
    if (!editor) {
        return std::nullopt;
    }
    const platform::TextRange selection = editor->selectedRange();
    if (selection.length != 0) {
        return std::nullopt;
    }
    const QString text = editor->text();
    const QChar trigger = QLatin1Char(prefix);
    const qsizetype size = text.size();
    qsizetype i = std::clamp<qsizetype>(selection.location, 0, size);
    if (i < size - 1 && text.at(i) == trigger) {
        ++i;
    }
    while (i >= 2) {
        const QChar c = text.at(i - 1);
        if (c == trigger) {
            break;
        }
        if (isBlank(c) || isLineBreak(c)) {
            return std::nullopt;
        }
        --i;
    }
    if (i == 0) {
        return std::nullopt;
    }
    const qsizetype at = i - 1;
    if (text.at(at) != trigger) {
        return std::nullopt;
    }
    if (at > 0 && !text.at(at - 1).isSpace()) {
        return std::nullopt;
    }
    return platform::TextRange{static_cast<int>(i), static_cast<int>(wordEnd(text, i) - i)};
}

void ZVAutoCompletePicker::update() {
    const auto editor = editor_.lock();
    std::shared_ptr<ZVAutoCompletePickerItem> chosen;
    if (editor && editor->isFirstResponder()) {
        const QString text = editor->text();
        for (const auto& type : itemTypes_) {
            const auto range = textRangeWithPrefix(type->prefix());
            if (!range) {
                continue;
            }
            textRange_ = *range;
            // A start-only trigger stands at 0, so its word starts at 1.
            if (!type->anywhere() && range->location >= 2) {
                continue;
            }
            const QString word = text.mid(range->location, range->length);
            if (word == text_ && type == textType_) {
                return;
            }
            text_ = word;
            textType_ = type;
            items_ = type->populateProc() ? type->populateProc()(word) : QVariantList();
            if (!items_.isEmpty()) {
                chosen = type;
                break;
            }
        }
    }
    if (!chosen) {
        items_.clear();
        text_ = QString();
        textType_.reset();
    }
    removeTable();
    if (chosen) {
        showTable(*chosen);
    }
}

void ZVAutoCompletePicker::removeTable() {
    if (!cells_) {
        return;
    }
    cells_->tableView()->removeFromSuperview();
    // A choice removes the table from within its own tap: the form goes once the tap is over.
    platform::Scheduler::main().post([cells = std::move(cells_)] {});
    cells_.reset();
    rowHeight_ = 0;
}

void ZVAutoCompletePicker::showTable(const ZVAutoCompletePickerItem& type) {
    const auto superview = superview_.lock();
    if (!superview) {
        return;
    }
    cells_ = platform::ViewController::make<ZVDialogCells>();
    rowHeight_ = type.itemHeight();
    auto group = std::make_shared<ZVArrayCellGroup>(
        items_, type.cellClass(), [](ZVDialogCell& cell, const QVariant& item) {
            if (auto* row = dynamic_cast<ZVAutoCompleteCell*>(&cell)) {
                row->setItem(item);
            }
        });
    group->setBeginsGroup(false);
    group->setEndsGroup(false);
    // The form adds its group spacing to a group's rows; the rows are to be the type's height.
    group->setRowHeight(static_cast<int>(rowHeight_ - ZVDialogCells::kGroupRowSpacing));
    cells_->addCell(group);
    cells_->setDelegate(wiring_);
    const auto& table = cells_->tableView();
    table->setRowHeight(rowHeight_);
    superview->addSubview(table);
    table->reloadData();
}

std::shared_ptr<ZVTableView> ZVAutoCompletePicker::tableView() const {
    return cells_ ? cells_->tableView() : nullptr;
}

qreal ZVAutoCompletePicker::tableHeight() const {
    if (!cells_) {
        return 0;
    }
    return rowHeight_ * static_cast<qreal>(std::min<qsizetype>(items_.size(), kMaxVisibleRows));
}

void ZVAutoCompletePicker::choose(const QString& replacement) {
    if (const auto editor = editor_.lock()) {
        editor->replace(textRange_, replacement);
    }
}
