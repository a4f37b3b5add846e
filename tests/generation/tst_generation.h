#pragma once

#include <QObject>

class TestGeneration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void edgeCases_data();
    void edgeCases();
    void firstFileWinsForSharedIds();
    void languageCodes_data();
    void languageCodes();
    void readFailures_data();
    void readFailures();
    void unwritableIdsAreLeftOut();
    void staleTemporariesAreRemoved();
    void refusals_data();
    void refusals();
    void databaseExceptionIsReported_data();
    void databaseExceptionIsReported();
    void writeErrorsAreReported();
    void overlappingRunsNeverExposeMixedFiles();
    void severalFormatsInOneRun_data();
    void severalFormatsInOneRun();
    void editsInterleaveWithARun_data();
    void editsInterleaveWithARun();
    void runnerReportsCompletion();
    void pseudoText_data();
    void pseudoText();
    void shutdownWaitsForWorkers();

private:
    QString m_lconvert;
};
