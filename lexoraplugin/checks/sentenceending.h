#pragma once

#include <QString>
#include <QStringList>

namespace Lexora {

// How a text ends its sentence, and whether a translation's ending agrees
// with the primary text's in the conventions of its language.
class SentenceEnding
{
public:
    // The sentence mark a text ends with, after trailing whitespace and markup
    // tags: one of . : ? ! … or a null character. Full-width forms count as
    // their ASCII mark and three dots as an ellipsis.
    static QChar mark(QStringView text);
    static bool agree(QChar primaryMark,
                      QChar translationMark,
                      QStringView primary,
                      QStringView translation,
                      QStringView language);
};

} // namespace Lexora
