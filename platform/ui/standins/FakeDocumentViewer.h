#pragma once

#include "platform/ui/standins/DocumentViewer.h"

namespace platform {

// A document viewer that tests drive: it draws nothing and writes down what it showed and what it
// handed to other applications. Never the one a user runs.
class FakeDocumentViewer : public DocumentViewer {
public:
    using DocumentViewer::DocumentViewer;

    int previewCount() const { return previewCount_; }
    int openCount() const { return openCount_; }

protected:
    bool showPreview(Window&, bool) override {
        ++previewCount_;
        return true;
    }
    void hidePreview(bool, std::function<void()> hidden) override {
        if (hidden) {
            hidden();
        }
    }
    bool openInApplication() override {
        ++openCount_;
        return true;
    }

private:
    int previewCount_ = 0;
    int openCount_ = 0;
};

}  // namespace platform
