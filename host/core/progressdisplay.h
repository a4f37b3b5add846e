#pragma once

#include "core_global.h"

#include <QWidget>

#include <vector>

QT_BEGIN_NAMESPACE
class QLabel;
class QProgressBar;
class QToolButton;
class QVBoxLayout;
QT_END_NAMESPACE

namespace Host::Core {

class ProgressModel;

// The progress area of the main window: a title and a bar per entry of a
// progress model, with a button that cancels the entry's future.
class HOST_CORE_EXPORT ProgressDisplay : public QWidget
{
    Q_OBJECT

public:
    // Without a model the display shows the process-wide progress center.
    explicit ProgressDisplay(QWidget *parent = nullptr);
    explicit ProgressDisplay(ProgressModel *model, QWidget *parent = nullptr);
    ~ProgressDisplay() override;

    ProgressModel *model() const { return m_model; }
    int entryCount() const { return int(m_rows.size()); }
    QProgressBar *progressBar(int row) const;
    QLabel *titleLabel(int row) const;

signals:
    void cancelRequested(const QByteArray &typeId);

private:
    struct Row
    {
        QWidget *container = nullptr;
        QLabel *title = nullptr;
        QProgressBar *bar = nullptr;
        QToolButton *cancel = nullptr;
    };

    void rebuild();
    void refresh(int row);

    ProgressModel *m_model = nullptr;
    QVBoxLayout *m_layout = nullptr;
    std::vector<Row> m_rows;
};

} // namespace Host::Core
