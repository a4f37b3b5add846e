#pragma once

#include <QList>
#include <QPointer>
#include <QUndoStack>

#include <optional>
#include <string>

namespace Host::Designer {
class DocumentModel;
class Node;
} // namespace Host::Designer

namespace Lexora {

class TranslationsModel;

// Both commands are pushed once their change is made, so their first redo has
// nothing to do.

// An edit of the translations table that the database took.
class TranslationEdit : public QUndoCommand
{
public:
    // `before` is none where the language had no translation.
    TranslationEdit(TranslationsModel *model,
                    const QString &translationId,
                    std::string languageCode,
                    bool plural,
                    std::optional<QString> before,
                    QString after);

    void undo() override;
    void redo() override;

private:
    TranslationsModel *m_model;
    QString m_translationId;
    std::string m_languageCode;
    std::optional<QString> m_before;
    QString m_after;
    bool m_plural;
    bool m_written = true;
};

// A property bound to a translation from the search results. The document may
// have been edited since: the node is found again by its place below the root
// (a Node pointer does not survive a reparse), and when it is no longer there,
// there is nothing left to undo.
class BindingChange : public QUndoCommand
{
public:
    // Made before the write, which may replace `node`. `before` is the
    // property's source text, none where the node did not have it.
    BindingChange(Host::Designer::Node *node,
                  const QByteArray &name,
                  std::optional<QString> before,
                  const QString &after);

    void undo() override;
    void redo() override;

private:
    void write(const std::optional<QString> &sourceText);

    QPointer<Host::Designer::DocumentModel> m_model;
    QList<int> m_path;
    QString m_typeName;
    QByteArray m_name;
    std::optional<QString> m_before;
    QString m_after;
    bool m_written = true;
};

} // namespace Lexora
