#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace Lexora::Support {

// Every function name a translation extractor recognises. The QML extractor
// acts on three families only (qsTr/QT_TR_NOOP, qsTrId/QT_TRID_NOOP and
// qsTranslate/QT_TRANSLATE_NOOP); the other names are known so that they are
// looked up like any other and then deliberately ignored.
enum class TranslationFunction : int {
    DeclareTrFunctions, // Q_DECLARE_TR_FUNCTIONS
    TrNNoop, // QT_TR_N_NOOP
    TrIdNNoop, // QT_TRID_N_NOOP
    TranslateNNoop, // QT_TRANSLATE_N_NOOP
    TranslateNNoop3, // QT_TRANSLATE_N_NOOP3
    TrNoop, // QT_TR_NOOP
    TrIdNoop, // QT_TRID_NOOP
    TranslateNoop, // QT_TRANSLATE_NOOP
    TranslateNoop3, // QT_TRANSLATE_NOOP3
    TrNoopUtf8, // QT_TR_NOOP_UTF8
    TranslateNoopUtf8, // QT_TRANSLATE_NOOP_UTF8
    TranslateNoop3Utf8, // QT_TRANSLATE_NOOP3_UTF8
    FindMessage, // findMessage
    QtTrId, // qtTrId
    Tr, // tr
    TrUtf8, // trUtf8
    Translate, // translate
    QsTr, // qsTr
    QsTrId, // qsTrId
    QsTranslate, // qsTranslate
};

inline constexpr int translationFunctionCount = 20;

// The canonical name of an entry, e.g. "qsTrId".
QString translationFunctionName(TranslationFunction function);

// The names under which an entry is recognised; each list starts with the
// entry's own name.
QStringList translationFunctionAliases(TranslationFunction function);

// Finds the entry that a name (or one of its aliases) stands for. The lookup
// map is built on first use and shared by all threads.
std::optional<TranslationFunction> lookupTranslationFunction(QStringView name);

} // namespace Lexora::Support
