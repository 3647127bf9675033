#include "app/shell/ZVAppServices.h"

#include "ZelvoKit/support/log/ZVErrorLog.h"
#include "platform/foundation/SystemLog.h"
#include "platform/ui/controllers/ViewController.h"
#include "toolkit/widgets/ZVBackgroundView.h"

using namespace Qt::StringLiterals;

namespace {

// What fills the window until the screen that belongs there exists: the empty background.
class BackgroundScreen : public platform::ViewController {
public:
    explicit BackgroundScreen(QString text) : text_(std::move(text)) {}
    void loadView() override {
        auto background = std::make_shared<ZVBackgroundView>();
        background->setText(text_);
        setView(background);
    }

private:
    QString text_;
};

class PlaceholderInbox : public ZVInboxScreen {
public:
    std::shared_ptr<platform::ViewController> viewController() override { return screen_; }
    void setSession(const std::shared_ptr<ZVRepositorySession>&) override {}
    void setPendingFile(const std::shared_ptr<File>&) override {}
    void updateUnreadCount() override {}
    void releaseObservers() override {}

private:
    std::shared_ptr<platform::ViewController> screen_ =
        std::make_shared<BackgroundScreen>(QString());
};

void notThere(QStringView what) {
    ZVLogError(u"%@: not available in this version", what.toString());
}

}  // namespace

ZVAppServices& ZVAppServices::shared() {
    static ZVAppServices services;
    return services;
}

void ZVAppServices::reset() {
    shared() = ZVAppServices();
}

std::unique_ptr<ZVInboxScreen> ZVAppServices::inbox() const {
    if (makeInbox) {
        if (auto inbox = makeInbox()) {
            return inbox;
        }
    }
    return std::make_unique<PlaceholderInbox>();
}

std::shared_ptr<ZVSessionSwitcher> ZVAppServices::sessionMenu() const {
    return makeSessionMenu ? makeSessionMenu() : nullptr;
}

std::unique_ptr<ZVConversationPages> ZVAppServices::conversationPages(
    const std::shared_ptr<Conversation>& conversation, const ZVOpenRequest& request,
    const std::shared_ptr<platform::NavigationController>& navigation) const {
    return makeConversationPages ? makeConversationPages(conversation, request, navigation)
                                 : nullptr;
}

void ZVAppServices::clearFileViews() const {
    if (clearFileViewCache) {
        clearFileViewCache();
    }
}

void ZVAppServices::retryFileViews() const {
    if (retryFileViewLoads) {
        retryFileViewLoads();
    }
}

void ZVAppServices::cancelModalDownloads() const {
    if (cancelDownloads) {
        cancelDownloads();
    }
}

std::shared_ptr<platform::ViewController> ZVAppServices::preLoginRoot() const {
    if (makePreLoginRoot) {
        if (auto root = makePreLoginRoot()) {
            return root;
        }
    }
    return std::make_shared<BackgroundScreen>(u"Zelvo"_s);
}

bool ZVAppServices::isInSignupFlow(const std::shared_ptr<platform::ViewController>& root) const {
    return inSignupFlow && root && inSignupFlow(root);
}

std::shared_ptr<platform::ViewController> ZVAppServices::loginSecondary() const {
    if (makeLoginSecondary) {
        return makeLoginSecondary();
    }
    notThere(u"Sign in to another account");
    return nullptr;
}

std::shared_ptr<platform::ViewController> ZVAppServices::claimScreen(
    const std::shared_ptr<ZVRepositorySession>& session) const {
    if (makeClaimScreen) {
        return makeClaimScreen(session);
    }
    notThere(u"Username claim");
    return nullptr;
}

std::shared_ptr<platform::ViewController> ZVAppServices::settingsPage(
    const std::shared_ptr<ZVRepositorySession>& session) const {
    if (makeSettingsPage) {
        return makeSettingsPage(session);
    }
    notThere(u"Settings");
    return nullptr;
}

void ZVAppServices::contactProfile(const std::shared_ptr<Contact>& contact,
                                   platform::View* anchor) const {
    if (showContactProfile) {
        showContactProfile(contact, anchor);
        return;
    }
    notThere(u"Contact profile");
}

std::shared_ptr<platform::View> ZVAppServices::contactHeader(
    const std::shared_ptr<Contact>& contact) const {
    if (makeContactHeader) {
        return makeContactHeader(contact);
    }
    notThere(u"Contact header");
    return nullptr;
}

void ZVAppServices::memberSelector(const std::shared_ptr<Conversation>& conversation,
                                   const QSet<QString>& shown, const QSet<QString>& selected,
                                   std::function<void(std::optional<QSet<QString>>)> done,
                                   const ZVMemberSelectorRequest& request) const {
    if (showMemberSelector) {
        showMemberSelector(conversation, shown, selected, std::move(done), request);
        return;
    }
    notThere(u"Member selector");
    if (done) {
        done(std::nullopt);
    }
}
