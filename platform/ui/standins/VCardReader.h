#pragma once

#include "platform/ui/standins/AddressBook.h"

#include <QtCore/QByteArray>

#include <vector>

namespace platform {

// Reads the people of a vCard file (versions 2.1, 3.0 and 4.0): their names (the N property) and
// e-mail addresses (EMAIL, labelled by their first TYPE). Folded lines, escapes, property groups
// and quoted-printable values are understood; other properties are passed over, and a card that
// never ends is still read up to the end of the text.
class VCardReader {
public:
    static std::vector<AddressBookPerson> read(const QByteArray& text,
                                               CompositeNameFormat nameFormat);
};

}  // namespace platform
