import QtQuick

Item {
    Item {
        Item {
            Item {
                Item {
                    Item {
                        Text { text: qsTrId("deep.level6") }
                        Item {
                            Item {
                                Text { text: String(((((qsTrId("deep.parenthesised")))))) }
                            }
                        }
                    }
                }
            }
        }
    }
}
