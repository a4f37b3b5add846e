import QtQuick

Rectangle {
    id: root
    width: 640
    height: 480
    color: "#f4f1ea"

    Text {
        id: heading
        anchors.horizontalCenter: parent.horizontalCenter
        y: 80
        font.pixelSize: 32
        text: qsTrId("welcome.heading")
    }

    Text {
        id: subtitle
        anchors.top: heading.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.topMargin: 16
        width: 400
        elide: Text.ElideRight
        text: qsTrId("welcome.subtitle")
    }

    Rectangle {
        id: startButton
        anchors.centerIn: parent
        width: 200
        height: 48
        radius: 8
        color: "#2e6b4f"

        Text {
            anchors.centerIn: parent
            color: "white"
            text: qsTrId("welcome.start")
        }
    }

    states: [
        State {
            name: "busy"
            PropertyChanges {
                target: subtitle
                text: qsTrId("welcome.loading")
            }
        }
    ]
}
