import QtQuick 2.12
import "../styles"
import "../javascript/report.js" as Report

// One toggle per message group with its count; accepts(type) tells whether a message of that type is shown.
Rectangle {
    id: bar
    property int infoCount: 0
    property int warningCount: 0
    property int criticalCount: 0
    property int errorCount: 0
    property int debugCount: 0
    property var hidden: ({})

    function accepts(type) {
        return hidden[Report.typeGroup(type)] !== true;
    }
    function toggle(group) {
        var next = {};
        for (var key in hidden)
            next[key] = hidden[key];
        next[group] = !(hidden[group] === true);
        hidden = next;
    }

    Style {
        id: style
    }

    implicitWidth: 600
    implicitHeight: 28
    color: "#eeeeee"

    Row {
        anchors.verticalCenter: parent.verticalCenter
        x: 4
        spacing: 6
        Repeater {
            model: [
                { group: "info", label: "Info", color: style.infoColor },
                { group: "warning", label: "Warning", color: style.warningColor },
                { group: "critical", label: "Critical Warning", color: style.criticalColor },
                { group: "error", label: "Error", color: style.errorColor },
                { group: "debug", label: "Debug", color: style.debugColor }
            ]
            delegate: Rectangle {
                readonly property var counts: ({ info: bar.infoCount, warning: bar.warningCount,
                                                 critical: bar.criticalCount, error: bar.errorCount,
                                                 debug: bar.debugCount })
                width: label.implicitWidth + 12
                height: 22
                radius: 3
                color: bar.hidden[modelData.group] === true ? "#d0d0d0" : "white"
                border.color: modelData.color
                Text {
                    id: label
                    anchors.centerIn: parent
                    color: modelData.color
                    text: modelData.label + " (" + parent.counts[modelData.group] + ")"
                }
                MouseArea {
                    anchors.fill: parent
                    onClicked: bar.toggle(modelData.group)
                }
            }
        }
    }
}
