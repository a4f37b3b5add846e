import QtQuick

Item {
    id: root
    signal saved(string message)
    signal failed(string reason)

    function save(ok) {
        if (ok)
            saved(qsTrId("signal.saved"))
        else
            failed(qsTrId("signal.failed"))
    }

    Connections {
        target: root
        function onSaved(message) { console.info(qsTrId("signal.handler.saved"), message) }
        function onFailed(reason) { console.warn(qsTrId("signal.handler.failed"), reason) }
    }
}
