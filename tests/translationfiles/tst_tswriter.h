#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestTsWriter : public QObject
{
    Q_OBJECT

private slots:
    void output_data();
    void output();
    void escaping_data();
    void escaping();
    void peersKeepIdsWithWhiteSpace();
    void lconvertReadsEveryFile_data();
    void lconvertReadsEveryFile();

private:
    QTemporaryDir m_directory;
};
