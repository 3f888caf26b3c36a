import QtQuick
import Zephon.Controller

// What the entry and Core publish on the view's root context: "core", "ctranslator",
// "version" and the element lists, which Core republishes under the same name when they
// change (these bindings follow). Those names exist only at run time, so this is the one
// document that reads them by name; every other document reaches them through an instance
// of it and stays checkable by the tools. A name not published (a component shown on its
// own) reads as null.
QtObject {
    // qmllint disable unqualified
    // Core as its type, so that the tools check every call on it and every handler of its
    // signals.
    readonly property Core controller: typeof core !== "undefined" ? core : null
    // The same object untyped, only for the operations of feature areas Core does not have yet
    // (a call of one fails at run time). The screens' lint lets through this name only what Core
    // lacks and the screens' stand-in has.
    readonly property var pending: typeof core !== "undefined" ? core : null
    readonly property var translator: typeof ctranslator !== "undefined" ? ctranslator : null
    readonly property string versionText: typeof version !== "undefined" ? version : ""
    readonly property var callRecords: typeof callrecordModel !== "undefined" ? callrecordModel : null
    readonly property var calls: typeof callModel !== "undefined" ? callModel : null
    readonly property var searchContacts: typeof searchcontactModel !== "undefined" ? searchcontactModel : null
    readonly property var contacts: typeof contactModel !== "undefined" ? contactModel : null
    readonly property var orgInfo: typeof orginfoModel !== "undefined" ? orginfoModel : null
    readonly property var empInfo: typeof empinfoModel !== "undefined" ? empinfoModel : null
    readonly property var circles: typeof circleModel !== "undefined" ? circleModel : null
    readonly property var circleMembers: typeof circlememberModel !== "undefined" ? circlememberModel : null
    readonly property var circleSysMsgs: typeof circlesysmsgModel !== "undefined" ? circlesysmsgModel : null
    readonly property var msgRecords: typeof msgrecordModel !== "undefined" ? msgrecordModel : null
    readonly property var faces: typeof faceModel !== "undefined" ? faceModel : null
    readonly property var messages: typeof messageModel !== "undefined" ? messageModel : null
    readonly property var cardSysMsgs: typeof cardsysmsgModel !== "undefined" ? cardsysmsgModel : null
    readonly property var netContacts: typeof netcontactModel !== "undefined" ? netcontactModel : null
    readonly property var mayKnow: typeof mayknowModel !== "undefined" ? mayknowModel : null
    readonly property var searchUsers: typeof searchuserModel !== "undefined" ? searchuserModel : null
    readonly property var searchCircles: typeof searchcircleModel !== "undefined" ? searchcircleModel : null
    readonly property var selects: typeof selectModel !== "undefined" ? selectModel : null
    readonly property var massContacts: typeof masscontactModel !== "undefined" ? masscontactModel : null
    // The signed-in user's own card (":"-separated fields) and the settings object.
    readonly property string personalCard: typeof personalcard !== "undefined" ? personalcard : ""
    readonly property var settings: typeof setting !== "undefined" ? setting : null
    // qmllint enable unqualified
}
