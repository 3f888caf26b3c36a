// The real screens with the real Core, signed in to the real zephond on loopback, used with the
// keyboard alone: sign in by typing, move to the contact tab and open a conversation with a
// contact, send a message with Enter and read it back in the conversation, go back with Escape
// and call from the dial pad. Only key events reach the window; what each key press lands on is
// found by its accessible name, as a screen reader user hears it. A second client in a process of
// its own is the contact, who gets the message and the call.
#include <QAccessible>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <functional>

#include "codes.h"
#include "core.h"
#include "corepeer.h"
#include "csessionstate.h"
#include "csetting.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "qmlfixture.h"
#include "realscreens.h"
#include "zephondprocess.h"

namespace {

const QString kAccount = QStringLiteral("1000001");
const QString kContact = QStringLiteral("1000002");
const QString kContactName = QStringLiteral("李娜");
const QString kContactPhone = QStringLiteral("13800138001");
const QString kPassword = QStringLiteral("demo1234");
const QString kText = QStringLiteral("typed without a mouse");

QString screenName(QObject *pScreen)
{
    return pScreen ? QString::fromLatin1(pScreen->metaObject()->className()).section(u'_', 0, 0)
                   : QString();
}

QString accessibleName(QQuickItem *pItem)
{
    QAccessibleInterface *pInterface =
        pItem ? QAccessible::queryAccessibleInterface(pItem) : nullptr;
    return pInterface ? pInterface->text(QAccessible::Name) : QString();
}

QAccessible::Role accessibleRole(QQuickItem *pItem)
{
    QAccessibleInterface *pInterface =
        pItem ? QAccessible::queryAccessibleInterface(pItem) : nullptr;
    return pInterface ? pInterface->role() : QAccessible::NoRole;
}

} // namespace

class TestKeyboardOnly : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void signInChatAndCallWithTheKeyboard();

private:
    QQuickWindow *window() const { return m_screens.view(); }
    QObject *root() const { return m_screens.view()->rootObject(); }
    QQuickItem *shown() const;
    QQuickItem *focused() const { return window()->activeFocusItem(); }
    void key(Qt::Key k) { QTest::keyClick(window(), k); }
    void type(const QString &strText);
    // Presses Tab until the item with the focus is the one wanted; false after a full round.
    bool tabTo(const std::function<bool(QQuickItem *)> &wanted);
    int incoming(quint8 iCommand) const;

    QTemporaryDir m_dir;
    ZephondProcess m_service;
    std::unique_ptr<CorePeer> m_pContact;
    RealScreens m_screens;
};

void TestKeyboardOnly::initTestCase()
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QAccessible::setActive(true);
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service")),
                             m_dir.filePath(QStringLiteral("packets.log"))),
             qPrintable(m_service.errorText()));
    m_pContact = CorePeer::signedIn(m_dir.filePath(QStringLiteral("contact")),
                                    m_service.serverText(), kContact, kPassword);
    QVERIFY(m_pContact);
    QVERIFY(RealScreens::enterClientFolder(m_dir.filePath(QStringLiteral("client")),
                                           m_dir.filePath(QStringLiteral("xdg")),
                                           m_service.serverText()));
    // The call push needs the session's datagram address, learnt from its first heartbeat.
    sessionState().iHeartMs = 1000;
    m_screens.start();
}

