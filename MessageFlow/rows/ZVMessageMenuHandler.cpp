#include "MessageFlow/rows/ZVMessageMenuHandler.h"

namespace {

ZVMessageMenuFactory::Factory& messageMenuFactorySlot() {
    static ZVMessageMenuFactory::Factory factory;
    return factory;
}

}  // namespace

void ZVMessageMenuFactory::setFactory(Factory factory) {
    messageMenuFactorySlot() = std::move(factory);
}

std::shared_ptr<ZVMessageMenuHandler> ZVMessageMenuFactory::make(
    const std::shared_ptr<ZVTableView>& table, int page) {
    const Factory& factory = messageMenuFactorySlot();
    return factory ? factory(table, page) : nullptr;
}

void ZVMessageMenuFactory::reset() {
    messageMenuFactorySlot() = nullptr;
}
