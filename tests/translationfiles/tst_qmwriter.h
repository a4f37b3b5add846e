#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestQmWriter : public QObject
{
    Q_OBJECT

private slots:
    void output_data();
    void output();
    void elfHash_data();
    void elfHash();
    void droppedReport_data();
    void droppedReport();
    void matchesLrelease_data();
    void matchesLrelease();
    void projectLanguages_data();
    void projectLanguages();

private:
    QTemporaryDir m_directory;
};
