import QtQuick

Item {
    Loader {
        id: loader
        sourceComponent: ready ? readyComponent : waitingComponent
        property bool ready: false
    }
    Component {
        id: readyComponent
        Text { text: qsTrId("loader.ready") }
    }
    Component {
        id: waitingComponent
        Text { text: qsTrId("loader.waiting") }
    }
}
