#pragma once

#include <QObject>

class TestFileServices : public QObject
{
    Q_OBJECT

private slots:
    void projectQueries_data();
    void projectQueries();
    void openFiles();
    void translationFileServicesReport_data();
    void translationFileServicesReport();
    void loadMessagesWithoutDevice();
};
