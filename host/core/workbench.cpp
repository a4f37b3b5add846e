#include "workbench.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QUndoGroup>

namespace Host::Core {

namespace {
// Guarded: the window may be destroyed before plugins stop asking for it.
QPointer<QMainWindow> s_mainWindow;
QPointer<QUndoGroup> s_undoGroup;
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

QUndoGroup *Workbench::undoGroup()
{
    if (!s_undoGroup && QCoreApplication::instance())
        s_undoGroup = new QUndoGroup(QCoreApplication::instance());
    return s_undoGroup.data();
}

void Workbench::showStatusMessage(const QString &text, int timeoutMs)
{
    if (s_mainWindow)
        s_mainWindow->statusBar()->showMessage(text, timeoutMs);
}

} // namespace Host::Core
