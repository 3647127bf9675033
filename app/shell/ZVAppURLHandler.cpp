#include "app/shell/ZVAppURLHandler.h"

#include "ZelvoKit/ZelvoApi/api/ZVApi.h"
#include "ZelvoKit/model/Conversation.h"
#include "ZelvoKit/model/File.h"
#include "ZelvoKit/model/ZVRepositorySession.h"
#include "ZelvoKit/support/base/ZVError.h"
#include "app/shell/ZVGlobals.h"
#include "platform/ui/controllers/navigation/NavigationController.h"
#include "platform/ui/standins/ShareSheet.h"
#include "platform/ui/view/View.h"
#include "toolkit/alerts/ZVAlertView.h"
#include "toolkit/alerts/ZVConfirmationAlertView.h"

#include <QtGui/QDesktopServices>

using namespace Qt::StringLiterals;

namespace {

ZVAppURLHandler::SystemOpener& systemOpener() {
    static ZVAppURLHandler::SystemOpener opener;
    return opener;
}

bool openWithSystem(const QString& url) {
    if (const auto& opener = systemOpener()) {
        return opener(url);
    }
    return QDesktopServices::openUrl(QUrl(url));
}

std::shared_ptr<ZVRepositorySession> activeSession() {
    ZVGlobals* globals = ZVGlobals::globals();
    return globals ? globals->session() : nullptr;
}

}  // namespace

void ZVAppURLHandler::setSystemOpener(SystemOpener opener) {
    systemOpener() = std::move(opener);
}

bool ZVAppURLHandler::handleZelvoAction(const QString& action, const QString& conversationId,
                                        const Parameters& parameters, const QRectF& rect,
                                        platform::View* view) {
    ZVGlobals* globals = ZVGlobals::globals();
    if (action == kProfileAction) {
        const QString accountId = parameters.value(kAccountIdKey.toString());
        const auto session = activeSession();
        // Signed out there is nobody to look the contact up for.
        if (accountId.isEmpty() || !session) {
            return false;
        }
        ZVAppServices::shared().contactProfile(session->contactFromId(accountId), view);
        return true;
    }
    if (!conversationId.isEmpty()) {
        const auto session = activeSession();
        if (ZVApi::api().loginStatus() != ZVApi::LoginStatusSignedIn || !session || !globals) {
            return false;
        }
        const QString uuid = urlDecodeUUID(conversationId);
        if (!uuid.isNull()) {
            if (const auto conversation = session->conversationFromId(uuid)) {
                globals->setConversationId(uuid);
                if (conversation->localUserIsMember()) {
                    return true;
                }
            }
        }
        // Unknown here, or left: the link's key (as written) asks the service to let us in.
        session->joinConversationByUrl(
            conversationId,
            [](const QString& joinedId) {
                if (ZVGlobals* current = ZVGlobals::globals()) {
                    current->setConversationId(joinedId);
                }
            },
            [](const ZVErrorPtr& error) {
                if (error) {
                    ZVAlertView::showError(*error, kJoinErrorTitle.toString());
                }
            });
    }
    return ZVURLHandler::handleZelvoAction(action, conversationId, parameters, rect, view);
}

bool ZVAppURLHandler::handleFileUrl(const QUrl& url) {
    ZVGlobals* globals = ZVGlobals::globals();
    const auto session = activeSession();
    if (!globals || !session) {
        return false;
    }
    globals->navigateToInbox();
    session->fileWithLocalUrl(
        url,
        [](std::shared_ptr<File> file) {
            ZVGlobals* current = ZVGlobals::globals();
            if (current && current->inboxViewController()) {
                current->inboxViewController()->setPendingFile(file);
            }
        },
        nullptr);
    return true;
}

bool ZVAppURLHandler::handlePhoneUrl(const QString& url) {
    ZVAlertView::showConfirmationWithTitle(kCallTitle.toString(), phoneNumberOf(url),
                                           kCallTitle.toString(), [url] { openWithSystem(url); });
    return true;
}

bool ZVAppURLHandler::handleSystemUrl(const QString& url) {
    return openWithSystem(url);
}

void ZVAppURLHandler::showShareMenuForUrl(const QString& url, const QRectF& rect,
                                          platform::View* view, std::function<void()> completion) {
    ZVGlobals* globals = ZVGlobals::globals();
    platform::View* from = view;
    if (!from && globals && globals->rightNavigationController()) {
        from = globals->rightNavigationController()->view().get();
    }
    if (!url.startsWith(u"http"_s) || !from) {
        ZVURLHandler::showShareMenuForUrl(url, rect, view, std::move(completion));
        return;
    }
    auto sheet = platform::ShareSheet::make({QVariant::fromValue(QUrl(url))});
    sheet->setSourceRect(rect);
    // The sheet keeps itself until the user is done with it.
    auto keep = std::make_shared<std::shared_ptr<platform::ShareSheet>>(sheet);
    auto finish = std::make_shared<std::function<void()>>(std::move(completion));
    sheet->setCompletion([keep, finish](const QString&, bool) {
        keep->reset();
        if (auto done = std::exchange(*finish, nullptr)) {
            done();
        }
    });
    if (!sheet->present(*from, true)) {
        keep->reset();
        if (auto done = std::exchange(*finish, nullptr)) {
            done();
        }
    }
}
