import QtQuick
import "components"

// Window geometry and every text the screens show. The texts are set by translator() from
// their Chinese source texts, once at start and again whenever a catalogue is loaded.
QtObject {
    id: resource

    // The skinned frame and the inner window placed in it.
    readonly property int frameWidth: 302
    readonly property int frameHeight: 660
    readonly property int windowWidth: 280
    readonly property int windowHeight: 510
    readonly property int windowX: 11
    readonly property int windowY: 58
    readonly property int minimizeX: 192
    readonly property int minimizeY: 8
    readonly property int logoY: 592
    readonly property string fontFamily: "微软雅黑"
    property string textAppName: ""
    property string textMinimize: ""
    property string textClose: ""
    property string textTabCall: ""
    property string textTabContact: ""
    property string textTabCircle: ""
    property string textTabMessage: ""
    property string textTabMore: ""
    property string textOk: ""
    property string textCancel: ""
    property string textSave: ""
    property string textSend: ""
    property string textOpen: ""
    property string textTemplate: ""
    property string textAgree: ""
    property string textRefuse: ""
    property string textBack: ""
    property string textEdit: ""
    property string textDelete: ""
    property string textAdd: ""
    property string textLogin: ""
    property string textAccount: ""
    property string textPassword: ""
    property string textAccountHint: ""
    property string textPasswordHint: ""
    property string textRememberPassword: ""
    property string textHelp: ""
    property string textAccountEmpty: ""
    property string textPasswordEmpty: ""
    property string textAccountInvalid: ""
    property string textAccountUnknown: ""
    property string textPasswordWrong: ""
    property string textLoggingIn: ""
    property string textNetError: ""
    property string textServerTimeout: ""
    property string textNumberInvalid: ""
    property string textNotUser: ""
    property string textPeerOffline: ""
    property string textUnknownContact: ""
    property string textPeerRefused: ""
    property string textCallEnded: ""
    property string textPeerBusy: ""
    property string textFold: ""
    property string textUnfold: ""
    property string textCalling: ""
    property string textIncomingCall: ""
    property string textAnswer: ""
    property string textHangup: ""
    property string textMute: ""
    property string textDialpad: ""
    property string textCallDetail: ""
    property string textDial: ""
    property string textSendMessage: ""
    property string textDeleteOne: ""
    property string textDeleteAll: ""
    property string textOutgoing: ""
    property string textIncoming: ""
    property string textMissed: ""
    property string textSearch: ""
    property string textPersonalCard: ""
    property string textCard: ""
    property string textExchangeCard: ""
    property string textSendCard: ""
    property string textEditMember: ""
    property string textDeleteMember: ""
    property string textNetContact: ""
    property string textBackup: ""
    property string textImport: ""
    property string textBackingUp: ""
    property string textExporting: ""
    property string textImporting: ""
    property string textImportOk: ""
    property string textImportFailed: ""
    property string textOverwriteBackup: ""
    property string textOpenFile: ""
    property string textCardRequests: ""
    property string textCircleRequests: ""
    property string textAgreed: ""
    property string textRefused: ""
    property string textMayKnow: ""
    property string textNewCircle: ""
    property string textCircleNameTooLong: ""
    property string textCircleProfileTooLong: ""
    property string textAdminUndeletable: ""
    property string textDismissCircle: ""
    property string textExitCircle: ""
    property string textApplyCircle: ""
    property string textCircleInfo: ""
    property string textCircleName: ""
    property string textCircleNumber: ""
    property string textCircleProfile: ""
    property string textCircleCreator: ""
    property string textCircleMembers: ""
    property string textMemberCount: ""
    property string textCircleType: ""
    property string textCircleTypeLife: ""
    property string textCircleTypeWork: ""
    property string textCircleNameHint: ""
    property string textCircleNameEmpty: ""
    property string textCreateCircle: ""
    property string textCircleCreated: ""
    property string textAddMember: ""
    property string textAddFromContacts: ""
    property string textImportMembers: ""
    property string textRecommend: ""
    property string textApplyReason: ""
    property string textApplyReasonTooLong: ""
    property string textApplySent: ""
    property string textRecommendSent: ""
    property string textConfirmDismiss: ""
    property string textConfirmExit: ""
    property string textConfirmClearHistory: ""
    property string textCircleDismissed: ""
    property string textCircleExited: ""
    property string textMemberNameEmpty: ""
    property string textClearHistory: ""
    property string textAll: ""
    property string textFemale: ""
    property string textMale: ""
    property string textNewMessage: ""
    property string textReceive: ""
    property string textReceived: ""
    property string textSent: ""
    property string textCancelled: ""
    property string textPicture: ""
    property string textFile: ""
    property string textScreenshot: ""
    property string textLocation: ""
    property string textSystemSetting: ""
    property string textChangeSkin: ""
    property string textFeedback: ""
    property string textAbout: ""
    property string textLogout: ""
    property string textChangePassword: ""
    property string textOldPassword: ""
    property string textNewPassword: ""
    property string textAutoStartup: ""
    property string textStaysOnTop: ""
    property string textCallPrompt: ""
    property string textMsgPrompt: ""
    property string textAutoUpdate: ""
    property string textVersion: ""
    property string textUserProtocol: ""
    property string textWebsite: ""
    property string textConfirmPassword: ""
    property string textOldPasswordHint: ""
    property string textNewPasswordHint: ""
    property string textConfirmPasswordHint: ""
    property string textOldPasswordWrong: ""
    property string textNewPasswordEmpty: ""
    property string textPasswordMismatch: ""
    property string textPasswordTooLong: ""
    property string textPasswordChanged: ""
    property string textPasswordChangeFailed: ""
    property string textFeedbackHint: ""
    property string textFeedbackEmpty: ""
    property string textFeedbackSent: ""
    property string textUserAgreement: ""
    property string textMaintainEnterprise: ""
    property string textLoginEnterprise: ""
    property string textLogoutEnterprise: ""
    property string textConfirmLogoutEnterprise: ""
    property string textCreateEnterprise: ""
    property string textEditDept: ""
    property string textDeleteDept: ""
    property string textManageEmp: ""
    property string textEditEmp: ""
    property string textDeleteEmp: ""
    property string textAddEmp: ""
    property string textAddDept: ""
    property string textExportEmp: ""
    property string textImportEmp: ""
    property string textTreeView: ""
    property string textListView: ""
    property string textDeleteDeptFirst: ""
    property string textEnterpriseLoginFailed: ""
    property string textEnterpriseLoggedIn: ""
    property string textEnterpriseCreated: ""
    property string textDeleteOk: ""
    property string textDeptName: ""
    property string textDeptNo: ""
    property string textSortNo: ""
    property string textDeptNameEmpty: ""
    property string textDeptNoEmpty: ""
    property string textOrgFullName: ""
    property string textOrgShortName: ""
    property string textOrgContact: ""
    property string textOrgTel: ""
    property string textAdminPassword: ""
    property string textEmpPassword: ""
    property string textOwnTel: ""
    property string textOrgNameEmpty: ""
    property string textOrgShortNameEmpty: ""
    property string textOrgContactEmpty: ""
    property string textAdminPasswordEmpty: ""
    property string textEmpPasswordEmpty: ""
    property string textEmpNo: ""
    property string textDept: ""
    property string textChooseDept: ""
    property string textEmpNameEmpty: ""
    property string textEmpNoEmpty: ""
    property string textEmpMobileEmpty: ""
    property string textChangeEnPassword: ""
    property string textEnPasswordOrg: ""
    property string textEnPasswordKind: ""
    property string textEnPasswordChanged: ""
    property string textEnPasswordChangeFailed: ""
    property string textSaveOk: ""
    property string textSaveFailed: ""
    property string textOperationFailed: ""
    property string textChoosePicture: ""
    property string textConfirmDelete: ""
    property string textName: ""
    property string textSex: ""
    property string textPost: ""
    property string textCompany: ""
    property string textAddress: ""
    property string textMobile: ""
    property string textTel: ""
    property string textEmail: ""
    property string textSignature: ""
    property string textProfession: ""
    property string textHomepage: ""
    property string textFax: ""
    property string textBirthday: ""
    property string textAge: ""
    property string textNickname: ""
    property string textGroup: ""
    property string textChat: ""
    property string textSelectAll: ""
    property string textRecipients: ""
    property string textRecipientHint: ""
    property string textNoRecipient: ""
    property string textAlreadyRecipient: ""
    property string textFindUser: ""
    property string textFindCircle: ""
    property string textSearchHint: ""
    property string textUsers: ""
    property string textCircles: ""
    property string textSending: ""
    property string textDelivered: ""
    property string textSendFailed: ""
    property string textRequestSent: ""
    property string textWaitingCard: ""

    readonly property Published published: Published {}
    property Connections languageWatch: Connections {
        target: resource.published.translator
        function onLanguageChanged() {
            resource.translator();
        }
    }

    function translator() {
        resource.textAppName = "Zephon";
        resource.textMinimize = qsTr("最小化");
        resource.textClose = qsTr("关闭");
        resource.textTabCall = qsTr("通话");
        resource.textTabContact = qsTr("通讯录");
        resource.textTabCircle = qsTr("社交圈");
        resource.textTabMessage = qsTr("消息");
        resource.textTabMore = qsTr("更多");
        resource.textOk = qsTr("确定");
        resource.textCancel = qsTr("取消");
        resource.textSave = qsTr("保存");
        resource.textSend = qsTr("发送");
        resource.textOpen = qsTr("打开");
        resource.textTemplate = qsTr("模板");
        resource.textAgree = qsTr("同意");
        resource.textRefuse = qsTr("拒绝");
        resource.textBack = qsTr("返回");
        resource.textEdit = qsTr("编辑");
        resource.textDelete = qsTr("删除");
        resource.textAdd = qsTr("添加");
        resource.textLogin = qsTr("登录");
        resource.textAccount = qsTr("帐号");
        resource.textPassword = qsTr("密码");
        resource.textAccountHint = qsTr("请输入Zephon号或手机号");
        resource.textPasswordHint = qsTr("请输入密码");
        resource.textRememberPassword = qsTr("记住密码");
        resource.textHelp = qsTr("帮助");
        resource.textAccountEmpty = qsTr("帐号不能为空");
        resource.textPasswordEmpty = qsTr("密码不能为空");
        resource.textAccountInvalid = qsTr("帐号格式不正确");
        resource.textAccountUnknown = qsTr("帐号不存在");
        resource.textPasswordWrong = qsTr("密码不对");
        resource.textLoggingIn = qsTr("正在登录");
        resource.textNetError = qsTr("网络错误，请检查网络");
        resource.textServerTimeout = qsTr("服务器响应超时，请重试");
        resource.textNumberInvalid = qsTr("号码格式不对");
        resource.textNotUser = qsTr("对方不是Zephon用户");
        resource.textPeerOffline = qsTr("对方不在线");
        resource.textUnknownContact = qsTr("未知联系人");
        resource.textPeerRefused = qsTr("对方不方便接听");
        resource.textCallEnded = qsTr("通话结束");
        resource.textPeerBusy = qsTr("对方正在通话中");
        resource.textFold = qsTr("收起");
        resource.textUnfold = qsTr("展开");
        resource.textCalling = qsTr("正在呼叫");
        resource.textIncomingCall = qsTr("来电");
        resource.textAnswer = qsTr("接听");
        resource.textHangup = qsTr("挂断");
        resource.textMute = qsTr("静音");
        resource.textDialpad = qsTr("拨号盘");
        resource.textCallDetail = qsTr("通话详情");
        resource.textDial = qsTr("拨打电话");
        resource.textSendMessage = qsTr("发送消息");
        resource.textDeleteOne = qsTr("删除本条");
        resource.textDeleteAll = qsTr("删除全部");
        resource.textOutgoing = qsTr("呼出");
        resource.textIncoming = qsTr("呼入");
        resource.textMissed = qsTr("未接");
        resource.textSearch = qsTr("搜索");
        resource.textPersonalCard = qsTr("个人名片");
        resource.textCard = qsTr("名片");
        resource.textExchangeCard = qsTr("交换名片");
        resource.textSendCard = qsTr("发送名片");
        resource.textEditMember = qsTr("编辑成员");
        resource.textDeleteMember = qsTr("删除成员");
        resource.textNetContact = qsTr("云通讯录");
        resource.textBackup = qsTr("备份");
        resource.textImport = qsTr("导入");
        resource.textBackingUp = qsTr("正在备份");
        resource.textExporting = qsTr("正在导出");
        resource.textImporting = qsTr("正在导入");
        resource.textImportOk = qsTr("导入成功");
        resource.textImportFailed = qsTr("导入失败");
        resource.textOverwriteBackup = qsTr("该操作将覆盖原来的备份");
        resource.textOpenFile = qsTr("是否打开");
        resource.textCardRequests = qsTr("名片请求消息");
        resource.textCircleRequests = qsTr("圈子请求消息");
        resource.textAgreed = qsTr("已同意");
        resource.textRefused = qsTr("已拒绝");
        resource.textMayKnow = qsTr("可能认识");
        resource.textNewCircle = qsTr("新建圈子");
        resource.textCircleNameTooLong = qsTr("圈子名字仅限8个汉字");
        resource.textCircleProfileTooLong = qsTr("圈子简介仅限30个汉字");
        resource.textAdminUndeletable = qsTr("管理员不能被删除");
        resource.textDismissCircle = qsTr("解散圈子");
        resource.textExitCircle = qsTr("退出圈子");
        resource.textApplyCircle = qsTr("申请加入");
        resource.textCircleInfo = qsTr("圈子资料");
        resource.textCircleName = qsTr("圈子名称");
        resource.textCircleNumber = qsTr("圈子号");
        resource.textCircleProfile = qsTr("圈子简介");
        resource.textCircleCreator = qsTr("创建者");
        resource.textCircleMembers = qsTr("圈子成员");
        resource.textMemberCount = qsTr("成员数");
        resource.textCircleType = qsTr("圈子类型");
        resource.textCircleTypeLife = qsTr("生活圈");
        resource.textCircleTypeWork = qsTr("工作圈");
        resource.textCircleNameHint = qsTr("请输入圈子名字");
        resource.textCircleNameEmpty = qsTr("圈子名字不能为空");
        resource.textCreateCircle = qsTr("创建");
        resource.textCircleCreated = qsTr("圈子创建成功");
        resource.textAddMember = qsTr("添加成员");
        resource.textAddFromContacts = qsTr("从通讯录添加");
        resource.textImportMembers = qsTr("导入成员");
        resource.textRecommend = qsTr("推荐好友");
        resource.textApplyReason = qsTr("申请理由");
        resource.textApplyReasonTooLong = qsTr("申请理由仅限50个汉字");
        resource.textApplySent = qsTr("申请已发送");
        resource.textRecommendSent = qsTr("推荐已发送");
        resource.textConfirmDismiss = qsTr("确定要解散圈子吗？");
        resource.textConfirmExit = qsTr("确定要退出圈子吗？");
        resource.textConfirmClearHistory = qsTr("确定要清空聊天记录吗？");
        resource.textCircleDismissed = qsTr("圈子已解散");
        resource.textCircleExited = qsTr("已退出圈子");
        resource.textMemberNameEmpty = qsTr("成员姓名不能为空");
        resource.textClearHistory = qsTr("清空聊天记录");
        resource.textAll = qsTr("全部");
        resource.textFemale = qsTr("女");
        resource.textMale = qsTr("男");
        resource.textNewMessage = qsTr("新消息");
        resource.textReceive = qsTr("接收");
        resource.textReceived = qsTr("已接收");
        resource.textSent = qsTr("已发送");
        resource.textCancelled = qsTr("已取消");
        resource.textPicture = qsTr("图片");
        resource.textFile = qsTr("文件");
        resource.textScreenshot = qsTr("截屏");
        resource.textLocation = qsTr("位置");
        resource.textSystemSetting = qsTr("系统设置");
        resource.textChangeSkin = qsTr("更换皮肤");
        resource.textFeedback = qsTr("意见反馈");
        resource.textAbout = qsTr("关于");
        resource.textLogout = qsTr("退出登录");
        resource.textChangePassword = qsTr("修改密码");
        resource.textOldPassword = qsTr("旧密码");
        resource.textNewPassword = qsTr("新密码");
        resource.textAutoStartup = qsTr("开机自动启动");
        resource.textStaysOnTop = qsTr("始终前端显示");
        resource.textCallPrompt = qsTr("电话提醒");
        resource.textMsgPrompt = qsTr("信息提醒");
        resource.textAutoUpdate = qsTr("自动升级");
        resource.textVersion = qsTr("版本号");
        resource.textUserProtocol = qsTr("用户协议");
        resource.textWebsite = qsTr("产品网站");
        resource.textConfirmPassword = qsTr("确认新密码");
        resource.textOldPasswordHint = qsTr("请输入旧密码");
        resource.textNewPasswordHint = qsTr("请输入新密码");
        resource.textConfirmPasswordHint = qsTr("请再次输入新密码");
        resource.textOldPasswordWrong = qsTr("旧密码不正确");
        resource.textNewPasswordEmpty = qsTr("新密码不能为空");
        resource.textPasswordMismatch = qsTr("两次输入的新密码不一致");
        resource.textPasswordTooLong = qsTr("新密码太长");
        resource.textPasswordChanged = qsTr("密码已修改，请用新密码登录");
        resource.textPasswordChangeFailed = qsTr("密码修改失败");
        resource.textFeedbackHint = qsTr("请写下您的意见或建议");
        resource.textFeedbackEmpty = qsTr("反馈内容不能为空");
        resource.textFeedbackSent = qsTr("反馈已发送，助手的回复会出现在对话中");
        resource.textUserAgreement = qsTr("欢迎使用 Zephon。本协议是您与 Zephon 服务之间关于使用本软件的约定。\n\n一、帐号：帐号归您本人使用，请妥善保管密码；因密码泄露造成的损失由您自行承担。\n\n二、内容：您通过本软件发送的消息、名片和文件由您负责，不得用于违法用途。\n\n三、隐私：服务只为传递消息、通话和同步通讯录而保存必要的数据，不向第三方出售。\n\n四、变更：本协议可能随版本更新而修改，继续使用即表示您接受修改后的协议。");
        resource.textMaintainEnterprise = qsTr("维护企业通讯录");
        resource.textLoginEnterprise = qsTr("登录企业");
        resource.textLogoutEnterprise = qsTr("退出企业");
        resource.textConfirmLogoutEnterprise = qsTr("确定要退出企业帐号？");
        resource.textCreateEnterprise = qsTr("创建企业通讯录");
        resource.textEditDept = qsTr("编辑部门");
        resource.textDeleteDept = qsTr("删除部门");
        resource.textManageEmp = qsTr("员工管理");
        resource.textEditEmp = qsTr("编辑员工");
        resource.textDeleteEmp = qsTr("删除员工");
        resource.textAddEmp = qsTr("添加员工");
        resource.textAddDept = qsTr("添加部门");
        resource.textExportEmp = qsTr("导出员工");
        resource.textImportEmp = qsTr("导入员工");
        resource.textTreeView = qsTr("树形显示");
        resource.textListView = qsTr("列表显示");
        resource.textDeleteDeptFirst = qsTr("请删除部门下的员工后，再删除部门");
        resource.textEnterpriseLoginFailed = qsTr("企业登录失败");
        resource.textEnterpriseLoggedIn = qsTr("已登录企业");
        resource.textEnterpriseCreated = qsTr("企业通讯录已创建，请登录企业");
        resource.textDeleteOk = qsTr("删除成功");
        resource.textDeptName = qsTr("部门名称");
        resource.textDeptNo = qsTr("部门编号");
        resource.textSortNo = qsTr("排序号");
        resource.textDeptNameEmpty = qsTr("部门名称不能为空");
        resource.textDeptNoEmpty = qsTr("部门编号不能为空");
        resource.textOrgFullName = qsTr("企业全称");
        resource.textOrgShortName = qsTr("企业简称");
        resource.textOrgContact = qsTr("联系人");
        resource.textOrgTel = qsTr("固定电话");
        resource.textAdminPassword = qsTr("管理员密码");
        resource.textEmpPassword = qsTr("员工默认密码");
        resource.textOwnTel = qsTr("我的办公电话");
        resource.textOrgNameEmpty = qsTr("企业全称不能为空");
        resource.textOrgShortNameEmpty = qsTr("企业简称不能为空");
        resource.textOrgContactEmpty = qsTr("联系人不能为空");
        resource.textAdminPasswordEmpty = qsTr("管理员密码不能为空");
        resource.textEmpPasswordEmpty = qsTr("员工默认密码不能为空");
        resource.textEmpNo = qsTr("员工编号");
        resource.textDept = qsTr("部门");
        resource.textChooseDept = qsTr("请选择部门");
        resource.textEmpNameEmpty = qsTr("员工姓名不能为空");
        resource.textEmpNoEmpty = qsTr("员工编号不能为空");
        resource.textEmpMobileEmpty = qsTr("手机号码不能为空");
        resource.textChangeEnPassword = qsTr("修改企业密码");
        resource.textEnPasswordOrg = qsTr("企业登录密码");
        resource.textEnPasswordKind = qsTr("密码类型");
        resource.textEnPasswordChanged = qsTr("%1已修改");
        resource.textEnPasswordChangeFailed = qsTr("%1修改失败");
        resource.textSaveOk = qsTr("保存成功");
        resource.textSaveFailed = qsTr("保存失败");
        resource.textOperationFailed = qsTr("操作失败");
        resource.textChoosePicture = qsTr("选择图片");
        resource.textConfirmDelete = qsTr("确定要删除吗？");
        resource.textName = qsTr("姓名");
        resource.textSex = qsTr("性别");
        resource.textPost = qsTr("职位");
        resource.textCompany = qsTr("公司");
        resource.textAddress = qsTr("地址");
        resource.textMobile = qsTr("手机");
        resource.textTel = qsTr("电话");
        resource.textEmail = qsTr("邮箱");
        resource.textSignature = qsTr("个性签名");
        resource.textProfession = qsTr("行业");
        resource.textHomepage = qsTr("主页");
        resource.textFax = qsTr("传真");
        resource.textBirthday = qsTr("生日");
        resource.textAge = qsTr("年龄");
        resource.textNickname = qsTr("昵称");
        resource.textGroup = qsTr("分组");
        resource.textChat = qsTr("发消息");
        resource.textSelectAll = qsTr("全选");
        resource.textRecipients = qsTr("收件人");
        resource.textRecipientHint = qsTr("输入号码后添加");
        resource.textNoRecipient = qsTr("请先添加收件人");
        resource.textAlreadyRecipient = qsTr("已在收件人中");
        resource.textFindUser = qsTr("找人");
        resource.textFindCircle = qsTr("找圈子");
        resource.textSearchHint = qsTr("Zephon号、手机号或圈子名称");
        resource.textUsers = qsTr("用户");
        resource.textCircles = qsTr("圈子");
        resource.textSending = qsTr("发送中");
        resource.textDelivered = qsTr("已送达");
        resource.textSendFailed = qsTr("发送失败");
        resource.textRequestSent = qsTr("已发送交换请求");
        resource.textWaitingCard = qsTr("正在获取名片");
    }

    Component.onCompleted: translator()
}
