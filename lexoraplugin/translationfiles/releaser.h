#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>

class QIODevice;

namespace Lexora {

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
    qsizetype entryCount() const { return qsizetype(m_entries.size()); }

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
