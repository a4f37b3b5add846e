#include "linguistimportcommand.h"

#include "lexoratool.h"
#include "terminalfeedback.h"

#include "databaseio/databaseio.h"
#include "databaseio/projectdatabase.h"
#include "linguistimport.h"

#include <qmlproject/designproject.h>
#include <qmlproject/qmlbuildbackend.h>

#include <QCoreApplication>

namespace Lexora {

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("Lexora", text, disambiguation, n);
}

void printOut(const QString &text)
{
    TerminalFeedback::printLine(text);
}

} // namespace

int LinguistImportCommand::run(const QStringList &tsFiles, bool dryRun, bool takeUnfinished)
{
    Host::QmlProject::QmlBuildBackend *backend
        = Host::QmlProject::QmlBuildBackend::forProject(m_tool.m_project);
    LinguistImport import(backend ? backend->supportedLanguages() : QStringList(), takeUnfinished);
    // Every file is read before the database is touched, so a broken one
    // changes nothing.
    {
        QFutureInterface<void> reading = m_tool.m_feedback->createProgress(
            tr("Read %n Qt Linguist file(s)", nullptr, int(tsFiles.size())), "ReadLinguistFiles");
        m_tool.m_feedback->startProgress(reading);
        m_tool.m_feedback->setProgressMaximum(reading, int(tsFiles.size()));
        int done = 0;
        for (const QString &file : tsFiles) {
            try {
                import.addFile(file);
            } catch (const std::exception &exception) {
                m_tool.m_feedback->finishProgress(reading);
                // The reason names the file and, for a parse error, the line.
                m_tool.fail(tr("cannot import: %1").arg(QString::fromUtf8(exception.what())));
                return LexoraTool::Failure;
            }
            m_tool.m_feedback->setProgressValue(reading, ++done);
        }
        m_tool.m_feedback->finishProgress(reading);
    }
    for (const QString &note : import.notes())
        m_tool.fail(tr("note: %1").arg(note));
    if (!m_tool.openDatabase(LexoraTool::ForWriting))
        return LexoraTool::Failure;

    const TranslatableEntries &entries = import.entries();
    SyncSummary summary;
    QFutureInterface<void> progress = m_tool.m_feedback->createProgress(
        dryRun ? tr("Try the import") : tr("Import translations"), "ImportTranslations");
    m_tool.m_feedback->startProgress(progress);
    m_tool.m_feedback->setProgressMaximum(progress, int(entries.size()));
    try {
        summary = m_tool.m_database->databaseIo().storeAsLocalEdits(
            entries,
            dryRun ? DatabaseIo::SyncMode::DryRun : DatabaseIo::SyncMode::Commit,
            [&](std::size_t done) { m_tool.m_feedback->setProgressValue(progress, int(done)); });
    } catch (const std::exception &exception) {
        m_tool.m_feedback->finishProgress(progress);
        if (isLockedError(exception)) {
            m_tool.fail(lockedText(m_tool.databasePath().toString()));
        } else {
            m_tool.fail(
                tr("importing %1 into the translation database failed: %2")
                    .arg(tsFiles.join(QLatin1String(", ")), QString::fromUtf8(exception.what())));
        }
        return LexoraTool::Failure;
    }
    m_tool.m_feedback->finishProgress(progress);

    QStringList names;
    for (const QString &file : tsFiles)
        names.append(TerminalFeedback::printablePath(file));
    const int count = int(entries.size());
    printOut(dryRun
                 ? tr("Dry run, nothing was changed: importing %n translation ID(s) from %1 "
                      "into %2 would make these changes",
                      nullptr,
                      count)
                       .arg(names.join(QLatin1String(", ")), m_tool.databasePath().toUserOutput())
                 : tr("Imported %n translation ID(s) from %1 into %2", nullptr, count)
                       .arg(names.join(QLatin1String(", ")), m_tool.databasePath().toUserOutput()));
    LexoraTool::printChanges(summary);
    const LinguistImportCounts &counts = import.counts();
    printOut(tr("  messages: %1 read, %2 taken, %3 unfinished left out, %4 untranslated, %5 "
                "vanished or obsolete, %6 without an ID")
                 .arg(counts.messages)
                 .arg(counts.taken)
                 .arg(counts.unfinished)
                 .arg(counts.untranslated)
                 .arg(counts.vanished)
                 .arg(counts.withoutId));
    if (counts.plural > 0) {
        printOut(tr("  plural messages: %1, with all their forms").arg(counts.plural));
    }
    if (counts.unfinished > 0)
        m_tool.fail(tr("note: --unfinished takes the %n unfinished translation(s) too",
                       nullptr,
                       counts.unfinished));
    if (counts.withoutId > 0) {
        m_tool.fail(
            tr("warning: %n message(s) without an ID were left out: translations are looked up "
               "by ID (qsTrId), as lrelease -idbased does",
               nullptr,
               counts.withoutId));
    }
    return LexoraTool::Success;
}

} // namespace Lexora
