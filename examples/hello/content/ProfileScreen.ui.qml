import QtQuick

Rectangle {
    id: root
    width: 640
    height: 480
    color: "#f4f1ea"

    Text {
        id: profileTitle
        x: 40
        y: 40
        font.pixelSize: 24
        text: qsTrId("profile.title")
    }

    Grid {
        id: fields
        x: 40
        anchors.top: profileTitle.bottom
        anchors.topMargin: 24
        columns: 2
        columnSpacing: 16
        rowSpacing: 12

        Text {
            id: nameLabel
            text: qsTrId("profile.name")
        }
        Text {
            text: "Ada Lovelace"
        }
        Text {
            id: emailLabel
            text: qsTrId("profile.email")
        }
        Text {
            text: "ada@example.org"
        }
    }

    Rectangle {
        id: actionButton
        x: 40
        anchors.top: fields.bottom
        anchors.topMargin: 32
        width: 160
        height: 40
        radius: 8
        color: "#2e6b4f"

        Text {
            id: actionLabel
            anchors.centerIn: parent
            color: "white"
            // Missing from translations.json on purpose.
            text: qsTrId("profile.logout")
        }
    }

    states: [
        State {
            name: "editing"
            PropertyChanges {
                target: actionLabel
                text: qsTrId("profile.save")
            }
            PropertyChanges {
                target: actionButton
                color: "#b5542e"
            }
        }
    ]
}
