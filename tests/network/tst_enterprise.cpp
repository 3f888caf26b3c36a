// The enterprise directory command 87: the request bytes of every sub-command (with the texts
// and ids that must not leave, and the kinds remembered for the reply), the list forms split
// into requests, every reply with its error branch, replies cut short at every length, hostile
// counts, and a session through the fake service on loopback.
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <climits>
#include <functional>

#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "ownsession.h"
#include "protocol.h"

using Request = std::function<void(CNetwork &)>;
Q_DECLARE_METATYPE(Request)

using namespace Codes;

namespace {

constexpr quint32 OWN = 1000001;
constexpr quint32 OTHER = 1000002;
constexpr quint32 ORG = 77001;
// What the kinds of the session state hold before a request; a request that is not sent
// leaves them so.
constexpr int UNTOUCHED = -7;

QString hex(const QByteArray &ar)
{
    return QString::fromLatin1(ar.toHex());
}

// Fields without a command byte.
FakePacket fields()
{
    return FakePacket(0);
}

QByteArray body(const FakePacket &packet)
{
    return packet.bytes().mid(1);
}

QByteArray utf8(const char *pText)
{
    return QByteArray(pText);
}

// A request 87 as the service reads it: zpid, sub-command, the counted rest.
QByteArray request(quint32 iZpid, quint8 iSub, const FakePacket &rest)
{
    return FakePacket(CmdEnterprise).u32(iZpid).u8(iSub).blob32(body(rest));
}

QString sent(const QByteArray &arPacket)
{
    return "send|" + hex(arPacket);
}

// A reply 87 up to its sub-command.
FakePacket reply(quint8 iSub)
{
    return FakePacket(CmdEnterprise).u32(OWN).u8(iSub);
}

QByteArray deptEntry(const char *pPNo, const char *pNo, const char *pName, const char *pSNo)
{
    return body(fields().str8(pPNo).str8(pNo).str8(utf8(pName)).blob32(pSNo));
}

QByteArray empEntry(quint32 iZpid, const char *pDept, const char *pName, const char *pPost,
                    quint8 iRole)
{
    return body(fields()
                    .u32(iZpid)
                    .str8(pDept)
                    .str8("13800138002")
                    .str8(utf8(pName))
                    .str8("13800138002")
                    .str8("010-1234")
                    .str8(utf8(pPost))
                    .u8(iRole)
                    .blob32("0001"));
}

QByteArray orgEntry(quint32 iId, const char *pName, const char *pShort)
{
    const QByteArray arShort = utf8(pShort);
    return body(
        fields().u32(iId).u32(0).str8(utf8(pName)).u32(quint32(arShort.size())).raw(arShort));
}

// A directory page 6 or 7: organisation, four unused bytes, total, count, entries.
FakePacket page(quint8 iSub, quint32 iTotal, quint8 iCount, const QByteArray &arEntries)
{
    return reply(iSub).u8(0).u32(ORG).u32(0).u32(iTotal).u8(iCount).raw(arEntries);
}

// A directory row as the controller hands it over: only its properties are read.
QObject *row(QObject *pOwner, const QList<std::pair<const char *, QString>> &values)
{
    auto *pRow = new QObject(pOwner);
    for (const auto &value : values)
        pRow->setProperty(value.first, value.second);
    return pRow;
}

QObject *employee(QObject *pOwner, const QString &strName, const QString &strPost = "工程师")
{
    return row(pOwner, {{"strPNo", "D1"},
                        {"strNo", "13800138002"},
                        {"strName", strName},
                        {"strPhone", "13800138002"},
                        {"strTel", "010-1234"},
                        {"strPost", strPost},
                        {"strSNo", "0001"}});
}

QByteArray employeeEntry(const QString &strName, const QString &strPost = "工程师")
{
    return body(fields()
                    .str8("D1")
                    .str8("13800138002")
                    .str8(strName.toUtf8())
                    .str8("13800138002")
                    .str8("010-1234")
                    .str8(strPost.toUtf8())
                    .blob32("0001"));
}

QObject *department(QObject *pOwner, const QString &strPNo, const QString &strPName)
{
    return row(pOwner, {{"strPNo", strPNo}, {"strPName", strPName}, {"strPSNo", "01"}});
}

QByteArray departmentEntry(const QString &strPNo, const QString &strPName)
{
    return body(fields().u8(0).str8(strPNo.toUtf8()).str8(strPName.toUtf8()).blob32("01"));
}

// Every signal of the family and every packet sent, one line each, in order.
class Recorder
{
public:
    explicit Recorder(Protocol &proto)
    {
        QObject::connect(&proto, &Protocol::sig_sendProtocol, &m_context,
                         [this](const QByteArray &ar) { events << sent(ar); });
        QObject::connect(&proto, &Protocol::sig_changepassword, &m_context,
                         [this](int iType, int iSub, int iRet) {
                             events << QString("password|%1|%2|%3").arg(iType).arg(iSub).arg(iRet);
                         });
        QObject::connect(&proto, &Protocol::sig_modifyOrgInfo, &m_context,
                         [this](quint32 iOrg, bool bOk) {
                             events << QString("org|%1|%2").arg(iOrg).arg(int(bOk));
                         });
        QObject::connect(&proto, &Protocol::sig_loginenterprise, &m_context,
                         [this](quint32 iOrg, const QString &strName, const QString &strShort,
                                bool bOk, int iUserType) {
                             events << QString("login|%1|%2|%3|%4|%5")
                                           .arg(iOrg)
                                           .arg(strName, strShort)
                                           .arg(int(bOk))
                                           .arg(iUserType);
                         });
        QObject::connect(&proto, &Protocol::sig_modifyDeptInfo, &m_context,
                         [this](quint32 iOrg, bool bOk) {
                             events << QString("dept|%1|%2").arg(iOrg).arg(int(bOk));
                         });
        QObject::connect(&proto, &Protocol::sig_modifyEmpInfo, &m_context,
                         [this](quint32 iOrg, bool bOk) {
                             events << QString("emp|%1|%2").arg(iOrg).arg(int(bOk));
                         });
        QObject::connect(
            &proto, &Protocol::sig_parseDeptInfo, &m_context,
            [this](quint32 iOrg, const QByteArray &ar, int iCount, int iTotal) {
                events
                    << QString("depts|%1|%2|%3|%4").arg(iOrg).arg(hex(ar)).arg(iCount).arg(iTotal);
            });
        QObject::connect(
            &proto, &Protocol::sig_parseEmpInfo, &m_context,
            [this](quint32 iOrg, const QByteArray &ar, int iCount, int iTotal) {
                events
                    << QString("emps|%1|%2|%3|%4").arg(iOrg).arg(hex(ar)).arg(iCount).arg(iTotal);
            });
        QObject::connect(&proto, &Protocol::sig_parseOrgInfo, &m_context,
                         [this](const QByteArray &ar, int iCount) {
                             events << QString("orgs|%1|%2").arg(hex(ar)).arg(iCount);
                         });
    }
    QStringList events;

private:
    QObject m_context;
};

void wireRequests(CNetwork &net, Protocol &proto)
{
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
}

// The packets of the code sent, in order.
QList<QByteArray> packetsSent(const QSignalSpy &spy)
{
    QList<QByteArray> packets;
    for (const QList<QVariant> &args : spy)
        packets << args.at(0).toByteArray();
    return packets;
}

// The element count of a list request 10 or 11 and the offset its entries start at.
int listCount(const QByteArray &arPacket, int *pEntries)
{
    const int iCountAt = quint8(arPacket.at(5)) == EntModifyEmpList ? 14 : 15;
    *pEntries = iCountAt + 1;
    return quint8(arPacket.at(iCountAt));
}

} // namespace

