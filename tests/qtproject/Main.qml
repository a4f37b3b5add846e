import QtQuick
import "logic.js" as Logic

Column {
    property int count: 3

    Text {
        //: Shown above the file list.
        //% "Your files"
        text: qsTrId("files.title")
    }
    Text {
        //: How many files the folder holds.
        //: The count is always shown.
        //~ MaxLength 24
        //~ Screen file list
        //% "%n file(s)"
        text: qsTrId("files.count", count)
    }
    Text {
        //% "%n item(s) selected"
        text: qsTrId("items.selected", count)
    }
    Text {
        // No source text: Qt's tools show the ID until it is translated.
        text: qsTrId("files.empty")
    }
    Text {
        text: Logic.summary(count)
    }
}
