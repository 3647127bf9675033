#include "toolkit/alerts/ZVActionMenuHost.h"

#include "platform/ui/table/TableView.h"
#include "platform/ui/table/TableViewCell.h"
#include "platform/ui/text/AttributedText.h"
#include "toolkit/alerts/AlertColors.h"
#include "toolkit/alerts/ZVActionMenu.h"
#include "toolkit/alerts/ZVActionMenuButton.h"
#include "toolkit/alerts/ZVHighlightableCell.h"

ZVActionMenuHost::ZVActionMenuHost(const std::shared_ptr<platform::TableView>& tableView)
    : tableView_(tableView) {}

ZVActionMenuHost::~ZVActionMenuHost() = default;

void ZVActionMenuHost::attachToTable() {
    if (const auto table = tableView()) {
        table->addGestureRecognizer(shared_from_this());
    }
}

std::shared_ptr<platform::View> ZVActionMenuHost::pointAtView() {
    return cell();
}

std::shared_ptr<ZVActionMenuButton> ZVActionMenuHost::addOption(const QString& optionId,
                                                                const QString& title,
                                                                std::function<void()> action,
                                                                bool isSecondary,
                                                                const QString& confirmMessage) {
    if (!menu_) {
        return nullptr;
    }
    auto option = menu_->addOption(optionId, title, isSecondary, confirmMessage);
    option->setAction(std::move(action));
    return option;
}

void ZVActionMenuHost::setState(State state) {
    if (state != State::Began) {
        LongPressGestureRecognizer::setState(state);
        return;
    }
    std::shared_ptr<platform::TableViewCell> highlighted;
    if (const auto table = tableView()) {
        for (const auto& cell : table->visibleCells()) {
            if (cell->isHighlighted()) {
                highlighted = cell;
                break;
            }
        }
    }
    const auto* row = dynamic_cast<const ZVHighlightableCell*>(highlighted.get());
    const bool show = highlighted && !(row && row->selecting()) && showWithCell(highlighted);
    LongPressGestureRecognizer::setState(show ? State::Began : State::Cancelled);
}

bool ZVActionMenuHost::showWithCell(const std::shared_ptr<platform::TableViewCell>& cell) {
    cell_ = cell;
    menu_ = ZVActionMenu::make();
    menu_->setPointAtView(pointAtView());
    std::weak_ptr<ZVActionMenuHost> weak =
        std::static_pointer_cast<ZVActionMenuHost>(shared_from_this());
    menu_->setOnCompletion([weak] {
        if (auto host = weak.lock()) {
            host->menuWillDisappear();
        }
    });
    menuWillAppear();
    menuShowing_ = true;
    if (menu_->actionCount() == 0) {
        // Nothing to offer: the row is released and the screen goes on taking taps.
        menuWillDisappear();
        return false;
    }
    menu_->show();
    return true;
}

void ZVActionMenuHost::menuWillAppear() {
    auto* row = dynamic_cast<ZVHighlightableCell*>(cell().get());
    if (menu_ && menu_->actionCount() > 0 && row) {
        row->setHighlightColor(alertColor("cellHighlight"), 0);
        row->setKeepHighlight(true);
    }
}

void ZVActionMenuHost::menuWillDisappear() {
    if (const auto current = cell()) {
        if (auto* row = dynamic_cast<ZVHighlightableCell*>(current.get())) {
            row->setKeepHighlight(false);
            row->setHighlightColor(cellHighlightColor(), kHighlightFadeDuration);
        } else {
            current->setHighlighted(false, true);
        }
    }
    cell_.reset();
    menuShowing_ = false;
    // The menu may be running this as its completion: it stays alive until it returns.
    const auto ending = std::move(menu_);
}
