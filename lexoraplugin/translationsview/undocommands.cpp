#include "undocommands.h"

#include "translationsmodel.h"

#include <designer/documentmodel.h>
#include <designer/node.h>

#include <utility>

namespace Lexora {

using Host::Designer::Node;

namespace {

QList<int> pathOf(const Node *node)
{
    QList<int> path;
    for (; node->parentNode(); node = node->parentNode()) {
        const QList<Node *> siblings = node->parentNode()->childNodes();
        path.prepend(int(siblings.indexOf(const_cast<Node *>(node))));
    }
    return path;
}

Node *nodeAt(const Host::Designer::DocumentModel *model, const QList<int> &path)
{
    Node *node = model->rootNode();
    for (const int row : path) {
        if (!node || row < 0 || row >= node->childCount())
            return nullptr;
        node = node->childAt(row);
    }
    return node;
}

} // namespace

TranslationEdit::TranslationEdit(TranslationsModel *model,
                                 const QString &translationId,
                                 std::string languageCode,
                                 bool plural,
                                 std::optional<QString> before,
                                 QString after)
    : QUndoCommand(TranslationsModel::tr("Translation of %1").arg(translationId)),
      m_model(model),
      m_translationId(translationId),
      m_languageCode(std::move(languageCode)),
      m_before(std::move(before)),
      m_after(std::move(after)),
      m_plural(plural)
{ }

void TranslationEdit::undo()
{
    m_model->writeTranslation(m_translationId, m_languageCode, m_plural, m_before);
}

void TranslationEdit::redo()
{
    if (!std::exchange(m_written, false))
        m_model->writeTranslation(m_translationId, m_languageCode, m_plural, m_after);
}

BindingChange::BindingChange(Node *node,
                             const QByteArray &name,
                             std::optional<QString> before,
                             const QString &after)
    : QUndoCommand(TranslationsModel::tr("Set %1").arg(QString::fromUtf8(name))),
      m_model(node->model()),
      m_path(pathOf(node)),
      m_typeName(node->typeName()),
      m_name(name),
      m_before(std::move(before)),
      m_after(after)
{ }

void BindingChange::undo()
{
    write(m_before);
}

void BindingChange::redo()
{
    if (!std::exchange(m_written, false))
        write(m_after);
}

void BindingChange::write(const std::optional<QString> &sourceText)
{
    Node *node = m_model ? nodeAt(m_model, m_path) : nullptr;
    if (!node || node->typeName() != m_typeName) {
        setObsolete(true);
        return;
    }
    if (sourceText)
        m_model->setBindingProperty(node, m_name, *sourceText);
    else
        m_model->removeProperties({ node->property(m_name) });
}

} // namespace Lexora
