#include "qmldebugtranslationrunner.h"

#include "qmldebugtranslationrunnerprivate.h"

namespace Lexora {

QmlDebugTranslationRunner::QmlDebugTranslationRunner(QObject *parent)
    : QObject(parent), d(new QmlDebugTranslationRunnerPrivate(this))
{ }

QmlDebugTranslationRunner::~QmlDebugTranslationRunner()
{
    // The private part's destructor stops a run control that still runs and
    // takes the test-run flag back if this runner holds it.
    delete d;
}

void QmlDebugTranslationRunner::setFiles(const QList<Host::Utils::Path> &files)
{
    d->files = files;
}

void QmlDebugTranslationRunner::setLanguages(const QList<QString> &languages)
{
    d->languages = languages;
}

void QmlDebugTranslationRunner::setWatchTextElides(bool watch)
{
    d->watchTextElides = watch;
}

void QmlDebugTranslationRunner::setCollectMetaData(bool collect)
{
    d->collectMetaData = collect;
}

void QmlDebugTranslationRunner::run(Host::Projects::Project *project)
{
    d->run(project);
}

QByteArray QmlDebugTranslationRunner::getResultJson() const
{
    return m_resultJson;
}

QList<TranslationIssue> QmlDebugTranslationRunner::languageIssues() const
{
    return m_languageIssues;
}

} // namespace Lexora
