#pragma once

// Fills the application shell's slot for an opened conversation's pages, registers the settings
// page and fills the messages page's actions on single messages. The other page screens and the
// page menus are registered by their own parts (ZVConversationPageRegistry).
void ZVStartUpPages();
