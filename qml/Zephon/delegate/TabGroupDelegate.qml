import QtQuick
import "../components"

// Header button of a TabGroup page: title, unread badge, and on the call tab (index 0) a
// second press while it is current folds the dial pad away or out again ("收起"/"展开").
Rectangle {
    id: tab

    required property var modelData
    required property int index
    property TabGroup group: null
    property bool expand: true
    // The tab that was current before the last press.
    property int previous: 0
    readonly property bool isCurrent: tab.group !== null && tab.group.current === tab.index
    property string foldText: qsTr("收起")
    property string unfoldText: qsTr("展开")

    function press() {
        tab.previous = tab.group ? tab.group.current : 0;
        if (tab.group)
            tab.group.current = tab.index;
        if (tab.index === 0 && tab.previous === 0)
            tab.expand = !tab.expand;
    }

    color: tab.isCurrent ? "white" : "#f4f6f9"
    activeFocusOnTab: true
    Accessible.role: Accessible.PageTab
    Accessible.name: tab.modelData.title !== undefined ? String(tab.modelData.title) : ""
    Accessible.selected: tab.isCurrent
    Accessible.onPressAction: tab.press()
    Keys.onSpacePressed: tab.press()
    Keys.onReturnPressed: tab.press()
    Keys.onEnterPressed: tab.press()

    FocusFrame {}

    Column {
        anchors.centerIn: parent
        spacing: 2

        Text {
            objectName: "title"
            anchors.horizontalCenter: parent.horizontalCenter
            text: tab.modelData.title !== undefined ? tab.modelData.title : ""
            textFormat: Text.PlainText
            color: tab.isCurrent ? "#2b7de9" : "#666666"
            font.pixelSize: 14
        }
        Text {
            objectName: "fold"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: tab.index === 0 && tab.isCurrent
            text: tab.expand ? tab.foldText : tab.unfoldText
            color: "#8a94a6"
            font.pixelSize: 10
        }
    }

    Rectangle {
        objectName: "badge"
        anchors.top: parent.top
        anchors.right: parent.right
        anchors.margins: 6
        width: Math.max(16, count.implicitWidth + 8)
        height: 16
        radius: 8
        color: "#e84a3d"
        visible: tab.modelData.showtips === true && tab.modelData.unReadCount > 0
        Text {
            id: count
            objectName: "badgeText"
            anchors.centerIn: parent
            text: tab.modelData.unReadCount > 99 ? "99+" : String(tab.modelData.unReadCount)
            color: "white"
            font.pixelSize: 10
        }
    }

    Rectangle {
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width * 0.5
        height: 2
        color: "#2b7de9"
        visible: tab.isCurrent
    }

    MouseArea {
        anchors.fill: parent
        onClicked: tab.press()
    }
}
