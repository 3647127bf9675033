#pragma once

#include <QtCore/QString>

// The two scripts of the password manager's exchange, run in the page being filled.
namespace PasswordManagerScripts {

// Evaluates to the JSON text of the page's details: its address, its forms and their fields,
// each field with the "opid" a fill script names it by.
const QString& collectScript();
// A function expression of (document, fillScript) that performs the fill script's steps in the
// document and returns the JSON text {"success": true}; false when a step named a field the
// page no longer has.
const QString& fillScript();

}  // namespace PasswordManagerScripts
