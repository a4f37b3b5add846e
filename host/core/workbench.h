#pragma once

#include "core_global.h"

QT_BEGIN_NAMESPACE
class QMainWindow;
class QString;
class QUndoGroup;
class QWidget;
QT_END_NAMESPACE

namespace Host::Core {

// Where the studio's main window is found. The application sets it once it has
// built the window; command-line tools and tests leave it unset, so dialogs and
// message boxes are shown (or suppressed by the platform) without a parent.
class HOST_CORE_EXPORT Workbench
{
public:
    Workbench() = delete;

    static QMainWindow *mainWindow();
    static void setMainWindow(QMainWindow *window);
    // The parent for message boxes and dialogs: the main window, or null headless.
    static QWidget *dialogParent();
    // The edits that Edit > Undo and Redo act on. Each panel that keeps an undo
    // stack adds it here and makes it active; the application builds its menu
    // actions from the group without knowing the panels. Lives as long as the
    // application object (null without one).
    static QUndoGroup *undoGroup();
    // A passing note in the main window's status bar; headless it goes nowhere.
    static void showStatusMessage(const QString &text, int timeoutMs = 8000);
};

} // namespace Host::Core
