#pragma once

#include "platform/foundation/Observable.h"
#include "platform/foundation/ScopedTimer.h"
#include "platform/ui/controls/TextRange.h"
#include "platform/ui/table/IndexPath.h"
#include "toolkit/dialogs/ZVDialogEntry.h"
#include "toolkit/screens/ZVViewController.h"

#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

namespace platform {
class TextField;
class TextView;
class View;
}  // namespace platform
class ZVCellMenu;
class ZVDialogCell;
class ZVDialogCellsDelegate;
class ZVTableView;

// The base of the settings-like screens: one plain table whose rows come from a list of entries,
// each a row of its own or a group of rows. It numbers the rows across the entries (hidden rows
// take no place), gives each its height, wires the text rows to the screen (edit mode, Next and
// Done, at most 50 characters in a text field, the delegate's calls), keeps the focused field
// above the keyboard and offers "Copy" on label rows.
class ZVDialogCells : public ZVViewController {
public:
    // Text fields hold at most this many UTF-16 units; password fields are not limited.
    static constexpr int kMaxTextFieldLength = 50;
    static constexpr double kCommitDelay = 0.1;
    static constexpr qreal kGroupRowSpacing = 10;

    ZVDialogCells();
    ~ZVDialogCells() override;

    const std::shared_ptr<ZVTableView>& tableView() const { return tableView_; }
    const std::shared_ptr<ZVCellMenu>& cellMenu() const { return cellMenu_; }
    std::shared_ptr<ZVDialogCellsDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ZVDialogCellsDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    bool cancelEditWhenTapped() const { return cancelEditWhenTapped_; }
    void setCancelEditWhenTapped(bool cancel) { cancelEditWhenTapped_ = cancel; }

    // --- the entries ---
    int count() const { return static_cast<int>(entries_.size()); }
    const ZVDialogEntry& operator[](int index) const { return entries_.at(index).entry; }
    // The new entry's index.
    int addCell(const ZVDialogEntry& entry);
    void addCells(const std::vector<ZVDialogEntry>& entries);
    void insertCell(const ZVDialogEntry& entry, int index);
    void removeCellAtIndex(int index);
    void resetCells();
    void addHeader(const QString& title);

    // The text row whose text view or text field `view` is, or null.
    std::shared_ptr<ZVDialogCell> cellByView(const platform::View& view) const;
    // The entry that supplies `row`, with the row's place in it and whether it is the first row
    // of the first entry or the last row of the last entry; none past the end.
    struct RowSource {
        ZVDialogEntry entry;
        int adjustedRow = 0;
        bool isFirst = false;
        bool isLast = false;
    };
    std::optional<RowSource> cellSourceForRow(int row) const;

    // --- the table's questions ---
    int numberOfRows() const;
    qreal heightForRow(int row) const;
    std::shared_ptr<ZVDialogCell> cellForRow(int row);
    virtual void didSelectRow(int row);

    // --- editing ---
    void commitEdit() override;
    void cancelEdit() override;
    void keyboardWillShow(const platform::Notification& notification) override;
    void keyboardWillHide(const platform::Notification& notification) override;
    void setTopInset(qreal inset) override;

    // --- the text rows' calls ---
    virtual void textFieldDidBeginEditing(platform::TextField& field);
    virtual void textFieldChanged(platform::TextField& field);
    virtual bool textFieldShouldReturn(platform::TextField& field);
    virtual bool textFieldShouldChangeCharacters(platform::TextField& field,
                                                 platform::TextRange range,
                                                 const QString& replacement);
    virtual void textViewDidBeginEditing(platform::TextView& view);
    virtual void textViewDidChange(platform::TextView& view);
    virtual void textViewDidEndEditing(platform::TextView& view);
    virtual bool textViewShouldChangeText(platform::TextView& view, platform::TextRange range,
                                          const QString& replacement);

    void loadView() override;

private:
    class TableWiring;
    class TextWiring;
    struct Slot {
        ZVDialogEntry entry;
        platform::Observation height;
        int changedTarget = -1;
    };
    void wire(Slot& slot);
    void unwire(Slot& slot);
    // The first text row after `cell` in list order, focused; false when there is none.
    bool focusNextTextCell(const ZVDialogCell& cell);
    // The text row being edited, in the order of the rows: its field's bottom in the table.
    std::optional<qreal> focusedFieldBottom();

    std::shared_ptr<ZVTableView> tableView_;
    std::vector<Slot> entries_;
    bool cancelEditWhenTapped_ = false;
    std::weak_ptr<ZVDialogCellsDelegate> delegate_;
    // The table's and the text rows' delegates, made with the screen (before it has a shared
    // owner) and calling back into it while it lives.
    std::shared_ptr<TableWiring> tableWiring_;
    std::shared_ptr<TextWiring> textWiring_;
    std::shared_ptr<ZVCellMenu> cellMenu_;
    platform::ScopedTimer commitTimer_;
};
