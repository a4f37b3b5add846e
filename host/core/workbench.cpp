#include "workbench.h"

#include <QMainWindow>
#include <QPointer>

namespace Host::Core {

namespace {
// Guarded: the window may be destroyed before plugins stop asking for it.
QPointer<QMainWindow> s_mainWindow;
} // namespace

QMainWindow *Workbench::mainWindow()
{
    return s_mainWindow.data();
}

void Workbench::setMainWindow(QMainWindow *window)
{
    s_mainWindow = window;
}

QWidget *Workbench::dialogParent()
{
    return s_mainWindow.data();
}

} // namespace Host::Core
