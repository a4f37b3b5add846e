#include "document.h"

namespace Host::Core {

Document::Document(QObject *parent) : QObject(parent) { }

Document::Document(const Utils::Path &filePath, QObject *parent)
    : QObject(parent), m_filePath(filePath)
{ }

Document::~Document() = default;

Utils::Path Document::filePath() const
{
    return m_filePath;
}

void Document::setFilePath(const Utils::Path &filePath)
{
    if (filePath == m_filePath)
        return;
    const Utils::Path oldPath = m_filePath;
    m_filePath = filePath;
    emit filePathChanged(oldPath, filePath);
    if (m_displayName.isEmpty())
        emit displayNameChanged();
}

QString Document::displayName() const
{
    if (!m_displayName.isEmpty())
        return m_displayName;
    if (m_filePath.isEmpty())
        return tr("untitled");
    return m_filePath.fileName();
}

void Document::setDisplayName(const QString &name)
{
    if (name == m_displayName)
        return;
    m_displayName = name;
    emit displayNameChanged();
}

} // namespace Host::Core
