#pragma once

// Registers the conversation's page menus with the page set, the message menu with the message
// tables and the mute popup with the inbox.
void ZVStartUpConversationMenus();
