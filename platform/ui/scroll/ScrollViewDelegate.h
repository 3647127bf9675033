#pragma once

namespace platform {

class ScrollView;

// Told of a scroll view's motion. Every call has a default that does nothing, so a delegate
// answers only what it cares about.
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;

    // After every change of the content offset, whoever made it.
    virtual void scrollViewDidScroll(ScrollView&) {}
    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    // The finger lifted; `willDecelerate` says whether the content goes on moving.
    virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}
    virtual bool scrollViewShouldScrollToTop(ScrollView&) { return true; }
    virtual void scrollViewDidScrollToTop(ScrollView&) {}
};

}  // namespace platform
