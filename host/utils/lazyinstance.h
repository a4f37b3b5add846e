#pragma once

#include <QBasicMutex>
#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>

namespace Host::Utils {

// The process-wide instance of a host service object, created on first use.
// Worker threads may be the first to ask, so the object is moved to the thread
// of the application object, where all host interface objects live; it is
// deleted when the application object goes. Instantiate once per service, in
// that service's own source file.
template<typename T, typename Factory> T *lazyInstance(Factory factory)
{
    static QBasicMutex mutex;
    static T *instance = nullptr;
    QMutexLocker locker(&mutex);
    if (!instance) {
        instance = factory();
        if (QCoreApplication *app = QCoreApplication::instance()) {
            if (instance->thread() != app->thread())
                instance->moveToThread(app->thread());
        }
        qAddPostRoutine([] {
            QMutexLocker lock(&mutex);
            delete instance;
            instance = nullptr;
        });
    }
    return instance;
}

} // namespace Host::Utils
