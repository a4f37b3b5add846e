import QtQuick
import QtQuick.Shapes

Shape {
    width: 200; height: 150
    ShapePath {
        strokeColor: "black"
        fillColor: "transparent"
        startX: 0; startY: 0
        PathLine { x: 200; y: 150 }
    }
    Text { text: qsTrId("shape.caption"); anchors.bottom: parent.bottom }
    Accessible.name: qsTrId("shape.accessible.name")
    Accessible.description: qsTrId("shape.accessible.description")
}
