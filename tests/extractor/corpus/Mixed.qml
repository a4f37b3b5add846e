import QtQuick

Item {
    property string plain: qsTr("Plain source text")
    property string withComment: qsTr("Save", "button label")
    property string translated: qsTranslate("Mixed", "Context text")
    property string ided: qsTrId("mixed.ided")
    //= mixed.from.meta
    property string metaQsTr: qsTr("Meta text")
    property string afterMeta: qsTrId("mixed.after.meta")
}
