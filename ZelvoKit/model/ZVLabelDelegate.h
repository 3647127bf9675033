#pragma once

#include <cstdint>

class Label;

// The observer of a label's ordered conversations (an inbox section).
class ZVLabelDelegate {
public:
    virtual ~ZVLabelDelegate() = default;

    virtual void labelItemMovedFromIndex(Label& label, std::int32_t fromIndex,
                                         std::int32_t toIndex) = 0;
    virtual void labelItemAppearedAtIndex(Label& label, std::int32_t index) = 0;
    virtual void labelItemDisappearedFromIndex(Label& label, std::int32_t index) = 0;
    // Everything may have changed: redraw the whole list.
    virtual void labelChanged(Label& label) = 0;
    // A conversation changed where it stands.
    virtual void labelConversationsChanged(Label& label) = 0;
    virtual void labelLoadingStatusChanged(Label& label) = 0;
};
