#pragma once

// Fills the application shell's slot for the settings page, and registers the screens the
// settings page's rows open. The account profile registers itself where it is built.
void ZVStartUpSettings();
