#pragma once

#include "platform/ui/standins/WebPage.h"

#include <utility>
#include <vector>

namespace zvtest {

// Records what a page tells its delegate; refuses link clicks, as the e-mail views do, or every
// navigation when told to.
class RecordingWebDelegate : public platform::WebPageDelegate {
public:
    bool shouldStartLoad(platform::WebPage&, const QUrl& url,
                         platform::WebNavigationType type) override {
        asked.emplace_back(url, type);
        return !refuseAll && type != platform::WebNavigationType::LinkClicked;
    }
    void didStartLoad(platform::WebPage&) override { ++started; }
    void didFinishLoad(platform::WebPage&) override { ++finished; }
    void didFailLoad(platform::WebPage&, const platform::UrlError& error) override {
        failures.push_back(error);
    }

    bool refuseAll = false;
    std::vector<std::pair<QUrl, platform::WebNavigationType>> asked;
    int started = 0;
    int finished = 0;
    std::vector<platform::UrlError> failures;
};

}  // namespace zvtest
