#include "toolkit/dialogs/ZVDialogCells.h"

#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/controls/TextField.h"
#include "platform/ui/table/TableViewDataSource.h"
#include "platform/ui/table/TableViewDelegate.h"
#include "toolkit/dialogs/ZVCellGroup.h"
#include "toolkit/dialogs/ZVCellMenu.h"
#include "toolkit/dialogs/ZVDialogCell.h"
#include "toolkit/dialogs/ZVDialogCellsDelegate.h"
#include "toolkit/dialogs/ZVHeaderCell.h"
#include "toolkit/dialogs/ZVTextFieldCell.h"
#include "toolkit/dialogs/ZVTextViewCell.h"
#include "toolkit/screens/ZVScreenCoordinator.h"
#include "toolkit/tables/ZVTableView.h"
#include "toolkit/tables/ZVTextView.h"

using platform::IndexPath;
using platform::TableView;

class ZVDialogCells::TableWiring : public platform::TableViewDataSource,
                                   public platform::TableViewDelegate {
public:
    explicit TableWiring(ZVDialogCells& owner) : owner_(owner) {}

    int tableViewNumberOfRowsInSection(TableView&, int) override { return owner_.numberOfRows(); }
    std::shared_ptr<platform::TableViewCell> tableViewCellForRowAtIndexPath(
        TableView&, IndexPath path) override {
        return owner_.cellForRow(path.row);
    }
    std::optional<qreal> tableViewHeightForRowAtIndexPath(TableView&, IndexPath path) override {
        return owner_.heightForRow(path.row);
    }
    bool tableViewShouldHighlightRowAtIndexPath(TableView&, IndexPath) override { return true; }
    void tableViewDidSelectRowAtIndexPath(TableView&, IndexPath path) override {
        owner_.didSelectRow(path.row);
    }

private:
    ZVDialogCells& owner_;
};

class ZVDialogCells::TextWiring : public platform::TextViewDelegate,
                                  public platform::TextFieldDelegate {
public:
    explicit TextWiring(ZVDialogCells& owner) : owner_(owner) {}

    void textViewDidBeginEditing(platform::TextView& view) override {
        owner_.textViewDidBeginEditing(view);
    }
    void textViewDidEndEditing(platform::TextView& view) override {
        owner_.textViewDidEndEditing(view);
    }
    void textViewDidChange(platform::TextView& view) override { owner_.textViewDidChange(view); }
    bool textViewShouldChangeText(platform::TextView& view, platform::TextRange range,
                                  const QString& replacement) override {
        return owner_.textViewShouldChangeText(view, range, replacement);
    }
    void textFieldDidBeginEditing(platform::TextField& field) override {
        owner_.textFieldDidBeginEditing(field);
    }
    bool textFieldShouldReturn(platform::TextField& field) override {
        return owner_.textFieldShouldReturn(field);
    }
    bool textFieldShouldChangeCharacters(platform::TextField& field, platform::TextRange range,
                                         const QString& replacement) override {
        return owner_.textFieldShouldChangeCharacters(field, range, replacement);
    }
    void textFieldChanged(platform::TextField& field) { owner_.textFieldChanged(field); }

private:
    ZVDialogCells& owner_;
};

namespace {

QRectF leftNavigationBounds() {
    const auto navigation = ZVScreenCoordinator::shared().leftNavigationController();
    return navigation ? navigation->view()->bounds() : QRectF();
}

std::shared_ptr<ZVDialogCell> cellOf(const ZVDialogEntry& entry) {
    const auto* cell = std::get_if<std::shared_ptr<ZVDialogCell>>(&entry);
    return cell ? *cell : nullptr;
}

}  // namespace

ZVDialogCells::ZVDialogCells()
    : tableView_(
          platform::View::make<ZVTableView>(leftNavigationBounds(), TableView::Style::Plain)),
      tableWiring_(std::make_shared<TableWiring>(*this)),
      textWiring_(std::make_shared<TextWiring>(*this)) {
    tableView_->setDataSource(tableWiring_);
    tableView_->setDelegate(tableWiring_);
    cellMenu_ = ZVActionMenuHost::attach<ZVCellMenu>(tableView_);
}

