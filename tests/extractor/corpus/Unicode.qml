import QtQuick

Item {
    // Übersetzungen mit Umlauten und anderen Schriften
    property string german: qsTrId("unicode.größe")
    property string japanese: qsTrId("unicode.日本語")
    property string emoji: qsTrId("unicode.smile.😀")
    property string escaped: qsTrId("unicode.escaped\u00e9")
    property string single: qsTrId('unicode.single.quoted')
}
