// The main screen's message tab with the real Core behind it, signed in against the fake
// service on loopback, which hands over messages held while the user was away: a sender the
// address book names is shown by that name and picture even when the messages came before the
// address book did, and a conversation that was read shows no unread count once the user is
// back on the list.
#include <QBuffer>
#include <QImage>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "qmlfixture.h"
#include "realscreens.h"
#include "screenfixture.h"

namespace {

constexpr quint32 kMe = 1000002;
constexpr quint32 kZhang = 1000001;
constexpr quint32 kWang = 1000003;
// 2025-12-09 10:00 and later, as day counts since 1899-12-30.
constexpr double kMorning = 46000.0 + 10.0 / 24;

QByteArray pictureBytes()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray arPng;
    QBuffer buffer(&arPng);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return arPng;
}

QByteArray offlinePacket(quint32 iFrom, double dTime, quint32 iMsgId, const QString &strText)
{
    return FakePacket(Codes::CmdOfflineMessage)
        .u32(iFrom)
        .u32(kMe)
        .f64(dTime)
        .u32(iMsgId)
        .blob32(fakeEncrypt(strText.toUtf8()))
        .bytes();
}

} // namespace

class TestMessageTab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void heldMessagesShowTheSendersName();
    void readConversationShowsNoUnreadCount();

private:
    QQuickItem *mainScreen() const;
    QObject *recordList() const;
    // The row of the conversation list for strZpid, or null.
    QQuickItem *recordRow(const QString &strZpid) const;
    // Unread count of that row as the badge shows it; 0 when the badge is hidden, -1 when
    // the row is missing.
    int shownUnread(const QString &strZpid) const;
    QQuickItem *openConversation(const QString &strZpid);
    void closeConversation();

    FakeService m_fake;
    QTemporaryDir m_dir;
    RealScreens m_screens;
    QByteArray m_arContactReply;
};

void TestMessageTab::initTestCase()
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
    FakeService::Account account;
    account.iZpid = kMe;
    account.strLoginId = QString::number(kMe);
    account.strPassword = QStringLiteral("demo1234");
    account.strPhone = QStringLiteral("13800138001");
    account.strOnline = QStringLiteral("13800138000:1000001");
    account.strOffline = QStringLiteral("13800138002:1000003");
    m_fake.serveAccount(account);
    FakeService::AddressBook book;
    book.strContact = QStringLiteral("13800138000;张伟:13800138002;王芳");
    book.pictures.insert(kZhang, pictureBytes());
    m_fake.serveAddressBook(book);
    FakeService::Messaging messaging;
    messaging.offline = {{kZhang, kMorning, 41, QStringLiteral("在吗")},
                         {kZhang, kMorning + 0.001, 42, QStringLiteral("开会了")}};
    m_fake.serveMessages(messaging);
    // The address book is held back until the test hands it over, after the held messages.
    m_arContactReply = FakePacket(Codes::CmdContact)
                           .u32(kMe)
                           .u8(0)
                           .u32(0)
                           .blob32(fakeEncrypt(book.strContact.toUtf8()))
                           .bytes();
    m_fake.setResponder(Codes::CmdContact,
                        [](const FakeService::Received &) { return QList<QByteArray>{}; });

    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
    sessionState().reset();

    // The view, the context properties and Core, in the entry's order.
    m_screens.start();
    if (QTest::currentTestFailed())
        return;

    m_screens.signIn(account.strLoginId, account.strPassword);
    QTRY_VERIFY_WITH_TIMEOUT(mainScreen(), 10000);
    child(mainScreen(), QStringLiteral("tabs"))->setProperty("current", 3);
}

void TestMessageTab::cleanupTestCase()
{
    m_screens.stop();
    sessionState().reset();
    QDir::setCurrent(QDir::tempPath());
}

QQuickItem *TestMessageTab::mainScreen() const
{
    QObject *pLoader = m_screens.view()->rootObject()->property("screen").value<QObject *>();
    if (!pLoader || pLoader->property("source").toUrl().fileName() != "MainInterface.qml")
        return nullptr;
    return pLoader->property("item").value<QQuickItem *>();
}

QObject *TestMessageTab::recordList() const
{
    return child(mainScreen(), QStringLiteral("msgRecordList"));
}

QQuickItem *TestMessageTab::recordRow(const QString &strZpid) const
{
    QObject *pList = recordList();
    const int iCount = pList ? pList->property("count").toInt() : 0;
    for (int i = 0; i < iCount; ++i) {
        QQuickItem *pRow = ScreenFixture::rowItem(pList, i);
        if (pRow && pRow->property("modelData").value<QObject *>()->property("strZpid") == strZpid)
            return pRow;
    }
    return nullptr;
}

int TestMessageTab::shownUnread(const QString &strZpid) const
{
    QQuickItem *pRow = recordRow(strZpid);
    if (!pRow)
        return -1;
    auto *pBadge = child<QQuickItem>(pRow, QStringLiteral("unread"));
    if (!pBadge || !pBadge->isVisible())
        return 0;
    return pBadge->childItems().value(0)->property("text").toInt();
}

