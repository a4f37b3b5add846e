#pragma once

#include <QObject>

class TestAtomicFile : public QObject
{
    Q_OBJECT

private slots:
    void replacesTargetOnlyWhenClosed_data();
    void replacesTargetOnlyWhenClosed();
    void discardKeepsTarget();
    void fileSizeLimitIsDetected_data();
    void fileSizeLimitIsDetected();
    void cannotOpenInMissingDirectory();
    void writeFileReplacesWholeOrNothing_data();
    void writeFileReplacesWholeOrNothing();
};
