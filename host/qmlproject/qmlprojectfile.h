#pragma once

#include "qmlproject_global.h"

#include <utils/path.h>

#include <QList>
#include <QString>
#include <QVariant>

namespace Host::QmlProject {

// The contents of a .qmlproject file, read with Qt's QML parser. Keeps the text
// and where each property of the root `Project` element sits in it, so that a
// setting can be changed by editing only its value and everything else
// (comments, layout, properties we do not know) stays as the user wrote it.
class HOST_QMLPROJECT_EXPORT QmlProjectFile
{
public:
    struct Property
    {
        QString name;
        // A string, bool, number or list for literal values; invalid for other
        // expressions, whose text is in `source`.
        QVariant value;
        QString source;
        int offset = 0; // of the value in the text
        int length = 0;
    };

    struct Element
    {
        QString typeName;
        QList<Property> properties;
        QList<Element> children;

        const Property *property(const QString &name) const;
    };

    QmlProjectFile() = default;

    // False with `errorString` set when the file cannot be read or parsed.
    bool load(const Utils::Path &filePath, QString *errorString);
    bool parse(const QString &text, QString *errorString);
    // Writes the current text back to the file it was loaded from, atomically.
    bool save(QString *errorString) const;
    // The bytes `save` writes: the text in UTF-8, after a byte order mark when
    // the file had one.
    QByteArray contents() const;

    Utils::Path filePath() const { return m_filePath; }
    void setFilePath(const Utils::Path &path) { m_filePath = path; }
    QString text() const { return m_text; }
    bool isValid() const { return m_valid; }

    // The root element (`Project`) with its properties and child elements.
    const Element &root() const { return m_root; }
    const Property *property(const QString &name) const { return m_root.property(name); }
    QVariant value(const QString &name) const;
    bool hasProperty(const QString &name) const { return property(name) != nullptr; }

    // Every binding of `name` in the root element, duplicates included.
    QList<Property> bindings(const QString &name) const;

    // Sets a root property to the QML expression `valueSource`: replaces exactly
    // the value of every binding of that name, or adds the binding on a line of
    // its own before the root element's closing brace, in the file's indentation
    // and line-end style. The edited text must read back with `valueSource` as
    // the value of each such binding and every other binding and element
    // unchanged; otherwise false with `errorString` set, and nothing changes.
    bool setPropertySource(const QString &name, const QString &valueSource, QString *errorString);

    // QML source for a string, a list of strings and a bool.
    static QString quoted(const QString &text);
    static QString stringList(const QStringList &list);
    static QString boolean(bool value);

private:
    Utils::Path m_filePath;
    QString m_text;
    Element m_root;
    QList<Property> m_rootBindings; // every binding of the root, duplicates included
    int m_rootMembers = 0; // of every kind, also those we do not read
    int m_rootClosingBrace = -1;
    QString m_memberIndent;
    // Written back as found: the decoder drops the mark, but the file had it.
    bool m_byteOrderMark = false;
    bool m_valid = false;
};

} // namespace Host::QmlProject
