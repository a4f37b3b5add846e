#pragma once

#include "projects_global.h"

#include <QObject>

namespace Host::Projects {

class BuildTarget;
class Project;

// What knows how a project is put together for one target: reads the project's
// settings and tells when it has (re)read them. Project types derive from it
// and add their own settings.
class HOST_PROJECTS_EXPORT BuildBackend : public QObject
{
    Q_OBJECT

public:
    explicit BuildBackend(BuildTarget *target);
    ~BuildBackend() override;

    BuildTarget *target() const { return m_target; }
    Project *project() const;

    virtual QString name() const = 0;

    bool isParsing() const { return m_parsing; }
    // Whether the last parse succeeded.
    bool hasParsingData() const { return m_parsed; }

signals:
    void parsingStarted();
    void parsingFinished(bool success);

protected:
    void beginParsing();
    void endParsing(bool success);

private:
    BuildTarget *m_target;
    bool m_parsing = false;
    bool m_parsed = false;
};

} // namespace Host::Projects
