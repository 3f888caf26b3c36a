import QtQuick
import Zephon.Codes
import "components"

// The root of the window: the skin around the inner window, the window-wide state shared by
// all screens, and the root signals that Core forwards to the session manager. The inner
// window holds one loader that shows either the sign-in screen or the main screen.
Image {
    id: background

    property bool flag: true
    property bool bInit: false
    property bool bContactChecked: true
    property bool loginenterprise: false
    property bool displayTree: true
    property string strOrgId: ""
    property string strOrgName: ""
    property string strOrgShortName: ""
    // The role in the signed-in organisation: only a successful enterprise sign-in grants
    // more than viewing.
    property int iEnUserType: Codes.RoleEmployee
    property var varOrgInfo
    property string strDeptId: ""
    property string strLoginPassword: ""
    property string strSelfZpid: ""
    property string strSelfName: ""
    property string strSelfPhone: ""
    property int skin: 1
    property int currentSource: 1

    readonly property alias screen: screenLoader
    readonly property alias alert: alert

    signal login(string strLoginId, string strLoginPassword, int iLoginType)
    signal getContact(bool flag, string strKey)
    signal getNetContact
    signal searchContact(string strkey)
    signal sendMsg(string strMsg, string strZpid)
    signal sendCircleMsg(string strMsg, string strCircleId)
    signal hangup(string strZpid)
    signal agree(string strZpid)
    signal refuse(string strZpid)
    signal getCircle
    signal modifyCircleInfo(int iType, string strCircleId, string strInfo)
    signal dismissCircle(string strCircleId)
    signal exitCircle(string strCircleId)
    signal applyCircle(string strCircleId, string strCircleName, int iCircleType, string strText, int iType)
    signal applyCircleReply(string strCircleId, string strZpid, int iReply, string strText)
    signal getUserState(string strPhone)
    signal getUserPhone(string strZpid)
    signal savePersonalCard(string strCard)
    signal changePassword(int iType, int iSubType, var strPassword)

    // Called by Core once contacts and presence are stored.
    function onUpdateContact() {
        background.getContact(background.bContactChecked, "");
    }

    function translator() {
        resource.translator();
    }

    function showAlert(strText) {
        alert.show(strText);
    }

    // Every screen of the inner window gets the root item and the texts handed over.
    function showScreen(strFile) {
        screenLoader.setSource(strFile, {
            "background": background,
            "resource": resource
        });
    }

    // The screen that follows the one that just closed: the main screen after a sign-in,
    // the sign-in screen otherwise.
    function onScreenClosed() {
        if (background.currentSource === 1)
            background.showScreen("MainInterface.qml");
        else if (background.currentSource === 0)
            background.showScreen("LoginInterface.qml");
    }

    // Sign-out and password change: back to the sign-in screen at once.
    function showLogin() {
        background.currentSource = 1;
        background.strLoginPassword = "";
        background.strSelfZpid = "";
        background.strSelfName = "";
        background.strSelfPhone = "";
        background.resetEnterprise();
        background.showScreen("LoginInterface.qml");
    }

    // The organisation the user signed in to, as the enterprise sign-in answered.
    function enterEnterprise(strId, strName, strShortName, iUserType) {
        background.strOrgId = strId;
        background.strOrgName = strName;
        background.strOrgShortName = strShortName;
        background.iEnUserType = iUserType;
        background.loginenterprise = true;
    }

    // No organisation signed in: nothing of the last one stays, and the role is a viewer's.
    function resetEnterprise() {
        background.loginenterprise = false;
        background.strOrgId = "";
        background.strOrgName = "";
        background.strOrgShortName = "";
        background.iEnUserType = Codes.RoleEmployee;
        background.varOrgInfo = undefined;
        background.strDeptId = "";
        background.displayTree = true;
    }

    // Skin 1 draws the frame picture around the inner window; skin 0 shows the inner window
    // alone in a window with the system's own frame.
    function changeSkin() {
        background.skin = background.skin === 1 ? 0 : 1;
        background.flag = background.skin === 1;
        // The view sizes the root to the window, so the size is set here, not bound.
        const iWidth = background.flag ? resource.frameWidth : resource.windowWidth;
        const iHeight = background.flag ? resource.frameHeight : resource.windowHeight;
        background.width = iWidth;
        background.height = iHeight;
        published.controller.setMainWindowSize(iWidth, iHeight);
        published.controller.setMainWindowFlag(background.flag);
    }

    width: resource.frameWidth
    height: resource.frameHeight
    source: background.skin === 1 ? "images/defaultskin.png" : ""
    fillMode: Image.Stretch
    smooth: true

    // Round glyph button of the skin's title strip.
    component FrameButton: Rectangle {
        id: frameButton
        property string glyph: ""
        property string tip: ""
        property color hoverColor: "#3a8cf0"
        signal clicked
        width: 26
        height: 26
        radius: 13
        color: frameMouse.containsMouse ? frameButton.hoverColor : "transparent"
        activeFocusOnTab: true
        Accessible.role: Accessible.Button
        Accessible.name: frameButton.tip
        Accessible.onPressAction: frameButton.clicked()
        Keys.onSpacePressed: frameButton.clicked()
        Keys.onReturnPressed: frameButton.clicked()
        Keys.onEnterPressed: frameButton.clicked()

        FocusFrame {}
        Text {
            anchors.centerIn: parent
            text: frameButton.glyph
            color: "white"
            font.pixelSize: 18
        }
        MouseArea {
            id: frameMouse
            anchors.fill: parent
            hoverEnabled: true
            onClicked: frameButton.clicked()
        }
    }

    Resource {
        id: resource
    }

    Published {
        id: published
    }

    Connections {
        target: published.translator
        function onLanguageChanged() {
            background.translator();
        }
    }

    Connections {
        target: published.controller
        function onSig_setAccount(varAccount) {
            background.bInit = true;
        }
        function onSig_netState(varState) {
            if (background.currentSource !== 2)
                return;
            if (varState === Codes.NetLost)
                alert.show(resource.textNetError);
            else if (varState === Codes.NetLoginTimeout)
                alert.show(resource.textServerTimeout);
        }
    }

    // Dragging the skin moves the window; the offset is where the press landed in it.
    MouseArea {
        id: dragArea
        objectName: "dragArea"
        anchors.fill: parent
        visible: background.skin === 1
        property point pressOffset: Qt.point(0, 0)
        onPressed: function (mouse) {
            dragArea.pressOffset = Qt.point(mouse.x, mouse.y);
        }
        onPositionChanged: function (mouse) {
            if (dragArea.pressed)
                published.controller.moveWindow(dragArea.pressOffset.x, dragArea.pressOffset.y);
        }
    }

    Item {
        id: frameTop
        visible: background.skin === 1
        width: parent.width
        height: resource.windowY

        Text {
            anchors.left: parent.left
            anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            text: resource.textAppName
            color: "white"
            font.family: resource.fontFamily
            font.pixelSize: 20
            font.bold: true
        }

        FrameButton {
            id: minimizeButton
            objectName: "minimizeButton"
            x: resource.minimizeX
            y: resource.minimizeY
            glyph: "\u2013"
            tip: resource.textMinimize
            onClicked: published.controller.minimize()
        }

        FrameButton {
            id: closeButton
            objectName: "closeButton"
            anchors.left: minimizeButton.right
            anchors.leftMargin: 12
            y: resource.minimizeY
            glyph: "\u00d7"
            tip: resource.textClose
            hoverColor: "#e5534b"
            onClicked: published.controller.quit()
        }
    }

    Rectangle {
        id: innerWindow
        objectName: "innerWindow"
        x: background.skin === 1 ? resource.windowX : 0
        y: background.skin === 1 ? resource.windowY : 0
        width: resource.windowWidth
        height: resource.windowHeight
        color: "#f4f6f9"
        radius: background.skin === 1 ? 4 : 0
        clip: true

        ScreenLoader {
            id: screenLoader
            objectName: "screenLoader"
            anchors.fill: parent
            focus: true
        }

        Connections {
            target: screenLoader.item
            ignoreUnknownSignals: true
            function onClosed() {
                background.onScreenClosed();
            }
        }

        Alert {
            id: alert
            objectName: "alert"
        }

        Component.onCompleted: published.translator.load("Zephon_zh_CN.qm")
    }

    Row {
        objectName: "statusRow"
        visible: background.skin === 1
        x: resource.windowX + 4
        y: resource.logoY
        spacing: 8

        Logo {
            id: logo
            objectName: "logo"
            anchors.verticalCenter: parent.verticalCenter
        }

        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: background.strSelfName !== "" ? background.strSelfName : background.strSelfZpid
            textFormat: Text.PlainText
            color: "white"
            font.family: resource.fontFamily
            font.pixelSize: 14
        }
    }

    Text {
        visible: background.skin === 1
        anchors.right: parent.right
        anchors.rightMargin: 16
        y: resource.logoY + 4
        text: published.versionText
        color: "#cfe0fb"
        font.pixelSize: 11
    }

    Component.onCompleted: {
        background.translator();
        published.controller.setMainWindowSize(background.width, background.height);
        background.showScreen("LoginInterface.qml");
    }
}
