// A message whose sender goes away before the addressee has it, with real clients in processes
// of their own through zephond: the sender's row says "sent" while it is away, and after its
// next sign-in it says delivered, once.
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "zephondprocess.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
const QString kZhang = QStringLiteral("1000001");
const QString kLi = QStringLiteral("1000002");
const QString kText = QStringLiteral("明早九点开会");

} // namespace

class TestMessagesAway : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void senderAwayLearnsOfDeliveryAtNextSignIn();

private:
    std::unique_ptr<CorePeer> startPeer(const QString &strZpid);
    // The states of the sender's rows of its conversation with strPeer that hold the text.
    QStringList statesOf(CorePeer &peer, const QString &strPeer);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestMessagesAway::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service"))),
             qPrintable(m_service.errorText()));
}

void TestMessagesAway::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

std::unique_ptr<CorePeer> TestMessagesAway::startPeer(const QString &strZpid)
{
    return CorePeer::signedIn(m_dir.filePath(strZpid), m_service.serverText(), strZpid,
                              QString::fromLatin1(kPassword));
}

QStringList TestMessagesAway::statesOf(CorePeer &peer, const QString &strPeer)
{
    // A registered peer's conversation, as its chat screen reads it.
    peer.invoke(QStringLiteral("getMessage"), {QString::number(ZpidRegistered), strPeer});
    QStringList states;
    for (const QJsonValue &row : peer.list(QStringLiteral("messageModel"))) {
        const QJsonObject object = row.toObject();
        // A day's first row comes with a date row of the same fields before it.
        if (!object.value("bSeparator").toBool() &&
            object.value("strContent").toString().contains(kText))
            states << object.value("iMsgState").toVariant().toString();
    }
    return states;
}

void TestMessagesAway::senderAwayLearnsOfDeliveryAtNextSignIn()
{
    auto zhang = startPeer(kZhang);
    QVERIFY(zhang);
    QVERIFY(zhang->emitRoot(QStringLiteral("sendMsg"), {kText, kLi}));
    // Taken by the service; Li is away, so nobody has it yet.
    QTRY_COMPARE_WITH_TIMEOUT(statesOf(*zhang, kLi), QStringList{QString::number(MsgAccepted)},
                              10000);
    zhang->stop();

    // Li signs in, has the message, and its client confirms it while Zhang is away.
    auto li = startPeer(kLi);
    QVERIFY(li);
    QTRY_COMPARE_WITH_TIMEOUT(statesOf(*li, kZhang).size(), 1, 10000);

    // Zhang's next sign-in brings the report: the row says delivered.
    zhang = startPeer(kZhang);
    QVERIFY(zhang);
    QTRY_COMPARE_WITH_TIMEOUT(statesOf(*zhang, kLi), QStringList{QString::number(MsgDelivered)},
                              10000);
}

QTEST_GUILESS_MAIN(TestMessagesAway)
#include "tst_messagesaway.moc"
