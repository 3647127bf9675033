#pragma once

#include "platform/ui/standins/WebPage.h"

#include <QtCore/QHash>
#include <QtCore/QStringList>

#include <vector>

namespace platform {

// A web page that tests drive: it records what it was asked to load and run, and plays the
// events a real page would (a finished or failed load, a tap on a link) when the test says so.
// Script, element and height answers come later, posted to the main scheduler, as a real page's
// do. Never the one a user runs.
class FakeWebPage : public WebPage {
public:
    struct Load {
        QString html;
        // The base URL of an HTML string, or the request's URL.
        QUrl url;
        std::optional<UrlRequest> request;
        WebCachePolicy cachePolicy = WebCachePolicy::UseProtocolCachePolicy;
    };

    // What the page answers.
    void setScriptResult(const QString& script, const QVariant& value) {
        scriptResults_.insert(script, value);
    }
    void setElementValue(const QString& elementId, const QString& value) {
        elementValues_.insert(elementId, value);
    }
    void setContentHeight(double height) { contentHeight_ = height; }

    // What it was asked.
    const std::vector<Load>& loads() const { return loads_; }
    const QStringList& evaluatedScripts() const { return evaluatedScripts_; }
    // Widths asked for by measureContentHeight, in order.
    const std::vector<double>& measuredWidths() const { return measuredWidths_; }

    // Events, delivered to the delegate at once.
    void finishLoad();
    void failLoad(const UrlError& error);
    // A tap on a link to `url`: true when the delegate let the page follow it (a new load, not
    // yet finished).
    bool tapLink(const QUrl& url);

    bool scriptsEnabled() const override { return scriptsEnabled_; }
    void setScriptsEnabled(bool enabled) override { scriptsEnabled_ = enabled; }
    void loadHtmlString(const QString& html, const QUrl& baseUrl) override;
    void loadRequest(const UrlRequest& request, WebCachePolicy cachePolicy) override;
    using WebPage::loadRequest;
    void stopLoading() override;
    bool isLoading() const override { return loading_; }
    QUrl url() const override { return url_; }
    void evaluateScript(const QString& script, ScriptResult result) override;
    void elementValue(const QString& elementId, StringResult result) override;
    void measureContentHeight(double width, HeightResult result) override;

private:
    // Asks the delegate and, when it agrees, starts the load.
    void begin(const Load& load, WebNavigationType type);
    void answerLater(std::function<void()> answer);

    bool scriptsEnabled_ = true;
    bool loading_ = false;
    QUrl url_;
    std::vector<Load> loads_;
    QStringList evaluatedScripts_;
    std::vector<double> measuredWidths_;
    QHash<QString, QVariant> scriptResults_;
    QHash<QString, QString> elementValues_;
    double contentHeight_ = 0;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace platform
