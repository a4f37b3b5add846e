#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Lexora {

// One ID-based message of a translation catalogue. Messages have no context:
// the translation ID alone identifies them.
struct CatalogMessage
{
    enum Type : qint32 { Unfinished = 0, Finished = 1, Vanished = 2, Obsolete = 3 };

    QString id;
    // Form 0 of a plural message.
    QString translation;
    // Forms 1, 2, … of a plural message, in the order of the language's rules.
    QStringList pluralForms;
    QString translatorComment;
    // Only for a message without an ID (a qsTr or qsTranslate call): its
    // context, source text and comment, which tell such messages apart as
    // lupdate merges them, so that the ones dropped are counted as lrelease does.
    QString withoutIdKey;
    // What the source code says about the ID: the text of its //% comment (Qt
    // shows it where no translation exists), its //: comments and its //~ pairs.
    QString sourceText;
    QString extraComment;
    QMap<QString, QString> extras;
    // Used with a count, as in qsTrId("id", n): the language's plural rules pick
    // one of its forms.
    bool plural = false;
    // Key of the translatable row in the translation database, -1 when unknown.
    qint64 translatableKey = -1;
    Type type = Unfinished;

    friend bool operator==(const CatalogMessage &, const CatalogMessage &) = default;
};

} // namespace Lexora
