import QtQuick

Rectangle {
    id: root
    width: 640
    height: 480
    color: "#f4f1ea"

    Column {
        id: options
        anchors.centerIn: parent
        spacing: 12

        Text {
            id: settingsTitle
            font.pixelSize: 24
            text: qsTrId("settings.title")
        }

        Text {
            id: languageLabel
            text: qsTrId("settings.language")
        }

        Text {
            id: aboutLabel
            // Not translated yet on purpose: shows up as unfinished.
            text: qsTrId("settings.about")
        }

        Text {
            id: notificationsLabel
            visible: false
            // Not in translations.json at all: the panel lists it empty.
            text: qsTrId("settings.notifications")
        }

        Text {
            id: startLabel
            text: qsTrId("welcome.start")
        }
    }

    states: [
        State {
            name: "advanced"
            PropertyChanges {
                target: notificationsLabel
                visible: true
            }
            PropertyChanges {
                target: settingsTitle
                text: qsTrId("settings.advanced")
            }
        }
    ]
}