class TestEnterprise : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void requestBytes_data();
    void requestBytes();
    void listsGoInRequestsOfAtMost255();
    void listsStayWithinOneRequestsBytes();
    void listWithATextTooLongSendsNothing();
    void replies_data();
    void replies();
    void cutReplies_data();
    void cutReplies();
    void bytesAfterTheEntriesStayBehind();
    void passwordTypeIsForgottenAfterItsReply();
    void sessionThroughTheFakeService();
};

void TestEnterprise::init()
{
    signInAs(OWN);
    CSessionState &s = sessionState();
    s.strPhone = "13800138001";
    s.iLastOrgChangeKind = UNTOUCHED;
    s.iLastDirectoryChangeKind = UNTOUCHED;
    s.iEnterprisePasswordType = UNTOUCHED;
}

void TestEnterprise::requestBytes_data()
{
    QTest::addColumn<Request>("send");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<int>("orgKind");
    QTest::addColumn<int>("directoryKind");
    QTest::addColumn<int>("passwordType");

    const QString strLong(100, QChar(0x540d)); // 300 bytes of UTF-8
    const QVariantList orgInfo{"12", "Zephon示例公司", "示例", "a", "b", "c", "d", "e"};
    QTest::newRow("1 organisation change")
        << Request([orgInfo](CNetwork &n) { n.slot_onModifyOrgInfo(orgInfo, 2); })
        << QStringList{sent(request(OWN, EntModifyOrg,
                                    fields()
                                        .u32(12)
                                        .str8(utf8("Zephon示例公司"))
                                        .str8(utf8("示例"))
                                        .u8(0)
                                        .u8(0)
                                        .u32(0)
                                        .str8("d")
                                        .str8("e")
                                        .str8("a")
                                        .str8("b")
                                        .str8("c")
                                        .u32(0)))}
        << 2 << UNTOUCHED << UNTOUCHED;
    QTest::newRow("1 seven values")
        << Request([orgInfo](CNetwork &n) { n.slot_onModifyOrgInfo(orgInfo.mid(0, 7), 1); })
        << QStringList{} << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("1 name too long") << Request([orgInfo, strLong](CNetwork &n) {
        QVariantList values = orgInfo;
        values[1] = strLong;
        n.slot_onModifyOrgInfo(values, 1);
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                     << UNTOUCHED;

    QTest::newRow("2 organisation sign-in")
        << Request([](CNetwork &n) { n.slot_onLoginOrg("77001", "demo1234"); })
        << QStringList{sent(request(OWN, EntLoginOrg, fields().u32(ORG).str8("demo1234").u32(0)))}
        << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    for (const char *pId : {"", "0", "abc", "-5", "4294967296"})
        QTest::addRow("2 refused id '%s'", pId)
            << Request([pId](CNetwork &n) { n.slot_onLoginOrg(pId, "demo1234"); }) << QStringList{}
            << UNTOUCHED << UNTOUCHED << UNTOUCHED;

    QTest::newRow("3 enterprise sign-in")
        << Request([](CNetwork &n) { n.slot_onLoginSubServer("77001", "demo1234"); })
        << QStringList{sent(request(OWN, EntLoginSubServer,
                                    fields().u32(ORG).str8("13800138001").str8("demo1234").u32(0)))}
        << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("3 password too long")
        << Request([strLong](CNetwork &n) { n.slot_onLoginSubServer("77001", strLong); })
        << QStringList{} << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("3 no organisation")
        << Request([](CNetwork &n) { n.slot_onLoginSubServer("x1", "demo1234"); }) << QStringList{}
        << UNTOUCHED << UNTOUCHED << UNTOUCHED;

    for (int iType : {EntAdd, EntEdit, EntDelete})
        QTest::addRow("4 department change %d", iType)
            << Request([iType](CNetwork &n) {
                   n.slot_onModifyDeptInfo(ORG, "0", "D1", "研发部", iType, "001");
               })
            << QStringList{sent(request(OWN, EntModifyDept,
                                        fields()
                                            .u8(quint8(iType))
                                            .u32(ORG)
                                            .str8("0")
                                            .str8("D1")
                                            .str8(utf8("研发部"))
                                            .blob32("001")))}
            << UNTOUCHED << iType << UNTOUCHED;
    QTest::newRow("4 organisation 0")
        << Request([](CNetwork &n) { n.slot_onModifyDeptInfo(0, "0", "D1", "研发部", 0, ""); })
        << QStringList{} << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("4 name too long") << Request([strLong](CNetwork &n) {
        n.slot_onModifyDeptInfo(ORG, "0", "D1", strLong, 0, "");
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                     << UNTOUCHED;

    QTest::newRow("5 employee change") << Request([](CNetwork &n) {
        n.slot_onModifyEmpInfo(OTHER, ORG, "D1", "13800138002", "李娜", "13800138002", "010-1234",
                               "工程师", RoleEmployee, EntEdit, "002");
    })
                                       << QStringList{sent(request(OTHER, EntModifyEmp,
                                                                   fields()
                                                                       .u8(1)
                                                                       .u32(ORG)
                                                                       .str8("D1")
                                                                       .str8("13800138002")
                                                                       .str8(utf8("李娜"))
                                                                       .str8("13800138002")
                                                                       .str8("010-1234")
                                                                       .u8(0)
                                                                       .str8(utf8("工程师"))
                                                                       .u8(1)
                                                                       .blob32("002")))}
                                       << UNTOUCHED << 1 << UNTOUCHED;
    QTest::newRow("5 added from a contact with no zpid")
        << Request([](CNetwork &n) {
               n.slot_onModifyEmpInfo(0, ORG, "D1", "139", "王", "139", "", "", RoleEmployee,
                                      EntAdd, "");
           })
        << QStringList{sent(request(0, EntModifyEmp,
                                    fields()
                                        .u8(0)
                                        .u32(ORG)
                                        .str8("D1")
                                        .str8("139")
                                        .str8(utf8("王"))
                                        .str8("139")
                                        .str8("")
                                        .u8(0)
                                        .str8("")
                                        .u8(1)
                                        .blob32("")))}
        << UNTOUCHED << 0 << UNTOUCHED;
    QTest::newRow("5 post too long") << Request([strLong](CNetwork &n) {
        n.slot_onModifyEmpInfo(OTHER, ORG, "D1", "1", "李娜", "1", "", strLong, RoleEmployee,
                               EntEdit, "");
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                     << UNTOUCHED;

    QTest::newRow("6 departments")
        << Request([](CNetwork &n) { n.slot_onGetDeptInfo(ORG); })
        << QStringList{sent(request(OWN, EntDeptList, fields().u32(ORG).u32(0)))} << UNTOUCHED
        << UNTOUCHED << UNTOUCHED;
    QTest::newRow("6 organisation 0") << Request([](CNetwork &n) { n.slot_onGetDeptInfo(0); })
                                      << QStringList{} << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("7 employees of a department")
        << Request([](CNetwork &n) { n.slot_onGetEmpInfo(ORG, "D1"); })
        << QStringList{sent(request(OWN, EntEmpList, fields().u32(ORG).str8("D1").u32(0)))}
        << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("7 one-argument form") << Request([](CNetwork &n) {
        QVERIFY(QMetaObject::invokeMethod(&n, "slot_onGetEmpInfo", Q_ARG(quint32, ORG)));
    }) << QStringList{sent(request(OWN, EntEmpList, fields().u32(ORG).str8("").u32(0)))}
                                         << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("7 organisation 0") << Request([](CNetwork &n) { n.slot_onGetEmpInfo(0, "D1"); })
                                      << QStringList{} << UNTOUCHED << UNTOUCHED << UNTOUCHED;
    QTest::newRow("8 every organisation")
        << Request([](CNetwork &n) { n.slot_onGetOrgInfo(QString()); })
        << QStringList{sent(request(OWN, EntOrgList, fields()))} << UNTOUCHED << UNTOUCHED
        << UNTOUCHED;
    QTest::newRow("8 by a condition")
        << Request([](CNetwork &n) { n.slot_onGetOrgInfo("示例"); })
        << QStringList{sent(request(OWN, EntOrgList, fields().raw(utf8("示例"))))} << UNTOUCHED
        << UNTOUCHED << UNTOUCHED;

    QTest::newRow("9 type 2 sub-type 0")
        << Request([](CNetwork &n) {
               n.slot_onChangePassword(2, 0, QVariantList{"77001", "13800138001", "n3w"});
           })
        << QStringList{sent(request(OWN, EntChangePassword,
                                    fields().u32(ORG).str8("13800138001").u8(0).u8(0).str8("n3w")))}
        << UNTOUCHED << UNTOUCHED << 2;
    QTest::newRow("9 type 1 sub-type 1 from a string list")
        << Request([](CNetwork &n) {
               n.slot_onChangePassword(1, 1, QStringList{"77001", "13800138001", "n3w"});
           })
        << QStringList{sent(request(OWN, EntChangePassword,
                                    fields().u32(ORG).str8("13800138001").u8(1).u8(0).str8("n3w")))}
        << UNTOUCHED << UNTOUCHED << 1;
    QTest::newRow("9 type 3 with two values") << Request([](CNetwork &n) {
        n.slot_onChangePassword(3, 0, QVariantList{"77001", "13800138001"});
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                              << UNTOUCHED;
    QTest::newRow("9 no organisation") << Request([](CNetwork &n) {
        n.slot_onChangePassword(3, 0, QVariantList{"", "13800138001", "n3w"});
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                       << UNTOUCHED;
    QTest::newRow("9 password too long") << Request([strLong](CNetwork &n) {
        n.slot_onChangePassword(2, 0, QVariantList{"77001", "13800138001", strLong});
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                         << UNTOUCHED;
    QTest::newRow("type 4 is no password") << Request([](CNetwork &n) {
        n.slot_onChangePassword(4, 0, QVariantList{"77001", "13800138001", "n3w"});
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                           << UNTOUCHED;

    QTest::newRow("10 employee list")
        << Request([](CNetwork &n) {
               QObject owner;
               n.slot_onModifyEmpInfo(
                   OWN, ORG,
                   QObjectList{employee(&owner, "李娜"), nullptr, employee(&owner, "王强", "")});
           })
        << QStringList{sent(request(
               OWN, EntModifyEmpList,
               fields().u32(ORG).u8(2).raw(employeeEntry("李娜") + employeeEntry("王强", ""))))}
        << UNTOUCHED << 0 << UNTOUCHED;
    QTest::newRow("10 empty list")
        << Request([](CNetwork &n) { n.slot_onModifyEmpInfo(OWN, ORG, QObjectList{}); })
        << QStringList{sent(request(OWN, EntModifyEmpList, fields().u32(ORG).u8(0)))} << UNTOUCHED
        << 0 << UNTOUCHED;
    QTest::newRow("10 organisation 0") << Request([](CNetwork &n) {
        QObject owner;
        n.slot_onModifyEmpInfo(OWN, 0, QObjectList{employee(&owner, "李娜")});
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                       << UNTOUCHED;
    QTest::newRow("11 department list")
        << Request([](CNetwork &n) {
               QObject owner;
               n.slot_onModifyDeptInfo(ORG, QObjectList{department(&owner, "D1", "研发部"),
                                                        department(&owner, "D2", "市场部")});
           })
        << QStringList{sent(
               request(OWN, EntModifyDeptList,
                       fields().u8(0).u32(ORG).u8(2).raw(departmentEntry("D1", "研发部") +
                                                         departmentEntry("D2", "市场部"))))}
        << UNTOUCHED << 0 << UNTOUCHED;
    QTest::newRow("11 organisation 0") << Request([](CNetwork &n) {
        QObject owner;
        n.slot_onModifyDeptInfo(0, QObjectList{department(&owner, "D1", "研发部")});
    }) << QStringList{} << UNTOUCHED << UNTOUCHED
                                       << UNTOUCHED;
}

void TestEnterprise::requestBytes()
{
    QFETCH(Request, send);
    QFETCH(QStringList, events);
    QFETCH(int, orgKind);
    QFETCH(int, directoryKind);
    QFETCH(int, passwordType);
    CNetwork net;
    Protocol proto;
    wireRequests(net, proto);
    Recorder recorder(proto);
    send(net);
    QCOMPARE(recorder.events, events);
    const CSessionState &s = sessionState();
    QCOMPARE(s.iLastOrgChangeKind, orgKind);
    QCOMPARE(s.iLastDirectoryChangeKind, directoryKind);
    QCOMPARE(s.iEnterprisePasswordType, passwordType);
}

void TestEnterprise::listsGoInRequestsOfAtMost255()
{
    struct Case
    {
        int iElements;
        QList<int> counts;
        bool bEmployees;
    };
    const Case cases[] = {
        {600, {255, 255, 90}, true},
        {255, {255}, true},
        {256, {255, 1}, false},
        {510, {255, 255}, false},
    };
    for (const Case &c : cases) {
        CNetwork net;
        Protocol proto;
        wireRequests(net, proto);
        QSignalSpy spy(&proto, &Protocol::sig_sendProtocol);
        QObject owner;
        QObjectList rows;
        for (int i = 0; i < c.iElements; ++i) {
            const QString strName = QString("e%1").arg(i, 3, 10, QLatin1Char('0'));
            rows << (c.bEmployees ? employee(&owner, strName) : department(&owner, strName, "部"));
        }
        if (c.bEmployees)
            net.slot_onModifyEmpInfo(OWN, ORG, rows);
        else
            net.slot_onModifyDeptInfo(ORG, rows);

        const QList<QByteArray> packets = packetsSent(spy);
        QCOMPARE(packets.size(), c.counts.size());
        int iSeen = 0;
        for (int k = 0; k < packets.size(); ++k) {
            const QByteArray &ar = packets.at(k);
            int iEntries = 0;
            QCOMPARE(listCount(ar, &iEntries), c.counts.at(k));
            // Each request is whole: its count of the rest is its length.
            QCOMPARE(FakePacket::u32At(ar, 6), qint64(ar.size() - 10));
            // The elements follow on in order: the first of each request is the next one.
            const QByteArray arFirst =
                c.bEmployees
                    ? employeeEntry(QString("e%1").arg(iSeen, 3, 10, QLatin1Char('0')))
                    : departmentEntry(QString("e%1").arg(iSeen, 3, 10, QLatin1Char('0')), "部");
            QCOMPARE(hex(ar.mid(iEntries, arFirst.size())), hex(arFirst));
            iSeen += c.counts.at(k);
        }
        QCOMPARE(iSeen, c.iElements);
    }
}

void TestEnterprise::listsStayWithinOneRequestsBytes()
{
    // 255 employees of about 1.5 kB each would make one request the service cuts off.
    CNetwork net;
    Protocol proto;
    wireRequests(net, proto);
    QSignalSpy spy(&proto, &Protocol::sig_sendProtocol);
    QObject owner;
    QObjectList rows;
    const QString strLong(250, QLatin1Char('x'));
    for (int i = 0; i < 255; ++i)
        rows << row(&owner, {{"strPNo", strLong},
                             {"strNo", strLong},
                             {"strName", strLong},
                             {"strPhone", strLong},
                             {"strTel", strLong},
                             {"strPost", strLong},
                             {"strSNo", strLong}});
    net.slot_onModifyEmpInfo(OWN, ORG, rows);
    const QList<QByteArray> packets = packetsSent(spy);
    QVERIFY(packets.size() > 1);
    int iSeen = 0;
    for (const QByteArray &ar : packets) {
        QVERIFY2(ar.size() - 10 <= 0xFFFF, qPrintable(QString::number(ar.size())));
        int iEntries = 0;
        iSeen += listCount(ar, &iEntries);
    }
    QCOMPARE(iSeen, 255);
}

void TestEnterprise::listWithATextTooLongSendsNothing()
{
    // The three-hundredth element cannot be written: no request leaves, not even the batches
    // before it, so the service never holds half a list.
    CNetwork net;
    Protocol proto;
    wireRequests(net, proto);
    QSignalSpy spy(&proto, &Protocol::sig_sendProtocol);
    QObject owner;
    QObjectList employees;
    QObjectList departments;
    for (int i = 0; i < 600; ++i) {
        const bool bTooLong = i == 300;
        employees << employee(&owner,
                              bTooLong ? QString(86, QChar(0x540d)) : QString("e%1").arg(i));
        departments << department(&owner, QString("d%1").arg(i),
                                  bTooLong ? QString(86, QChar(0x540d)) : QString("部"));
    }
    net.slot_onModifyEmpInfo(OWN, ORG, employees);
    net.slot_onModifyDeptInfo(ORG, departments);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(sessionState().iLastDirectoryChangeKind, UNTOUCHED);
}

void TestEnterprise::replies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("pendingPassword");
    QTest::addColumn<QStringList>("events");

    auto password = [](quint8 iSubType, quint8 iResult) {
        return reply(EntChangePassword)
            .u32(ORG)
            .str8("13800138001")
            .u8(iSubType)
            .u8(iResult)
            .bytes();
    };
    QTest::newRow("9 changed, type 2 pending")
        << password(0, 0) << 2 << QStringList{"password|2|0|0"};
    QTest::newRow("9 refused, type 3 pending")
        << password(1, 5) << 3 << QStringList{"password|3|1|5"};
    QTest::newRow("9 nothing pending") << password(0, 0) << 0 << QStringList{"password|1|0|0"};

    QTest::newRow("1 changed") << reply(EntModifyOrg).u8(0).u32(ORG).bytes() << 0
                               << QStringList{"org|77001|1"};
    QTest::newRow("1 refused") << reply(EntModifyOrg).u8(1).bytes() << 0 << QStringList{"org|0|0"};
    QTest::newRow("2 accepted") << reply(EntLoginOrg)
                                       .u8(0)
                                       .u8(0)
                                       .u32(ORG)
                                       .u32(0)
                                       .str8("a")
                                       .str8("b")
                                       .str8("c")
                                       .blob32("d")
                                       .bytes()
                                << 0 << QStringList{};
    QTest::newRow("2 refused") << reply(EntLoginOrg).u8(1).bytes() << 0 << QStringList{};

    auto signIn = [](quint8 iRole) {
        return reply(EntLoginSubServer)
            .u8(0)
            .u8(iRole)
            .u32(ORG)
            .u32(0)
            .str8(utf8("Zephon示例公司"))
            .str8(utf8("示例"))
            .str8("x")
            .blob32("yz")
            .bytes();
    };
    QTest::newRow("3 signed in as employee")
        << signIn(RoleEmployee) << 0 << QStringList{"login|77001|Zephon示例公司|示例|1|1"};
    QTest::newRow("3 signed in as administrator")
        << signIn(RoleAdmin) << 0 << QStringList{"login|77001|Zephon示例公司|示例|1|0"};
    QTest::newRow("3 names end at a zero byte") << reply(EntLoginSubServer)
                                                       .u8(0)
                                                       .u8(1)
                                                       .u32(ORG)
                                                       .u32(0)
                                                       .str8(QByteArray("Acme\0xx", 7))
                                                       .str8(QByteArray("A\0", 2))
                                                       .str8("")
                                                       .blob32("")
                                                       .bytes()
                                                << 0 << QStringList{"login|77001|Acme|A|1|1"};
    QTest::newRow("3 result 2") << reply(EntLoginSubServer).u8(2).bytes() << 0
                                << QStringList{"login|0|||0|0"};

    for (quint8 iSub : {EntModifyDept, EntModifyDeptList}) {
        QTest::addRow("%d changed", iSub)
            << reply(iSub).u8(0).u32(ORG).bytes() << 0 << QStringList{"dept|77001|1"};
        QTest::addRow("%d refused", iSub)
            << reply(iSub).u8(3).bytes() << 0 << QStringList{"dept|0|0"};
    }
    for (quint8 iSub : {EntModifyEmp, EntModifyEmpList}) {
        QTest::addRow("%d changed", iSub)
            << reply(iSub).u8(0).u32(ORG).bytes() << 0 << QStringList{"emp|77001|1"};
        QTest::addRow("%d refused", iSub)
            << reply(iSub).u8(3).bytes() << 0 << QStringList{"emp|0|0"};
    }

    const QByteArray arDepts =
        deptEntry("0", "D1", "研发部", "001") + deptEntry("D1", "D2", "前端组", "002");
    QTest::newRow("6 page") << page(EntDeptList, 3, 2, arDepts).bytes() << 0
                            << QStringList{"depts|77001|" + hex(arDepts) + "|2|3"};
    QTest::newRow("6 count equals total") << page(EntDeptList, 2, 2, arDepts).bytes() << 0
                                          << QStringList{"depts|77001|" + hex(arDepts) + "|2|2"};
    QTest::newRow("6 no departments")
        << page(EntDeptList, 0, 0, {}).bytes() << 0 << QStringList{"depts|77001||0|0"};
    QTest::newRow("6 count above total")
        << page(EntDeptList, 1, 2, arDepts).bytes() << 0 << QStringList{};
    QTest::newRow("6 count beyond the entries")
        << page(EntDeptList, 255, 255, arDepts).bytes() << 0 << QStringList{};
    QTest::newRow("6 sort key count beyond the reply")
        << page(EntDeptList, 1, 1, body(fields().str8("0").str8("D1").str8("x").u32(0xFFFFFFF0)))
               .bytes()
        << 0 << QStringList{};
    QTest::newRow("6 refused") << reply(EntDeptList).u8(1).u32(ORG).bytes() << 0 << QStringList{};

    const QByteArray arEmps = empEntry(OWN, "D1", "张伟", "经理", RoleAdmin) +
                              empEntry(OTHER, "D2", "李娜", "", RoleEmployee);
    QTest::newRow("7 page") << page(EntEmpList, 600, 2, arEmps).bytes() << 0
                            << QStringList{"emps|77001|" + hex(arEmps) + "|2|600"};
    QTest::newRow("7 huge total") << page(EntEmpList, 0xFFFFFFFF, 2, arEmps).bytes() << 0
                                  << QStringList{"emps|77001|" + hex(arEmps) + "|2|" +
                                                 QString::number(INT_MAX)};
    QTest::newRow("7 count above total")
        << page(EntEmpList, 1, 2, arEmps).bytes() << 0 << QStringList{};
    QTest::newRow("7 count beyond the entries")
        << page(EntEmpList, 600, 3, arEmps).bytes() << 0 << QStringList{};
    QTest::newRow("7 refused") << reply(EntEmpList).u8(2).bytes() << 0 << QStringList{};

    const QByteArray arOrgs = orgEntry(ORG, "Zephon示例公司", "示例") + orgEntry(77002, "乙", "");
    QTest::newRow("8 organisations") << reply(EntOrgList).u8(0).u8(2).raw(arOrgs).bytes() << 0
                                     << QStringList{"orgs|" + hex(arOrgs) + "|2"};
    QTest::newRow("8 none") << reply(EntOrgList).u8(0).u8(0).bytes() << 0 << QStringList{"orgs||0"};
    QTest::newRow("8 count beyond the entries")
        << reply(EntOrgList).u8(0).u8(200).raw(arOrgs).bytes() << 0 << QStringList{};
    QTest::newRow("8 short name beyond the reply")
        << reply(EntOrgList).u8(0).u8(1).u32(ORG).u32(0).str8("a").u32(9).raw("abc").bytes() << 0
        << QStringList{};
    QTest::newRow("8 refused") << reply(EntOrgList).u8(1).bytes() << 0 << QStringList{};

    QTest::newRow("unknown sub-command") << reply(12).u8(0).u32(ORG).bytes() << 0 << QStringList{};
    QTest::newRow("sub-command 0") << reply(0).u8(1).u32(ORG).bytes() << 0 << QStringList{};
}

void TestEnterprise::replies()
{
    QFETCH(QByteArray, packet);
    QFETCH(int, pendingPassword);
    QFETCH(QStringList, events);
    sessionState().iEnterprisePasswordType = pendingPassword;
    Protocol proto;
    Recorder recorder(proto);
    proto.slot_onParseProtocol(packet, QString(), 0);
    QCOMPARE(recorder.events, events);
}

void TestEnterprise::cutReplies_data()
{
    replies_data();
}

void TestEnterprise::cutReplies()
{
    // No reply of the family hands on anything before its last byte has arrived: a missing
    // result would read as success, a missing entry as a shorter list.
    QFETCH(QByteArray, packet);
    QFETCH(int, pendingPassword);
    for (int iLength = 1; iLength < packet.size(); ++iLength) {
        sessionState().iEnterprisePasswordType = pendingPassword;
        Protocol proto;
        Recorder recorder(proto);
        proto.slot_onParseProtocol(packet.left(iLength), QString(), 0);
        QVERIFY2(
            recorder.events.isEmpty(),
            qPrintable(QString("%1 at length %2").arg(recorder.events.join(' ')).arg(iLength)));
        QCOMPARE(sessionState().iEnterprisePasswordType, pendingPassword);
    }
}

void TestEnterprise::bytesAfterTheEntriesStayBehind()
{
    const QByteArray arDept = deptEntry("0", "D1", "研发部", "001");
    const QByteArray arEmp = empEntry(OTHER, "D1", "李娜", "", RoleEmployee);
    const QByteArray arOrg = orgEntry(ORG, "甲", "");
    Protocol proto;
    Recorder recorder(proto);
    proto.slot_onParseProtocol(page(EntDeptList, 5, 1, arDept).raw("junk"), QString(), 0);
    proto.slot_onParseProtocol(page(EntEmpList, 5, 1, arEmp).raw("junk"), QString(), 0);
    proto.slot_onParseProtocol(reply(EntOrgList).u8(0).u8(1).raw(arOrg).raw("junk"), QString(), 0);
    QCOMPARE(recorder.events,
             (QStringList{"depts|77001|" + hex(arDept) + "|1|5",
                          "emps|77001|" + hex(arEmp) + "|1|5", "orgs|" + hex(arOrg) + "|1"}));
}

void TestEnterprise::passwordTypeIsForgottenAfterItsReply()
{
    // An enterprise password change of type 3, then an unrequested reply: the second one is
    // not taken for the third password.
    CNetwork net;
    Protocol proto;
    wireRequests(net, proto);
    Recorder recorder(proto);
    net.slot_onChangePassword(3, 1, QVariantList{"77001", "13800138001", "n3w"});
    const QByteArray arReply =
        reply(EntChangePassword).u32(ORG).str8("13800138001").u8(1).u8(0).bytes();
    proto.slot_onParseProtocol(arReply, QString(), 0);
    proto.slot_onParseProtocol(arReply, QString(), 0);
    QCOMPARE(recorder.events.mid(1), (QStringList{"password|3|1|0", "password|1|1|0"}));
    QCOMPARE(sessionState().iEnterprisePasswordType, 0);
}

void TestEnterprise::sessionThroughTheFakeService()
{
    // Signed in to the fake service, the client signs in to an organisation, sends a list of
    // 600 employees and reads them back in pages: every request arrives whole and apart, and
    // every answer comes back as its signal.
    FakeService fake;
    QVERIFY(fake.start());
    qputenv("ZEPHON_SERVER", fake.serverText().toUtf8());
    FakeService::Account account;
    account.iZpid = OWN;
    account.strLoginId = QString::number(OWN);
    account.strPassword = "secret";
    account.strPhone = "13800138001";
    fake.serveAccount(account);

    constexpr int EMPLOYEES = 600;
    fake.setResponder(CmdEnterprise, [](const FakeService::Received &received) {
        const QByteArray &ar = received.packet;
        const quint8 iSub = quint8(ar.at(5));
        const quint32 iOrg = quint32(FakePacket::u32At(ar, 10));
        QList<QByteArray> replies;
        if (iSub == EntLoginSubServer) {
            const bool bRight = ar.endsWith(FakePacket(0).str8("demo1234").u32(0).bytes().mid(1));
            if (!bRight)
                return QList<QByteArray>{reply(iSub).u8(2).bytes()};
            replies << reply(iSub)
                           .u8(0)
                           .u8(RoleAdmin)
                           .u32(iOrg)
                           .u32(0)
                           .str8(utf8("Zephon示例公司"))
                           .str8(utf8("示例"))
                           .str8("")
                           .blob32("")
                           .bytes();
        } else if (iSub == EntModifyEmpList) {
            replies << reply(iSub).u8(0).u32(iOrg).bytes();
        } else if (iSub == EntEmpList) {
            for (int iFirst = 0; iFirst < EMPLOYEES; iFirst += 255) {
                const int iCount = qMin(255, EMPLOYEES - iFirst);
                QByteArray arEntries;
                for (int i = 0; i < iCount; ++i)
                    arEntries += empEntry(2000000 + iFirst + i, "D1", "员工", "", RoleEmployee);
                replies << page(EntEmpList, EMPLOYEES, quint8(iCount), arEntries).bytes();
            }
        }
        return replies;
    });

    sessionState().iZpid = 0;
    CNetwork net;
    Protocol proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QObject::connect(&proto, &Protocol::sig_sendProtocol, &net, &CNetwork::slot_onSendProtocol);
    QObject::connect(&net, &CNetwork::sig_parseProtocol, &proto, &Protocol::slot_onParseProtocol);
    QObject::connect(&proto, &Protocol::sig_connectServer, &net, &CNetwork::slot_onConnectServer);
    QSignalSpy login(&proto, &Protocol::sig_loginState);
    QSignalSpy enterprise(&proto, &Protocol::sig_loginenterprise);
    QSignalSpy changed(&proto, &Protocol::sig_modifyEmpInfo);
    QSignalSpy pages(&proto, &Protocol::sig_parseEmpInfo);

    net.slot_onLogin(QString::number(OWN), "secret", 0);
    QTRY_COMPARE(login.size(), 1);
    QTRY_COMPARE(fake.packets(CmdHeartbeat, FakeService::Udp).size(), 3);

    net.slot_onLoginSubServer(QString::number(ORG), "wrong");
    net.slot_onLoginSubServer(QString::number(ORG), "demo1234");
    QTRY_COMPARE(enterprise.size(), 2);
    QCOMPARE(enterprise.at(0), (QList<QVariant>{0u, "", "", false, 0}));
    QCOMPARE(enterprise.at(1), (QList<QVariant>{ORG, "Zephon示例公司", "示例", true, 0}));
    // The own telephone number from the sign-in goes with the organisation's password.
    QCOMPARE(fake.packets(CmdEnterprise, FakeService::Sub).last(),
             request(OWN, EntLoginSubServer,
                     fields().u32(ORG).str8("13800138001").str8("demo1234").u32(0)));

    QObject owner;
    QObjectList rows;
    for (int i = 0; i < EMPLOYEES; ++i)
        rows << employee(&owner, QString("e%1").arg(i));
    fake.clearReceived();
    net.slot_onModifyEmpInfo(OWN, ORG, rows);
    QTRY_COMPARE(changed.size(), 3);
    for (const QList<QVariant> &args : std::as_const(changed))
        QCOMPARE(args, (QList<QVariant>{ORG, true}));
    const QList<QByteArray> lists = fake.packets(CmdEnterprise, FakeService::Sub);
    QCOMPARE(lists.size(), 3);
    int iEntries = 0;
    QCOMPARE(listCount(lists.at(0), &iEntries), 255);
    QCOMPARE(listCount(lists.at(2), &iEntries), 90);

    net.slot_onGetEmpInfo(ORG, "0");
    QTRY_COMPARE(pages.size(), 3);
    int iStored = 0;
    for (const QList<QVariant> &args : std::as_const(pages)) {
        QCOMPARE(args.at(0).toUInt(), ORG);
        QCOMPARE(args.at(3).toInt(), EMPLOYEES);
        iStored += args.at(2).toInt();
    }
    QCOMPARE(iStored, EMPLOYEES);
    net.logout();
}

QTEST_GUILESS_MAIN(TestEnterprise)
#include "tst_enterprise.moc"
