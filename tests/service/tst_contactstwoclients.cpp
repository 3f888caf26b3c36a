// Contacts between two clients through the real zephond process: client A is the client's own
// Core in this process (its store a real SQLite file in a folder of its own), client B the
// real executable under a private Xvfb display, signed in from the keyboard. Each sees the
// other as a registered user in its store; the card and picture A saves reach the service (a
// card too long is refused and the old one kept), and B, when it next signs in, is sent the new
// picture and shows it in A's row and card (read from B's window); A's cloud address book is
// added to, edited, emptied, uploaded in three chunks and read back unchanged. The service's
// side is read from its packet log with the test's own cipher.
#include <QImage>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cnetwork.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "xvfbclient.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZpidA = 1000001;
constexpr quint32 kZpidB = 1000002;
const QString kPhoneA = QStringLiteral("13800138000");
const QString kPhoneB = QStringLiteral("13800138001");

// The rows of a query on a store file, each row's columns joined by "|". The file is opened
// read-only on a connection of its own, beside the writer that owns it.
QStringList storeRows(const QString &strFile, const QString &strSql,
                      const QVariantList &values = {})
{
    QStringList rows;
    const QString strConnection = QStringLiteral("reader-") + strFile;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strConnection);
        db.setDatabaseName(strFile);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        if (QFileInfo::exists(strFile) && db.open()) {
            QSqlQuery query(db);
            if (query.prepare(strSql)) {
                for (const QVariant &value : values)
                    query.addBindValue(value);
                if (query.exec()) {
                    while (query.next()) {
                        QStringList columns;
                        for (int i = 0; i < query.record().count(); ++i)
                            columns << query.value(i).toString();
                        rows << columns.join(u'|');
                    }
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(strConnection);
    return rows;
}

// A's picture colour: neither the placeholders' blue nor anything else the screens paint.
const QColor kPictureColor(0xe0, 0x70, 0x20);

// How many pixels of the image inside the rectangle have about A's picture colour.
int pictureCoverage(const QImage &image, const QRect &rect)
{
    int iCount = 0;
    for (int y = rect.top(); y <= rect.bottom() && y < image.height(); ++y) {
        for (int x = rect.left(); x <= rect.right() && x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - kPictureColor.red()) < 32 &&
                qAbs(c.green() - kPictureColor.green()) < 32 &&
                qAbs(c.blue() - kPictureColor.blue()) < 32)
                ++iCount;
        }
    }
    return iCount;
}

} // namespace

class TestContactsTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void bothSeeTheOtherAsRegistered_data();
    void bothSeeTheOtherAsRegistered();
    void registeredContactsShownByA();
    void cardAndPictureReachTheOtherClient();
    void cloudAddressBookEditedAndUploaded();

private:
    // Starts B, the real client, in its folder and signs it in with its mobile number.
    bool signInB();
    void signInA();
    QString storeA() const { return m_dir.filePath(QStringLiteral("a/Zephon.db")); }
    QString storeB() const { return m_dir.filePath(QStringLiteral("b/Zephon.db")); }

    XvfbDisplay m_display;
    QTemporaryDir m_dir;
    ZephondProcess m_service;

    std::unique_ptr<XvfbClient> m_pClientB;
    CoreFixture m_fx;
};

void TestContactsTwoClients::initTestCase()
{
    // Grabbing A's window for its picture needs a renderer that runs without a GPU.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (!XvfbClient::canGrab())
        QSKIP("ImageMagick's import is needed to read the client's window (package imagemagick)");
    if (!m_display.start())
        QSKIP(qPrintable(m_display.errorText()));
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service")),
                             m_dir.filePath(QStringLiteral("packets.log"))),
             qPrintable(m_service.errorText()));
    qputenv("ZEPHON_SERVER", m_service.serverText().toUtf8());

    // Client A: Core in a working folder of its own, as the executable runs it.
    QVERIFY(CoreFixture::enterFolder(m_dir.filePath(QStringLiteral("a"))));
    m_fx.start();
    signInA();

    // Client B: the executable, signed in with its mobile number.
    QVERIFY(signInB());
}

