import QtQuick
import "components"
import "delegate"

// The main screen: five tabs (calls, contacts, circles, messages, more), each with a loader
// of its own for the screens drawn over it, and two loaders over all tabs for the open
// conversation and the call. The current selection of every tab lives here for the screens
// drawn over it to read.
FocusScope {
    id: mainInterface

    // The selected person.
    property string strMainZpid: ""
    property string strMainName: ""
    property string strMainPhone: ""
    property int iMainType: 0
    // The card being shown.
    property string strCard: ""
    property string strCardZpid: ""
    property string strCardName: ""
    property string strCardSex: ""
    property string strCardPost: ""
    property string strCardCompany: ""
    property string strCardAddress: ""
    property string strCardPhone: ""
    property string strCardTel: ""
    property string strCardEmail: ""
    property string strCardNotes: ""
    property string strCardProfession: ""
    property string strCardHomepage: ""
    property string strCardFax: ""
    property string strCardAge: ""
    property string strCardNickname: ""
    property int iCardType: 0
    // The current circle.
    property string strCircleId: ""
    property string strCircleName: ""
    property string strCircleProfile: ""
    property string strCreateZpid: ""
    property string strCreateName: ""
    property string strUserCount: ""
    property int iCircleType: 0
    property int iUserType: 0
    // The open conversation.
    property string msg_strZpid: ""
    property string msg_strPhone: ""
    property string msg_strName: ""
    property int msg_iType: 0
    // The call: state 0 dialling, 1 talking, 2 ringing; its length in seconds.
    property string call_strZpid: ""
    property string call_strPhone: ""
    property string call_strName: ""
    property bool bCalling: false
    property bool bComingCall: false
    property int iCallState: 0
    property int iCallTime: 0
    property int iUnRead: 0
    property int iMissed: 0
    // 0 list, 1 one-to-one chat, 2 circle chat, 3 request list open.
    property int currentItem: 0
    property string strFile: ""

    readonly property alias tabs: tabs
    readonly property alias chatLoader: chatLoader
    readonly property alias callLoader: callLoader
    readonly property alias contactBusy: contactBusy

    signal closed

    // Opens the one-to-one conversation with a person; one already open is reloaded so it
    // reads its conversation again.
    function openChat(strZpid, strPhone, strName, iType) {
        mainInterface.msg_strZpid = strZpid;
        mainInterface.msg_strPhone = strPhone;
        mainInterface.msg_strName = strName;
        mainInterface.msg_iType = iType;
        mainInterface.currentItem = 1;
        chatLoader.source = "";
        chatLoader.source = "MessageInterface.qml";
    }

    function selectPerson(row) {
        mainInterface.strMainZpid = row.strZpid;
        mainInterface.strMainName = row.strName;
        mainInterface.strMainPhone = row.strPhone;
        mainInterface.iMainType = row.iType;
    }

    // What a tab refreshes when it is chosen.
    function refreshTab(index) {
        if (index === 0) {
            mainInterface.iMissed = 0;
            dialpad.field.forceActiveFocus();
        } else if (index === 1) {
            background.getContact(background.bContactChecked, contactSearch.text);
        } else if (index === 2) {
            background.getCircle();
        } else if (index === 3) {
            mainInterface.iUnRead = 0;
        }
    }

    function signOut() {
        core.logout();
        background.showLogin();
    }

    focus: true

    Connections {
        target: core
        function onSig_updateContact() {
            contactBusy.on = false;
        }
    }

    // A screen drawn over a tab: its own loader, which unloads the screen when it closes.
    component TabPage: Item {
        id: page
        property string title: ""
        property bool showtips: false
        property int unReadCount: 0
        default property alias content: body.data
        readonly property alias loader: subLoader

        signal subScreenClosed

        function open(strFile) {
            subLoader.source = strFile;
        }

        Item {
            id: body
            anchors.fill: parent
        }

        Loader {
            id: subLoader
            anchors.fill: parent
            z: 10
            focus: true
            onStatusChanged: {
                if (subLoader.status === Loader.Error)
                    subLoader.source = "";
            }
        }

        Connections {
            target: subLoader.item
            ignoreUnknownSignals: true
            function onClosed() {
                subLoader.source = "";
                page.subScreenClosed();
            }
            function onCompleted() {
                subLoader.source = "";
                page.subScreenClosed();
            }
        }
    }

    // A list over one of the element lists Core publishes.
    component ElementList: ListView {
        id: list
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        currentIndex: -1

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    component HeaderBar: Rectangle {
        width: parent ? parent.width : 280
        height: 40
        color: "#2b7de9"
    }

    TabGroup {
        id: tabs
        objectName: "tabs"
        anchors.fill: parent
        headerHeight: 52
        delegate: TabGroupDelegate {}
        onCurrentChanged: mainInterface.refreshTab(tabs.current)

        TabPage {
            id: callPage
            objectName: "callPage"
            title: resource.textTabCall
            showtips: true
            unReadCount: mainInterface.iMissed

            readonly property bool dialpadShown: {
                const header = tabs.headerRow.children;
                for (let i = 0; i < header.length; ++i) {
                    if (header[i].expand !== undefined && header[i].index === 0)
                        return header[i].expand;
                }
                return true;
            }

            ElementList {
                id: callRecordList
                objectName: "callRecordList"
                anchors.top: parent.top
                anchors.bottom: callPage.dialpadShown ? dialpad.top : parent.bottom
                width: parent.width
                visible: dialpad.phoneNum === ""
                model: callrecordModel
                delegate: CallRecordDelegate {}
            }

            ElementList {
                id: searchList
                objectName: "searchContactList"
                anchors.fill: callRecordList
                visible: dialpad.phoneNum !== ""
                model: searchcontactModel
                delegate: SearchContactDelegate {}
            }

            Dialpad {
                id: dialpad
                objectName: "dialpad"
                anchors.bottom: parent.bottom
                width: parent.width
                height: 250
                visible: callPage.dialpadShown
                onPhoneNumChanged: background.searchContact(dialpad.phoneNum)
                onBtnMsgClicked: mainInterface.checkNumber(dialpad.phoneNum)
                onBtnCallClicked: mainInterface.checkNumber(dialpad.phoneNum)
            }
        }

        TabPage {
            id: contactPage
            objectName: "contactPage"
            title: resource.textTabContact

            HeaderBar {
                id: contactHeader
                Row {
                    anchors.centerIn: parent
                    spacing: 0

                    Button {
                        objectName: "btnPersonal"
                        width: 100
                        height: 28
                        label: resource.textTabContact
                        color: background.bContactChecked ? "white" : "#2b7de9"
                        textColor: background.bContactChecked ? "#2b7de9" : "white"
                        onClicked: {
                            background.bContactChecked = true;
                            background.getContact(true, contactSearch.text);
                        }
                    }
                    Button {
                        objectName: "btnSecond"
                        width: 100
                        height: 28
                        label: background.loginenterprise ? background.strOrgShortName : resource.textAppName
                        color: background.bContactChecked ? "#2b7de9" : "white"
                        textColor: background.bContactChecked ? "white" : "#2b7de9"
                        onClicked: {
                            background.bContactChecked = false;
                            background.getContact(false, contactSearch.text);
                        }
                    }
                }
            }

            InputBox {
                id: contactSearch
                objectName: "contactSearch"
                anchors.top: contactHeader.bottom
                anchors.topMargin: 6
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width - 16
                height: 30
                bShowSearch: true
                bShowClear: true
                placeholderText: resource.textSearch
                onTextChanged: background.getContact(background.bContactChecked, contactSearch.text)
            }

            Item {
                id: contactArea
                anchors.top: contactSearch.bottom
                anchors.topMargin: 6
                anchors.bottom: parent.bottom
                width: parent.width

                ElementList {
                    objectName: "contactList"
                    anchors.fill: parent
                    visible: background.bContactChecked || !background.loginenterprise
                    model: contactModel
                    delegate: ContactDelegate {
                        onLeftClicked: mainInterface.selectPerson(modelData)
                        onMenu3Clicked: mainInterface.openChat(modelData.strZpid, modelData.strPhone,
                                                               modelData.strName, modelData.iType)
                    }
                }

                ElementList {
                    objectName: "orgList"
                    anchors.fill: parent
                    visible: !background.bContactChecked && background.loginenterprise && background.displayTree
                    model: orginfoModel
                    delegate: OrgInfoDelegate {}
                }

                ElementList {
                    objectName: "empList"
                    anchors.fill: parent
                    visible: !background.bContactChecked && background.loginenterprise && !background.displayTree
                    model: empinfoModel
                    delegate: EmpInfoDelegate {}
                }

                BusyIndicator {
                    id: contactBusy
                    objectName: "contactBusy"
                    anchors.centerIn: parent
                    on: true
                }
            }
        }

        TabPage {
            id: circlePage
            objectName: "circlePage"
            title: resource.textTabCircle
            onSubScreenClosed: mainInterface.currentItem = 0

            HeaderBar {
                id: circleHeader
                Text {
                    anchors.centerIn: parent
                    text: resource.textTabCircle
                    color: "white"
                    font.pixelSize: 20
                }
            }

            Row {
                id: circleButtons
                anchors.top: circleHeader.bottom
                anchors.topMargin: 8
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 12

                Button {
                    objectName: "btnMayKnow"
                    width: 120
                    label: resource.textMayKnow
                    onClicked: circlePage.open("MayKnowInterface.qml")
                }
                Button {
                    objectName: "btnSearch"
                    width: 120
                    label: resource.textSearch
                    onClicked: circlePage.open("SearchInterface.qml")
                }
            }

            ElementList {
                id: circleList
                objectName: "circleList"
                anchors.top: circleButtons.bottom
                anchors.topMargin: 8
                anchors.bottom: parent.bottom
                width: parent.width
                model: circleModel
                delegate: CircleDelegate {
                    onDoubleClicked: {
                        mainInterface.strCircleId = modelData.strId;
                        mainInterface.strCircleName = modelData.strName;
                        mainInterface.strCircleProfile = modelData.strProfile;
                        mainInterface.strCreateZpid = modelData.strZpid;
                        mainInterface.strCreateName = modelData.strCreater;
                        mainInterface.strUserCount = String(modelData.iUserCount);
                        mainInterface.iCircleType = modelData.iType;
                        mainInterface.iUserType = modelData.iUserType;
                        mainInterface.currentItem = 2;
                        circlePage.open("CircleMessageInterface.qml");
                    }
                }
            }

            Button {
                objectName: "btnNewCircle"
                anchors.centerIn: circleList
                width: 140
                height: 36
                visible: circleList.count === 0
                label: resource.textNewCircle
                onClicked: circlePage.open("NewCircleInterface.qml")
            }
        }

        TabPage {
            id: messagePage
            objectName: "messagePage"
            title: resource.textTabMessage
            showtips: true
            unReadCount: mainInterface.iUnRead
            onSubScreenClosed: mainInterface.currentItem = 0

            TitleBar {
                id: messageHeader
                width: parent.width
                title: resource.textTabMessage
                btnLeft: false
                btnRight: true
                titleRight: resource.textNewMessage
                onBtnRightClicked: messagePage.open("NewMsgInterface.qml")
            }

            ElementList {
                objectName: "msgRecordList"
                anchors.top: messageHeader.bottom
                anchors.bottom: parent.bottom
                width: parent.width
                model: msgrecordModel
                delegate: MsgRecordDelegate {
                    onDoubleClicked: mainInterface.openChat(modelData.strZpid, modelData.strPhone,
                                                            modelData.strName, modelData.iType)
                }
            }
        }

        TabPage {
            id: morePage
            objectName: "morePage"
            title: resource.textTabMore

            TitleBar {
                id: moreHeader
                width: parent.width
                title: resource.textTabMore
                btnLeft: false
                // Enterprise sign-in stays hidden: the enterprise screens are reached only
                // once an enterprise session exists.
                btnRight: false
                titleRight: background.loginenterprise ? resource.textLogoutEnterprise
                                                       : resource.textLoginEnterprise
            }

            Flickable {
                anchors.top: moreHeader.bottom
                anchors.bottom: parent.bottom
                width: parent.width
                contentHeight: moreColumn.height + 24
                clip: true
                boundsBehavior: Flickable.StopAtBounds

                Column {
                    id: moreColumn
                    y: 12
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 12

                    RoundedList {
                        id: moreList
                        objectName: "moreList"
                        onClicked: function (index) {
                            mainInterface.moreClicked(index);
                        }
                        ListEntry {
                            title: resource.textPersonalCard
                        }
                        ListEntry {
                            title: resource.textNetContact
                        }
                        ListEntry {
                            title: resource.textSystemSetting
                        }
                        ListEntry {
                            title: resource.textChangeSkin
                        }
                        ListEntry {
                            title: resource.textFeedback
                        }
                        ListEntry {
                            title: resource.textAbout
                        }
                        ListEntry {
                            title: resource.textMaintainEnterprise
                            visible: background.loginenterprise
                        }
                    }

                    Button {
                        objectName: "btnLogout"
                        width: moreList.width
                        height: 40
                        color: "#e5534b"
                        label: resource.textLogout
                        onClicked: mainInterface.signOut()
                    }
                }
            }
        }
    }

    // Entries of the more tab, in the order they are listed.
    function moreClicked(index) {
        switch (index) {
        case 0:
            mainInterface.strCardZpid = background.strSelfZpid;
            mainInterface.iCardType = 0;
            morePage.open("CardInterface.qml");
            break;
        case 1:
            morePage.open("NetContactInterface.qml");
            break;
        case 2:
            morePage.open("SystemSettingInterface.qml");
            break;
        case 3:
            background.changeSkin();
            break;
        case 4:
            morePage.open("FeedbackInterface.qml");
            break;
        case 5:
            morePage.open("AboutInterface.qml");
            break;
        case 6:
            morePage.open("CreateEnterpriseContactInterface.qml");
            break;
        }
    }

    // A typed number is a Zpid or a phone number; anything else is refused here.
    function checkNumber(strNumber) {
        if (core.getInputType(strNumber) < 0) {
            background.showAlert(resource.textNumberInvalid);
            return false;
        }
        return true;
    }

    Loader {
        id: chatLoader
        objectName: "chatLoader"
        anchors.fill: parent
        z: 20
        focus: chatLoader.status === Loader.Ready
        onStatusChanged: {
            if (chatLoader.status === Loader.Error) {
                chatLoader.source = "";
                mainInterface.currentItem = 0;
            }
        }
    }

    Connections {
        target: chatLoader.item
        ignoreUnknownSignals: true
        function onClosed() {
            chatLoader.source = "";
            mainInterface.currentItem = 0;
        }
    }

    Loader {
        id: callLoader
        objectName: "callLoader"
        anchors.fill: parent
        z: 30
        focus: callLoader.status === Loader.Ready
        onStatusChanged: {
            if (callLoader.status === Loader.Error)
                callLoader.source = "";
        }
    }

    Connections {
        target: callLoader.item
        ignoreUnknownSignals: true
        function onClosed() {
            callLoader.source = "";
        }
    }

    Component.onCompleted: {
        background.currentSource = 2;
        contactBusy.on = true;
        dialpad.field.forceActiveFocus();
    }
}