ZVDialogCells::~ZVDialogCells() {
    for (Slot& slot : entries_) {
        unwire(slot);
    }
}

void ZVDialogCells::loadView() {
    setView(tableView_);
}

// --- the entries ---

int ZVDialogCells::addCell(const ZVDialogEntry& entry) {
    insertCell(entry, count());
    return count() - 1;
}

void ZVDialogCells::addCells(const std::vector<ZVDialogEntry>& entries) {
    for (const ZVDialogEntry& entry : entries) {
        addCell(entry);
    }
}

void ZVDialogCells::insertCell(const ZVDialogEntry& entry, int index) {
    index = std::clamp(index, 0, count());
    auto at = entries_.insert(entries_.begin() + index, Slot{entry, {}, -1});
    wire(*at);
}

void ZVDialogCells::removeCellAtIndex(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    unwire(entries_[static_cast<std::size_t>(index)]);
    entries_.erase(entries_.begin() + index);
}

void ZVDialogCells::resetCells() {
    for (Slot& slot : entries_) {
        unwire(slot);
    }
    entries_.clear();
}

void ZVDialogCells::addHeader(const QString& title) {
    auto header = std::make_shared<ZVHeaderCell>();
    header->setTitle(title, 0);
    addCell(header);
}

void ZVDialogCells::wire(Slot& slot) {
    const auto cell = cellOf(slot.entry);
    if (const auto textCell = std::dynamic_pointer_cast<ZVTextViewCell>(cell)) {
        // The row grows with its text: the table moves the rows below, animated, once a change.
        slot.height = textCell->observe(ZVDialogCell::kHeightKey, [this](const QString&) {
            tableView_->beginUpdates();
            tableView_->endUpdates();
        });
        textCell->textView()->setDelegate(textWiring_);
    } else if (const auto fieldCell = std::dynamic_pointer_cast<ZVTextFieldCell>(cell)) {
        fieldCell->textField()->setDelegate(textWiring_);
        std::weak_ptr<TextWiring> weak = textWiring_;
        slot.changedTarget = fieldCell->textField()->addTarget(
            platform::Control::EditingChanged, [weak](platform::Control& control) {
                if (const auto wiring = weak.lock()) {
                    wiring->textFieldChanged(static_cast<platform::TextField&>(control));
                }
            });
    }
}

void ZVDialogCells::unwire(Slot& slot) {
    slot.height = {};
    if (const auto fieldCell = std::dynamic_pointer_cast<ZVTextFieldCell>(cellOf(slot.entry));
        fieldCell && slot.changedTarget >= 0) {
        fieldCell->textField()->removeTarget(slot.changedTarget);
        slot.changedTarget = -1;
    }
}

std::shared_ptr<ZVDialogCell> ZVDialogCells::cellByView(const platform::View& view) const {
    for (const Slot& slot : entries_) {
        const auto cell = cellOf(slot.entry);
        if (const auto* textCell = dynamic_cast<const ZVTextViewCell*>(cell.get());
            textCell && textCell->textView().get() == &view) {
            return cell;
        }
        if (const auto* fieldCell = dynamic_cast<const ZVTextFieldCell*>(cell.get());
            fieldCell && fieldCell->textField().get() == &view) {
            return cell;
        }
    }
    return nullptr;
}

// --- rows ---

std::optional<ZVDialogCells::RowSource> ZVDialogCells::cellSourceForRow(int row) const {
    const Slot* first = nullptr;
    const Slot* last = nullptr;
    std::optional<RowSource> found;
    const Slot* foundSlot = nullptr;
    int n = 0;
    for (const Slot& slot : entries_) {
        const auto cell = cellOf(slot.entry);
        if (cell && cell->isHidden()) {
            continue;
        }
        if (!first) {
            first = &slot;
        }
        last = &slot;
        if (cell) {
            if (!found && row == n) {
                found = RowSource{slot.entry, 0, false, false};
                foundSlot = &slot;
            }
            n += 1;
        } else {
            const int rows = std::get<std::shared_ptr<ZVCellGroup>>(slot.entry)->count();
            if (!found && row >= n && row < n + rows) {
                found = RowSource{slot.entry, row - n, false, false};
                foundSlot = &slot;
            }
            n += rows;
        }
    }
    if (!found) {
        return std::nullopt;
    }
    found->isFirst = foundSlot == first && found->adjustedRow == 0;
    const auto* group = std::get_if<std::shared_ptr<ZVCellGroup>>(&found->entry);
    found->isLast = foundSlot == last && (!group || found->adjustedRow == (*group)->count() - 1);
    return found;
}

