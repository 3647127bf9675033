#pragma once

#include "platform/ui/standins/ExtensionHost.h"

#include <thread>
#include <utility>
#include <vector>

namespace pmtest {

// An extension host that tests drive: it keeps what it was asked to present and answers as the
// test scripts it, at once or from a thread of its own as a real extension may.
class FakeExtensionHost : public platform::ExtensionHost {
public:
    struct Presented {
        platform::ExtensionItem item;
        QString typeIdentifier;
        platform::ViewController* presenter = nullptr;
        platform::ExtensionAnchor anchor;
    };
    using Answer = std::function<std::pair<std::vector<platform::ExtensionItem>,
                                           std::optional<platform::ExtensionHostError>>(
        const Presented& presented)>;

    ~FakeExtensionHost() override {
        for (std::thread& thread : threads_) {
            thread.join();
        }
    }

    void present(const platform::ExtensionItem& item, const QString& typeIdentifier,
                 platform::ViewController* presenter, const platform::ExtensionAnchor& anchor,
                 Completion completion) override {
        presented.push_back({item, typeIdentifier, presenter, anchor});
        auto [items, error] =
            answer ? answer(presented.back()) : decltype(answer(presented.back())){};
        if (answerFromOtherThread) {
            threads_.emplace_back([completion, items, error] { completion(items, error); });
        } else {
            completion(items, error);
        }
    }
    bool canOpenURL(const QUrl& url) const override {
        openedSchemes.push_back(url.scheme());
        return extensionInstalled;
    }

    bool extensionInstalled = true;
    bool answerFromOtherThread = false;
    Answer answer;
    std::vector<Presented> presented;
    mutable QStringList openedSchemes;

private:
    std::vector<std::thread> threads_;
};

// An answer item holding one attachment.
inline platform::ExtensionItem itemWith(
    const QString& type, const QVariantMap& dictionary,
    std::optional<platform::ExtensionHostError> loadError = {}) {
    platform::ExtensionItem item;
    item.attachments.push_back({type, dictionary, std::move(loadError)});
    return item;
}

}  // namespace pmtest
