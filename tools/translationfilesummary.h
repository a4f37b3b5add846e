#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace Lexora {

// How many messages a written translation file holds and how many of them are
// unfinished, read back from the file itself: " (12 messages, 3 unfinished)",
// or an empty string when the file cannot be read. A .qm file has no
// unfinished flag: there a message is unfinished when `translated` says the
// database has no translation for its ID, as generation decided; a
// translation that happens to equal its ID is finished.
using TranslatedLookup = std::function<std::vector<bool>(const QStringList &ids)>;
QString translationFileSummary(const QString &filePath, const TranslatedLookup &translated);

} // namespace Lexora
