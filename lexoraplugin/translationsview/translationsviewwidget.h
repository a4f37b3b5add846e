#pragma once

#include <QFrame>

QT_BEGIN_NAMESPACE
class QTabWidget;
QT_END_NAMESPACE

namespace Lexora {

class TranslationsSearchWidget;
class TranslationsView;
class TranslationsWidget;

// The panel the translations view gives the designer: the translations table
// and the full-text search, each in a tab.
class TranslationsViewWidget : public QFrame
{
    Q_OBJECT

public:
    explicit TranslationsViewWidget(TranslationsView *view, QWidget *parent = nullptr);
    ~TranslationsViewWidget() override;

    TranslationsWidget *translationsWidget() const { return m_translationsWidget; }
    TranslationsSearchWidget *searchWidget() const { return m_searchWidget; }
    QTabWidget *tabWidget() const { return m_tabWidget; }

    // The panel adds nothing to the designer's own tool bar.
    QList<QWidget *> createToolBarWidgets() { return {}; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    TranslationsWidget *m_translationsWidget;
    TranslationsView *m_view;
    TranslationsSearchWidget *m_searchWidget;
    QTabWidget *m_tabWidget;
};

} // namespace Lexora
