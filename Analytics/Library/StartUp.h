#pragma once

// Registers the analytics library's hooks; idempotent. Calls the start-up of what it links.
void ZAStartUp();
