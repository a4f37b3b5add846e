#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

class QIODevice;
class QJsonValue;

namespace Lexora {

// Reads the "translatables" array of a JSON translation file one element at a
// time, so that a file of hundreds of megabytes is never held whole, neither
// as bytes nor as a document. Each element is parsed by Qt's JSON parser on
// its own; the reader itself only finds where the elements start and end.
//
// It takes the common layout only: a root object whose "translatables" member
// is an array, given once. Any other text (a syntax error, a root that is not
// an object, no or several "translatables") makes read() return false, and the
// caller parses the whole file instead, which tells exactly what is wrong.
class JsonTranslatablesReader
{
public:
    using ElementHandler = std::function<void(const QJsonValue &element)>;

    explicit JsonTranslatablesReader(QIODevice *device);

    // Hands every element to `handler` in file order. Raises CannotReadJsonFile
    // for bytes that are not UTF-8, and whatever `handler` raises.
    bool read(const ElementHandler &handler);

    // The offset of the first byte that is not part of a well-formed UTF-8
    // sequence (overlong forms, surrogates and code points above U+10FFFF
    // included), or -1. Unless `complete`, a sequence cut short by the end is
    // not an error: `checkedEnd` then tells where it starts.
    static qsizetype
    invalidUtf8Offset(QByteArrayView bytes, bool complete = true, qsizetype *checkedEnd = nullptr);

private:
    bool fill();
    bool available(qsizetype index);
    int peek();
    void skipWhitespace();
    bool expect(char character);
    qsizetype stringEnd(qsizetype start);
    qsizetype valueEnd(qsizetype start);
    bool readRootMember(const ElementHandler &handler, bool *sawTranslatables);
    bool readTranslatables(const ElementHandler &handler);

    QIODevice *m_device;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    qsizetype m_checked = 0;
    qint64 m_bufferOffset = 0;
    bool m_atEnd = false;
};

} // namespace Lexora