int ZVDialogCells::numberOfRows() const {
    int rows = 0;
    for (const Slot& slot : entries_) {
        if (const auto cell = cellOf(slot.entry)) {
            rows += cell->isHidden() ? 0 : 1;
        } else {
            // Groups count whatever their visibility.
            rows += std::get<std::shared_ptr<ZVCellGroup>>(slot.entry)->count();
        }
    }
    return rows;
}

qreal ZVDialogCells::heightForRow(int row) const {
    const auto source = cellSourceForRow(row);
    if (!source) {
        return 0;
    }
    if (const auto cell = cellOf(source->entry)) {
        const platform::EdgeInsets insets = cell->contentViewInsets();
        return cell->height() + insets.top + insets.bottom;
    }
    return std::get<std::shared_ptr<ZVCellGroup>>(source->entry)->rowHeight() + kGroupRowSpacing;
}

std::shared_ptr<ZVDialogCell> ZVDialogCells::cellForRow(int row) {
    const auto source = cellSourceForRow(row);
    if (!source) {
        return nullptr;
    }
    if (const auto cell = cellOf(source->entry)) {
        return cell;
    }
    const auto& group = std::get<std::shared_ptr<ZVCellGroup>>(source->entry);
    const auto cell = group->cellAtIndex(*tableView_, source->adjustedRow);
    if (cell) {
        cell->setBeginsGroup(source->adjustedRow == 0 && group->beginsGroup());
        cell->setEndsGroup(source->adjustedRow == group->count() - 1 && group->endsGroup());
    }
    return cell;
}

void ZVDialogCells::didSelectRow(int row) {
    if (cancelEditWhenTapped_) {
        tableView_->endEditing(true);
    }
    const auto cell =
        std::dynamic_pointer_cast<ZVDialogCell>(tableView_->cellForRowAtIndexPath({0, row}));
    if (const auto delegate = delegate_.lock(); delegate && cell) {
        delegate->cellTapped(*cell);
    }
}

// --- editing ---

void ZVDialogCells::commitEdit() {
    tableView_->endEditing(true);
    ZVViewController::commitEdit();
}

void ZVDialogCells::cancelEdit() {
    tableView_->endEditing(true);
    ZVViewController::cancelEdit();
}

std::optional<qreal> ZVDialogCells::focusedFieldBottom() {
    const int rows = numberOfRows();
    for (int row = 0; row < rows; ++row) {
        const auto cell = tableView_->cellForRowAtIndexPath({0, row});
        std::shared_ptr<platform::View> field;
        if (const auto* fieldCell = dynamic_cast<ZVTextFieldCell*>(cell.get())) {
            field = fieldCell->textField();
        } else if (const auto* textCell = dynamic_cast<ZVTextViewCell*>(cell.get())) {
            field = textCell->textView();
        }
        if (field && field->isFirstResponder()) {
            return field->convertRectTo(field->bounds(), tableView_.get()).bottom();
        }
    }
    return std::nullopt;
}

void ZVDialogCells::keyboardWillShow(const platform::Notification& notification) {
    ZVViewController::keyboardWillShow(notification);
    startKeyboardAnimation(notification, [this] {
        const qreal visible = tableView_->frame().height();
        const qreal content = tableView_->contentSize().height();
        const qreal keyboard = keyboardHeight();
        const qreal largest = std::max<qreal>(0, content - visible + keyboard);
        // The whole field above the keyboard, not only its top edge.
        if (const auto bottom = focusedFieldBottom()) {
            const qreal target = *bottom - (visible - keyboard);
            if (tableView_->contentOffset().y() < target) {
                tableView_->setContentOffset(QPointF(0, std::min(target, largest)));
            }
        }
        tableView_->doSetContentInset({0, 0, keyboard, 0});
    });
}

