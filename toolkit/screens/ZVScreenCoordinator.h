#pragma once

#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <memory>

namespace platform {
class BarButtonItem;
class NavigationController;
class ViewController;
class Window;
}  // namespace platform

// What the shared screens, menus and the status bar need of the application coordinator: its
// window, the two navigation stacks, the open conversation and the status bar's room. The
// coordinator lives above the toolkit, so it registers itself here at start-up; until it does,
// `shared()` answers with a coordinator that has nothing (no window, no stacks, no conversation)
// and the callers carry on without those pieces. Each answer of this base is that "nothing", so a
// coordinator overrides what it has. Main thread only.
class ZVScreenCoordinator {
public:
    virtual ~ZVScreenCoordinator() = default;

    // The registered coordinator, or the empty one.
    static ZVScreenCoordinator& shared();
    // Held weakly: the owner keeps it alive, and a coordinator that has gone answers as the empty
    // one. Null unregisters.
    static void setShared(const std::shared_ptr<ZVScreenCoordinator>& coordinator);

    virtual std::shared_ptr<platform::Window> window() const;
    // The inbox side; null while signed out.
    virtual std::shared_ptr<platform::NavigationController> leftNavigationController() const;
    // The conversation side; on a phone the same stack as the left one. Null while signed out.
    virtual std::shared_ptr<platform::NavigationController> rightNavigationController() const;
    // The split view's display-mode button on a tablet; null elsewhere.
    virtual std::shared_ptr<platform::BarButtonItem> displayModeButtonItem() const;

    // The open conversation's id; empty when none is open.
    virtual QString conversationId() const;
    // Opens a conversation, or closes the open one for an empty id.
    virtual void setConversationId(const QString& conversationId, bool animated = true);

    // How much room the connection status bar takes at the top of the screens (0 when hidden or
    // when there is none).
    virtual qreal statusViewContentInset() const;
    // Places the status bar again after the window's size changed.
    virtual void updateStatusViewLocation();

    // The screens that take the status bar's room besides the left stack's top screen: the inbox
    // and the open conversation's showing page. Null when absent.
    virtual std::shared_ptr<platform::ViewController> inboxViewController() const;
    virtual std::shared_ptr<platform::ViewController> showingPage() const;
};
