import QtQuick

Item {
    property int remaining: 10
    property string display: remaining > 0 ? qsTrId("timer.remaining").arg(remaining) : qsTrId("timer.done")

    Timer {
        interval: 1000; running: true; repeat: true
        onTriggered: {
            remaining -= 1
            if (remaining === 0) {
                console.log(qsTrId("timer.finished.log"))
                stop()
            }
        }
    }
}