void ZVDialogCells::keyboardWillHide(const platform::Notification& notification) {
    startKeyboardAnimation(notification, [this] { tableView_->doSetContentInset({}); });
}

void ZVDialogCells::setTopInset(qreal inset) {
    ZVViewController::setTopInset(inset);
    platform::EdgeInsets insets = tableView_->contentInset();
    insets.top = inset;
    tableView_->doSetContentInset(insets);
}

// --- the text rows ---

void ZVDialogCells::textFieldDidBeginEditing(platform::TextField& /*field*/) {
    setEditing(true, true);
}

void ZVDialogCells::textFieldChanged(platform::TextField& field) {
    const auto delegate = delegate_.lock();
    if (const auto cell = cellByView(field); delegate && cell) {
        delegate->textCellDidChange(*cell);
    }
}

bool ZVDialogCells::focusNextTextCell(const ZVDialogCell& current) {
    bool after = false;
    for (const Slot& slot : entries_) {
        const auto cell = cellOf(slot.entry);
        if (!cell) {
            continue;
        }
        if (!after) {
            after = cell.get() == &current;
            continue;
        }
        if (const auto* textCell = dynamic_cast<ZVTextViewCell*>(cell.get())) {
            return textCell->textView()->becomeFirstResponder();
        }
        if (const auto* fieldCell = dynamic_cast<ZVTextFieldCell*>(cell.get())) {
            return fieldCell->textField()->becomeFirstResponder();
        }
    }
    return false;
}

bool ZVDialogCells::textFieldShouldReturn(platform::TextField& field) {
    const auto cell = cellByView(field);
    if (!cell) {
        return true;
    }
    if (field.returnKeyType() == platform::ReturnKeyType::Next) {
        focusNextTextCell(*cell);
    } else if (field.returnKeyType() == platform::ReturnKeyType::Done) {
        if (const auto delegate = delegate_.lock()) {
            delegate->textCellWillReturn(*cell);
        }
    }
    return true;
}

bool ZVDialogCells::textFieldShouldChangeCharacters(platform::TextField& field,
                                                    platform::TextRange range,
                                                    const QString& replacement) {
    const qsizetype length = field.text().size();
    if (range.location < 0 || range.length < 0 || range.location + range.length > length) {
        return false;
    }
    // A password typed or filled in whole must reach the service whole.
    if (field.isSecureTextEntry()) {
        return true;
    }
    return length - range.length + replacement.size() <= kMaxTextFieldLength;
}

void ZVDialogCells::textViewDidBeginEditing(platform::TextView& view) {
    setEditing(true, true);
    const auto delegate = delegate_.lock();
    if (const auto cell = cellByView(view); delegate && cell) {
        delegate->textCellDidBeginEditing(*cell);
    }
}

void ZVDialogCells::textViewDidChange(platform::TextView& view) {
    const auto cell = cellByView(view);
    if (auto* textCell = dynamic_cast<ZVTextViewCell*>(cell.get())) {
        textCell->notifyTextChange();
    }
    if (const auto delegate = delegate_.lock(); delegate && cell) {
        delegate->textCellDidChange(*cell);
    }
}

void ZVDialogCells::textViewDidEndEditing(platform::TextView& view) {
    const auto delegate = delegate_.lock();
    if (const auto cell = cellByView(view); delegate && cell) {
        delegate->textCellDidEndEditing(*cell);
    }
}

bool ZVDialogCells::textViewShouldChangeText(platform::TextView& view, platform::TextRange,
                                             const QString& replacement) {
    if (replacement == QStringLiteral("\n") &&
        view.returnKeyType() == platform::ReturnKeyType::Done) {
        // The screen ends the edit once the key's own handling is over.
        commitTimer_ = platform::Scheduler::main().after(kCommitDelay, [this] { commitEdit(); });
        return false;
    }
    return true;
}
