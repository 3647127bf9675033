#pragma once

#include "platform/ui/controls/Label.h"
#include "platform/ui/view/View.h"

#include <QtCore/QString>

#include <memory>

namespace platform {

class TableView;

// One row of a table. Its content goes into the content view, which the cell shrinks to make room
// for the accessory at the right and, while editing, the editing control at the left and the
// reorder control at the right. Highlight and selection are overridable, so that cells may show
// them their own way; a table reuses cells by their reuse identifier.
class TableViewCell : public View {
public:
    // The numbers are the platform's.
    enum class Style { Default = 0, Value1 = 1, Value2 = 2, Subtitle = 3 };
    enum class AccessoryType {
        None = 0,
        DisclosureIndicator = 1,
        DetailDisclosureButton = 2,
        Checkmark = 3,
        DetailButton = 4,
    };
    enum class SelectionStyle { None = 0, Blue = 1, Gray = 2, Default = 3 };
    enum class EditingStyle { None = 0, Delete = 1, Insert = 2 };

    static constexpr qreal kAccessoryWidth = 32;
    static constexpr qreal kEditingControlWidth = 38;
    static constexpr qreal kReorderControlWidth = 38;
    // Space between the content view's edges and the labels.
    static constexpr qreal kLabelMargin = 15;
    static const QColor kSelectionColor;

    explicit TableViewCell(Style style = Style::Default, QString reuseIdentifier = {});
    ~TableViewCell() override;

    Style style() const { return style_; }
    const QString& reuseIdentifier() const { return reuseIdentifier_; }
    const std::shared_ptr<View>& contentView() const { return contentView_; }
    // The table the cell is in, or null.
    TableView* tableView() const;
    // The style's labels in the content view, made on first use; a cell of the default style
    // has no detail label (null).
    const std::shared_ptr<Label>& textLabel();
    const std::shared_ptr<Label>& detailTextLabel();

    AccessoryType accessoryType() const { return accessoryType_; }
    void setAccessoryType(AccessoryType type);
    // A view of the caller's shown in place of the standard accessory.
    const std::shared_ptr<View>& accessoryView() const { return accessoryView_; }
    void setAccessoryView(const std::shared_ptr<View>& view);

    // Shown behind the content; none by default.
    const std::shared_ptr<View>& backgroundView() const { return backgroundView_; }
    void setBackgroundView(const std::shared_ptr<View>& view);
    SelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(SelectionStyle style);

    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted) { setHighlighted(highlighted, false); }
    virtual void setHighlighted(bool highlighted, bool animated);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected) { setSelected(selected, false); }
    virtual void setSelected(bool selected, bool animated);

    bool isEditing() const { return editing_; }
    virtual void setEditing(bool editing, bool animated);
    // What the editing control offers, and whether the row shows a reorder control; the table
    // sets both from its data source and delegate.
    EditingStyle editingStyle() const { return editingStyle_; }
    void setEditingStyle(EditingStyle style);
    bool showsReorderControl() const { return showsReorderControl_; }
    void setShowsReorderControl(bool shows);

    // The hairline under the row, in the table's separator colour (none when transparent).
    void setSeparatorColor(const QColor& color);

    // Called by the table before it hands the cell out again: back to a fresh row's state.
    virtual void prepareForReuse();

    void layoutSubviews() override;

private:
    class AccessoryGlyph;
    class EditingControl;
    class ReorderControl;
    void updateSelectionBackground();
    void layoutLabels();
    void updateControls();

    Style style_;
    QString reuseIdentifier_;
    std::shared_ptr<View> contentView_;
    std::shared_ptr<Label> textLabel_;
    std::shared_ptr<Label> detailTextLabel_;
    std::shared_ptr<View> selectionBackground_;
    std::shared_ptr<View> separator_;
    std::shared_ptr<View> backgroundView_;
    AccessoryType accessoryType_ = AccessoryType::None;
    std::shared_ptr<View> accessoryView_;
    std::shared_ptr<AccessoryGlyph> accessoryGlyph_;
    std::shared_ptr<EditingControl> editingControl_;
    std::shared_ptr<ReorderControl> reorderControl_;
    SelectionStyle selectionStyle_ = SelectionStyle::Default;
    EditingStyle editingStyle_ = EditingStyle::Delete;
    bool showsReorderControl_ = false;
    bool highlighted_ = false;
    bool selected_ = false;
    bool editing_ = false;
};

}  // namespace platform
