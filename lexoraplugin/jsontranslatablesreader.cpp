#include "jsontranslatablesreader.h"

#include "exception.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>

namespace Lexora {

namespace {

// Large enough that reading costs few calls, small against the files it is
// for; consumed bytes are dropped once this much has been read past them.
constexpr qint64 chunkSize = 1 << 20;

bool isWhitespace(int character)
{
    return character == ' ' || character == '\t' || character == '\n' || character == '\r';
}

// Qt's parser judges every piece the reader cuts out, so the reader never
// accepts text that Qt's parser would refuse.
bool parseValue(QByteArrayView text, QJsonValue *value)
{
    QJsonParseError error;
    if (text.startsWith('{')) {
        // Without a copy: the piece is parsed before the buffer changes.
        const QJsonDocument document
            = QJsonDocument::fromJson(QByteArray::fromRawData(text.data(), text.size()), &error);
        *value = document.object();
        return error.error == QJsonParseError::NoError && document.isObject();
    }
    QByteArray wrapped;
    wrapped.reserve(text.size() + 2);
    wrapped.append('[').append(text).append(']');
    const QJsonArray array = QJsonDocument::fromJson(wrapped, &error).array();
    if (error.error != QJsonParseError::NoError || array.size() != 1)
        return false;
    *value = array.at(0);
    return true;
}

} // namespace

JsonTranslatablesReader::JsonTranslatablesReader(QIODevice *device) : m_device(device) { }

qsizetype JsonTranslatablesReader::invalidUtf8Offset(QByteArrayView bytes,
                                                     bool complete,
                                                     qsizetype *checkedEnd)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        // Translation files are mostly ASCII: skip it a word at a time.
        if (i + 8 <= size) {
            quint64 word;
            std::memcpy(&word, data + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xbf;
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            if (lead == 0xe0)
                low = 0xa0;
            else if (lead == 0xed)
                high = 0x9f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            if (lead == 0xf0)
                low = 0x90;
            else if (lead == 0xf4)
                high = 0x8f;
        } else {
            return i;
        }
        for (int k = 1; k < length; ++k) {
            if (i + k >= size) {
                if (complete)
                    return i;
                if (checkedEnd)
                    *checkedEnd = i;
                return -1;
            }
            const unsigned char next = data[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xbf))
                return i;
        }
        i += length;
    }
    if (checkedEnd)
        *checkedEnd = size;
    return -1;
}

bool JsonTranslatablesReader::fill()
{
    if (m_atEnd)
        return false;
    // Read straight into the buffer: no chunk to allocate and copy.
    const qsizetype filled = m_buffer.size();
    m_buffer.resize(filled + chunkSize);
    const qint64 read = m_device->read(m_buffer.data() + filled, chunkSize);
    m_buffer.resize(filled + std::max<qint64>(read, 0));
    if (read <= 0) {
        if (read < 0 || !m_device->atEnd())
            throw CannotOpenJsonFile("Unable to read JSON import file");
        m_atEnd = true;
    }
    // A sequence cut by the chunk's end is checked once the rest has come.
    qsizetype checkedEnd = 0;
    const qsizetype invalid
        = invalidUtf8Offset(QByteArrayView(m_buffer).sliced(m_checked), m_atEnd, &checkedEnd);
    if (invalid >= 0) {
        throw CannotReadJsonFile(
            QStringLiteral("Invalid JSON translation file - invalid UTF-8 at byte offset %1")
                .arg(m_bufferOffset + m_checked + invalid)
                .toStdString());
    }
    m_checked += checkedEnd;
    return !m_atEnd;
}

bool JsonTranslatablesReader::available(qsizetype index)
{
    while (index >= m_checked) {
        if (!fill())
            return index < m_checked;
    }
    return true;
}

int JsonTranslatablesReader::peek()
{
    return available(m_position) ? static_cast<unsigned char>(m_buffer.at(m_position)) : -1;
}

void JsonTranslatablesReader::skipWhitespace()
{
    while (isWhitespace(peek()))
        ++m_position;
}

