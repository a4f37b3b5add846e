import QtQuick

Column {
    Text { text: qsTrId("cart.move") }
    Text { text: qsTrId("cart.delete") }
    Text { text: qsTrId("menu.open") }
    Text { text: qsTrId("order.saved") }
    Text { text: qsTrId("brand.name") }
    Text { text: qsTrId("order.total") }
}
