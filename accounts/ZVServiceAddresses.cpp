#include "accounts/ZVServiceAddresses.h"

ZVServiceAddresses& ZVServiceAddresses::shared() {
    static ZVServiceAddresses addresses;
    return addresses;
}

void ZVServiceAddresses::reset() {
    shared() = ZVServiceAddresses();
}
