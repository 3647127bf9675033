#pragma once

#include "toolkit/richtext/message/ZVRichMessageRepresentation.h"

#include <memory>

class ZVEmailPage;

namespace platform {
class WebView;
}

// The display model the application installs for every message: the rich one, and for an HTML
// e-mail its body in a web view of its own, measured, with read mails kept collapsed until the
// user expands them.
class ZVLocalizedMessage : public ZVRichMessageRepresentation {
public:
    enum WebViewState { kNotLoaded = 0, kLoaded = 1, kMeasured = 3 };

    // What an HTML e-mail reserves until its page is measured, and its height while read and
    // collapsed.
    static constexpr double kCollapsedHeight = 250;
    // The web view's first frame, until the message view places it.
    static constexpr double kDefaultWidth = 320;

    using ZVRichMessageRepresentation::ZVRichMessageRepresentation;
    ~ZVLocalizedMessage() override;

    static ZVMessageRepresentation::Factory factory();

    // The body's web view, made (and its page loaded) on the first call; null for any message but
    // an HTML e-mail that is not deleted.
    std::shared_ptr<platform::WebView> webView();
    int webViewState() const { return webViewState_; }

    double formattedHeightForWidth(double width) override;
    void refresh() override;

private:
    void updateMeasurement(double contentHeight);

    std::shared_ptr<ZVEmailPage> page_;
    int webViewState_ = kNotLoaded;
};
