#include "translationstatusmodel.h"

#include "checks/checkreport.h"
#include "checks/textcomparison.h"
#include "checks/translationchecker.h"
#include "translationsview/translationsmodel.h"

#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace Lexora {

namespace {

enum class Mark { Translated, Missing, SourceText, Same, Finding, Unknown };

// Shapes as well as colours, so that the marks differ for every eye.
QIcon markIcon(Mark mark)
{
    static QHash<int, QIcon> cache;
    const auto cached = cache.constFind(int(mark));
    if (cached != cache.cend())
        return *cached;

    QIcon icon;
    for (const int size : { 16, 32 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        const QRectF circle(3, 3, 10, 10);
        switch (mark) {
        case Mark::Translated:
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0x2e, 0x9d, 0x4f));
            painter.drawEllipse(circle);
            break;
        case Mark::Missing:
            painter.setPen(QPen(QColor(0xd3, 0x2f, 0x2f), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
            break;
        case Mark::SourceText:
            painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 2, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
            break;
        case Mark::Same: {
            painter.setPen(QPen(QColor(0x1e, 0x6f, 0xc8), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle.adjusted(0.75, 0.75, -0.75, -0.75));
            painter.setPen(QPen(QColor(0x1e, 0x6f, 0xc8), 1.5));
            painter.drawLine(QPointF(5.5, 7), QPointF(10.5, 7));
            painter.drawLine(QPointF(5.5, 9.5), QPointF(10.5, 9.5));
            break;
        }
        case Mark::Finding: {
            QPainterPath triangle;
            triangle.moveTo(8, 1.5);
            triangle.lineTo(15, 14.5);
            triangle.lineTo(1, 14.5);
            triangle.closeSubpath();
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0xe6, 0x8a, 0x00));
            painter.drawPath(triangle);
            painter.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(8, 6), QPointF(8, 10));
            painter.drawPoint(QPointF(8, 12.5));
            break;
        }
        case Mark::Unknown:
            painter.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), 1.5, Qt::DashLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(circle.adjusted(0.75, 0.75, -0.75, -0.75));
            break;
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    cache.insert(int(mark), icon);
    return icon;
}

Mark markOf(TranslationStatusModel::Statuses status)
{
    using Model = TranslationStatusModel;
    if (status & Model::findings)
        return Mark::Finding;
    if (status & (Model::Missing | Model::PrimaryMissing))
        return status & Model::UnknownId ? Mark::Unknown : Mark::Missing;
    if (status & Model::SourceTextOnly)
        return Mark::SourceText;
    if (status & Model::SameAsPrimary)
        return Mark::Same;
    return Mark::Translated;
}

bool hasText(const QString &text, const QStringList &forms)
{
    return !text.isEmpty() || std::any_of(forms.begin(), forms.end(), [](const QString &form) {
        return !form.isEmpty();
    });
}

} // namespace

TranslationStatusModel::TranslationStatusModel(QObject *parent) : QIdentityProxyModel(parent) { }