bool JsonTranslatablesReader::expect(char character)
{
    skipWhitespace();
    if (peek() != character)
        return false;
    ++m_position;
    return true;
}

qsizetype JsonTranslatablesReader::stringEnd(qsizetype start)
{
    qsizetype index = start + 1;
    while (available(index)) {
        // Scans what is already checked without a call per byte; fill() may
        // move the buffer, so the pointer is taken again after each fill.
        const char *data = m_buffer.constData();
        for (const qsizetype end = m_checked; index < end;) {
            const char character = data[index];
            if (character == '"')
                return index + 1;
            index += character == '\\' ? 2 : 1;
        }
    }
    return -1;
}

qsizetype JsonTranslatablesReader::valueEnd(qsizetype start)
{
    if (!available(start))
        return -1;
    const char first = m_buffer.at(start);
    if (first == '"')
        return stringEnd(start);
    qsizetype index = start;
    if (first == '{' || first == '[') {
        // Brackets are only counted: Qt's parser checks that they match.
        int depth = 0;
        while (available(index)) {
            const char *data = m_buffer.constData();
            for (const qsizetype end = m_checked; index < end;) {
                const char character = data[index];
                if (character == '"') {
                    index = stringEnd(index);
                    if (index < 0)
                        return -1;
                    break; // the string may have filled the buffer
                }
                if (character == '{' || character == '[') {
                    ++depth;
                } else if (character == '}' || character == ']') {
                    if (--depth == 0)
                        return index + 1;
                }
                ++index;
            }
        }
        return -1;
    }
    while (available(index)) {
        const char character = m_buffer.at(index);
        if (isWhitespace(character) || character == ',' || character == '}' || character == ']')
            break;
        ++index;
    }
    return index > start ? index : -1;
}

bool JsonTranslatablesReader::read(const ElementHandler &handler)
{
    if (!expect('{'))
        return false;
    bool sawTranslatables = false;
    skipWhitespace();
    if (peek() != '}') {
        do {
            if (!readRootMember(handler, &sawTranslatables))
                return false;
        } while (expect(','));
    }
    if (!expect('}'))
        return false;
    skipWhitespace();
    return peek() < 0 && sawTranslatables;
}

bool JsonTranslatablesReader::readRootMember(const ElementHandler &handler, bool *sawTranslatables)
{
    skipWhitespace();
    if (peek() != '"')
        return false;
    const qsizetype keyEnd = stringEnd(m_position);
    QJsonValue key;
    if (keyEnd < 0
        || !parseValue(QByteArrayView(m_buffer).sliced(m_position, keyEnd - m_position), &key))
        return false;
    m_position = keyEnd;
    if (!expect(':'))
        return false;
    skipWhitespace();
    if (key.toString() == QLatin1String("translatables")) {
        // Which of several would count is Qt's parser's to say.
        if (*sawTranslatables)
            return false;
        *sawTranslatables = true;
        return readTranslatables(handler);
    }
    const qsizetype end = valueEnd(m_position);
    QJsonValue ignored;
    if (end < 0
        || !parseValue(QByteArrayView(m_buffer).sliced(m_position, end - m_position), &ignored))
        return false;
    m_position = end;
    return true;
}

bool JsonTranslatablesReader::readTranslatables(const ElementHandler &handler)
{
    if (peek() != '[')
        return false;
    ++m_position;
    if (expect(']'))
        return true;
    for (;;) {
        if (m_position >= chunkSize) {
            m_buffer.remove(0, m_position);
            m_bufferOffset += m_position;
            m_checked -= m_position;
            m_position = 0;
        }
        skipWhitespace();
        const qsizetype end = valueEnd(m_position);
        QJsonValue element;
        if (end < 0
            || !parseValue(QByteArrayView(m_buffer).sliced(m_position, end - m_position), &element))
            return false;
        m_position = end;
        handler(element);
        if (!expect(','))
            return expect(']');
    }
}

} // namespace Lexora
