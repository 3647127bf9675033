#pragma once

// Starts the data model and every layer below it; the entities of an account's store are added to
// the shared model (ZVDataModel::shared()) here. Calling it again is harmless.
void ZVStartUpModel();