void TranslationStatusModel::setSourceModel(QAbstractItemModel *model)
{
    if (sourceModel())
        disconnect(sourceModel(), nullptr, this, nullptr);
    QIdentityProxyModel::setSourceModel(model);
    if (!model)
        return;
    // A text cell decides the status the ID cell shows.
    connect(model,
            &QAbstractItemModel::dataChanged,
            this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                followLanguages();
                announceStatusChange(topLeft.row(), bottomRight.row());
            });
    // The table model says nothing of a change of language; the rows it loads
    // for the new language do.
    for (auto signal : { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(model, signal, this, &TranslationStatusModel::followLanguages);
    connect(model, &QAbstractItemModel::modelReset, this, &TranslationStatusModel::followLanguages);
    followLanguages();
}

void TranslationStatusModel::followLanguages()
{
    const TranslationsModel *model = translations();
    if (!model)
        return;
    const QStringList names { model->primaryLanguage().nameString(),
                              model->currentLanguage().nameString() };
    if (names == m_languageNames)
        return;
    m_languageNames = names;
    emit headerDataChanged(Qt::Horizontal, 1, 2);
}

const TranslationsModel *TranslationStatusModel::translations() const
{
    return qobject_cast<const TranslationsModel *>(sourceModel());
}

const TranslationStatusModel::Findings *TranslationStatusModel::findingsOf(int row) const
{
    const TranslationsModel *model = translations();
    if (!model || row < 0 || std::size_t(row) >= model->rows().size() || m_findings.isEmpty())
        return nullptr;
    const auto found = m_findings.constFind(model->rows()[std::size_t(row)].translationId);
    return found == m_findings.cend() ? nullptr : &*found;
}

QStringList TranslationStatusModel::failedChecks(int row) const
{
    const TranslationsModel *model = translations();
    if (!model || row < 0 || std::size_t(row) >= model->rows().size())
        return {};
    const TranslationRow &entry = model->rows()[std::size_t(row)];
    // The primary language's own column has nothing to be compared with.
    if (model->currentLanguage().code.empty()
        || model->currentLanguage().code == model->primaryLanguage().code
        || entry.primaryTranslation.isEmpty() || entry.currentTranslation.isEmpty())
        return {};
    QStringList failed;
    if (entry.plural && entry.currentForms.size() > 1) {
        // Every form must keep what the primary text holds, apart from the
        // count marker, which only some forms spell out.
        for (const QString &form : entry.currentForms) {
            for (const QString &check :
                 TextComparison::failedChecks(entry.primaryTranslation, form)) {
                if (check != QLatin1String(CheckNames::placeholders) && !failed.contains(check))
                    failed.append(check);
            }
        }
    } else {
        failed = TextComparison::failedChecks(entry.primaryTranslation, entry.currentTranslation);
    }
    if (const Findings *findings = findingsOf(row)) {
        if (findings->ignoredChecks.contains(QLatin1String("*")))
            return {};
        for (const QString &ignored : findings->ignoredChecks)
            failed.removeAll(ignored);
    }
    return failed;
}

TranslationStatusModel::Statuses TranslationStatusModel::status(int row) const
{
    const TranslationsModel *model = translations();
    if (!model || row < 0 || std::size_t(row) >= model->rows().size())
        return Translated;
    const TranslationRow &entry = model->rows()[std::size_t(row)];
    Statuses status;
    if (entry.translatableId < 0)
        status |= UnknownId;
    const bool primaryText = hasText(entry.primaryTranslation, entry.primaryForms);
    if (!primaryText)
        status |= entry.sourceText.isEmpty() ? PrimaryMissing : SourceTextOnly;
    const std::string &currentCode = model->currentLanguage().code;
    const bool ownColumn = currentCode == model->primaryLanguage().code;
    if (!currentCode.empty() && !ownColumn) {
        if (!hasText(entry.currentTranslation, entry.currentForms))
            status |= Missing;
        else if (primaryText && entry.currentTranslation == entry.primaryTranslation
                 && entry.currentForms == entry.primaryForms)
            status |= SameAsPrimary;
    }
    if (!failedChecks(row).isEmpty())
        status |= CheckFindings;
    if (const Findings *findings = findingsOf(row)) {
        if (findings->missing)
            status |= TestMissing;
        if (findings->exceeds)
            status |= TestElided;
    }
    return status;
}

QStringList TranslationStatusModel::describe(int row) const
{
    const Statuses state = status(row);
    const TranslationsModel *model = translations();
    if (!model)
        return {};
    const QString current = model->currentLanguage().nameString();
    const QString primary = model->primaryLanguage().nameString();
    QStringList lines;
    if (state & TestMissing) {
        lines.append(
            tr("Translation test: the text was missing (%1)").arg(findingsOf(row)->componentPaths));
    }
    if (state & TestElided) {
        lines.append(tr("Translation test: the text did not fit and was elided (%1)")
                         .arg(findingsOf(row)->componentPaths));
    }
    if (state & CheckFindings)
        lines.append(tr("Check findings in %1: %2").arg(current, failedChecks(row).join(", ")));
    if (state & Missing)
        lines.append(tr("Not translated into %1").arg(current));
    if (state & PrimaryMissing)
        lines.append(tr("No %1 text").arg(primary));
    if (state & SourceTextOnly)
        lines.append(tr("No %1 text: the source text from the code stands in").arg(primary));
    if (state & SameAsPrimary)
        lines.append(tr("The %1 text is the same as the %2 text").arg(current, primary));
    if (state & UnknownId)
        lines.append(tr("Not in the translation database yet"));
    if (lines.isEmpty())
        lines.append(tr("Translated"));
    return lines;
}

QVariant TranslationStatusModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case StatusRole:
        return int(status(index.row()));
    case FailedChecksRole:
        return failedChecks(index.row());
    case SelectedNodeRole:
        return isSelectedId(index.row());
    case Qt::FontRole:
        if (index.column() == 0 && isSelectedId(index.row())) {
            QFont font;
            font.setBold(true);
            return font;
        }
        break;
    case Qt::BackgroundRole:
        if (isSelectedId(index.row())) {
            QColor tint = QGuiApplication::palette().color(QPalette::Highlight);
            tint.setAlpha(48);
            return tint;
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == 0)
            return markIcon(markOf(status(index.row())));
        break;
    case Qt::ToolTipRole:
        if (index.column() == 0) {
            return QStringLiteral("%1\n%2").arg(QIdentityProxyModel::data(index, role).toString(),
                                                describe(index.row()).join(QLatin1Char('\n')));
        }
        break;
    default:
        break;
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant
TranslationStatusModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The second language column is the one chosen in the panel: its header
    // names it, as the first names the primary language.
    const TranslationsModel *model = translations();
    if (model && orientation == Qt::Horizontal && section == 2 && role == Qt::DisplayRole
        && !model->currentLanguage().name.empty())
        return model->currentLanguage().nameString();
    return QIdentityProxyModel::headerData(section, orientation, role);
}

