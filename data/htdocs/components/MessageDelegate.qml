import QtQuick 2.12
import "../styles"

// One message of a message list: indented by its level, coloured by its type, with an expander when it
// has sub-messages. The text is shown as plain text.
Item {
    id: delegate
    property string messageType: "info_message"
    property string messageText: ""
    property int tabLevel: 0
    property bool containsSubMessages: false
    property bool subMessageVisibility: false
    property bool shown: true
    signal toggled()

    readonly property color typeColor: {
        switch (messageType) {
        case "warning_message":
            return style.warningColor;
        case "critical_warning_message":
            return style.criticalColor;
        case "error_message":
            return style.errorColor;
        case "debug_message":
            return style.debugColor;
        default:
            return style.infoColor;
        }
    }

    Style {
        id: style
    }

    implicitWidth: 600
    visible: shown
    height: shown ? Math.max(style.rowHeight, body.implicitHeight + 4) : 0

    Text {
        id: expander
        x: delegate.tabLevel * style.indent + 2
        y: 2
        width: 14
        text: delegate.containsSubMessages ? (delegate.subMessageVisibility ? "\u25be" : "\u25b8") : ""
        color: delegate.typeColor
    }
    Text {
        id: body
        anchors.left: expander.right
        anchors.right: parent.right
        y: 2
        text: delegate.messageText
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        color: delegate.typeColor
    }
    MouseArea {
        anchors.fill: parent
        enabled: delegate.containsSubMessages
        onClicked: delegate.toggled()
    }
}
