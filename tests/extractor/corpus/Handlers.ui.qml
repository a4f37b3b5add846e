import QtQuick
import QtQuick.Controls

Rectangle {
    width: 300; height: 200
    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        ToolTip.visible: containsMouse
        ToolTip.text: qsTrId("handlers.hover.tip")
    }
    Keys.onEscapePressed: console.log(qsTrId("handlers.escape"))
    Text { text: qsTrId("handlers.caption") }
}