void TestContactsTwoClients::cleanupTestCase()
{
    m_pClientB.reset();
    if (m_fx.isRunning())
        m_fx.core()->logout();
    m_fx.stop();
    QDir::setCurrent(QDir::tempPath());
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

void TestContactsTwoClients::signInA()
{
    QSignalSpy updated(m_fx.core(), &Core::sig_updateContact);
    m_fx.signIn(QString::number(kZpidA), QString::fromLatin1(kPassword), 20000);
    // The address book, then presence, then the contact list.
    QTRY_VERIFY_WITH_TIMEOUT(updated.size() >= 1, 20000);
}

bool TestContactsTwoClients::signInB()
{
    m_pClientB = std::make_unique<XvfbClient>(m_display);
    if (!m_pClientB->start(m_dir.filePath(QStringLiteral("b")))) {
        qWarning() << m_pClientB->errorText();
        return false;
    }
    // A later start offers the saved account and password: each field is replaced whole.
    if (!m_pClientB->signIn(kPhoneB, QString::fromLatin1(kPassword)))
        return false;
    QElapsedTimer timer;
    timer.start();
    while (!m_pClientB->output().contains("login result = 0") && timer.elapsed() < 20000)
        QTest::qWait(100);
    return m_pClientB->output().contains("login result = 0");
}

void TestContactsTwoClients::bothSeeTheOtherAsRegistered_data()
{
    QTest::addColumn<QString>("store");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("expected"); // Name|Zpid|Type of the entry with that phone

    QTest::newRow("A: B is a registered user") << "a" << kPhoneB << "李娜|1000002|2";
    QTest::newRow("A: a number of nobody's") << "a"
                                             << "13900139000"
                                             << "陈静|0|3";
    QTest::newRow("A: its own card") << "a" << kPhoneA << "张伟|1000001|0";
    QTest::newRow("B: A is a registered user") << "b" << kPhoneA << "张伟|1000001|2";
    QTest::newRow("B: another registered user") << "b"
                                                << "13800138003"
                                                << "刘洋|1000004|2";
    QTest::newRow("B: a number of nobody's") << "b"
                                             << "13600136000"
                                             << "孙丽|0|3";
    QTest::newRow("B: its own card") << "b" << kPhoneB << "李娜|1000002|0";
}

void TestContactsTwoClients::bothSeeTheOtherAsRegistered()
{
    QFETCH(QString, store);
    QFETCH(QString, phone);
    QFETCH(QString, expected);
    const QString strFile = store == QLatin1String("a") ? storeA() : storeB();
    // B's store is written by its own workers, so it is read again until they are done.
    QTRY_COMPARE_WITH_TIMEOUT(
        storeRows(strFile, QStringLiteral("Select Name,Zpid,Type from Contact where Phone = ?"),
                  {phone}),
        QStringList{expected}, 15000);
}

void TestContactsTwoClients::registeredContactsShownByA()
{
    // The registered users only, as the contact tab's second list shows them.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getContact", Q_ARG(bool, false),
                                      Q_ARG(QString, QString())));
    QStringList shown;
    for (QObject *pRow : m_fx.list("contactModel"))
        shown << pRow->property("strName").toString() + u' ' +
                     pRow->property("strZpid").toString() + u' ' +
                     pRow->property("iType").toString();
    QVERIFY2(shown.contains(QStringLiteral("李娜 1000002 2")), qPrintable(shown.join(u',')));
    QVERIFY2(shown.contains(QStringLiteral("刘洋 1000004 2")), qPrintable(shown.join(u',')));
    // Besides them only the assistant; numbers of nobody's and the own card are left out.
    for (const QString &strRow : std::as_const(shown))
        QVERIFY2(strRow.endsWith(QLatin1String(" 2")) || strRow == QStringLiteral("ZP小秘书 800 1"),
                 qPrintable(strRow));
    QVERIFY(shown.contains(QStringLiteral("ZP小秘书 800 1")));
    QCOMPARE(m_fx.core()->getContactNameByZpid(kZpidB), QStringLiteral("李娜"));
    QCOMPARE(m_fx.core()->getContactZpidByPhone(kPhoneB), QString::number(kZpidB));
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getContact", Q_ARG(bool, true),
                                      Q_ARG(QString, QString())));
}

