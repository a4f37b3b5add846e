import QtQuick
import QtQuick.Controls

Item {
    id: loginScreen
    width: 400
    height: 300

    Column {
        spacing: 8
        Label {
            text: qsTrId("login.username.label")
        }
        TextField {
            placeholderText: qsTrId("login.username.placeholder")
        }
        Label {
            text: qsTrId("login.password.label")
        }
        TextField {
            echoMode: TextInput.Password
            placeholderText: qsTrId("login.password.placeholder")
        }
        Button {
            text: qsTrId("login.submit")
        }
    }
}
