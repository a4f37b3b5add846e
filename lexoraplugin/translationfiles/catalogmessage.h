#pragma once

#include <QString>
#include <QtGlobal>

namespace Lexora {

// One ID-based message of a translation catalogue. Messages have no context, no
// source text and no plural forms: the translation ID alone identifies them.
struct CatalogMessage
{
    enum Type : qint32 { Unfinished = 0, Finished = 1, Vanished = 2, Obsolete = 3 };

    QString id;
    QString translation;
    QString translatorComment;
    // Key of the translatable row in the translation database, -1 when unknown.
    qint64 translatableKey = -1;
    Type type = Unfinished;

    friend bool operator==(const CatalogMessage &, const CatalogMessage &) = default;
};

} // namespace Lexora
