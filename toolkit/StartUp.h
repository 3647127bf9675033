#pragma once

// Readies the toolkit: rich text, styles and colours below it. Safe to call again.
void ZVStartUpToolkit();
