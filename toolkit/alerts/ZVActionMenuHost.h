#pragma once

#include "platform/ui/gesture/LongPressGestureRecognizer.h"

#include <QtGui/QColor>

#include <functional>
#include <memory>

class ZVActionMenu;
class ZVActionMenuButton;

namespace platform {
class TableView;
class TableViewCell;
class View;
}  // namespace platform

// Turns a long press on a table row into an action menu pointing at that row. Subclasses fill
// the menu in menuWillAppear with options bound to their own operations; the row stays
// highlighted while the menu is open and fades back when it ends. Main thread only.
class ZVActionMenuHost : public platform::LongPressGestureRecognizer {
public:
    static constexpr double kHighlightFadeDuration = 0.3;

    explicit ZVActionMenuHost(const std::shared_ptr<platform::TableView>& tableView);
    ~ZVActionMenuHost() override;

    // Makes a host (or a subclass) and attaches it to `tableView`.
    template <typename Host = ZVActionMenuHost, typename... Args>
    static std::shared_ptr<Host> attach(const std::shared_ptr<platform::TableView>& tableView,
                                        Args&&... args) {
        auto host = std::make_shared<Host>(tableView, std::forward<Args>(args)...);
        host->attachToTable();
        return host;
    }

    std::shared_ptr<platform::TableView> tableView() const { return tableView_.lock(); }
    std::shared_ptr<platform::TableViewCell> cell() const { return cell_.lock(); }
    const std::shared_ptr<ZVActionMenu>& menu() const { return menu_; }
    bool menuShowing() const { return menuShowing_; }

    // The view the menu points at: the row.
    virtual std::shared_ptr<platform::View> pointAtView();
    // Adds an option to the menu being built (inside menuWillAppear).
    std::shared_ptr<ZVActionMenuButton> addOption(const QString& optionId, const QString& title,
                                                  std::function<void()> action,
                                                  bool isSecondary = false,
                                                  const QString& confirmMessage = QString());
    // An operation of the host's own, bound so that it does nothing once the host is gone.
    template <typename Host>
    std::function<void()> bind(void (Host::*operation)()) {
        std::weak_ptr<Host> weak = std::static_pointer_cast<Host>(shared_from_this());
        return [weak, operation] {
            if (auto host = weak.lock()) {
                (host.get()->*operation)();
            }
        };
    }

    // True when a menu shows. A menu left without options shows nothing and the host is idle
    // again at once.
    bool showWithCell(const std::shared_ptr<platform::TableViewCell>& cell);
    void setState(State state) override;

    // Hooks. An override of menuWillAppear that wants the row highlighted adds its options
    // first; one of menuWillDisappear calls the base operation.
    virtual void menuWillAppear();
    // The highlight the row fades back to; invalid: the row's own.
    virtual QColor cellHighlightColor() const { return QColor(); }
    virtual void menuWillDisappear();
    virtual QString targetName() const { return QString(); }

protected:
    void attachToTable();

private:
    std::weak_ptr<platform::TableView> tableView_;
    std::weak_ptr<platform::TableViewCell> cell_;
    std::shared_ptr<ZVActionMenu> menu_;
    bool menuShowing_ = false;
};
