#pragma once

#include <cstdint>

// One pending load of a conversation from the service: what to load and around which message.
// A conversation holds at most one; a newer one replaces it.
class ZVConversationLoadRequest {
public:
    enum Type : int {
        FillTiny = 1,
        MessageLoad = 2,
        Files = 3,
        Pins = 4,
        // The messages around messageNr.
        Context = 5,
        // The messages missing before messageNr.
        GapBefore = 6,
        // The messages missing after messageNr.
        GapAfter = 7,
        Tasks = 8,
        Refresh = 9,
    };

    ZVConversationLoadRequest(int type, std::int64_t messageNr)
        : type_(type), messageNr_(messageNr) {}

    int type() const { return type_; }
    // 0 for the types that need no anchor.
    std::int64_t messageNr() const { return messageNr_; }
    // Brings messages of the conversation's flow: while one is pending, every message that
    // arrives joins the loaded window. Files and pins do not.
    bool isFlowLoadRequest() const { return type_ != Files && type_ != Pins; }

    friend bool operator==(const ZVConversationLoadRequest&,
                           const ZVConversationLoadRequest&) = default;

private:
    int type_;
    std::int64_t messageNr_;
};
