#include "files/views/ZVFileMenuHandler.h"

namespace {

ZVFileMenuFactory::Factory& fileMenuFactorySlot() {
    static ZVFileMenuFactory::Factory factory;
    return factory;
}

}  // namespace

void ZVFileMenuFactory::setFactory(Factory factory) {
    fileMenuFactorySlot() = std::move(factory);
}

std::shared_ptr<ZVFileMenuHandler> ZVFileMenuFactory::make(
    const std::shared_ptr<ZVTableView>& table) {
    const Factory& factory = fileMenuFactorySlot();
    return factory ? factory(table) : nullptr;
}

void ZVFileMenuFactory::reset() {
    fileMenuFactorySlot() = nullptr;
}
