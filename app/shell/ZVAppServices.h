#pragma once

#include <QtCore/QRectF>
#include <QtCore/QSet>
#include <QtCore/QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class Contact;
class Conversation;
class File;
class ZVRepositorySession;
class ZVSlideInMenu;
namespace platform {
class NavigationController;
class View;
class ViewController;
}  // namespace platform

// What opening a conversation asks for: kept whole when the opening is put off.
struct ZVOpenRequest {
    QString conversationId;
    // The page to show first; when absent, the pinned messages page for a pinned message, else the
    // messages page.
    std::optional<int> page;
    // A message to scroll to and mark.
    std::optional<std::int64_t> messageNr;
    bool operator==(const ZVOpenRequest&) const = default;
};

// The inbox screen as the coordinator drives it.
class ZVInboxScreen {
public:
    virtual ~ZVInboxScreen() = default;
    virtual std::shared_ptr<platform::ViewController> viewController() = 0;
    virtual void setSession(const std::shared_ptr<ZVRepositorySession>& session) = 0;
    virtual void setPendingFile(const std::shared_ptr<File>& file) = 0;
    virtual void updateUnreadCount() = 0;
    virtual void releaseObservers() = 0;
};

// The account switcher as the coordinator drives it: a row per signed-in account and the fixed rows
// below; its menu's "selectedItemIndex" tells the user's choice.
class ZVSessionSwitcher {
public:
    static constexpr int kSignInRow = 0;
    static constexpr int kSettingsRow = 1;
    virtual ~ZVSessionSwitcher() = default;
    virtual std::shared_ptr<ZVSlideInMenu> slideInMenu() = 0;
    virtual void notifySessionStart(const std::shared_ptr<ZVRepositorySession>& session) = 0;
    virtual void notifySessionEnd(const std::shared_ptr<ZVRepositorySession>& session) = 0;
    // The account of the chosen row; none for the fixed rows.
    virtual std::shared_ptr<ZVRepositorySession> selectedSession() const = 0;
};

// The open conversation's pages, which put themselves into the conversation-side navigation.
class ZVConversationPages {
public:
    virtual ~ZVConversationPages() = default;
    virtual QString conversationId() const = 0;
    virtual void notifyAppActivation() = 0;
    virtual void hideSideMenus() = 0;
    virtual void notifyViewControllerChange(platform::ViewController& shown) = 0;
    // The page on show; null when none.
    virtual std::shared_ptr<platform::ViewController> showingPage() const = 0;
    // Takes the pages out of the navigation (the conversation closes).
    virtual void reset() = 0;
};

// How a member selector asks: its card's title, message and confirm button, whether the confirm
// button needs a ticked member, the card's tag and the view it points at.
struct ZVMemberSelectorRequest {
    QString title;
    QString message;
    QString confirmTitle = QStringLiteral("OK");
    bool requireSelection = false;
    int tag = 0;
    std::weak_ptr<platform::View> pointAt;
};

// The screens and services that later parts of the application provide. The application's start-up
// installs them; until a part is there its entry answers as below, and tests install fakes. An
// empty entry is the same as one never set. Main thread only.
struct ZVAppServices {
    // The inbox screen of the signed-in state; until there is one, an empty background screen.
    std::function<std::unique_ptr<ZVInboxScreen>()> makeInbox;
    // The account switcher, made once by the coordinator; none until it is installed.
    std::function<std::shared_ptr<ZVSessionSwitcher>()> makeSessionMenu;
    // The pages of an opened conversation (installed by the pages' start-up); none ("Failed to
    // initialize pages") without it.
    std::function<std::unique_ptr<ZVConversationPages>(
        const std::shared_ptr<Conversation>& conversation, const ZVOpenRequest& request,
        const std::shared_ptr<platform::NavigationController>& navigation)>
        makeConversationPages;
    // File views' caches and the modal downloads: nothing to clear, retry or cancel until then.
    std::function<void()> clearFileViewCache;
    std::function<void()> retryFileViewLoads;
    std::function<void()> cancelDownloads;

    // The signed-out root: a navigation controller is the window's root as it is, a lone screen
    // goes into a plain navigation; until the sign-in screens exist, a screen with the logo.
    std::function<std::shared_ptr<platform::ViewController>()> makePreLoginRoot;
    // Whether the sign-in screen shown at `root` runs its sign-up flow.
    std::function<bool(const std::shared_ptr<platform::ViewController>& root)> inSignupFlow;
    // The sign-in screen for a further account.
    std::function<std::shared_ptr<platform::ViewController>()> makeLoginSecondary;
    std::function<std::shared_ptr<platform::ViewController>(
        const std::shared_ptr<ZVRepositorySession>& session)>
        makeClaimScreen;
    std::function<std::shared_ptr<platform::ViewController>(
        const std::shared_ptr<ZVRepositorySession>& session)>
        makeSettingsPage;
    std::function<void(const std::shared_ptr<Contact>& contact, platform::View* anchor)>
        showContactProfile;
    std::function<std::shared_ptr<platform::View>(const std::shared_ptr<Contact>& contact)>
        makeContactHeader;
    // Shows a selector of the conversation's members; `done` gets the chosen ids, or nothing when
    // the user cancelled.
    std::function<void(const std::shared_ptr<Conversation>& conversation,
                       const QSet<QString>& shown, const QSet<QString>& selected,
                       std::function<void(std::optional<QSet<QString>>)> done,
                       const ZVMemberSelectorRequest& request)>
        showMemberSelector;

    static ZVAppServices& shared();
    // Back to what answers before the later parts are installed.
    static void reset();

    // --- the calls, each with its answer until the part is installed ---

    std::unique_ptr<ZVInboxScreen> inbox() const;
    std::shared_ptr<ZVSessionSwitcher> sessionMenu() const;
    std::unique_ptr<ZVConversationPages> conversationPages(
        const std::shared_ptr<Conversation>& conversation, const ZVOpenRequest& request,
        const std::shared_ptr<platform::NavigationController>& navigation) const;
    void clearFileViews() const;
    void retryFileViews() const;
    void cancelModalDownloads() const;
    std::shared_ptr<platform::ViewController> preLoginRoot() const;
    bool isInSignupFlow(const std::shared_ptr<platform::ViewController>& root) const;
    std::shared_ptr<platform::ViewController> loginSecondary() const;
    std::shared_ptr<platform::ViewController> claimScreen(
        const std::shared_ptr<ZVRepositorySession>& session) const;
    std::shared_ptr<platform::ViewController> settingsPage(
        const std::shared_ptr<ZVRepositorySession>& session) const;
    void contactProfile(const std::shared_ptr<Contact>& contact, platform::View* anchor) const;
    std::shared_ptr<platform::View> contactHeader(const std::shared_ptr<Contact>& contact) const;
    void memberSelector(const std::shared_ptr<Conversation>& conversation,
                        const QSet<QString>& shown, const QSet<QString>& selected,
                        std::function<void(std::optional<QSet<QString>>)> done,
                        const ZVMemberSelectorRequest& request = {}) const;
};
