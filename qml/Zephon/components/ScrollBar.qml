import QtQuick

// Scroll indicator for a flickable, shown only while there is something to scroll.
Item {
    id: scrollBar

    property Flickable scrollArea: null
    property int orientation: Qt.Vertical
    readonly property bool vertical: scrollBar.orientation === Qt.Vertical
    readonly property real ratio: !scrollArea ? 1.0 : vertical ? scrollArea.visibleArea.heightRatio
                                                               : scrollArea.visibleArea.widthRatio
    readonly property real start: !scrollArea ? 0.0 : vertical ? scrollArea.visibleArea.yPosition
                                                               : scrollArea.visibleArea.xPosition

    width: vertical ? 6 : (scrollArea ? scrollArea.width : 0)
    height: vertical ? (scrollArea ? scrollArea.height : 0) : 6
    visible: scrollBar.ratio < 1.0
    opacity: scrollArea && scrollArea.moving ? 0.8 : 0.4

    Behavior on opacity {
        NumberAnimation {
            duration: 200
        }
    }

    Rectangle {
        x: scrollBar.vertical ? 1 : Math.max(0, scrollBar.start) * scrollBar.width
        y: scrollBar.vertical ? Math.max(0, scrollBar.start) * scrollBar.height : 1
        width: scrollBar.vertical ? scrollBar.width - 2 : Math.min(1, scrollBar.ratio) * scrollBar.width
        height: scrollBar.vertical ? Math.min(1, scrollBar.ratio) * scrollBar.height : scrollBar.height - 2
        radius: 2
        color: "#8a94a6"
    }
}
