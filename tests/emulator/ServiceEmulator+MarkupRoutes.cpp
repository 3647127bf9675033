#include "tests/emulator/AccountRecords.h"
#include "tests/emulator/ServiceEmulator.h"

#include <QtCore/QFile>

namespace zvemu {

void installMarkupRoutes(ServiceEmulator& emulator) {
    emulator.route(QStringLiteral("markup/get_syntax"), ServiceEmulator::Access::Session,
                   [](Call&) {
                       QFile file(QStringLiteral(ZV_EMULATOR_SYNTAX_FILE));
                       if (!file.open(QIODevice::ReadOnly)) {
                           return Reply::error(500, QStringLiteral("internal_error"));
                       }
                       return Reply::raw(200, file.readAll(),
                                         QByteArrayLiteral("application/json; charset=utf-8"));
                   });
}

}  // namespace zvemu
