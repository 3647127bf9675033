#pragma once

// Registers the people screens: the members page with the conversation pages, and the member
// selector, contact profile and contact header with the application's services.
void ZVStartUpPeople();
