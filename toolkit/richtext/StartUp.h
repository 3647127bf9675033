#pragma once

// Readies rich text: the styles and colours below it, and the main fonts and colour table that
// attributed text made by the shared services carries. Safe to call again.
void ZVStartUpToolkitRichText();
