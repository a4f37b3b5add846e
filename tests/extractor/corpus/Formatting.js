.pragma library

// Helpers the screens import; their texts are looked up like the screens' own.

function fileCount(count) {
    //: Status bar, after a folder was read.
    //~ MaxLength 30
    //% "%n file(s)"
    return qsTrId("format.files", count)
}

function size(bytes) {
    if (bytes < 1024)
        //% "%1 bytes"
        return qsTrId("format.bytes").arg(bytes)
    //% "%1 KiB" " (rounded)"
    return qsTrId("format.kib").arg(Math.round(bytes / 1024))
}

var labels = [QT_TRID_NOOP("format.label.name"), QT_TRID_NOOP("format.label.size")]
