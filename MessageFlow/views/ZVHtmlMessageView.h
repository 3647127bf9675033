#pragma once

#include "MessageFlow/views/ZVEmailMessageView.h"

namespace platform {
class ActivityIndicator;
class WebView;
}  // namespace platform

// An HTML e-mail: its body shows in the web view its display model owns, borrowed while this view
// shows the message, with a spinner until the model has made one.
class ZVHtmlMessageView : public ZVEmailMessageView {
public:
    explicit ZVHtmlMessageView(std::weak_ptr<ZVMessageViewCell> cell);
    ~ZVHtmlMessageView() override;

    void setMessage(const std::shared_ptr<Message>& message) override;
    QRectF layoutWithRect(const QRectF& rect) override;

    const std::shared_ptr<platform::WebView>& webView() const { return webView_; }
    const std::shared_ptr<platform::ActivityIndicator>& activityIndicator() const {
        return activityIndicator_;
    }

private:
    std::shared_ptr<platform::WebView> webView_;
    std::shared_ptr<platform::ActivityIndicator> activityIndicator_;
};
