#pragma once

#include <QObject>

class TestTranslationCatalog : public QObject
{
    Q_OBJECT

private slots:
    void builtInFormats();
    void registrationOrder();
    void saveReports_data();
    void saveReports();
    void loadReports_data();
    void loadReports();
    void qmRoundTrip_data();
    void qmRoundTrip();
    void qmLoaderRejectsBrokenFiles_data();
    void qmLoaderRejectsBrokenFiles();
};
