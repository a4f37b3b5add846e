import QtQuick

Rectangle {
    id: panel
    property alias caption: captionText.text
    width: 200; height: 100

    Text {
        id: captionText
        text: qsTrId("states.panel.idle")
    }

    states: [
        State {
            name: "busy"
            PropertyChanges {
                target: captionText
                text: qsTrId("states.panel.busy")
            }
        },
        State {
            name: "error"
            PropertyChanges {
                target: captionText
                text: qsTrId("states.panel.error")
                color: "red"
            }
        }
    ]

    transitions: Transition {
        ColorAnimation { duration: 200 }
    }
}
