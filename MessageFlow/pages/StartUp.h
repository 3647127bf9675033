#pragma once

// Fills the application shell's slot for an opened conversation's pages and registers the
// settings page. The other page screens and the page menus are registered by their own parts
// (ZVConversationPageRegistry).
void ZVStartUpPages();
