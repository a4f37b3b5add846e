#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <cctype>

// What a reader of a .ts or .po file sees in one message: ID, translation text
// with the byte elements decoded, type attribute and translator comment.
struct ReadMessage
{
    QString id;
    QString translation;
    QString type;
    QString comment;
    friend bool operator==(const ReadMessage &, const ReadMessage &) = default;
};

inline QString readTsText(QXmlStreamReader &reader)
{
    QString text;
    while (reader.readNext() != QXmlStreamReader::EndElement || reader.name() == u"byte") {
        if (reader.isCharacters())
            text += reader.text();
        else if (reader.isStartElement() && reader.name() == u"byte")
            text += QChar(
                reader.attributes().value(QLatin1String("value")).mid(1).toUInt(nullptr, 16));
        else if (reader.hasError())
            break;
    }
    return text;
}

// The messages of a .ts file in file order; an XML error ends the list with
// a message that names it.
inline QList<ReadMessage> readTs(const QByteArray &ts)
{
    QList<ReadMessage> messages;
    QXmlStreamReader reader(ts);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == u"message") {
            messages.append(
                { reader.attributes().value(QLatin1String("id")).toString(), {}, {}, {} });
        } else if (reader.name() == u"translation") {
            messages.last().type = reader.attributes().value(QLatin1String("type")).toString();
            messages.last().translation = readTsText(reader);
        } else if (reader.name() == u"translatorcomment") {
            messages.last().comment = readTsText(reader);
        }
    }
    if (reader.hasError())
        messages.append(
            { QStringLiteral("<XML error: %1>").arg(reader.errorString()), {}, {}, {} });
    return messages;
}

inline QStringList messageIds(const QList<ReadMessage> &messages)
{
    QStringList ids;
    for (const ReadMessage &message : messages)
        ids.append(message.id);
    return ids;
}

inline QString unescapePo(QByteArrayView quoted)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        if (quoted[i] != '\\' || i + 1 == quoted.size()) {
            bytes.append(quoted[i]);
            continue;
        }
        const char escaped = quoted[++i];
        if (escaped == 'x') {
            qsizetype end = i + 1;
            while (end < quoted.size() && std::isxdigit(uchar(quoted[end])))
                ++end;
            bytes.append(char(quoted.sliced(i + 1, end - i - 1).toByteArray().toInt(nullptr, 16)));
            i = end - 1;
        } else {
            bytes.append(escaped == 'n'       ? '\n'
                             : escaped == 'r' ? '\r'
                             : escaped == 't' ? '\t'
                                              : escaped);
        }
    }
    return QString::fromUtf8(bytes);
}

// Reads what lconvert wrote as a .po file: one entry per message, the ID in a
// "#. ts-id" line, translator comments in "# " lines, vanished and obsolete
// messages commented out with "#~" (type "gone").
inline QList<ReadMessage> readPo(const QByteArray &po)
{
    QList<ReadMessage> messages;
    ReadMessage current;
    bool inEntry = false;
    bool inMsgstr = false;
    auto finish = [&] {
        if (inEntry)
            messages.append(current);
        current = {};
        inEntry = inMsgstr = false;
    };
    for (QByteArray line : po.split('\n')) {
        if (line.isEmpty()) {
            finish();
            continue;
        }
        if (line.startsWith("#~ ")) {
            line = line.mid(3);
            current.type = QStringLiteral("gone");
        }
        if (line.startsWith("#. ts-id ")) {
            inEntry = true;
            current.id = QString::fromUtf8(line.mid(9));
        } else if (line.startsWith("# ")) {
            current.comment += QString::fromUtf8(line.mid(2));
        } else if (line.startsWith("msgstr ")) {
            inMsgstr = true;
            current.translation = unescapePo(QByteArrayView(line).sliced(8).chopped(1));
        } else if (line.startsWith('"') && inMsgstr) {
            current.translation += unescapePo(QByteArrayView(line).sliced(1).chopped(1));
        } else {
            inMsgstr = false;
        }
    }
    finish();
    return messages;
}
