import QtQuick

// The application shell: a title bar and the screen of the current state.
// Run it with the live preview; each screen is designed in its own file.
Rectangle {
    id: app
    width: 640
    height: 480
    color: "#f4f1ea"

    Rectangle {
        id: titleBar
        width: parent.width
        height: 48
        color: "#2e6b4f"

        Text {
            id: title
            anchors.verticalCenter: parent.verticalCenter
            x: 16
            color: "white"
            font.pixelSize: 20
            text: qsTrId("app.title")
        }

        Row {
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8

            Repeater {
                model: [
                    { state: "", label: qsTrId("welcome.heading") },
                    { state: "settings", label: qsTrId("settings.title") },
                    { state: "profile", label: qsTrId("profile.title") }
                ]

                Text {
                    required property var modelData
                    color: app.state === modelData.state ? "white" : "#c8dcd2"
                    text: modelData.label

                    MouseArea {
                        anchors.fill: parent
                        onClicked: app.state = parent.modelData.state
                    }
                }
            }
        }
    }

    Loader {
        id: screen
        anchors.top: titleBar.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        source: "WelcomeScreen.ui.qml"
    }

    states: [
        State {
            name: "settings"
            PropertyChanges {
                target: screen
                source: "SettingsScreen.ui.qml"
            }
        },
        State {
            name: "profile"
            PropertyChanges {
                target: screen
                source: "ProfileScreen.ui.qml"
            }
        }
    ]
}
