#pragma once

namespace platform {

// The label of the keyboard's return key; the numbers are the platform's (those not listed are
// not used here).
enum class ReturnKeyType {
    Default = 0,
    Go = 1,
    Join = 3,
    Next = 4,
    Route = 5,
    Search = 6,
    Send = 7,
    Done = 9,
    Continue = 11,
};

// Which keys an on-screen keyboard offers; the numbers are the platform's (those not listed are
// not used here). A hardware keyboard types anything: the delegate filters.
enum class KeyboardType {
    Default = 0,
    AsciiCapable = 1,
    NumbersAndPunctuation = 2,
    Url = 3,
    NumberPad = 4,
    PhonePad = 5,
    NamePhonePad = 6,
    EmailAddress = 7,
    DecimalPad = 8,
    WebSearch = 10,
};

}  // namespace platform
