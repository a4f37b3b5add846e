import QtQuick

ListModel {
    id: menuModel
    ListElement { key: "file"; label: QT_TRID_NOOP("menu.file") }
    ListElement { key: "edit"; label: QT_TRID_NOOP("menu.edit") }
    ListElement { key: "view"; label: QT_TRID_NOOP("menu.view") }
    ListElement { key: "help"; label: QT_TRID_NOOP("menu.help") }

    function labelFor(index) {
        return qsTrId(get(index).label);
    }
}
