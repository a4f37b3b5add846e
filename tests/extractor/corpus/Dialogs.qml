import QtQuick
import QtQuick.Controls

Dialog {
    id: confirm
    title: qsTrId("dialog.confirm.title")
    standardButtons: Dialog.Ok | Dialog.Cancel

    property bool destructive: false

    Label {
        text: confirm.destructive ? qsTrId("dialog.confirm.destructive")
                                  : qsTrId("dialog.confirm.plain")
        wrapMode: Text.WordWrap
    }

    onAccepted: console.log(qsTrId("dialog.log.accepted"))
    onRejected: {
        console.log(qsTrId("dialog.log.rejected"))
    }
}
