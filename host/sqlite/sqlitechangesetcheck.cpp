#include "sqlitechangesetcheck.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstring>

namespace Host::Sqlite {

namespace {

class Reader
{
public:
    Reader(const unsigned char *data, std::size_t size) : m_data(data), m_size(size) { }

    bool atEnd() const { return m_position == m_size; }
    bool byte(unsigned char &value)
    {
        if (m_position >= m_size)
            return false;
        value = m_data[m_position++];
        return true;
    }
    bool take(std::uint64_t count, const unsigned char *&start)
    {
        start = m_data + m_position;
        return skip(count);
    }
    bool skip(std::uint64_t count)
    {
        if (count > m_size - m_position)
            return false;
        m_position += std::size_t(count);
        return true;
    }
    // SQLite's variable-length integer: up to eight groups of seven bits, most
    // significant first, and a ninth byte of eight.
    bool varint(std::uint64_t &value)
    {
        value = 0;
        for (int index = 0; index < 9; ++index) {
            unsigned char next = 0;
            if (!byte(next))
                return false;
            if (index == 8) {
                value = (value << 8) | next;
                return true;
            }
            value = (value << 7) | (next & 0x7f);
            if (!(next & 0x80))
                return true;
        }
        return true;
    }
    // A table name: bytes up to a terminating zero, at least one of them.
    bool name(std::string_view &text)
    {
        const void *end = std::memchr(m_data + m_position, 0, m_size - m_position);
        if (!end)
            return false;
        const std::size_t length
            = std::size_t(static_cast<const unsigned char *>(end) - (m_data + m_position));
        text = std::string_view(reinterpret_cast<const char *>(m_data + m_position), length);
        m_position += length + 1;
        return length > 0;
    }

private:
    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

// One value per column: its type, then 8 bytes for numbers or a length and
// the bytes for text and blobs; 0 marks a column the change does not carry.
// The record that identifies the row carries every primary-key column.
bool readRecord(Reader &reader,
                std::uint64_t columnCount,
                const unsigned char *primaryKeyFlags = nullptr)
{
    for (std::uint64_t column = 0; column < columnCount; ++column) {
        unsigned char type = 0;
        if (!reader.byte(type))
            return false;
        switch (type) {
        case 0:
            if (primaryKeyFlags && primaryKeyFlags[column])
                return false;
            break;
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            if (!reader.skip(8))
                return false;
            break;
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            std::uint64_t length = 0;
            if (!reader.varint(length) || !reader.skip(length))
                return false;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

} // namespace

bool isWellFormedChangeSet(const void *data,
                           std::size_t size,
                           const std::function<int(std::string_view)> &columnCountOf)
{
    Reader reader(static_cast<const unsigned char *>(data), size);
    std::uint64_t columnCount = 0;
    const unsigned char *primaryKeyFlags = nullptr;
    while (!reader.atEnd()) {
        unsigned char operation = 0;
        reader.byte(operation);
        if (operation == 'T') {
            // A table header: column count, one primary-key flag per column, name.
            std::string_view table;
            if (!reader.varint(columnCount) || columnCount == 0
                || !reader.take(columnCount, primaryKeyFlags) || !reader.name(table)
                || std::uint64_t(columnCountOf(table)) != columnCount)
                return false;
            continue;
        }
        unsigned char indirect = 0;
        if (columnCount == 0 || !reader.byte(indirect) || indirect > 1)
            return false;
        switch (operation) {
        case SQLITE_INSERT:
        case SQLITE_DELETE:
            if (!readRecord(reader, columnCount, primaryKeyFlags))
                return false;
            break;
        case SQLITE_UPDATE:
            if (!readRecord(reader, columnCount, primaryKeyFlags)
                || !readRecord(reader, columnCount))
                return false;
            break;
        default:
            // Patch sets ('P') are never recorded.
            return false;
        }
    }
    return true;
}

} // namespace Host::Sqlite