void TestContactsTwoClients::cardAndPictureReachTheOtherClient()
{
    const QString strOldCard = m_fx.context()->contextProperty("personalcard").toString();
    QVERIFY(strOldCard.startsWith(QStringLiteral("张伟:")));
    QSignalSpy savedCard(m_fx.core(), &Core::sig_saveCard);
    const auto ownCardsSent = [this] {
        int iCount = 0;
        for (const LoggedPacket &p : m_service.packetLog()) {
            if (p.bOut && quint8(p.arPacket.at(0)) == Codes::CmdCard && p.arPacket.size() > 6 &&
                FakePacket::u32At(p.arPacket, 1) == kZpidA && p.arPacket.at(6) == 0)
                ++iCount;
        }
        return iCount;
    };

    // A card too long for the service is refused; A reads its card back and keeps the old one.
    const int iSentBefore = ownCardsSent();
    QVERIFY(QMetaObject::invokeMethod(
        m_fx.root(), "savePersonalCard",
        Q_ARG(QString, QStringLiteral("长:0:") + QString(2000, QChar(0x957F)))));
    QTRY_COMPARE_WITH_TIMEOUT(savedCard.size(), 1, 10000);
    QCOMPARE(savedCard.first().first().toInt(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(ownCardsSent(), iSentBefore + 1, 10000);
    QTest::qWait(200);
    QCOMPARE(m_fx.context()->contextProperty("personalcard").toString(), strOldCard);
    QCOMPARE(storeRows(storeA(), QStringLiteral("Select Name from Contact where Type = 0")),
             QStringList{QStringLiteral("张伟")});

    // A saves a changed card as the card editor sends it; the service's confirmation makes A
    // read it back and keep it as its own card.
    const QString strCard =
        QStringLiteral("张大伟:0:技术总监:泽丰示范公司:深圳:13800138000:0755-60000001:"
                       "zw@example.com:新的签名:通信:::30:伟哥");
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "savePersonalCard", Q_ARG(QString, strCard)));
    QTRY_COMPARE_WITH_TIMEOUT(savedCard.size(), 2, 10000);
    QCOMPARE(savedCard.last().first().toInt(), 0);
    QTRY_COMPARE(m_fx.context()->contextProperty("personalcard").toString(), strCard);
    QTRY_COMPARE(
        storeRows(storeA(),
                  QStringLiteral("Select Post,Address,Nickname from Contact where Type = 0")),
        QStringList{QStringLiteral("技术总监|深圳|伟哥")});
    // The contact list heads with the own card under its new name.
    QTRY_COMPARE(m_fx.list("contactModel").value(0)
                     ? m_fx.list("contactModel").first()->property("strName").toString()
                     : QString(),
                 QStringLiteral("张大伟"));
    QCOMPARE(m_fx.core()->getContactNameByZpid(kZpidA), QStringLiteral("张大伟"));
    // The search knows the new name by its initials.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getContact", Q_ARG(bool, true),
                                      Q_ARG(QString, QStringLiteral("zdw"))));
    QStringList found;
    for (QObject *pRow : m_fx.list("contactModel"))
        found << pRow->property("strName").toString();
    const QString strMark = QStringLiteral("<font color='#0080ff'>%1</font>");
    QCOMPARE(found,
             QStringList{strMark.arg(QStringLiteral("张")) + strMark.arg(QStringLiteral("大")) +
                         strMark.arg(QStringLiteral("伟"))});
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getContact", Q_ARG(bool, true),
                                      Q_ARG(QString, QString())));

    // A cuts its picture out of a window of one colour.
    QQuickView view;
    QQmlComponent component(view.engine());
    component.setData("import QtQuick\nRectangle { width: 300; height: 300; color: '#e07020' }",
                      QUrl());
    std::unique_ptr<QQuickItem> pItem(qobject_cast<QQuickItem *>(component.create()));
    QVERIFY(pItem);
    pItem->setParentItem(view.contentItem());
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    m_fx.core()->setMainWindow(&view);
    QSignalSpy savedPicture(m_fx.core(), &Core::sig_saveCardPic);
    m_fx.core()->grabImage(40, 40);
    m_fx.core()->setMainWindow(nullptr);
    QVERIFY(m_fx.core()->hasUserPic(QString::number(kZpidA)));
    QTRY_COMPARE_WITH_TIMEOUT(savedPicture.size(), 1, 10000);
    QCOMPARE(savedPicture.first().first().toInt(), 0);

    // The picture as A sent it (kind 1) and the card the service stored (kind 0).
    QByteArray arPicture;
    QString strSentCard;
    for (const LoggedPacket &p : m_service.packetLog()) {
        const QByteArray &ar = p.arPacket;
        if (p.bOut || quint8(ar.at(0)) != Codes::CmdSaveCard || FakePacket::u32At(ar, 1) != kZpidA)
            continue;
        const QByteArray arData = ar.mid(10, int(FakePacket::u32At(ar, 6)));
        if (ar.at(5) == 1)
            arPicture = arData;
        else
            strSentCard = fakeDecryptText(arData);
    }
    QCOMPARE(strSentCard, strCard);
    QImage image;
    QVERIFY(image.loadFromData(arPicture, "JPG"));
    QCOMPARE(image.size(), QSize(173, 173));
    const QColor color = image.pixelColor(86, 86);
    QVERIFY2(qAbs(color.red() - kPictureColor.red()) < 24 &&
                 qAbs(color.green() - kPictureColor.green()) < 24 &&
                 qAbs(color.blue() - kPictureColor.blue()) < 24,
             qPrintable(color.name()));

    // The pictures of A the service sent from position iFrom of its log on.
    const auto picturesOfA = [this](qsizetype iFrom) {
        QList<QByteArray> pictures;
        const QList<LoggedPacket> log = m_service.packetLog();
        for (qsizetype i = iFrom; i < log.size(); ++i) {
            const QByteArray &ar = log.at(i).arPacket;
            if (log.at(i).bOut && quint8(ar.at(0)) == Codes::CmdCard &&
                FakePacket::u32At(ar, 1) == kZpidA && ar.size() >= 15 && ar.at(5) == 0 &&
                ar.at(6) == 1)
                pictures << ar.mid(15, int(FakePacket::u32At(ar, 11)));
        }
        return pictures;
    };
    // A reads its saved picture back; only then is everything A asked for answered.
    QTRY_COMPARE_WITH_TIMEOUT(picturesOfA(0), QList<QByteArray>{arPicture}, 10000);

    // B signs in again and, having A as a registered contact, is sent A's new picture.
    const qsizetype iBefore = m_service.packetLog().size();
    m_pClientB.reset();
    QVERIFY(signInB());
    QTRY_VERIFY_WITH_TIMEOUT(!picturesOfA(iBefore).isEmpty(), 20000);
    QCOMPARE(picturesOfA(iBefore), QList<QByteArray>{arPicture});
    // B shows it: on the contact tab, searched by the initials of the name in B's book, A's
    // row carries the picture, and so does the card the row opens. The pictures are read with
    // a margin around them, in B's skinned window of 302 x 660.
    XvfbClient &b = *m_pClientB;
    const QRect firstRowPicture =
        XvfbClient::area(XvfbClient::Place::FirstContactPicture).adjusted(-6, -6, 6, 6);
    const QRect cardPicture =
        XvfbClient::area(XvfbClient::Place::CardPicture).adjusted(-5, -5, 5, 5);
    QCOMPARE(pictureCoverage(b.grab(), QRect(0, 0, 302, 660)), 0);
    QVERIFY(b.click(XvfbClient::Place::ContactTab));
    QVERIFY(b.click(XvfbClient::Place::ContactSearch));
    QVERIFY(b.type(QStringLiteral("zw"), 30));
    QTRY_VERIFY_WITH_TIMEOUT(pictureCoverage(b.grab(), firstRowPicture) > 1000, 10000);
    QVERIFY(b.click(XvfbClient::Place::FirstContact, 2));
    QTRY_VERIFY_WITH_TIMEOUT(pictureCoverage(b.grab(), cardPicture) > 2500, 10000);

    // B still holds A under the name of its own book, as a registered user.
    QTRY_COMPARE_WITH_TIMEOUT(
        storeRows(storeB(), QStringLiteral("Select Name,Zpid,Type from Contact where Phone = ?"),
                  {kPhoneA}),
        QStringList{QStringLiteral("张伟|1000001|2")}, 15000);

    // Anyone who opens A's card as a stranger's is sent the new one.
    ServiceClient other(m_service.port());
    QVERIFY(other.connectSub());
    QCOMPARE(other.login(QStringLiteral("1000003"), kPassword), 0);
    const QByteArray arStrangeCard =
        other.requestTcp(FakePacket(Codes::CmdStrangeCard).u32(1000003).u32(kZpidA).u8(0));
    QVERIFY(arStrangeCard.size() > 15);
    QCOMPARE(quint8(arStrangeCard.at(9)), quint8(0));
    QCOMPARE(fakeDecryptText(arStrangeCard.mid(15, int(FakePacket::u32At(arStrangeCard, 11)))),
             strCard);
}