void TranslationStatusModel::setFindings(const TranslationFindingsList &findings)
{
    QHash<QString, Findings> byId;
    for (const TranslationFindings &each : findings) {
        Findings &entry = byId[QString::fromStdString(each.translationTextId)];
        entry.missing = each.missing;
        entry.exceeds = each.exceeds;
        // File names read better in a tooltip than the paths of the run.
        QStringList files;
        for (const QString &path : QString::fromStdString(each.componentPaths).split(',')) {
            const QString file = QFileInfo(path).fileName();
            if (!file.isEmpty() && !files.contains(file))
                files.append(file);
        }
        entry.componentPaths = files.join(QLatin1String(", "));
        entry.ignoredChecks
            = TranslationChecker::parseIgnoreList(QString::fromStdString(each.ignoredChecks));
    }
    if (byId.isEmpty() && m_findings.isEmpty())
        return;
    m_findings = std::move(byId);
    announceStatusChange(0, rowCount() - 1);
}

void TranslationStatusModel::setSelectedIds(const QSet<QString> &translationIds)
{
    if (translationIds == m_selectedIds)
        return;
    m_selectedIds = translationIds;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0),
                         index(rowCount() - 1, columnCount() - 1),
                         { Qt::FontRole, Qt::BackgroundRole, SelectedNodeRole });
    }
}

bool TranslationStatusModel::isSelectedId(int row) const
{
    const TranslationsModel *model = translations();
    if (!model || m_selectedIds.isEmpty() || row < 0 || std::size_t(row) >= model->rows().size())
        return false;
    return m_selectedIds.contains(model->rows()[std::size_t(row)].translationId);
}

void TranslationStatusModel::announceStatusChange(int firstRow, int lastRow)
{
    if (firstRow > lastRow || firstRow < 0)
        return;
    emit dataChanged(index(firstRow, 0),
                     index(lastRow, 0),
                     { Qt::DecorationRole, Qt::ToolTipRole, StatusRole, FailedChecksRole });
}

} // namespace Lexora
