#pragma once

#include "ZelvoKit/support/url/ZVURLHandler.h"

// The application's URL handling, over the platform-free base: profile and conversation links, a
// file handed to the application (the inbox's pending file), a confirmed call, and the desktop for
// everything else. Registered as the handler class at start-up. Main thread only.
class ZVAppURLHandler : public ZVURLHandler {
public:
    static constexpr QStringView kJoinErrorTitle = u"Unable to join";
    static constexpr QStringView kCallTitle = u"Call";

    // What the desktop is asked to open; by default the desktop's own handler.
    using SystemOpener = std::function<bool(const QString& url)>;
    static void setSystemOpener(SystemOpener opener);

    bool handleZelvoAction(const QString& action, const QString& conversationId,
                           const Parameters& parameters, const QRectF& rect,
                           platform::View* view) override;
    bool handleFileUrl(const QUrl& url) override;
    bool handlePhoneUrl(const QString& url) override;
    bool handleSystemUrl(const QString& url) override;
    void showShareMenuForUrl(const QString& url, const QRectF& rect, platform::View* view,
                             std::function<void()> completion) override;
};