void TestContactsTwoClients::cloudAddressBookEditedAndUploaded()
{
    QSignalSpy updated(m_fx.core(), &Core::sig_updateNetContact);
    QSignalSpy modified(m_fx.core(), &Core::sig_modifyNetContact);
    QSignalSpy uploaded(m_fx.core(), &Core::sig_uploadNetContact);
    const auto shown = [this] {
        QStringList rows;
        for (QObject *pRow : m_fx.list("netcontactModel"))
            rows << pRow->property("strName").toString() + u'|' +
                        pRow->property("strPhone").toString() + u'|' +
                        pRow->property("strGroup").toString();
        return rows;
    };
    const auto idOf = [this](const QString &strName) {
        for (QObject *pRow : m_fx.list("netcontactModel")) {
            if (pRow->property("strName").toString() == strName)
                return pRow->property("strId").toString();
        }
        return QString();
    };

    // The demo account has no cloud book yet.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getNetContact"));
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 1, 10000);
    QCOMPARE(updated.last().first().toInt(), 0);

    // Two entries added; each confirmation brings the whole book again.
    m_fx.core()->modifyNetContact(0, QString(), QStringLiteral("赵六"),
                                  QStringLiteral("13700000001"), QStringLiteral("同事"));
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 2, 10000);
    m_fx.core()->modifyNetContact(0, QString(), QStringLiteral("钱七"),
                                  QStringLiteral("13700000002 010-1"), QStringLiteral("家人"));
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 3, 10000);
    QCOMPARE(modified.size(), 2);
    QCOMPARE(modified.at(1).first().toInt(), 0);
    QStringList rows = shown();
    rows.sort();
    QCOMPARE(rows, (QStringList{"赵六|13700000001|同事", "钱七|13700000002 010-1|家人"}));
    // The same number twice is refused and changes nothing.
    m_fx.core()->modifyNetContact(0, QString(), QStringLiteral("重复"),
                                  QStringLiteral("13700000001"), QStringLiteral("同事"));
    QTRY_COMPARE_WITH_TIMEOUT(modified.size(), 3, 10000);
    QCOMPARE(modified.last().first().toInt(), 1);

    // One edited through its row, the other deleted.
    m_fx.core()->modifyNetContact(2, idOf(QStringLiteral("钱七")), QStringLiteral("钱七七"),
                                  QStringLiteral("13700000003"), QStringLiteral("朋友"));
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 4, 10000);
    m_fx.core()->modifyNetContact(1, idOf(QStringLiteral("赵六")));
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 5, 10000);
    QCOMPARE(modified.size(), 5);
    QCOMPARE(modified.at(3).first().toInt(), 0);
    QCOMPARE(modified.at(4).first().toInt(), 0);
    QCOMPARE(shown(), QStringList{"钱七七|13700000003|朋友"});
    QCOMPARE(storeRows(storeA(), QStringLiteral("Select Name,Phone,ContactGroup from NetContact")),
             QStringList{"钱七七|13700000003|朋友"});

    // 250 entries go up in three chunks and come back as they were, beside the one left.
    QStringList records;
    QStringList expected{QStringLiteral("钱七七|13700000003|朋友")};
    QStringList stored{QStringLiteral("钱七七|13700000003|朋友")};
    for (int i = 0; i < 250; ++i) {
        // Some numbers carry a second number (stored with "^#", shown with a space); names
        // in several scripts, one outside the basic plane, and an empty group cross the
        // chunk borders too.
        QString strPhone = QStringLiteral("1360000%1").arg(i, 4, 10, QLatin1Char('0'));
        if (i % 40 == 7)
            strPhone += QStringLiteral("^#0755-6000%1").arg(i, 4, 10, QLatin1Char('0'));
        QString strName = QStringLiteral("联系人%1").arg(i);
        if (i == 99 || i == 100)
            strName = QString::fromUtf8("Zoë \xF0\x9F\x98\x80 %1").arg(i);
        else if (i == 199)
            strName = QStringLiteral("Пётр %1").arg(i);
        const QString strGroup = i == 150 ? QString()
                                 : i % 2  ? QStringLiteral("同事")
                                          : QStringLiteral("家人");
        records << strPhone + u';' + strName + u';' + strGroup;
        stored << strName + u'|' + strPhone + u'|' + strGroup;
        expected << strName + u'|' +
                        QString(strPhone).replace(QLatin1String("^#"), QLatin1String(" ")) + u'|' +
                        strGroup;
    }
    const qsizetype iBefore = m_service.packetLog().size();
    m_fx.core()->network()->slot_onUploadNetContact(records);
    QTRY_COMPARE_WITH_TIMEOUT(uploaded.size(), 1, 15000);
    QCOMPARE(uploaded.first().first().toInt(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 6, 15000);
    QCOMPARE(updated.last().first().toInt(), 251);
    expected.sort();
    rows = shown();
    rows.sort();
    QCOMPARE(rows, expected);
    rows = storeRows(storeA(), QStringLiteral("Select Name,Phone,ContactGroup from NetContact"));
    rows.sort();
    stored.sort();
    QCOMPARE(rows, stored);

    // Two requests for the book before the first is answered: one whole book, no entry
    // twice.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getNetContact"));
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getNetContact"));
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 7, 15000);
    QTest::qWait(500);
    QCOMPARE(updated.size(), 7);
    QCOMPARE(updated.last().first().toInt(), 251);
    rows = storeRows(storeA(), QStringLiteral("Select Name,Phone,ContactGroup from NetContact"));
    rows.sort();
    QCOMPARE(rows, stored);

    // On the wire: chunks 0, 1, 2 of 100, 100 and 50 entries under one random number, each
    // confirmed; the download in three chunks of the 251 entries.
    QStringList chunks;
    QSet<quint32> randoms;
    QStringList confirmations;
    QStringList downloads;
    const QList<LoggedPacket> log = m_service.packetLog();
    for (qsizetype i = iBefore; i < log.size(); ++i) {
        const QByteArray &ar = log.at(i).arPacket;
        if (!log.at(i).bOut && quint8(ar.at(0)) == Codes::CmdUploadNetContact) {
            randoms.insert(quint32(FakePacket::u32At(ar, 5)));
            chunks << QStringLiteral("%1:%2").arg(quint8(ar.at(9))).arg(FakePacket::u32At(ar, 10));
        } else if (log.at(i).bOut && quint8(ar.at(0)) == Codes::CmdUploadNetContact) {
            confirmations << QStringLiteral("%1:%2").arg(quint8(ar.at(9))).arg(quint8(ar.at(10)));
        } else if (log.at(i).bOut && quint8(ar.at(0)) == Codes::CmdNetContact && ar.at(5) == 0) {
            downloads << QStringLiteral("%1/%2")
                             .arg(FakePacket::u32At(ar, 10))
                             .arg(FakePacket::u32At(ar, 6));
        }
    }
    QCOMPARE(chunks, (QStringList{"0:100", "1:100", "2:50"}));
    QCOMPARE(randoms.size(), 1);
    QCOMPARE(confirmations, (QStringList{"0:0", "1:0", "2:0"}));
    QCOMPARE(downloads, (QStringList{"100/251", "100/251", "51/251", "100/251", "100/251", "51/251",
                                     "100/251", "100/251", "51/251"}));
}

QTEST_MAIN(TestContactsTwoClients)
#include "tst_contactstwoclients.moc"
