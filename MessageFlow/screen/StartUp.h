#pragma once

// Registers the messages page (page 0) with the conversation pages. The composer and the message
// actions are filled by their own parts (ZVConversationComposer, ZVConversationScreenActions).
void ZVStartUpConversationScreen();
