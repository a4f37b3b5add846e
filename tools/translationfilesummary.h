#pragma once

#include <QString>

namespace Lexora {

// How many messages a written translation file holds and how many of them are
// unfinished, read back from the file itself: " (12 messages, 3 unfinished)",
// or an empty string when the file cannot be read. In a .qm file, which has
// no unfinished flag, a message whose translation is its own ID is unfinished:
// that is how generation fills the gaps.
QString translationFileSummary(const QString &filePath);

} // namespace Lexora