QQuickItem *TestMessageTab::openConversation(const QString &strZpid)
{
    QQuickItem *pRow = recordRow(strZpid);
    if (!pRow)
        return nullptr;
    QMetaObject::invokeMethod(pRow, "doubleClicked");
    return ScreenFixture::loaded(child(mainScreen(), QStringLiteral("chatLoader")));
}

void TestMessageTab::closeConversation()
{
    QQuickItem *pChat = ScreenFixture::loaded(child(mainScreen(), QStringLiteral("chatLoader")));
    QVERIFY(pChat);
    // The title bar's back button, as the user leaves the conversation.
    QmlFixture::click(child<QQuickItem>(pChat, QStringLiteral("btnLeft")));
    QTRY_VERIFY(!ScreenFixture::loaded(child(mainScreen(), QStringLiteral("chatLoader"))));
}

void TestMessageTab::heldMessagesShowTheSendersName()
{
    const QString strZhang = QString::number(kZhang);
    // The held messages come first: nobody knows the sender's name yet.
    QTRY_VERIFY_WITH_TIMEOUT(recordRow(strZhang), 10000);
    QCOMPARE(ScreenFixture::textOf(recordRow(strZhang), QStringLiteral("name")), strZhang);
    QCOMPARE(shownUnread(strZhang), 2);

    // Then the address book, and with the presence lists it names the sender.
    QSignalSpy contacts(m_screens.core(), &Core::sig_updateContact);
    m_fake.pushSub(m_arContactReply);
    QTRY_VERIFY_WITH_TIMEOUT(!contacts.isEmpty(), 10000);
    QTRY_COMPARE(ScreenFixture::textOf(recordRow(strZhang), QStringLiteral("name")),
                 QStringLiteral("张伟"));
    QCOMPARE(ScreenFixture::textOf(recordRow(strZhang), QStringLiteral("message")),
             QStringLiteral("开会了"));
    QCOMPARE(shownUnread(strZhang), 2);
    // The sender's picture once it is in; the placeholder shows the name's last character.
    QCOMPARE(ScreenFixture::textOf(recordRow(strZhang), QStringLiteral("lastName")),
             QStringLiteral("伟"));
    QTRY_COMPARE_WITH_TIMEOUT(
        child(recordRow(strZhang), QStringLiteral("picture"))->property("source").toUrl(),
        QUrl(QStringLiteral("image://userpic/") + strZhang), 10000);

    // The conversation opened from the list carries the name, in its title and its bubbles.
    QQuickItem *pChat = openConversation(strZhang);
    QVERIFY(pChat);
    QCOMPARE(
        ScreenFixture::textOf(child(pChat, QStringLiteral("titleBar")), QStringLiteral("title")),
        QStringLiteral("张伟"));
    const auto messages = m_screens.view()
                              ->rootContext()
                              ->contextProperty(QStringLiteral("messageModel"))
                              .value<QList<QObject *>>();
    QVERIFY(!messages.isEmpty());
    for (QObject *pMessage : messages)
        QCOMPARE(pMessage->property("strName").toString(), QStringLiteral("张伟"));
    closeConversation();
}

void TestMessageTab::readConversationShowsNoUnreadCount()
{
    const QString strWang = QString::number(kWang);
    QTRY_VERIFY(recordList());
    // Two messages picked up while the list is shown.
    m_fake.pushUdp(offlinePacket(kWang, kMorning + 0.01, 51, QStringLiteral("第一条")));
    m_fake.pushUdp(offlinePacket(kWang, kMorning + 0.011, 52, QStringLiteral("第二条")));
    QTRY_COMPARE_WITH_TIMEOUT(shownUnread(strWang), 2, 10000);

    // Opened, read and left: the list shows nothing unread, nor does the tab.
    QVERIFY(openConversation(strWang));
    closeConversation();
    QTRY_COMPARE(shownUnread(strWang), 0);
    QCOMPARE(m_screens.core()->getUnReadMsgRecord(), 0);

    // Messages that arrive while the conversation is open are read there as they come.
    QVERIFY(openConversation(strWang));
    QSignalSpy added(m_screens.core(), &Core::sig_addMsgRecord);
    m_fake.pushUdp(offlinePacket(kWang, kMorning + 0.02, 53, QStringLiteral("第三条")));
    m_fake.pushUdp(offlinePacket(kWang, kMorning + 0.021, 54, QStringLiteral("第四条")));
    QTRY_COMPARE_WITH_TIMEOUT(added.size(), 2, 10000);
    QCOMPARE(m_screens.core()->getUnReadMsgRecord(), 0);
    closeConversation();
    QTRY_COMPARE(ScreenFixture::textOf(recordRow(strWang), QStringLiteral("message")),
                 QStringLiteral("第四条"));
    QCOMPARE(shownUnread(strWang), 0);
}

QTEST_MAIN(TestMessageTab)
#include "tst_messagetab.moc"
