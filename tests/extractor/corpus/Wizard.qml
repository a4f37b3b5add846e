import QtQuick
import QtQuick.Controls

StackView {
    id: wizard
    initialItem: pageOne

    readonly property var pageTitles: [
        qsTrId("wizard.step.one"),
        qsTrId("wizard.step.two"),
        qsTrId("wizard.step.three")
    ]

    Component {
        id: pageOne
        Page {
            title: wizard.pageTitles[0]
            footer: Button { text: qsTrId("wizard.next"); onClicked: wizard.push(pageTwo) }
        }
    }
    Component {
        id: pageTwo
        Page {
            title: wizard.pageTitles[1]
            footer: Row {
                Button { text: qsTrId("wizard.back"); onClicked: wizard.pop() }
                Button { text: qsTrId("wizard.finish") }
            }
        }
    }
}
