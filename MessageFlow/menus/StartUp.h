#pragma once

// Registers the conversation's page menus with the page set and the mute popup with the inbox.
void ZVStartUpConversationMenus();
