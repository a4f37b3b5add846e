#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

class QIODevice;

namespace Lexora {

// Tag bytes of the compiled file: those that open a section and those that
// open a field of a message record. The reader knows the two UTF-16 fields
// that older files use; the writer never produces them.
namespace QmFormat {

enum Section : uchar {
    SectionContexts = 0x2f,
    SectionHashes = 0x42,
    SectionMessages = 0x69,
    SectionNumerusRules = 0x88,
    SectionDependencies = 0x96,
    SectionLanguage = 0xa7,
};

enum Tag : uchar {
    TagEnd = 0x01,
    TagSourceText16 = 0x02,
    TagTranslation = 0x03,
    TagContext16 = 0x04,
    TagSourceText = 0x06,
    TagContext = 0x07,
    TagComment = 0x08,
};

} // namespace QmFormat

// One message as the compiled file stores it. ID-based messages carry the ID in
// sourceText and leave context and comment empty.
struct QmEntry
{
    QByteArray context;
    QByteArray sourceText;
    QByteArray comment;
    QStringList translations;
};

struct QmHashEntry
{
    quint32 hash;
    quint32 offset;

    friend auto operator<=>(const QmHashEntry &, const QmHashEntry &) = default;
};

// Collects entries for one language and compiles them into the binary .qm
// layout that QTranslator reads.
class Releaser
{
public:
    enum SaveMode { SaveEverything };

    // The 16 bytes every compiled translation file starts with.
    static const uchar magic[16];

    explicit Releaser(const QString &language = QString());

    // Keeps the entry already stored under the same (context, source, comment).
    void insert(QmEntry entry);

    void setNumerusRules(const QByteArray &rules) { m_numerusRules = rules; }
    void setDependencies(const QStringList &dependencies) { m_dependencies = dependencies; }

    void squeeze(SaveMode mode);
    // Writes the sections built by the last squeeze(). Returns false when the
    // device reports a write error.
    bool save(QIODevice &device) const;

    static quint32 elfHash(const QByteArray &bytes);

private:
    struct Key
    {
        QByteArray context;
        QByteArray sourceText;
        QByteArray comment;

        // QByteArray compares as unsigned bytes, a prefix sorting first.
        friend bool operator<(const Key &left, const Key &right)
        {
            if (int c = left.context.compare(right.context))
                return c < 0;
            if (int c = left.sourceText.compare(right.sourceText))
                return c < 0;
            return left.comment < right.comment;
        }
    };

    QString m_language;
    std::map<Key, QStringList> m_entries;
    QByteArray m_numerusRules;
    QStringList m_dependencies;

    QByteArray m_messageArray;
    QByteArray m_offsetArray;
    QByteArray m_dependencyArray;
    QByteArray m_contextArray; // never filled: ID-based files need no context table
};

} // namespace Lexora
