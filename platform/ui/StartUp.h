#pragma once

namespace platform {

// Readies the user-interface layer: call once at start-up, before any view or font is made.
// Safe to call again.
void startUpUi();

}  // namespace platform
