#include "platform/ui/standins/FakeWebPage.h"

#include "platform/foundation/Scheduler.h"

#include <cmath>

namespace platform {

void FakeWebPage::finishLoad() {
    loading_ = false;
    if (const auto current = delegate()) {
        current->didFinishLoad(*this);
    }
}

void FakeWebPage::failLoad(const UrlError& error) {
    loading_ = false;
    if (const auto current = delegate()) {
        current->didFailLoad(*this, error);
    }
}

bool FakeWebPage::tapLink(const QUrl& url) {
    const std::size_t before = loads_.size();
    Load load;
    load.url = url_.resolved(url);
    begin(load, WebNavigationType::LinkClicked);
    return loads_.size() > before;
}

void FakeWebPage::loadHtmlString(const QString& html, const QUrl& baseUrl) {
    Load load;
    load.html = html;
    load.url = baseUrl;
    begin(load, WebNavigationType::Other);
}

void FakeWebPage::loadRequest(const UrlRequest& request, WebCachePolicy cachePolicy) {
    Load load;
    load.url = request.url;
    load.request = request;
    load.cachePolicy = cachePolicy;
    begin(load, WebNavigationType::Other);
}

void FakeWebPage::stopLoading() {
    if (loading_) {
        failLoad(UrlError(UrlErrorCode::Cancelled));
    }
}

void FakeWebPage::evaluateScript(const QString& script, ScriptResult result) {
    evaluatedScripts_ << script;
    const QVariant value = scriptResults_.value(script);
    answerLater([result = std::move(result), value] {
        if (result) {
            result(value);
        }
    });
}

void FakeWebPage::elementValue(const QString& elementId, StringResult result) {
    const QString value = elementValues_.value(elementId);
    answerLater([result = std::move(result), value] {
        if (result) {
            result(value);
        }
    });
}

void FakeWebPage::measureContentHeight(double width, HeightResult result) {
    measuredWidths_.push_back(width);
    const double height = std::ceil(contentHeight_);
    answerLater([result = std::move(result), height] {
        if (result) {
            result(height);
        }
    });
}

void FakeWebPage::begin(const Load& load, WebNavigationType type) {
    if (!askShouldStart(load.url, type)) {
        return;
    }
    loads_.push_back(load);
    url_ = load.url;
    loading_ = true;
    if (const auto current = delegate()) {
        current->didStartLoad(*this);
    }
}

void FakeWebPage::answerLater(std::function<void()> answer) {
    std::weak_ptr<int> alive = lifetime_;
    Scheduler::main().post([alive, answer = std::move(answer)] {
        if (!alive.expired()) {
            answer();
        }
    });
}

}  // namespace platform
