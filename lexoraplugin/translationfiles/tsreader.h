#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;

namespace Lexora {

// One message of a Qt Linguist file as the file holds it.
struct TsMessage
{
    enum State { Finished, Unfinished, Vanished, Obsolete };

    // Empty for a message that only has a source text (a file of qsTr calls).
    QString id;
    QString source;
    // One text for a plain message, one per plural form for a numerus message.
    // Length variants are joined with U+009C, as lrelease stores them.
    QStringList translations;
    State state = Finished;
    bool numerus = false;
    qint64 line = 0;
};

struct TsFile
{
    // As the file writes it ("pt_BR"); empty when the file names none.
    QString language;
    QList<TsMessage> messages;
};

struct TsReadResult
{
    TsFile file;
    // Empty when the file was read; otherwise the reason and its line.
    QString error;
    qint64 errorLine = 0;
};

// Reads a TS file (any version Qt Linguist and lupdate write) with Qt's
// stream reader. Markup it does not know (comments, locations, extras,
// user data) is skipped.
TsReadResult readTs(QIODevice &device);

} // namespace Lexora
