import QtQuick 2.12

// The colours and sizes the report and its components share.
QtObject {
    readonly property color background: "white"
    readonly property color panelBorder: "#b0b0b0"
    readonly property color selection: "lightsteelblue"
    readonly property color infoColor: "#1a4f8b"
    readonly property color warningColor: "#8a5a00"
    readonly property color criticalColor: "#b34700"
    readonly property color errorColor: "#b00000"
    readonly property color debugColor: "#606060"
    readonly property int rowHeight: 20
    readonly property int indent: 16
    readonly property int fontSize: 12
}
