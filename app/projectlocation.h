#pragma once

#include <QString>

namespace Studio {

// The .qmlproject file a command-line argument or a dialog names: the file
// itself, or the only .qmlproject file in a directory. Empty with
// `errorString` set when there is none or the choice is ambiguous.
QString projectFileAt(const QString &location, QString *errorString);

} // namespace Studio
