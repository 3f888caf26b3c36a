pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// The main screen: five tabs (calls, contacts, circles, messages, more), each with a loader
// of its own for the screens drawn over it, and two loaders over all tabs for the open
// conversation and the call. The current selection of every tab lives here for the screens
// drawn over it to read.
FocusScope {
    id: mainInterface

    // The window's root item and its texts, handed over by the root when it loads the screen.
    required property var background
    required property Resource resource

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
    // The call: its phase (Codes.CallPhase) and its length in seconds.
    property string call_strZpid: ""
    property string call_strPhone: ""
    property string call_strName: ""
    property bool bCalling: false
    property bool bComingCall: false
    property int iCallState: Codes.PhaseCalling
    property int iCallTime: 0
    property int iUnRead: 0
    property int iMissed: 0
    // A message or call to a number typed on the dial pad, waiting for the server to say who
    // the number belongs to (bCalling marks a pending call).
    property bool bSendingMsg: false
    property string strPendingNumber: ""
    // 0 list, 1 one-to-one chat, 2 circle chat, 3 request list open.
    property int currentItem: 0
    property string strFile: ""
    // What the busy box says while a backup or export runs.
    property string sheetBusyTitle: ""

    readonly property alias tabs: tabs
    readonly property alias chatLoader: chatLoader
    readonly property alias callLoader: callLoader
    readonly property alias contactBusy: contactBusy
    readonly property alias enterpriseDialog: enterpriseDialog
    readonly property alias confirmDialog: confirmDialog
    readonly property alias deptDialog: deptDialog
    readonly property alias directoryMenu: directoryMenu
    // The organisation's changes are offered to its administrators only.
    readonly property bool bEnAdmin: mainInterface.background.loginenterprise
                                     && mainInterface.background.iEnUserType === Codes.RoleAdmin
    // What the confirmation box is asking about: "logoutEnterprise", "deleteDept" or
    // "deleteEmp", with the row it is about.
    property string confirmAction: ""
    property var confirmRow: null
    // The department being edited; empty while adding one.
    property string strEditDeptNo: ""
    property string strEditDeptPNo: ""

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
        mainInterface.load(chatLoader, "MessageInterface.qml");
    }

    // Every screen drawn over this one gets the root item, the texts and this screen (with
    // the current selections) handed over.
    function load(loader, strFile) {
        mainInterface.loadWith(loader, strFile, null);
    }

    // The same, with what `extra` sets of the screen's own properties.
    function loadWith(loader, strFile, extra) {
        const properties = {
            "background": mainInterface.background,
            "resource": mainInterface.resource,
            "mainInterface": mainInterface
        };
        if (extra)
            Object.assign(properties, extra);
        loader.setSource(strFile, properties);
    }

    // Starts an outgoing call to a known Zpid; the call screen opens once core reports the
    // push reached.
    function placeCall(strZpid, strPhone, strName) {
        const controller = published.controller;
        if (!controller)
            return;
        const peer = controller.getCallPeer(strZpid);
        mainInterface.call_strZpid = strZpid;
        mainInterface.call_strPhone = strPhone !== "" ? strPhone : peer.strPhone;
        mainInterface.call_strName = strName !== "" ? strName : peer.strName !== "" ? peer.strName
                                                                                 : mainInterface.resource.textUnknownContact;
        controller.sendPush(strZpid);
    }

    function showCallDetail(row) {
        mainInterface.strMainZpid = row.strZpid;
        mainInterface.strMainName = row.strName;
        mainInterface.strMainPhone = row.strPhone;
        mainInterface.iMainType = published.controller ? published.controller.getZpidType(row.strZpid) : Codes.ZpidRegistered;
        mainInterface.open(callPage, "CallDetailInterface.qml");
    }

    function refreshCallRecords() {
        if (tabs.current === 0 && published.controller)
            published.controller.getCallRecord("");
    }

    // A finished call leaves no number behind: the field would keep filtering the call log.
    function closeCall() {
        dialpad.phoneNum = "";
        callCloser.start();
    }

    // Unloads the call screen from the event loop: the end of a call may be reported from
    // inside the call screen's own button handler.
    Timer {
        id: callCloser
        interval: 0
        onTriggered: callLoader.source = ""
    }

    function open(page, strFile) {
        mainInterface.loadWith(page.loader, strFile, null);
    }

    function openWith(page, strFile, extra) {
        mainInterface.loadWith(page.loader, strFile, extra);
    }

    function selectPerson(row) {
        mainInterface.strMainZpid = row.strZpid;
        mainInterface.strMainName = row.strName;
        mainInterface.strMainPhone = row.strPhone;
        mainInterface.iMainType = row.iType;
    }

    // The current circle becomes the one of a circle list row (a CircleModel).
    function selectCircle(circle) {
        mainInterface.strCircleId = circle.strId;
        mainInterface.strCircleName = circle.strName;
        mainInterface.strCircleProfile = circle.strProfile;
        mainInterface.strCreateZpid = circle.strZpid;
        mainInterface.strCreateName = circle.strCreater;
        mainInterface.strUserCount = String(circle.iUserCount);
        mainInterface.iCircleType = circle.iType;
        mainInterface.iUserType = circle.iUserType;
    }

    // The user's own circle of that id in "circleModel", or null: the circles the server lists
    // for the user are the ones the user is a member of.
    function circleOf(strCircleId) {
        const circles = published.circles;
        if (!circles || strCircleId === "")
            return null;
        for (let i = 0; i < circles.length; ++i) {
            if (circles[i].strId === strCircleId)
                return circles[i];
        }
        return null;
    }

    function isMember(strCircleId) {
        return mainInterface.circleOf(strCircleId) !== null;
    }

    // The current circle becomes the one of that id: the user's own from the circle list, or
    // else one named in a request, described by what the store holds of it.
    function selectCircleById(strCircleId, strCircleName, iCircleType) {
        const own = mainInterface.circleOf(strCircleId);
        if (own) {
            mainInterface.selectCircle(own);
            return;
        }
        const circles = published.pending;
        const strCreator = circles.getCircleCreateZpid(strCircleId);
        mainInterface.strCircleId = strCircleId;
        mainInterface.strCircleName = strCircleName;
        mainInterface.strCircleProfile = circles.getCircleProfile(strCircleId);
        mainInterface.strCreateZpid = strCreator;
        mainInterface.strCreateName = strCreator !== "" ? published.controller.getCircleMemberCard(strCreator, strCircleId) : "";
        mainInterface.strUserCount = String(circles.getCircleMemberCount(strCircleId));
        mainInterface.iCircleType = iCircleType;
        mainInterface.iUserType = circles.getCircleUserType(strCircleId, strCreator);
    }

    // What a tab refreshes when it is chosen.
    function refreshTab(index) {
        if (index === 0) {
            mainInterface.iMissed = 0;
            if (published.controller)
                published.controller.getCallRecord("");
            dialpad.field.forceActiveFocus();
        } else if (index === 1) {
            mainInterface.background.getContact(mainInterface.background.bContactChecked, contactSearch.text);
        } else if (index === 2) {
            mainInterface.background.getCircle();
        } else if (index === 3) {
            mainInterface.iUnRead = 0;
            published.controller.getMsgRecord();
        }
    }

    // Shows the card of a person: one handed over as text, or the one Core holds for strZpid.
    function openCard(page, strZpid, strCard) {
        mainInterface.strCardZpid = strZpid;
        mainInterface.strCard = strCard;
        mainInterface.open(page, "CardInterface.qml");
    }

    // A conversation-list row opens what it stands for: card requests, circle requests, a
    // circle conversation or a one-to-one conversation.
    function openRecord(row) {
        if (row.iType === Codes.MsgCardRequest) {
            mainInterface.currentItem = 3;
            mainInterface.open(messagePage, "CardSysMsgInterface.qml");
        } else if (row.iType === Codes.MsgCircleRequest) {
            mainInterface.currentItem = 3;
            mainInterface.open(messagePage, "CircleSysMsgInterface.qml");
        } else if (row.iType === Codes.MsgCircle) {
            mainInterface.selectCircleById(row.strZpid, row.strName, row.iSubType);
            mainInterface.currentItem = 2;
            mainInterface.open(messagePage, "CircleMessageInterface.qml");
        } else {
            mainInterface.openChat(row.strZpid, row.strPhone, row.strName, row.iType);
        }
    }

    // A new or changed message, or a conversation closed: the conversation list when it is
    // shown, else the unread count. Open conversations and request lists read themselves
    // again and mark what they show read; both are read after them, so what they marked is
    // not counted.
    function messagesChanged() {
        unreadTimer.restart();
    }

    function readUnread() {
        if (tabs.current === 3 && messagePage.loader.status === Loader.Null)
            published.controller.getMsgRecord();
        else
            mainInterface.iUnRead = published.controller.getUnReadMsgRecord();
    }

    // The open conversation's title follows the address book: a sender not known when the
    // conversation opened may be named since.
    function nameChat() {
        const strName = published.controller.getContactNameByZpid(mainInterface.msg_strZpid);
        if (strName !== "")
            mainInterface.msg_strName = strName;
    }

    // The dial pad's message and call buttons. A Zpid whose phone is not known, or a phone
    // number whose Zpid is not known, is asked of the server first; the answer completes it.
    function dial(strNumber, bMessage) {
        if (!mainInterface.checkNumber(strNumber))
            return;
        const controller = published.controller;
        mainInterface.bSendingMsg = bMessage;
        mainInterface.bCalling = !bMessage;
        mainInterface.strPendingNumber = "";
        if (controller.getInputType(strNumber) === Codes.InputZpid) {
            const strPhone = controller.getContactPhoneByZpid(strNumber);
            if (strPhone === "") {
                mainInterface.strPendingNumber = strNumber;
                mainInterface.background.getUserPhone(strNumber);
                return;
            }
            mainInterface.finishDial(strNumber, strPhone);
        } else {
            const strZpid = controller.getContactZpidByPhone(strNumber);
            if (strZpid === "" || strZpid === "0") {
                mainInterface.strPendingNumber = strNumber;
                mainInterface.background.getUserState(strNumber);
                return;
            }
            mainInterface.finishDial(strZpid, strNumber);
        }
    }

    function finishDial(strZpid, strPhone) {
        const controller = published.controller;
        const bMessage = mainInterface.bSendingMsg;
        mainInterface.bSendingMsg = false;
        mainInterface.bCalling = false;
        mainInterface.strPendingNumber = "";
        const strKnown = controller.getContactNameByZpid(strZpid);
        const strName = strKnown !== "" ? strKnown : strPhone !== "" ? strPhone : strZpid;
        if (bMessage) {
            mainInterface.openChat(strZpid, strPhone, strName, controller.getZpidType(strZpid));
        } else {
            mainInterface.call_strZpid = strZpid;
            mainInterface.call_strPhone = strPhone;
            mainInterface.call_strName = strName;
            controller.sendPush(strZpid);
        }
    }

    function dialRefused() {
        mainInterface.bSendingMsg = false;
        mainInterface.bCalling = false;
        mainInterface.strPendingNumber = "";
        mainInterface.background.showAlert(mainInterface.resource.textNotUser);
    }

    function startCall(strZpid, strPhone) {
        mainInterface.bSendingMsg = false;
        mainInterface.finishDial(strZpid, strPhone);
    }

    function signOut() {
        published.controller.logout();
        mainInterface.background.showLogin();
    }

    // The more tab's title button: the enterprise sign-in, or leaving the organisation.
    function enterpriseButtonClicked() {
        if (mainInterface.background.loginenterprise) {
            mainInterface.ask("logoutEnterprise", mainInterface.resource.textConfirmLogoutEnterprise, null);
            return;
        }
        enterpriseDialog.onSetOrgInfo([], []);
        enterpriseDialog.input = "";
        enterpriseDialog.waiting = false;
        enterpriseDialog.visible = true;
        published.controller.getOrgInfo("");
    }

    // The sign-in dialog's OK: the password is remembered (or forgotten) as the box says, and
    // the dialog stays until the server has answered.
    function signInEnterprise(strOrgId, strOrgName, strPassword) {
        if (enterpriseDialog.waiting)
            return;
        if (strPassword === "") {
            mainInterface.background.showAlert(mainInterface.resource.textPasswordEmpty);
            return;
        }
        published.controller.addEnAccount(strOrgId, enterpriseDialog.checked ? strPassword : "");
        enterpriseDialog.waiting = true;
        published.controller.loginEnterprise(strOrgId, strPassword);
    }

    // A new organisation is made on its own screen, over the more tab.
    function createEnterprise() {
        enterpriseDialog.visible = false;
        tabs.current = 4;
        mainInterface.openWith(morePage, "CreateEnterpriseContactInterface.qml", {
            "iKind": Codes.EntAdd
        });
    }

    function leaveEnterprise() {
        published.controller.logoutEnterprise();
        mainInterface.background.resetEnterprise();
        if (!mainInterface.background.bContactChecked) {
            mainInterface.background.bContactChecked = true;
            if (tabs.current === 1)
                mainInterface.background.getContact(true, contactSearch.text);
        }
    }

    function ask(strAction, strMessage, row) {
        mainInterface.confirmAction = strAction;
        mainInterface.confirmRow = row;
        confirmDialog.message = strMessage;
        confirmDialog.visible = true;
    }

    function confirmed() {
        confirmDialog.visible = false;
        const row = mainInterface.confirmRow;
        const strOrgId = mainInterface.background.strOrgId;
        if (mainInterface.confirmAction === "logoutEnterprise") {
            mainInterface.leaveEnterprise();
        } else if (mainInterface.confirmAction === "deleteDept" && row) {
            published.controller.modifyDeptInfo(strOrgId, row.strPNo, row.strNo, row.strSNo, row.strName, Codes.EntDelete);
        } else if (mainInterface.confirmAction === "deleteEmp" && row) {
            published.controller.modifyEmpInfo(row.strZpid, strOrgId, row.strPNo, row.strNo, row.strSNo, row.strName,
                                               row.strPhone, row.strTel, row.strPost, Codes.EntDelete);
        }
        mainInterface.confirmRow = null;
    }

    // The contact tab's title button: the directory's menu.
    function directoryMenuClicked(index) {
        directoryMenu.visible = false;
        switch (index) {
        case 0:
            mainInterface.addEmployee("");
            break;
        case 1:
            mainInterface.startDept(null);
            break;
        case 2:
            mainInterface.background.displayTree = !mainInterface.background.displayTree;
            if (!mainInterface.background.displayTree)
                published.controller.getEmpList("");
            break;
        case 3:
            mainInterface.sheetBusyTitle = mainInterface.resource.textExporting;
            published.controller.exportEmp();
            break;
        case 4:
            importDialog.visible = true;
            break;
        }
    }

    // The contact tab's title button without an organisation: the address book's backup.
    function backupContacts() {
        mainInterface.sheetBusyTitle = mainInterface.resource.textBackingUp;
        published.controller.backupContact();
    }

    function addEmployee(strDeptNo) {
        if (!mainInterface.bEnAdmin)
            return;
        mainInterface.openWith(contactPage, "AddEmpInterface.qml", {
            "iKind": Codes.EntAdd,
            "strDeptNo": strDeptNo
        });
    }

    // Edits an employee row ("orginfoModel" or "empinfoModel").
    function editEmployee(row) {
        if (!mainInterface.bEnAdmin || !row)
            return;
        mainInterface.openWith(contactPage, "AddEmpInterface.qml", {
            "iKind": Codes.EntEdit,
            "strZpid": row.strZpid,
            "strNo": row.strNo,
            "strName": row.strName,
            "strSNo": row.strSNo,
            "strPhone": row.strPhone,
            "strTel": row.strTel,
            "strPost": row.strPost,
            "strDeptNo": row.strPNo
        });
    }

    function deleteEmployee(row) {
        if (!mainInterface.bEnAdmin || !row)
            return;
        mainInterface.ask("deleteEmp", mainInterface.resource.textConfirmDelete, row);
    }

    // Adds a department (row null) or edits one.
    function startDept(row) {
        if (!mainInterface.bEnAdmin)
            return;
        mainInterface.strEditDeptNo = row ? row.strNo : "";
        mainInterface.strEditDeptPNo = row ? row.strPNo : "";
        deptDialog.title = row ? mainInterface.resource.textEditDept : mainInterface.resource.textAddDept;
        deptDialog.input1 = row ? row.strName : "";
        deptDialog.input2 = row ? row.strNo : "";
        deptDialog.input3 = row ? row.strSNo : "";
        deptDialog.input2Enabled = !row;
        deptDialog.visible = true;
    }

    function saveDept() {
        const strName = deptDialog.input1.trim();
        const strNo = deptDialog.input2.trim();
        const strSNo = deptDialog.input3.trim();
        if (strName === "") {
            mainInterface.background.showAlert(mainInterface.resource.textDeptNameEmpty);
            return;
        }
        if (strNo === "") {
            mainInterface.background.showAlert(mainInterface.resource.textDeptNoEmpty);
            return;
        }
        deptDialog.visible = false;
        const bAdd = mainInterface.strEditDeptNo === "";
        published.controller.modifyDeptInfo(mainInterface.background.strOrgId, bAdd ? "" : mainInterface.strEditDeptPNo,
                                            strNo, strSNo, strName, bAdd ? Codes.EntAdd : Codes.EntEdit);
    }

    // A department goes only once it is empty: the server would refuse it anyway.
    function deleteDept(row) {
        if (!mainInterface.bEnAdmin || !row)
            return;
        if (row.iUserCount > 0) {
            mainInterface.background.showAlert(mainInterface.resource.textDeleteDeptFirst);
            return;
        }
        mainInterface.ask("deleteDept", mainInterface.resource.textConfirmDelete, row);
    }

    function manageDept(strNo, strName) {
        mainInterface.background.strDeptId = strNo;
        mainInterface.openWith(contactPage, "EmpManageInterface.qml", {
            "strDeptName": strName
        });
    }

    // An employee's card, from the directory.
    function openEmpCard(row) {
        mainInterface.openCard(contactPage, row.strZpid, published.controller.getEmpCard(row.strNo, row.strPNo));
    }

    function callEmployee(row) {
        mainInterface.startCall(row.strZpid, row.strPhone);
    }

    function chatEmployee(row) {
        mainInterface.openChat(row.strZpid, row.strPhone, row.strName, published.controller.getZpidType(row.strZpid));
    }

    focus: true

    Published {
        id: published
    }

    // Reads the unread count once the handlers of the open screens have run.
    Timer {
        id: unreadTimer
        interval: 0
        onTriggered: mainInterface.readUnread()
    }

    Connections {
        target: published.controller
        function onSig_updateContact() {
            contactBusy.on = false;
        }
        // The new-message sound is Core's own, which leaves a ringing call alone.
        function onSig_addMsgRecord() {
            mainInterface.messagesChanged();
        }
        function onSig_updateMsgRecord(iType, strZpid, strCircleId) {
            if (mainInterface.currentItem === 1 && strZpid === mainInterface.msg_strZpid)
                mainInterface.nameChat();
            mainInterface.messagesChanged();
        }
        // The answer about a Zpid typed on the dial pad: flag says whether it is a user.
        function onSig_updateUserPhone(flag, strPhone) {
            if (mainInterface.strPendingNumber === "" || strPhone !== mainInterface.strPendingNumber)
                return;
            if (flag)
                mainInterface.finishDial(strPhone, "");
            else
                mainInterface.dialRefused();
        }
        // The answer about a phone number typed on the dial pad (empty for an unknown one);
        // presence changes of contacts arrive the same way and are not taken.
        function onSig_updateUserState(strZpid, strPhone) {
            const strNumber = mainInterface.strPendingNumber;
            if (strNumber === "" || published.controller.getInputType(strNumber) !== Codes.InputPhone)
                return;
            if (strZpid === "" && strPhone === "") {
                mainInterface.dialRefused();
                return;
            }
            if (strPhone.slice(-11) !== strNumber.slice(-11))
                return;
            if (strZpid === "0")
                mainInterface.dialRefused();
            else
                mainInterface.finishDial(strZpid, strNumber);
        }
    }

    // The enterprise directory's answers.
    Connections {
        target: published.controller
        // A refused sign-in grants nothing: what was signed in before stays as it was.
        function onSig_loginenterprise(strOrgId, strName, strShortName, flag, iType) {
            enterpriseDialog.waiting = false;
            if (!flag) {
                mainInterface.background.showAlert(mainInterface.resource.textEnterpriseLoginFailed);
                return;
            }
            enterpriseDialog.visible = false;
            // A role the client does not know is a viewer's.
            const iRole = iType === Codes.RoleAdmin ? Codes.RoleAdmin : Codes.RoleEmployee;
            mainInterface.background.enterEnterprise(strOrgId, strName, strShortName, iRole);
            mainInterface.background.showAlert(mainInterface.resource.textEnterpriseLoggedIn);
        }
        function onSig_modifyOrgInfo(flag, iType) {
            const root = mainInterface.background;
            if (!flag) {
                root.showAlert(mainInterface.resource.textSaveFailed);
                return;
            }
            // The maintained organisation's names are shown at once; its fields were kept
            // on the root while they were edited.
            const fields = root.varOrgInfo;
            if (iType === Codes.EntEdit && root.loginenterprise && fields && fields.length > 2) {
                root.strOrgName = String(fields[1]);
                root.strOrgShortName = String(fields[2]);
            }
            root.showAlert(iType === Codes.EntAdd ? mainInterface.resource.textEnterpriseCreated
                                                  : mainInterface.resource.textSaveOk);
        }
        // Department and employee changes are answered alike.
        function onSig_modifyDeptInfo(strOrgId, flag, iType) {
            const texts = mainInterface.resource;
            if (!flag)
                mainInterface.background.showAlert(texts.textOperationFailed);
            else
                mainInterface.background.showAlert(iType === Codes.EntDelete ? texts.textDeleteOk : texts.textSaveOk);
        }
    }

    // Call states reported by core.
    Connections {
        target: published.controller
        function onSig_updateCall(iState, strZpid) {
            const resource = mainInterface.resource;
            switch (iState) {
            case Codes.CallPushReached:
                mainInterface.bComingCall = false;
                mainInterface.iCallState = Codes.PhaseCalling;
                mainInterface.iCallTime = 0;
                mainInterface.call_strZpid = strZpid;
                callCloser.stop();
                mainInterface.load(callLoader, "CallInterface.qml");
                break;
            case Codes.CallOffered: {
                const peer = published.controller.getCallPeer(strZpid);
                mainInterface.call_strZpid = strZpid;
                mainInterface.call_strName = peer.strName !== "" ? peer.strName : resource.textUnknownContact;
                mainInterface.call_strPhone = peer.strPhone;
                mainInterface.bComingCall = true;
                mainInterface.iCallState = Codes.PhaseRinging;
                mainInterface.iCallTime = 0;
                callCloser.stop();
                mainInterface.load(callLoader, "CallInterface.qml");
                break;
            }
            case Codes.CallUnreachable:
                mainInterface.closeCall();
                mainInterface.background.showAlert(resource.textPeerOffline);
                break;
            case Codes.CallRefused:
                mainInterface.closeCall();
                mainInterface.background.showAlert(mainInterface.iCallState === Codes.PhaseCalling
                                                   ? resource.textPeerRefused : resource.textCallEnded);
                break;
            case Codes.CallBusy:
                mainInterface.closeCall();
                mainInterface.background.showAlert(resource.textPeerBusy);
                break;
            case Codes.CallHungUp:
                mainInterface.closeCall();
                mainInterface.background.showAlert(resource.textCallEnded);
                break;
            default:
                return;
            }
            if (tabs.current !== 0)
                mainInterface.iMissed = published.controller.getUnReadCallRecord();
            mainInterface.refreshCallRecords();
        }
    }

    // A tab's page with a loader of its own for the screens drawn over it (see open()),
    // which unloads the screen when it closes.
    component TabPage: Item {
        id: page
        property string title: ""
        property bool showtips: false
        property int unReadCount: 0
        default property alias content: body.data
        readonly property alias loader: subLoader

        signal subScreenClosed

        // Covered by a screen, the page takes no input: Tab passes it by.
        Item {
            id: body
            anchors.fill: parent
            enabled: subLoader.item === null
        }

        // A screen that fails to load counts as closed, so the tab's selection is reset.
        ScreenLoader {
            id: subLoader
            anchors.fill: parent
            z: 10
            focus: true
            onFailed: page.subScreenClosed()
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
        // What a screen reader says for the list.
        property string accessibleName: ""
        // One stop of Tab for the whole list, however long: the focus goes to the current row
        // (the first when there is none yet), Up and Down go through the rows.
        activeFocusOnTab: list.count > 0
        Accessible.role: Accessible.List
        Accessible.name: list.accessibleName
        onActiveFocusChanged: {
            if (list.activeFocus && list.currentIndex < 0 && list.count > 0)
                list.currentIndex = 0;
        }

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
        // Under a conversation or a call, the tabs take no input: Tab stays on the screen on top.
        enabled: chatLoader.item === null && callLoader.item === null
        delegate: TabGroupDelegate {}
        onCurrentChanged: mainInterface.refreshTab(tabs.current)

        TabPage {
            id: callPage
            objectName: "callPage"
            title: mainInterface.resource.textTabCall
            showtips: true
            unReadCount: mainInterface.iMissed

            // The call tab's header folds the dial pad away and out again.
            readonly property bool dialpadShown: {
                const header = tabs.headerAt(0);
                return header ? header.expand : true;
            }

            ElementList {
                id: callRecordList
                objectName: "callRecordList"
                accessibleName: mainInterface.resource.textTabCall
                anchors.top: parent.top
                anchors.bottom: callPage.dialpadShown ? dialpad.top : parent.bottom
                width: parent.width
                visible: dialpad.phoneNum === ""
                model: published.callRecords
                delegate: CallRecordDelegate {
                    id: record
                    onDoubleClicked: mainInterface.showCallDetail(record.modelData)
                    onMenu1Clicked: mainInterface.showCallDetail(record.modelData)
                    onMenu2Clicked: mainInterface.placeCall(record.modelData.strZpid, record.modelData.strPhone,
                                                       record.modelData.strName)
                    onMenu3Clicked: mainInterface.openChat(record.modelData.strZpid, record.modelData.strPhone,
                                                           record.modelData.strName,
                                                           published.controller.getZpidType(record.modelData.strZpid))
                    // "This record" is the person's entry of the log: all of their calls.
                    onMenu4Clicked: {
                        published.controller.delCallRecord(record.modelData.strZpid);
                        mainInterface.refreshCallRecords();
                    }
                    onMenu5Clicked: {
                        published.controller.delCallRecord("");
                        mainInterface.refreshCallRecords();
                    }
                }
            }

            ElementList {
                id: searchList
                objectName: "searchContactList"
                accessibleName: mainInterface.resource.textSearch
                anchors.fill: callRecordList
                visible: dialpad.phoneNum !== ""
                model: published.searchContacts
                delegate: SearchContactDelegate {}
            }

            Dialpad {
                id: dialpad
                objectName: "dialpad"
                anchors.bottom: parent.bottom
                width: parent.width
                height: 250
                visible: callPage.dialpadShown
                onPhoneNumChanged: mainInterface.background.searchContact(dialpad.phoneNum)
                onBtnMsgClicked: mainInterface.dial(dialpad.phoneNum, true)
                onBtnCallClicked: mainInterface.dial(dialpad.phoneNum, false)
            }
        }

        TabPage {
            id: contactPage
            objectName: "contactPage"
            title: mainInterface.resource.textTabContact

            HeaderBar {
                id: contactHeader
                Row {
                    anchors.centerIn: parent
                    spacing: 0

                    Button {
                        objectName: "btnPersonal"
                        width: 100
                        height: 28
                        label: mainInterface.resource.textTabContact
                        color: mainInterface.background.bContactChecked ? "white" : "#2b7de9"
                        textColor: mainInterface.background.bContactChecked ? "#2b7de9" : "white"
                        onClicked: {
                            mainInterface.background.bContactChecked = true;
                            mainInterface.background.getContact(true, contactSearch.text);
                        }
                    }
                    Button {
                        objectName: "btnSecond"
                        width: 100
                        height: 28
                        label: mainInterface.background.loginenterprise ? mainInterface.background.strOrgShortName : mainInterface.resource.textAppName
                        color: mainInterface.background.bContactChecked ? "#2b7de9" : "white"
                        textColor: mainInterface.background.bContactChecked ? "white" : "#2b7de9"
                        onClicked: {
                            mainInterface.background.bContactChecked = false;
                            mainInterface.background.getContact(false, contactSearch.text);
                        }
                    }
                }

                // The address book's backup, while no organisation is signed in.
                Button {
                    objectName: "btnBackupContact"
                    anchors.right: parent.right
                    anchors.rightMargin: 4
                    anchors.verticalCenter: parent.verticalCenter
                    width: 28
                    height: 28
                    visible: !mainInterface.background.loginenterprise
                    label: "\u2913"
                    accessibleName: mainInterface.resource.textBackup
                    onClicked: mainInterface.backupContacts()
                }

                // The directory's menu, while an organisation is signed in.
                Button {
                    objectName: "btnDirectoryMenu"
                    anchors.right: parent.right
                    anchors.rightMargin: 4
                    anchors.verticalCenter: parent.verticalCenter
                    width: 28
                    height: 28
                    visible: mainInterface.background.loginenterprise
                    label: "\u2261"
                    onClicked: directoryMenu.visible = !directoryMenu.visible
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
                placeholderText: mainInterface.resource.textSearch
                onTextChanged: mainInterface.background.getContact(mainInterface.background.bContactChecked, contactSearch.text)
            }

            Item {
                id: contactArea
                anchors.top: contactSearch.bottom
                anchors.topMargin: 6
                anchors.bottom: parent.bottom
                width: parent.width

                ElementList {
                    objectName: "contactList"
                    accessibleName: mainInterface.resource.textTabContact
                    anchors.fill: parent
                    visible: mainInterface.background.bContactChecked || !mainInterface.background.loginenterprise
                    model: published.contacts
                    // Names and phones may carry the search highlights; what is handed on is
                    // the row's person, so the chat and card read their own plain texts.
                    delegate: ContactDelegate {
                        id: contactRow
                        onLeftClicked: mainInterface.selectPerson(contactRow.modelData)
                        onDoubleClicked: mainInterface.openCard(contactPage, contactRow.modelData.strZpid, "")
                        onUserPicClicked: mainInterface.openCard(contactPage, contactRow.modelData.strZpid, "")
                        onMenu1Clicked: mainInterface.openCard(contactPage, contactRow.modelData.strZpid, "")
                        onMenu2Clicked: mainInterface.startCall(contactRow.modelData.strZpid,
                                                                published.controller.getContactPhoneByZpid(contactRow.modelData.strZpid))
                        onMenu3Clicked: mainInterface.openChat(contactRow.modelData.strZpid,
                                                               published.controller.getContactPhoneByZpid(contactRow.modelData.strZpid),
                                                               published.controller.getContactNameByZpid(contactRow.modelData.strZpid),
                                                               contactRow.modelData.iType)
                    }
                }

                ElementList {
                    objectName: "orgList"
                    accessibleName: mainInterface.resource.textTabContact
                    anchors.fill: parent
                    visible: !mainInterface.background.bContactChecked && mainInterface.background.loginenterprise && mainInterface.background.displayTree
                    model: published.orgInfo
                    delegate: OrgInfoDelegate {
                        id: orgRow
                        bAdmin: mainInterface.bEnAdmin
                        onMenu1Clicked: mainInterface.startDept(orgRow.modelData)
                        onMenu2Clicked: mainInterface.deleteDept(orgRow.modelData)
                        onMenu3Clicked: function (strPNo, strNo, strName) {
                            mainInterface.manageDept(strNo, strName);
                        }
                        onMenu4Clicked: mainInterface.editEmployee(orgRow.modelData)
                        onMenu5Clicked: mainInterface.deleteEmployee(orgRow.modelData)
                        onUserPicClicked: mainInterface.openEmpCard(orgRow.modelData)
                        onBtnCallClicked: mainInterface.callEmployee(orgRow.modelData)
                        onBtnMsgClicked: mainInterface.chatEmployee(orgRow.modelData)
                    }
                }

                ElementList {
                    objectName: "empList"
                    accessibleName: mainInterface.resource.textTabContact
                    anchors.fill: parent
                    visible: !mainInterface.background.bContactChecked && mainInterface.background.loginenterprise && !mainInterface.background.displayTree
                    model: published.empInfo
                    delegate: EmpInfoDelegate {
                        id: empRow
                        bAdmin: mainInterface.bEnAdmin
                        onDoubleClicked: mainInterface.openEmpCard(empRow.modelData)
                        onUserPicClicked: mainInterface.openEmpCard(empRow.modelData)
                        onMenu1Clicked: mainInterface.editEmployee(empRow.modelData)
                        onMenu2Clicked: mainInterface.deleteEmployee(empRow.modelData)
                        onBtnCallClicked: mainInterface.callEmployee(empRow.modelData)
                        onBtnMsgClicked: mainInterface.chatEmployee(empRow.modelData)
                    }
                }

                BusyIndicator {
                    id: contactBusy
                    objectName: "contactBusy"
                    anchors.centerIn: parent
                    on: true
                }
            }

            // Administrators change the directory; everyone chooses how it is shown.
            PopupMenu {
                id: directoryMenu
                objectName: "directoryMenu"
                anchors.top: contactHeader.bottom
                anchors.right: parent.right
                anchors.rightMargin: 4
                visible: false
                onMenuClicked: function (index) {
                    mainInterface.directoryMenuClicked(index);
                }
                ListEntry {
                    title: mainInterface.resource.textAddEmp
                    visible: mainInterface.bEnAdmin
                }
                ListEntry {
                    title: mainInterface.resource.textAddDept
                    visible: mainInterface.bEnAdmin
                }
                ListEntry {
                    title: mainInterface.background.displayTree ? mainInterface.resource.textListView
                                                                : mainInterface.resource.textTreeView
                }
                ListEntry {
                    title: mainInterface.resource.textExportEmp
                    visible: mainInterface.bEnAdmin
                }
                ListEntry {
                    title: mainInterface.resource.textImportEmp
                    visible: mainInterface.bEnAdmin
                }
            }
        }

        TabPage {
            id: circlePage
            objectName: "circlePage"
            title: mainInterface.resource.textTabCircle
            onSubScreenClosed: mainInterface.currentItem = 0

            HeaderBar {
                id: circleHeader
                Text {
                    anchors.centerIn: parent
                    text: mainInterface.resource.textTabCircle
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
                    label: mainInterface.resource.textMayKnow
                    onClicked: {
                        published.controller.getMayKnow();
                        mainInterface.open(circlePage, "MayKnowInterface.qml");
                    }
                }
                Button {
                    objectName: "btnSearch"
                    width: 120
                    label: mainInterface.resource.textSearch
                    onClicked: mainInterface.open(circlePage, "SearchInterface.qml")
                }
            }

            ElementList {
                id: circleList
                objectName: "circleList"
                accessibleName: mainInterface.resource.textTabCircle
                anchors.top: circleButtons.bottom
                anchors.topMargin: 8
                anchors.bottom: parent.bottom
                width: parent.width
                model: published.circles
                delegate: CircleDelegate {
                    id: circleRow
                    onLeftClicked: mainInterface.selectCircle(circleRow.modelData)
                    onDoubleClicked: {
                        mainInterface.selectCircle(circleRow.modelData);
                        mainInterface.currentItem = 2;
                        mainInterface.open(circlePage, "CircleMessageInterface.qml");
                    }
                    onUserPicClicked: {
                        mainInterface.selectCircle(circleRow.modelData);
                        mainInterface.open(circlePage, "CircleManagement.qml");
                    }
                }
            }

            Button {
                objectName: "btnNewCircle"
                anchors.centerIn: circleList
                width: 140
                height: 36
                visible: circleList.count === 0
                label: mainInterface.resource.textNewCircle
                onClicked: mainInterface.open(circlePage, "NewCircleInterface.qml")
            }
        }

        TabPage {
            id: messagePage
            objectName: "messagePage"
            title: mainInterface.resource.textTabMessage
            showtips: true
            unReadCount: mainInterface.iUnRead
            onSubScreenClosed: {
                mainInterface.currentItem = 0;
                mainInterface.messagesChanged();
            }

            TitleBar {
                id: messageHeader
                width: parent.width
                title: mainInterface.resource.textTabMessage
                btnLeft: false
                btnRight: true
                titleRight: mainInterface.resource.textNewMessage
                onBtnRightClicked: mainInterface.open(messagePage, "NewMsgInterface.qml")
            }

            ElementList {
                objectName: "msgRecordList"
                accessibleName: mainInterface.resource.textTabMessage
                anchors.top: messageHeader.bottom
                anchors.bottom: parent.bottom
                width: parent.width
                model: published.msgRecords
                delegate: MsgRecordDelegate {
                    id: msgRecordRow
                    onDoubleClicked: mainInterface.openRecord(msgRecordRow.modelData)
                    onMenu1Clicked: {
                        published.controller.delMsgRecord(msgRecordRow.modelData.iType, msgRecordRow.modelData.strZpid);
                        published.controller.getMsgRecord();
                    }
                    onMenu2Clicked: {
                        published.controller.delMsgRecord(Codes.MsgAllKinds, "");
                        published.controller.getMsgRecord();
                    }
                }
            }
        }

        TabPage {
            id: morePage
            objectName: "morePage"
            title: mainInterface.resource.textTabMore

            TitleBar {
                id: moreHeader
                width: parent.width
                title: mainInterface.resource.textTabMore
                objectName: "moreHeader"
                btnLeft: false
                // The way into the enterprise directory, and out of it again.
                btnRight: true
                titleRight: mainInterface.background.loginenterprise ? mainInterface.resource.textLogoutEnterprise
                                                       : mainInterface.resource.textLoginEnterprise
                onBtnRightClicked: mainInterface.enterpriseButtonClicked()
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
                            title: mainInterface.resource.textPersonalCard
                        }
                        ListEntry {
                            title: mainInterface.resource.textNetContact
                        }
                        ListEntry {
                            title: mainInterface.resource.textSystemSetting
                        }
                        ListEntry {
                            title: mainInterface.resource.textChangeSkin
                        }
                        ListEntry {
                            title: mainInterface.resource.textFeedback
                        }
                        ListEntry {
                            title: mainInterface.resource.textAbout
                        }
                        ListEntry {
                            title: mainInterface.resource.textMaintainEnterprise
                            visible: mainInterface.background.loginenterprise
                        }
                    }

                    Button {
                        objectName: "btnLogout"
                        width: moreList.width
                        height: 40
                        color: "#e5534b"
                        label: mainInterface.resource.textLogout
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
            mainInterface.strCardZpid = mainInterface.background.strSelfZpid;
            mainInterface.strCard = "";
            mainInterface.iCardType = 0;
            mainInterface.open(morePage, "CardInterface.qml");
            break;
        case 1:
            mainInterface.open(morePage, "NetContactInterface.qml");
            break;
        case 2:
            mainInterface.open(morePage, "SystemSettingInterface.qml");
            break;
        case 3:
            mainInterface.background.changeSkin();
            break;
        case 4:
            mainInterface.open(morePage, "FeedbackInterface.qml");
            break;
        case 5:
            mainInterface.open(morePage, "AboutInterface.qml");
            break;
        case 6:
            if (mainInterface.background.loginenterprise)
                mainInterface.openWith(morePage, "CreateEnterpriseContactInterface.qml", {
                    "iKind": Codes.EntEdit
                });
            break;
        }
    }

    // A typed number is a Zpid or a phone number; anything else is refused here.
    function checkNumber(strNumber) {
        if (published.controller.getInputType(strNumber) === Codes.InputInvalid) {
            mainInterface.background.showAlert(mainInterface.resource.textNumberInvalid);
            return false;
        }
        return true;
    }

    DialogLoginEnterprise {
        id: enterpriseDialog
        objectName: "enterpriseDialog"
        // Set from OK until the server has answered.
        property bool waiting: false
        visible: false
        titleText: mainInterface.resource.textLoginEnterprise
        createLabel: mainInterface.resource.textCreateEnterprise
        okLabel: mainInterface.resource.textLogin
        cancelLabel: mainInterface.resource.textCancel
        onBtnOKClicked: function (strOrgId, strOrgName, strPassword) {
            mainInterface.signInEnterprise(strOrgId, strOrgName, strPassword);
        }
        onBtnCancelClicked: {
            enterpriseDialog.visible = false;
            enterpriseDialog.waiting = false;
        }
        onCreateContact: mainInterface.createEnterprise()
    }

    DialogInput {
        id: deptDialog
        objectName: "deptDialog"
        visible: false
        z: 900
        type: 3
        title1: mainInterface.resource.textDeptName
        title2: mainInterface.resource.textDeptNo
        title3: mainInterface.resource.textSortNo
        btnOkLabel: mainInterface.resource.textOk
        btnCancelLabel: mainInterface.resource.textCancel
        onBtnOKClicked: mainInterface.saveDept()
        onBtnCancelClicked: deptDialog.visible = false
    }

    DialogMessage {
        id: confirmDialog
        objectName: "confirmDialog"
        visible: false
        z: 900
        btnOkLabel: mainInterface.resource.textOk
        btnCancelLabel: mainInterface.resource.textCancel
        onBtnOKClicked: mainInterface.confirmed()
        onBtnCancelClicked: {
            confirmDialog.visible = false;
            mainInterface.confirmRow = null;
        }
    }

    // Importing employees: OK starts it, the middle button opens the blank template.
    DialogMessage {
        id: importDialog
        objectName: "importDialog"
        visible: false
        z: 900
        btnCount: 3
        message: mainInterface.resource.textImportEmp
        btnOkLabel: mainInterface.resource.textOk
        btnMiddleLabel: mainInterface.resource.textTemplate
        btnCancelLabel: mainInterface.resource.textCancel
        onBtnOKClicked: {
            importDialog.visible = false;
            published.controller.importEmp(mainInterface.background.strOrgId);
        }
        onBtnMiddleClicked: {
            importDialog.visible = false;
            published.controller.openOrgInfoTemplate();
        }
        onBtnCancelClicked: importDialog.visible = false
    }

    DialogBusy {
        id: sheetBusy
        objectName: "sheetBusy"
        z: 950
    }

    // A finished backup or export: its result, and the workbook to open when one was written.
    DialogMessage {
        id: sheetResult
        objectName: "sheetResult"
        property url strFile
        visible: false
        z: 900
        title: mainInterface.resource.textOpenFile
        btnCount: String(sheetResult.strFile) === "" ? 1 : 2
        btnOkLabel: String(sheetResult.strFile) === "" ? mainInterface.resource.textOk
                                                          : mainInterface.resource.textOpen
        btnCancelLabel: mainInterface.resource.textCancel
        onBtnOKClicked: {
            sheetResult.visible = false;
            if (String(sheetResult.strFile) !== "")
                Qt.openUrlExternally(sheetResult.strFile);
        }
        onBtnCancelClicked: sheetResult.visible = false
    }

    Connections {
        target: published.controller
        function onSig_backupContactStart() {
            sheetBusy.title = mainInterface.sheetBusyTitle;
            sheetBusy.show = true;
        }
        function onSig_backupContactFinish(strInfo, strFile) {
            sheetBusy.show = false;
            mainInterface.strFile = strFile.toString();
            sheetResult.message = strInfo;
            sheetResult.strFile = strFile;
            sheetResult.visible = true;
        }
        function onSig_importOrgInfoStart() {
            sheetBusy.title = mainInterface.resource.textImporting;
            sheetBusy.show = true;
        }
        function onSig_importOrgInfoFinish() {
            sheetBusy.show = false;
            mainInterface.background.showAlert(mainInterface.resource.textImportOk);
        }
        function onSig_importFailed(iKind, strInfo) {
            if (iKind !== Codes.SheetEmployee)
                return;
            sheetBusy.show = false;
            mainInterface.background.showAlert(strInfo);
        }
    }

    ScreenLoader {
        id: chatLoader
        objectName: "chatLoader"
        anchors.fill: parent
        z: 20
        enabled: callLoader.item === null
        focus: chatLoader.status === Loader.Ready
        onFailed: mainInterface.currentItem = 0
    }

    Connections {
        target: chatLoader.item
        ignoreUnknownSignals: true
        function onClosed() {
            chatLoader.source = "";
            mainInterface.currentItem = 0;
            mainInterface.messagesChanged();
        }
    }

    ScreenLoader {
        id: callLoader
        objectName: "callLoader"
        anchors.fill: parent
        z: 30
        focus: callLoader.status === Loader.Ready
    }

    Connections {
        target: callLoader.item
        ignoreUnknownSignals: true
        function onClosed() {
            callLoader.source = "";
        }
    }

    Component.onCompleted: {
        mainInterface.background.currentSource = 2;
        contactBusy.on = true;
        if (published.controller) {
            published.controller.getCallRecord("");
            mainInterface.iMissed = published.controller.getUnReadCallRecord();
        }
        dialpad.field.forceActiveFocus();
        mainInterface.readUnread();
    }
}
