#pragma once

#include "core_global.h"

#include <utils/path.h>

#include <QObject>

namespace Host::Core {

// A document open in an editor: what the editor context reports as current.
class HOST_CORE_EXPORT Document : public QObject
{
    Q_OBJECT

public:
    explicit Document(QObject *parent = nullptr);
    explicit Document(const Utils::Path &filePath, QObject *parent = nullptr);
    ~Document() override;

    Utils::Path filePath() const;
    void setFilePath(const Utils::Path &filePath);

    // The file name unless set otherwise ("untitled" for a document without file).
    QString displayName() const;
    void setDisplayName(const QString &name);

signals:
    void filePathChanged(const Host::Utils::Path &oldPath, const Host::Utils::Path &newPath);
    void displayNameChanged();

private:
    Utils::Path m_filePath;
    QString m_displayName;
};

} // namespace Host::Core
