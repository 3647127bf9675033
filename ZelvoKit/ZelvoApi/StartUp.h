#pragma once

// Starts the API client's layer and the shared services below it. What the client needs from the
// layers above (session class, application id, blocks) they install themselves at start-up.
void ZVStartUpApi();
