#pragma once

// Readies rich text: the styles and colours below it, the main fonts and colour table that
// attributed text made by the shared services carries, and the display model of messages. Safe to
// call again.
void ZVStartUpToolkitRichText();
