#pragma once

namespace platform {

// How rows come and go in a table update. The numbers are the platform's.
enum class TableRowAnimation {
    Fade = 0,
    Right = 1,
    Left = 2,
    Top = 3,
    Bottom = 4,
    None = 5,
    Middle = 6,
    Automatic = 100,
};

}  // namespace platform
