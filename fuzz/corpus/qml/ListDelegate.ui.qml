import QtQuick
import QtQuick.Controls

ItemDelegate {
    id: delegate
    width: ListView.view ? ListView.view.width : 200
    property bool unread: false

    contentItem: Row {
        spacing: 6
        Label { text: delegate.unread ? qsTrId("inbox.unread") : qsTrId("inbox.read") }
        Label { text: qsTrId("inbox.from") }
    }
}
