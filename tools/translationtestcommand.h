#pragma once

#include <QStringList>

#include <chrono>

namespace Host::QmlProject {
class DesignProject;
}

namespace Lexora {

class DatabaseIoInterface;

// `lexora test`: runs the project translation test in a headless preview,
// stores the findings as screen metadata, writes the project report and
// prints a summary. The .qm files must be generated before.
class TranslationTestCommand
{
public:
    enum Result { Clean, Findings, Failed, TimedOut, Interrupted };

    TranslationTestCommand(Host::QmlProject::DesignProject *project, DatabaseIoInterface *database);

    // `files` as given on the command line (relative to the current
    // directory); empty: every file the project test dialog lists.
    Result run(const QStringList &files, std::chrono::seconds silenceLimit);

    // Files left out of the test (absolute paths): ones that cannot be read
    // or parsed would only stop the preview.
    void setSkippedFiles(const QStringList &files) { m_skippedFiles = files; }
    // Where a completed test also draws its screens with the findings
    // (VisualReport); empty: nowhere.
    void setVisualReportDirectory(const QString &directory) { m_visualReportDirectory = directory; }
    // How many previews test files side by side.
    void setJobs(int jobs) { m_jobs = jobs; }
    // Tests these pseudo locales instead of the project's languages, with
    // their .qm files in `directory`/<code>/i18n. Such a run stores nothing in
    // the database and writes translation_report_pseudo.json.
    void setPseudoLocales(const QStringList &codes, const QString &directory);
    // The signal that interrupted the last run (SIGINT, SIGTERM), or 0.
    int interruptingSignal() const { return m_signal; }

private:
    Host::QmlProject::DesignProject *m_project;
    DatabaseIoInterface *m_database;
    QStringList m_skippedFiles;
    QString m_visualReportDirectory;
    QStringList m_pseudoLocales;
    QString m_pseudoDirectory;
    int m_jobs = 1;
    int m_signal = 0;
};

} // namespace Lexora