void TestKeyboardOnly::cleanupTestCase()
{
    m_screens.stop();
    sessionState().reset();
    QDir::setCurrent(QDir::tempPath());
    if (m_pContact)
        m_pContact->stop();
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

QQuickItem *TestKeyboardOnly::shown() const
{
    QObject *pLoader = root()->property("screen").value<QObject *>();
    return pLoader ? pLoader->property("item").value<QQuickItem *>() : nullptr;
}

void TestKeyboardOnly::type(const QString &strText)
{
    for (const QChar c : strText)
        QTest::keyClick(window(), c.toLatin1());
}

bool TestKeyboardOnly::tabTo(const std::function<bool(QQuickItem *)> &wanted)
{
    QList<QQuickItem *> seen;
    for (int i = 0; i < 200; ++i) {
        if (focused() && wanted(focused()))
            return true;
        if (focused() && seen.count(focused()) > 1)
            return false;
        seen << focused();
        key(Qt::Key_Tab);
    }
    return false;
}

int TestKeyboardOnly::incoming(quint8 iCommand) const
{
    const QList<LoggedPacket> packets = m_service.packetLog();
    return int(
        std::count_if(packets.cbegin(), packets.cend(), [iCommand](const LoggedPacket &packet) {
            return !packet.bOut && packet.arPacket.startsWith(char(iCommand));
        }));
}

void TestKeyboardOnly::signInChatAndCallWithTheKeyboard()
{
    // Sign in: the account field has the focus, Tab leads to the password, Enter signs in.
    QTRY_COMPARE(screenName(shown()), QStringLiteral("LoginInterface"));
    QTRY_VERIFY(focused() && accessibleRole(focused()) == QAccessible::EditableText);
    type(kAccount);
    key(Qt::Key_Tab);
    QVERIFY(focused());
    QCOMPARE(focused()->property("echoMode").toInt(), 2); // TextInput.Password
    type(kPassword);
    key(Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(screenName(shown()), QStringLiteral("MainInterface"), 20000);
    QQuickItem *pMain = shown();
    QObject *pTabs = pMain->property("tabs").value<QObject *>();
    QVERIFY(pTabs);

    // The contact tab, then the contact's row: Enter opens the card, whose chat button opens
    // the conversation.
    QVERIFY(tabTo([](QQuickItem *p) {
        return accessibleRole(p) == QAccessible::PageTab &&
               accessibleName(p) == QStringLiteral("通讯录");
    }));
    key(Qt::Key_Space);
    QCOMPARE(pTabs->property("current").toInt(), 1);
    // The list is one stop of Tab; Down goes through its rows to the contact's.
    QQuickItem *pContacts = child<QQuickItem>(pMain, QStringLiteral("contactList"));
    QVERIFY(pContacts);
    QTRY_VERIFY_WITH_TIMEOUT(pContacts->property("count").toInt() > 0, 15000);
    QVERIFY(tabTo([pContacts](QQuickItem *p) { return pContacts->isAncestorOf(p); }));
    QCOMPARE(accessibleRole(focused()), QAccessible::ListItem);
    for (int i = 0;
         i < pContacts->property("count").toInt() && accessibleName(focused()) != kContactName; ++i)
        key(Qt::Key_Down);
    QCOMPARE(accessibleName(focused()), kContactName);
    key(Qt::Key_Return);
    QVERIFY(tabTo([](QQuickItem *p) { return p->objectName() == QStringLiteral("btnChat"); }));
    QCOMPARE(accessibleName(focused()), QStringLiteral("发消息"));
    key(Qt::Key_Return);
    QObject *pChatLoader = pMain->property("chatLoader").value<QObject *>();
    QTRY_COMPARE(screenName(pChatLoader->property("item").value<QObject *>()),
                 QStringLiteral("MessageInterface"));

    // The message: typed into the message field and sent with Enter; the contact gets it.
    QVERIFY(tabTo([](QQuickItem *p) { return p->objectName() == QStringLiteral("messageEdit"); }));
    QVERIFY(!accessibleName(focused()).isEmpty());
    const int iMessagesBefore = incoming(Codes::CmdMessage);
    type(kText);
    key(Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(incoming(Codes::CmdMessage) > iMessagesBefore, 10000);
    const auto received = [this] {
        m_pContact->invoke(QStringLiteral("getMessage"),
                           {QString::number(Codes::ZpidRegistered), kAccount});
        const QJsonArray rows = m_pContact->list(QStringLiteral("messageModel"));
        return std::any_of(rows.cbegin(), rows.cend(), [](const QJsonValue &row) {
            return row.toObject().value(QStringLiteral("strContent")).toString().contains(kText);
        });
    };
    QVERIFY(QTest::qWaitFor(received, 15000));

    // The conversation is read from the keyboard too: Tab reaches the list, where the focus is
    // on the newest message, and Up goes to older ones.
    QQuickItem *pList = child<QQuickItem>(pChatLoader, QStringLiteral("messageList"));
    QVERIFY(pList);
    QVERIFY(tabTo([pList](QQuickItem *p) { return pList->isAncestorOf(p); }));
    QTRY_VERIFY2(accessibleName(focused()).contains(kText), qPrintable(accessibleName(focused())));
    QCOMPARE(accessibleRole(focused()), QAccessible::ListItem);
    const int iNewest = pList->property("currentIndex").toInt();
    QVERIFY(iNewest > 0);
    key(Qt::Key_Up);
    QCOMPARE(pList->property("currentIndex").toInt(), iNewest - 1);

    // Escape leaves the conversation and the card; the call tab's dial pad calls the number
    // typed into it.
    key(Qt::Key_Escape);
    QTRY_VERIFY(!pChatLoader->property("item").value<QObject *>());
    QVERIFY(tabTo([](QQuickItem *p) {
        return accessibleRole(p) == QAccessible::PageTab &&
               accessibleName(p) == QStringLiteral("通话");
    }));
    key(Qt::Key_Space);
    QCOMPARE(pTabs->property("current").toInt(), 0);
    QVERIFY(tabTo([](QQuickItem *p) { return p->objectName() == QStringLiteral("phoneField"); }));
    type(kContactPhone);
    QVERIFY(tabTo([](QQuickItem *p) { return p->objectName() == QStringLiteral("key_call"); }));
    QVERIFY(!accessibleName(focused()).isEmpty());
    const int iPushesBefore = incoming(Codes::CmdPush);
    key(Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(incoming(Codes::CmdPush) > iPushesBefore, 10000);
    QObject *pCallLoader = pMain->property("callLoader").value<QObject *>();
    QTRY_COMPARE_WITH_TIMEOUT(screenName(pCallLoader->property("item").value<QObject *>()),
                              QStringLiteral("CallInterface"), 10000);
    QVERIFY(!m_pContact
                 ->wait(QStringLiteral("sig_updateCall"),
                        {QStringLiteral("0=%1").arg(int(Codes::CallOffered)),
                         QStringLiteral("1=%1").arg(kAccount)},
                        15000)
                 .isEmpty());
}

QTEST_MAIN(TestKeyboardOnly)
#include "tst_keyboardonly.moc"
