#include "app/StartUp.h"

#include "MessageEditor/StartUp.h"
#include "MessageFlow/menus/StartUp.h"
#include "MessageFlow/pages/StartUp.h"
#include "MessageFlow/screen/StartUp.h"
#include "ZelvoKit/markup/StartUp.h"
#include "accounts/StartUp.h"
#include "accounts/people/StartUp.h"
#include "accounts/settings/StartUp.h"
#include "app/inbox/StartUp.h"
#include "app/shell/ZVAppURLHandler.h"
#include "files/StartUp.h"
#include "toolkit/StartUp.h"
#include "toolkit/richtext/ZVRichText.h"

void ZVStartUpApp() {
    static bool started = false;
    if (started) {
        return;
    }
    started = true;
    ZVStartUpToolkit();
    ZVStartUpMarkup();
    ZVStartUpFiles();
    ZVStartUpPages();
    ZVStartUpConversationScreen();
    ZVStartUpConversationMenus();
    ZVStartUpPeople();
    ZVStartUpInbox();
    ZVStartUpMessageEditor();
    ZVStartUpAccounts();
    ZVStartUpSettings();
    ZVURLHandler::setUrlHandlerClass([] { return std::make_unique<ZVAppURLHandler>(); });
    ZVRichText::setURLHandler({[](const QString& url, const QRectF& rect, platform::View& view) {
                                   ZVURLHandler::handler().handle(url, rect, &view);
                               },
                               [](const QUrl& url, const QRectF& rect, platform::View& view,
                                  std::function<void()> completion) {
                                   ZVURLHandler::handler().showShareMenuForUrl(
                                       url.toString(), rect, &view, std::move(completion));
                               }});
}
