#pragma once

#include <QObject>
#include <QString>

// The example project under tests/qtproject, as Qt's own tools see it: plural
// forms, source texts and comments, and a JavaScript file.
class TestQtProject : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void pluralsAnswerAsLrelease_data();
    void pluralsAnswerAsLrelease();
    void sourceTextsAndCommentsAsLupdate();

private:
    QString m_lrelease;
    QString m_lupdate;
    QString m_lconvert;
};
