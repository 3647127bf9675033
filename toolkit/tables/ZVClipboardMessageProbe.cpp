#include "toolkit/tables/ZVClipboardMessageProbe.h"

namespace {

std::function<bool()>& probe() {
    static std::function<bool()> registered;
    return registered;
}

}  // namespace

bool ZVClipboardMessageProbe::isInClipboard() {
    return probe() && probe()();
}

void ZVClipboardMessageProbe::setProbe(std::function<bool()> newProbe) {
    probe() = std::move(newProbe);
}
