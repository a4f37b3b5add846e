#pragma once

#include <QString>
#include <QStringList>

namespace Lexora {

// The tags of Qt's rich text in a message, and whether a translation keeps
// those of the primary text.
class RichTextTags
{
public:
    // The length of the markup tag starting at `position` (a '<'), or 0. A tag
    // starts with a letter or a slash and a letter, so "a < b" and "<3" are
    // text, and names an element Qt's rich text knows.
    static qsizetype tagLength(QStringView text, qsizetype position);
    // The tags, lower case, with attribute names but not their values, sorted.
    static QStringList tags(QStringView text);
    // Tags of the translation that the primary lacks must be formatting, and
    // every tag of the primary must be kept. Both lists come from tags().
    static bool agree(QStringList primaryTags, QStringList translationTags, QStringView language);
};

} // namespace Lexora
