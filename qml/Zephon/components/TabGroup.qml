import QtQuick

// Tab pages (the children) with a header row built from each page's title, showtips and
// unReadCount. Only the current page is shown. The header buttons come from `delegate`,
// which gets `modelData` (the page), `index` and a `group` property set to this tab group.
Item {
    id: tabGroup

    default property alias pages: pageArea.data
    property Component delegate: defaultHeader
    property int headerHeight: 52
    // true: header on top, false: below the pages.
    property bool flag: true
    property int current: 0
    readonly property var pageList: tabGroup.collectPages(pageArea.children)
    readonly property alias headerRow: header
    // The header buttons by page index, replaced as a whole when one is added so that
    // bindings through headerAt() follow.
    property var headerItems: []

    function headerAt(index) {
        return tabGroup.headerItems[index] || null;
    }

    function collectPages(items) {
        const result = [];
        for (let i = 0; i < items.length; ++i)
            result.push(items[i]);
        return result;
    }

    Item {
        id: pageArea
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: tabGroup.flag ? header.bottom : parent.top
        anchors.bottom: tabGroup.flag ? parent.bottom : header.top

        onChildrenChanged: tabGroup.showCurrent()
    }

    function showCurrent() {
        const items = pageArea.children;
        for (let i = 0; i < items.length; ++i) {
            items[i].visible = (i === tabGroup.current);
            items[i].width = Qt.binding(function () {
                return pageArea.width;
            });
            items[i].height = Qt.binding(function () {
                return pageArea.height;
            });
        }
    }

    onCurrentChanged: showCurrent()
    Component.onCompleted: showCurrent()

    Row {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
        y: tabGroup.flag ? 0 : tabGroup.height - tabGroup.headerHeight
        height: tabGroup.headerHeight

        Repeater {
            id: headers
            model: tabGroup.pageList
            delegate: tabGroup.delegate
            onItemRemoved: function (index, item) {
                tabGroup.headerItems = tabGroup.headerItems.filter(function (header) {
                    return header !== item;
                });
            }
            onItemAdded: function (index, item) {
                const items = tabGroup.headerItems.slice();
                items[index] = item;
                tabGroup.headerItems = items;
                if (item.group !== undefined)
                    item.group = tabGroup;
                item.width = Qt.binding(function () {
                    return header.width / Math.max(1, tabGroup.pageList.length);
                });
                item.height = Qt.binding(function () {
                    return header.height;
                });
            }
        }
    }

    Component {
        id: defaultHeader

        Rectangle {
            id: tab
            required property var modelData
            required property int index
            property var group: null
            color: tab.group && tab.group.current === tab.index ? "white" : "#f4f6f9"

            Text {
                anchors.centerIn: parent
                text: tab.modelData.title !== undefined ? tab.modelData.title : ""
                textFormat: Text.PlainText
                color: tab.group && tab.group.current === tab.index ? "#2b7de9" : "#666666"
                font.pixelSize: 14
            }
            Rectangle {
                anchors.top: parent.top
                anchors.right: parent.right
                anchors.margins: 6
                width: Math.max(16, badge.implicitWidth + 8)
                height: 16
                radius: 8
                color: "#e84a3d"
                visible: tab.modelData.showtips === true && tab.modelData.unReadCount > 0
                Text {
                    id: badge
                    anchors.centerIn: parent
                    text: tab.modelData.unReadCount > 99 ? "99+" : String(tab.modelData.unReadCount)
                    color: "white"
                    font.pixelSize: 10
                }
            }
            MouseArea {
                anchors.fill: parent
                onClicked: {
                    if (tab.group)
                        tab.group.current = tab.index;
                }
            }
        }
    }
}
