#include "qmldebugtranslationrunner.h"

#include "qmldebugtranslationrunnerprivate.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

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

void QmlDebugTranslationRunner::setExclusivePreview(bool exclusive)
{
    d->exclusivePreview = exclusive;
}

void QmlDebugTranslationRunner::setFileSource(const FileSource &source)
{
    d->fileSource = source;
}

void QmlDebugTranslationRunner::run(Host::Projects::Project *project)
{
    d->run(project);
}

void QmlDebugTranslationRunner::setSilenceLimit(std::chrono::milliseconds limit)
{
    d->silence.setInterval(limit);
}

QByteArray QmlDebugTranslationRunner::getResultJson() const
{
    return m_resultJson;
}

QmlDebugTranslationRunner::Outcome QmlDebugTranslationRunner::outcome() const
{
    return d->outcome;
}

QString QmlDebugTranslationRunner::failure() const
{
    return d->failure;
}

QList<QmlDebugTranslationRunner::LoadFailure> QmlDebugTranslationRunner::loadFailures() const
{
    return d->loadFailures;
}

QString QmlDebugTranslationRunner::readableError(const QString &line, const QString &baseDirectory)
{
    static const QRegularExpression place(
        QStringLiteral("^((?:file|qrc):\\S*?\\.(?:qml|js|mjs)):(\\d+)(?::(\\d+))?:?\\s*(.*)$"));
    const QRegularExpressionMatch match = place.match(line);
    if (!match.hasMatch())
        return line;
    const QUrl url(match.captured(1));
    QString where = url.isLocalFile() ? url.toLocalFile() : url.toString();
    if (url.isLocalFile() && !baseDirectory.isEmpty())
        where = QDir(baseDirectory).relativeFilePath(where);
    where = QDir::toNativeSeparators(where) + QLatin1Char(':') + match.captured(2);
    if (!match.captured(3).isEmpty())
        where += QLatin1Char(':') + match.captured(3);
    return where + QLatin1String(": ") + match.captured(4);
}

QString QmlDebugTranslationRunner::problems() const
{
    QStringList lines;
    if (d->outcome != Outcome::Completed) {
        for (const QString &line : d->failure.split(QLatin1Char('\n')))
            lines.append(readableError(line));
        return lines.join(QLatin1Char('\n'));
    }
    for (const LoadFailure &failure : d->loadFailures) {
        lines.append(tr("%1 could not be shown:").arg(failure.file.toUserOutput()));
        for (const QString &message : failure.messages)
            lines.append(readableError(message));
    }
    return lines.join(QLatin1Char('\n'));
}

QByteArray QmlDebugTranslationRunner::partialResultJson() const
{
    if (d->outcome == Outcome::Completed)
        return m_resultJson;
    return QmlDebugTranslationRunnerPrivate::resultJson(
        d->results.mid(0, d->finishedRecords), d->languageIssues, d->languages);
}

QList<TranslationIssue> QmlDebugTranslationRunner::languageIssues() const
{
    return m_languageIssues;
}

} // namespace Lexora
