#include "tsreader.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QXmlStreamReader>

namespace Lexora {

namespace {

// How lrelease keeps the length variants of one text apart in a .qm file.
constexpr char16_t lengthVariantSeparator = 0x9c;

QString tr(const char *text)
{
    return QCoreApplication::translate("Lexora", text);
}

// A control character that XML cannot carry, written by Qt's tools as
// <byte value="x1b"/> (or in decimal).
void appendByte(QXmlStreamReader &xml, QString &text)
{
    const QStringView value = xml.attributes().value(QLatin1String("value"));
    bool ok = false;
    const uint code = value.startsWith(u'x') ? value.mid(1).toUInt(&ok, 16) : value.toUInt(&ok);
    if (!ok || code > 0xffff)
        xml.raiseError(tr("invalid byte value \"%1\"").arg(value));
    else
        text.append(QChar(char16_t(code)));
    xml.skipCurrentElement();
}

// The text of the current element: its characters, or its length variants
// joined. Reads up to the element's end.
QString readText(QXmlStreamReader &xml)
{
    QString text;
    QStringList variants;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::Characters:
            text += xml.text();
            break;
        case QXmlStreamReader::StartElement:
            if (xml.name() == QLatin1String("byte"))
                appendByte(xml, text);
            else if (xml.name() == QLatin1String("lengthvariant"))
                variants.append(readText(xml));
            else
                xml.skipCurrentElement();
            break;
        case QXmlStreamReader::EndElement:
            return variants.isEmpty() ? text : variants.join(QChar(lengthVariantSeparator));
        default:
            break;
        }
    }
    return text;
}

// The forms of a numerus message's translation; the white space between them
// is layout.
QStringList readNumerusForms(QXmlStreamReader &xml)
{
    QStringList forms;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("numerusform"))
            forms.append(readText(xml));
        else
            xml.skipCurrentElement();
    }
    return forms;
}

TsMessage::State stateOf(QStringView type)
{
    if (type == QLatin1String("unfinished"))
        return TsMessage::Unfinished;
    if (type == QLatin1String("vanished"))
        return TsMessage::Vanished;
    if (type == QLatin1String("obsolete"))
        return TsMessage::Obsolete;
    return TsMessage::Finished;
}

TsMessage readMessage(QXmlStreamReader &xml)
{
    TsMessage message;
    message.line = xml.lineNumber();
    const QXmlStreamAttributes attributes = xml.attributes();
    message.id = attributes.value(QLatin1String("id")).toString();
    message.numerus = attributes.value(QLatin1String("numerus")) == QLatin1String("yes");
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("source")) {
            message.source = readText(xml);
        } else if (xml.name() == QLatin1String("translation")) {
            message.state = stateOf(xml.attributes().value(QLatin1String("type")));
            message.translations
                = message.numerus ? readNumerusForms(xml) : QStringList { readText(xml) };
        } else {
            xml.skipCurrentElement();
        }
    }
    return message;
}

} // namespace

TsReadResult readTs(QIODevice &device)
{
    TsReadResult result;
    QXmlStreamReader xml(&device);
    if (!xml.readNextStartElement()) {
        if (!xml.hasError())
            xml.raiseError(tr("not a Qt Linguist file (no <TS> element)"));
    } else {
        if (xml.name() != QLatin1String("TS")) {
            xml.raiseError(
                tr("not a Qt Linguist file (the root element is <%1>, not <TS>)").arg(xml.name()));
        } else {
            result.file.language = xml.attributes().value(QLatin1String("language")).toString();
            // Messages sit in contexts; a context's name does not matter to
            // ID-based lookups.
            while (xml.readNextStartElement()) {
                if (xml.name() != QLatin1String("context")) {
                    xml.skipCurrentElement();
                    continue;
                }
                while (xml.readNextStartElement()) {
                    if (xml.name() == QLatin1String("message"))
                        result.file.messages.append(readMessage(xml));
                    else
                        xml.skipCurrentElement();
                }
            }
        }
    }
    if (xml.hasError()) {
        result.error = xml.errorString();
        result.errorLine = xml.lineNumber();
        result.file = {};
    }
    return result;
}

} // namespace Lexora
