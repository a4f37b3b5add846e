#pragma once

#include "advancedqmldebugtranslationclient.h"

#include <utils/path.h>

#include <QObject>

namespace Host::Projects {
class Project;
}

namespace Lexora {

class QmlDebugTranslationRunnerPrivate;

// Runs a translation test of QML files in the live preview: every file, every
// state of its root item and every language; collects missing translations
// and elided texts and builds the result JSON from them.
class QmlDebugTranslationRunner : public QObject
{
    Q_OBJECT

public:
    explicit QmlDebugTranslationRunner(QObject *parent = nullptr);
    ~QmlDebugTranslationRunner() override;

    void setFiles(const QList<Host::Utils::Path> &files);
    // Language codes; the preview takes them as locale names.
    void setLanguages(const QList<QString> &languages);
    void setWatchTextElides(bool watch);
    void setCollectMetaData(bool collect);

    void run(Host::Projects::Project *project);
    // The result of the last run that ended; empty before.
    QByteArray getResultJson() const;
    // The issues of the last run that ended, each with the language code of
    // the run that was active when it was reported (the service reports the
    // locale's whole list of UI languages instead).
    QList<TranslationIssue> languageIssues() const;

signals:
    // The run's preview stopped, whether the run was complete or not.
    void stopped();
    void progressed();

private:
    friend class QmlDebugTranslationRunnerPrivate;

    // A child object, so that it and its run control can be found in the tree.
    QmlDebugTranslationRunnerPrivate *d;
    QByteArray m_resultJson;
    QList<TranslationIssue> m_languageIssues;
};

} // namespace Lexora
