#pragma once

#include <QPointer>
#include <QStringList>

#include <memory>

QT_BEGIN_NAMESPACE
class QTemporaryDir;
QT_END_NAMESPACE

namespace Host::Projects {
class Project;
}
namespace Host::QmlProject {
class QmlBuildBackend;
}

namespace Lexora {

class DatabaseIoInterface;
class UserFeedbackInterface;

// Offers the pseudo locales for previewing and testing the startup project:
// their .qm files are made from the primary texts into a folder the plugin
// owns, never into the project or its database, and the project's build
// backend and the live preview learn where they are.
class PseudoPreviewLanguages
{
public:
    PseudoPreviewLanguages();
    ~PseudoPreviewLanguages();

    PseudoPreviewLanguages(const PseudoPreviewLanguages &) = delete;
    PseudoPreviewLanguages &operator=(const PseudoPreviewLanguages &) = delete;

    // Withdraws the languages from the project offered before and offers
    // them for `project` when it names a primary language and `database` is
    // open; null withdraws them only. Errors go to `feedback`.
    void setProject(Host::Projects::Project *project,
                    DatabaseIoInterface *database,
                    UserFeedbackInterface *feedback);
    // Writes the files anew from the current primary texts; false when they
    // could not be written (reported) or nothing is offered.
    bool refresh();

    // The offered codes; empty while nothing is offered.
    QStringList codes() const;

private:
    void withdraw();

    std::unique_ptr<QTemporaryDir> m_directory;
    QPointer<Host::QmlProject::QmlBuildBackend> m_backend;
    DatabaseIoInterface *m_database = nullptr;
    UserFeedbackInterface *m_feedback = nullptr;
};

} // namespace Lexora
