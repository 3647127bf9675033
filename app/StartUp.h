#pragma once

// Starts every library the application links and registers the application's own hooks: its URL
// handler class, and where links in rich text go. Calling it again is harmless.
void ZVStartUpApp();
