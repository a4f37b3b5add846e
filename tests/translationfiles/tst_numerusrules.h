#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestNumerusRules : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void tableShape();
    void rowsMatchLrelease_data();
    void rowsMatchLrelease();
    void pluralSelection_data();
    void pluralSelection();

private:
    QTemporaryDir m_directory;
};
