#pragma once

#include <QtCore/QHash>
#include <QtCore/QString>

// One table between the service's code words and the numbers the system stores and compares.
using ZVCodeTable = QHash<QString, int>;
