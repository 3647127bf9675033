#pragma once

#include "MessageEditor/ZVAutoCompletePickerItem.h"
#include "platform/ui/controls/TextRange.h"

#include <QtCore/QString>
#include <QtCore/QVariantList>

#include <memory>
#include <optional>
#include <vector>

class ZVDialogCells;
class ZVTableView;
namespace platform {
class TextView;
class View;
}  // namespace platform

// Suggestions for the word being typed in an editor when it starts with a registered trigger
// ("@" for members, "/" for commands). The picker owns no text: the editor calls update() after
// every change of its text or caret, lays the suggestion table out (tableHeight() high) in the
// superview, and a tap on a row puts the row's text in place of the typed word. Main thread.
class ZVAutoCompletePicker {
public:
    // No more rows than this count towards the table's height; the rest scroll.
    static constexpr int kMaxVisibleRows = 4;

    // Both are held weakly.
    ZVAutoCompletePicker(const std::shared_ptr<platform::View>& superview,
                         const std::shared_ptr<platform::TextView>& editor);
    ~ZVAutoCompletePicker();
    ZVAutoCompletePicker(const ZVAutoCompletePicker&) = delete;
    ZVAutoCompletePicker& operator=(const ZVAutoCompletePicker&) = delete;

    // Types are tried in the order they were added.
    void addItemType(char prefix, bool allowedAnywhere,
                     ZVAutoCompletePickerItem::PopulateProc populateProc,
                     ZVArrayCellGroup::CellClass itemClass, qreal height);
    const std::vector<std::shared_ptr<ZVAutoCompletePickerItem>>& itemTypes() const {
        return itemTypes_;
    }

    // The range of the word after `prefix` around the caret, or none (see the .cpp).
    std::optional<platform::TextRange> textRangeWithPrefix(char prefix) const;

    void update();

    // The suggestion table; null while none shows.
    std::shared_ptr<ZVTableView> tableView() const;
    qreal tableHeight() const;
    const QVariantList& items() const { return items_; }
    // The word last looked up; null when none is.
    const QString& text() const { return text_; }
    platform::TextRange textRange() const { return textRange_; }

private:
    class Wiring;
    // Puts a chosen row's text in place of the typed word.
    void choose(const QString& replacement);
    void removeTable();
    void showTable(const ZVAutoCompletePickerItem& type);

    std::weak_ptr<platform::View> superview_;
    std::weak_ptr<platform::TextView> editor_;
    std::vector<std::shared_ptr<ZVAutoCompletePickerItem>> itemTypes_;
    std::shared_ptr<ZVDialogCells> cells_;
    std::shared_ptr<Wiring> wiring_;
    QVariantList items_;
    platform::TextRange textRange_;
    QString text_;
    // The type `text_` was looked up for: the same word after another trigger is a new lookup.
    std::shared_ptr<ZVAutoCompletePickerItem> textType_;
    qreal rowHeight_ = 0;
};
