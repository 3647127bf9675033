#pragma once

// Readies the toolkit's shared views: rich text and the styles below it. Safe to call again.
void ZVStartUpToolkit();
