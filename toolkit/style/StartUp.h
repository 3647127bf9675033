#pragma once

// Readies the text styles and the colour table (on top of the user-interface layer). Safe to call
// again.
void ZVStartUpToolkitStyle();
