#include "tools/gallery/AlertsSample.h"

#include "platform/ui/controls/Label.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVActionMenuHost.h"
#include "toolkit/alerts/ZVAlertButton.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"

#include <array>

namespace gallery {

namespace {

const QString kIdentifier = QStringLiteral("alert");

struct Sample {
    const char* title;
    std::function<void(platform::TableViewCell& cell)> show;
};

const std::array<Sample, 6> kSamples{{
    {"Message", [](auto&) { ZVAlertView::showMessage("Saved to <Downloads>.", "Done"); }},
    {"Confirmation",
     [](auto&) {
         ZVAlertView::showConfirmationWithTitle(
             "Leave conversation?", "You will no longer see <b>new messages</b>.", "Leave",
             [] { ZVAlertView::showMessage("You left.", QString()); });
     }},
    {"Long message",
     [](auto&) {
         QStringList lines;
         for (int i = 1; i <= 30; ++i) {
             lines << QStringLiteral("Line %1 of a message that scrolls.").arg(i);
         }
         ZVAlertView::make("Release notes", lines.join('\n'), {}, "Close", {"Update"})->show();
     }},
    {"Popover",
     [](platform::TableViewCell& cell) {
         auto alert = ZVAlertView::make("About this row", "A card pointing at its row.", {},
                                        QString(), {"OK"});
         alert->setPointAtView(std::static_pointer_cast<platform::View>(cell.shared_from_this()));
         alert->show();
     }},
    {"Input",
     [](auto&) {
         ZVAlertView::inputViewWithTitle(
             "Rename", "A new topic for the conversation.", "Save",
             [](const QString& text) { ZVAlertView::showMessage(text, "Renamed to"); },
             std::nullopt, "Topic")
             ->show();
     }},
    {"Close button only",
     [](auto&) { ZVAlertView::make("Note", "No buttons.", {}, {}, {})->show(); }},
}};

// The menu a long press opens on any row.
class SampleMenuHost : public ZVActionMenuHost {
public:
    using ZVActionMenuHost::ZVActionMenuHost;

    void menuWillAppear() override {
        addOption("copy", "Copy row", bind(&SampleMenuHost::copied));
        addOption("delete", "Delete row", bind(&SampleMenuHost::deleted), false,
                  "The row cannot be brought back.");
        addOption("forward", "Forward", bind(&SampleMenuHost::forwarded), true);
        addOption("info", "Details", bind(&SampleMenuHost::forwarded), true);
        ZVActionMenuHost::menuWillAppear();
    }

private:
    void copied() { ZVAlertView::showMessage("Copied.", QString()); }
    void deleted() { ZVAlertView::showMessage("Deleted (not really).", QString()); }
    void forwarded() { ZVAlertView::showMessage("From the second page.", QString()); }
};

}  // namespace

std::shared_ptr<AlertsSample> AlertsSample::make(QSizeF size) {
    auto sample = std::make_shared<AlertsSample>();
    sample->table = std::make_shared<platform::TableView>(QRectF(QPointF(0, 0), size));
    sample->table->setDataSource(sample);
    sample->table->setDelegate(sample);
    sample->host = ZVActionMenuHost::attach<SampleMenuHost>(sample->table);
    return sample;
}

int AlertsSample::tableViewNumberOfRowsInSection(platform::TableView&, int) {
    return static_cast<int>(kSamples.size());
}

std::shared_ptr<platform::TableViewCell> AlertsSample::tableViewCellForRowAtIndexPath(
    platform::TableView& table, platform::IndexPath path) {
    auto cell = table.dequeueReusableCell(kIdentifier);
    if (!cell) {
        cell = std::make_shared<platform::TableViewCell>(platform::TableViewCell::Style::Default,
                                                         kIdentifier);
    }
    cell->textLabel()->setText(
        QString::fromLatin1(kSamples.at(static_cast<std::size_t>(path.row)).title));
    return cell;
}

void AlertsSample::tableViewDidSelectRowAtIndexPath(platform::TableView& table,
                                                    platform::IndexPath path) {
    table.deselectRowAtIndexPath(path, true);
    if (const auto cell = table.cellForRowAtIndexPath(path)) {
        kSamples.at(static_cast<std::size_t>(path.row)).show(*cell);
    }
}

}  // namespace gallery
