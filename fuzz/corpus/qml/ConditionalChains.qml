import QtQuick

Text {
    property int level: 0
    text: level === 0 ? qsTrId("level.zero")
        : level === 1 ? qsTrId("level.one")
        : level === 2 ? qsTrId("level.two")
        : qsTrId("level.many")
    color: level > 1 ? "red" : "black"
}
