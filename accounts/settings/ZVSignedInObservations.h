#pragma once

#include "platform/foundation/ObserverList.h"

#include <vector>

// The observations a settings screen keeps on the API client and the account: all of them end
// when the login status leaves "signed in" (the account's objects are going), and with their
// holder otherwise, so they are never released twice. Main thread only.
class ZVSignedInObservations {
public:
    ZVSignedInObservations();
    ~ZVSignedInObservations();
    ZVSignedInObservations(const ZVSignedInObservations&) = delete;
    ZVSignedInObservations& operator=(const ZVSignedInObservations&) = delete;

    // Kept while signed in; ended at once otherwise.
    void add(platform::Observation observation);
    // Ends the observations added so far; later ones are kept again.
    void clear() { observations_.clear(); }
    bool isEmpty() const { return observations_.empty(); }
    // False once the login status has left "signed in".
    bool isSignedIn() const;

private:
    std::vector<platform::Observation> observations_;
    platform::Observation loginStatus_;
};
