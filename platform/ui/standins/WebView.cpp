#include "platform/ui/standins/WebView.h"

#include "platform/ui/host/WindowHost.h"
#include "platform/ui/view/Window.h"

#include <QtWidgets/QApplication>

namespace platform {

// Passes the page's events on as the view's.
class WebView::PageDelegate : public WebPageDelegate {
public:
    explicit PageDelegate(WebView& view) : view_(view) {}

    bool shouldStartLoad(WebPage&, const QUrl& url, WebNavigationType type) override {
        const auto delegate = view_.delegate();
        return !delegate || delegate->shouldStartLoad(view_, url, type);
    }
    void didStartLoad(WebPage&) override {
        if (const auto delegate = view_.delegate()) {
            delegate->didStartLoad(view_);
        }
    }
    void didFinishLoad(WebPage&) override {
        view_.loaded_ = true;
        view_.measure();
        if (const auto delegate = view_.delegate()) {
            delegate->didFinishLoad(view_);
        }
    }
    void didFailLoad(WebPage&, const UrlError& error) override {
        if (const auto delegate = view_.delegate()) {
            delegate->didFailLoad(view_, error);
        }
    }

private:
    WebView& view_;
};

WebView::WebView() : WebView(QRectF()) {}

WebView::WebView(const QRectF& frame)
    : View(frame), page_(WebPage::create()), pageDelegate_(std::make_shared<PageDelegate>(*this)) {
    page_->setDelegate(pageDelegate_);
}

WebView::~WebView() {
    detachFromHost();
    stopObservingWindow();
}

void WebView::stopObservingWindow() {
    if (const auto observed = observedWindow_.lock()) {
        observed->asWindow()->removeDisplayObserver(displayObserver_);
    }
    observedWindow_.reset();
}

void WebView::loadHtmlString(const QString& html, const QUrl& baseUrl) {
    loaded_ = false;
    page_->loadHtmlString(html, baseUrl);
}

void WebView::loadRequest(const UrlRequest& request, WebCachePolicy cachePolicy) {
    loaded_ = false;
    page_->loadRequest(request, cachePolicy);
}

void WebView::evaluateScript(const QString& script, WebPage::ScriptResult result) {
    page_->evaluateScript(script, std::move(result));
}

void WebView::elementValue(const QString& elementId, WebPage::StringResult result) {
    page_->elementValue(elementId, std::move(result));
}

void WebView::layoutSubviews() {
    View::layoutSubviews();
    if (loaded_ && bounds().width() != measuredWidth_) {
        measure();
    }
}

void WebView::measure() {
    measuredWidth_ = bounds().width();
    const int measurement = ++measurement_;
    page_->measureContentHeight(
        measuredWidth_, [this, measurement, alive = std::weak_ptr<int>(lifetime_)](double height) {
            if (alive.expired() || measurement != measurement_) {
                return;
            }
            const bool changed = height != contentHeight_;
            contentHeight_ = height;
            if (const auto delegate = this->delegate(); delegate && changed) {
                delegate->contentHeightDidChange(*this, height);
            }
        });
}

bool WebView::isShowingNativeWidget() const {
    return !widget_.isNull() && widget_->isVisible();
}

void WebView::willMoveToWindow(Window* newWindow) {
    if (newWindow == window()) {
        return;
    }
    detachFromHost();
    stopObservingWindow();
}

void WebView::didMoveToWindow() {
    Window* current = window();
    if (current == nullptr || current == observedWindow_.lock().get() ||
        qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return;
    }
    observedWindow_ = current->weak_from_this();
    // A window's host may come after its views: look again on each of its updates.
    displayObserver_ = current->addDisplayObserver([this] { attachToHost(); });
    attachToHost();
}

void WebView::attachToHost() {
    if (!host_.isNull() && !widget_.isNull()) {
        return;
    }
    Window* current = window();
    if (current == nullptr) {
        return;
    }
    WindowHost* found = nullptr;
    for (QWidget* widget : QApplication::allWidgets()) {
        auto* host = dynamic_cast<WindowHost*>(widget);
        if (host != nullptr && host->window().get() == current) {
            found = host;
            break;
        }
    }
    QWidget* widget = found != nullptr ? page_->hostWidget() : nullptr;
    if (widget == nullptr) {
        return;
    }
    host_ = found;
    widget_ = widget;
    found->attachNativeChild(std::static_pointer_cast<View>(shared_from_this()), widget);
}

void WebView::detachFromHost() {
    if (!widget_.isNull()) {
        widget_->hide();
        if (!host_.isNull()) {
            host_->detachNativeChild(widget_);
        }
        // The page keeps its widget; no window holds it any more.
        widget_->setParent(nullptr);
    }
    host_.clear();
    widget_.clear();
}

}  // namespace platform
