// Core's contacts and user pictures as the running client wires them: the address book, the
// presence lists, cards, the cloud address book, may-know suggestions and pictures, from the
// fake service on loopback through the workers and the store (real SQLite files in a
// temporary directory) to the published lists.
#include <QBuffer>
#include <QImage>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickView>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cdatabase.h"
#include "cimageprovider.h"
#include "cnetwork.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "rules.h"

namespace {

constexpr quint32 kMe = 1234567;
const QString kMyPhone = QStringLiteral("13800000000");
// The own card carries an earlier number of the user, which the presence lists still name.
const QString kMyCard = QStringLiteral("我:1:经理:Zephon:北京:13900000009:010-1:me@x:::::30:小我");

// A picture of one colour, as PNG bytes.
QByteArray picture(Qt::GlobalColor color)
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(color);
    QByteArray ar;
    QBuffer buffer(&ar);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return ar;
}

} // namespace

class TestCoreContacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void addressBookPublishedAfterPresence();
    void presenceKeepsOwnCardAndAssistant();
    void searchRowsLookedUpByPlainValues();
    void ownCardOnlyFromItsOwner_data();
    void ownCardOnlyFromItsOwner();
    void strangeCardOnlyForZpidKeys_data();
    void strangeCardOnlyForZpidKeys();
    void cardRepliesReachWhoAskedForThem();
    void cardsSent_data();
    void cardsSent();
    void cardFieldsCannotShiftFields_data();
    void cardFieldsCannotShiftFields();
    void cloudAddressBookRoundTrip();
    void emptyCloudBookClearsStoredCopy();
    void stringLength_data();
    void stringLength();
    void picturesCachedAndServed();
    void ownPictureSaved();
    void presenceAndPhoneLookups();
    void logoutLeavesNoContacts();

private:
    void signIn();
    void signInWithContacts();
    QStringList column(const char *pName, const char *pProperty) const;
    // The Zpids of the stranger's-card requests received so far.
    QStringList strangeCardRequests() const;

    std::unique_ptr<QTemporaryDir> m_pDir;
    FakeService m_fake;
    FakeService::Account m_account;
    FakeService::AddressBook m_book;
    CoreFixture m_fx;
};

void TestCoreContacts::initTestCase()
{
    // Grabbing the window needs a renderer that runs without a GPU.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    m_account.iZpid = kMe;
    m_account.strLoginId = QString::number(kMe);
    m_account.strPassword = QStringLiteral("secret");
    m_account.strPhone = kMyPhone;
    // 张三 and 李四 are registered; the assistant's number and the own card's earlier number
    // are listed too, as is a pair whose Zpid is not a number.
    m_account.strOnline = QStringLiteral("13800000001:2000001:800:2999998");
    m_account.strOffline = QStringLiteral("13800000002:2000002:13900000009:2999997:13800000003:x");

    m_book.strContact =
        QStringLiteral("13800000001;张三:13800000002;李四:13800000003;王五:13800000000;我自己");
    m_book.cards.insert(kMe, kMyCard);
    m_book.pictures.insert(2000001, picture(Qt::red));
    m_book.strangers.insert(2000005, QStringLiteral("周九:x:2:远方公司:y:13900000005"));
    m_book.strangers.insert(2000006, QStringLiteral("吴十:x:1:近邻公司:y:13900000006"));
    m_book.mayKnow = QStringList{QStringLiteral("x;2000005;13900000005;周九;x;上海")};
    QVERIFY(CoreFixture::serve(m_fake, m_account));
}

void TestCoreContacts::init()
{
    m_fake.clearReceived();
    m_fake.serveAccount(m_account);
    m_fake.serveAddressBook(m_book);

    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(CoreFixture::enterFolder(m_pDir->path()));
    {
        // The sort keys of the names in the book.
        CDatabase schema(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        QVERIFY(schema.isCommonOpen());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "seed");
        db.setDatabaseName(m_pDir->filePath(QStringLiteral("common.db")));
        QVERIFY(db.open());
        QSqlQuery query(db);
        const QList<QPair<QString, QString>> readings{
            {"张", "zhang"}, {"三", "san"}, {"李", "li"},   {"四", "si"},  {"王", "wang"},
            {"五", "wu"},    {"我", "wo"},  {"赵", "zhao"}, {"钱", "qian"}};
        for (const auto &reading : readings) {
            QVERIFY(query.prepare(QStringLiteral("Insert into Pinyin(Hanzi,DuYin)Values(?,?)")));
            query.addBindValue(reading.first);
            query.addBindValue(reading.second);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    m_fx.start();
}

void TestCoreContacts::cleanup()
{
    m_fx.stop();
    QDir::setCurrent(QDir::tempPath());
    m_pDir.reset();
}

void TestCoreContacts::signIn()
{
    m_fx.signIn(m_account.strLoginId, m_account.strPassword);
}

void TestCoreContacts::signInWithContacts()
{
    QSignalSpy updated(m_fx.core(), &Core::sig_updateContact);
    signIn();
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 1, 10000);
}

QStringList TestCoreContacts::column(const char *pName, const char *pProperty) const
{
    QStringList values;
    for (QObject *pRow : m_fx.list(pName))
        values << pRow->property(pProperty).toString();
    return values;
}

QStringList TestCoreContacts::strangeCardRequests() const
{
    QStringList zpids;
    for (const QByteArray &ar : m_fake.packets(Codes::CmdStrangeCard, FakeService::Sub))
        zpids << QString::number(FakePacket::u32At(ar, 5));
    return zpids;
}

void TestCoreContacts::addressBookPublishedAfterPresence()
{
    QSignalSpy allState(m_fx.core(), &Core::sig_getAllUserState);
    signInWithContacts();
    QCOMPARE(allState.size(), 1);
    QCOMPARE(m_fx.root()->property("updates").toInt(), 1);
    // The presence request left once, after the contact worker.
    QCOMPARE(m_fake.packets(Codes::CmdAllUserState, FakeService::Sub).size(), 1);

    // The own card first, then pinyin order; the assistant is left out, and so is the book's
    // entry for the user's own number.
    QCOMPARE(column("contactModel", "strName"), (QStringList{"我", "李四", "王五", "张三"}));
    QCOMPARE(m_fx.context()->contextProperty("personalcard").toString(), kMyCard);

    // Registered users only (and the assistant), through the root item's signal.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getContact", Q_ARG(bool, false),
                                      Q_ARG(QString, QString())));
    QCOMPARE(column("contactModel", "strName"), (QStringList{"ZP小秘书", "李四", "张三"}));

    // The dial pad: digits of the number, marked up where they match.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "searchContact",
                                      Q_ARG(QString, QStringLiteral("00000003"))));
    QCOMPARE(column("searchcontactModel", "strPhone"),
             QStringList{"138<font color='#0080ff'>00000003</font>"});
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "searchContact", Q_ARG(QString, QString())));
    QVERIFY(m_fx.list("searchcontactModel").isEmpty());
}

void TestCoreContacts::presenceKeepsOwnCardAndAssistant()
{
    signInWithContacts();
    // Both kept their kind and Zpid although the presence lists named their numbers.
    QCOMPARE(m_fx.core()->getContactNameByZpid(kMe), QStringLiteral("我"));
    QCOMPARE(m_fx.core()->getContactNameByZpid(800), QStringLiteral("ZP小秘书"));
    QCOMPARE(m_fx.core()->getContactNameByZpid(2999997), QString());
    QCOMPARE(m_fx.core()->getContactNameByZpid(2999998), QString());
    QStringList kinds;
    for (QObject *pRow : m_fx.list("contactModel"))
        kinds << pRow->property("strName").toString() + u' ' + pRow->property("iType").toString();
    QCOMPARE(kinds, (QStringList{"我 0", "李四 2", "王五 3", "张三 2"}));
}

void TestCoreContacts::searchRowsLookedUpByPlainValues()
{
    signInWithContacts();
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "searchContact",
                                      Q_ARG(QString, QStringLiteral("138"))));
    const QList<QObject *> rows = m_fx.list("searchcontactModel");
    QCOMPARE(rows.size(), 3);
    // The rows are the contact list's too: the mark-up shows there as well.
    QVERIFY(m_fx.list("contactModel").contains(rows.first()));
    for (QObject *pRow : rows) {
        const QString strPhone = pRow->property("strPhone").toString();
        QVERIFY2(strPhone.startsWith(QLatin1String("<font")), qPrintable(strPhone));
        const QString strName = m_fx.core()->getContactNameByPhone(strPhone);
        QVERIFY2(!strName.isEmpty(), qPrintable(strPhone));
        QCOMPARE(m_fx.core()->getCard(pRow->property("strId").toString()).section(':', 0, 0),
                 strName);
        const QString strZpid = m_fx.core()->getContactZpidByPhone(strPhone);
        if (pRow->property("iType").toInt() == 2)
            QVERIFY2(strZpid.startsWith(QLatin1String("200000")), qPrintable(strZpid));
        else
            QCOMPARE(strZpid, QStringLiteral("0"));
    }
}

void TestCoreContacts::ownCardOnlyFromItsOwner_data()
{
    QTest::addColumn<quint32>("iOwner");
    QTest::addColumn<QString>("card");
    QTest::addColumn<QString>("expected");
    QTest::newRow("another user's card text")
        << quint32(2000001) << QStringLiteral("别人:0::::13700000000") << kMyCard;
    QTest::newRow("the own card, changed") << kMe << QStringLiteral("我变了:1::::13900000009")
                                           << QStringLiteral("我变了:1::::13900000009");
}

void TestCoreContacts::ownCardOnlyFromItsOwner()
{
    QFETCH(quint32, iOwner);
    QFETCH(QString, card);
    QFETCH(QString, expected);
    signInWithContacts();
    QSignalSpy updated(m_fx.core(), &Core::sig_updateContact);
    m_fake.pushSub(FakePacket(Codes::CmdCard)
                       .u32(iOwner)
                       .u8(0)
                       .u8(0)
                       .u32(0)
                       .blob32(fakeEncrypt(card.toUtf8())));
    // A later reply to know the pushed one was handled.
    QSignalSpy strange(m_fx.core(), &Core::sig_getStrangeCard);
    m_fx.core()->getStrangeCard(QStringLiteral("2000006"));
    QTRY_COMPARE(strange.size(), 1);

    QCOMPARE(m_fx.context()->contextProperty("personalcard").toString(), expected);
    const QStringList stored = m_fx.core()->getCard(QString::number(kMe)).split(u':');
    QCOMPARE(stored.size(), 14);
    QCOMPARE(stored.mid(0, expected.count(u':') + 1).join(u':'), expected);
    QCOMPARE(m_fx.list("contactModel").first()->property("strName").toString(),
             expected.section(':', 0, 0));
    QCOMPARE(m_fx.core()->getContactNameByPhone(QStringLiteral("13700000000")), QString());
}

void TestCoreContacts::strangeCardOnlyForZpidKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("bAsked");
    QTest::addColumn<bool>("bFound");
    QTest::newRow("row id of an entry") << "ROWID" << false << true;
    QTest::newRow("unknown row id") << "999" << false << false;
    QTest::newRow("unknown phone") << "13811112222" << false << false;
    QTest::newRow("phone with a prefix") << "+8613811112222" << false << false;
    QTest::newRow("zero Zpid") << "0000000" << false << false;
    QTest::newRow("Zpid beyond 32 bits") << "4294967296" << false << false;
    QTest::newRow("letters") << "abcdefg" << false << false;
    QTest::newRow("unknown Zpid") << "2000003" << true << false;
    QTest::newRow("Zpid of a contact") << "2000001" << false << true;
}

void TestCoreContacts::strangeCardOnlyForZpidKeys()
{
    QFETCH(QString, key);
    QFETCH(bool, bAsked);
    QFETCH(bool, bFound);
    signInWithContacts();
    if (key == QLatin1String("ROWID"))
        key = m_fx.list("contactModel").last()->property("strId").toString();
    const QString strCard = m_fx.core()->getCard(key);
    QCOMPARE(!strCard.isEmpty(), bFound);
    // A request that surely leaves, to know that the one before it would have left too.
    m_fx.core()->getStrangeCard(QStringLiteral("2000009"));
    QTRY_VERIFY(strangeCardRequests().contains(QStringLiteral("2000009")));
    QCOMPARE(strangeCardRequests(),
             (bAsked ? QStringList{key, "2000009"} : QStringList{"2000009"}));
}

void TestCoreContacts::cardRepliesReachWhoAskedForThem()
{
    signIn();
    QSignalSpy strange(m_fx.core(), &Core::sig_getStrangeCard);
    // The may-know reply asks for the suggested user's card after the user opened another
    // card, whose reply then arrives first.
    m_fx.core()->getMayKnow();
    m_fx.core()->getCard(QStringLiteral("2000006"));
    QTRY_COMPARE(column("mayknowModel", "strCompany"), QStringList{"远方公司"});
    QTRY_COMPARE(strange.size(), 1);
    QCOMPARE(strange.first(), (QList<QVariant>{"2000006", m_book.strangers.value(2000006)}));
    const QList<QObject *> rows = m_fx.list("mayknowModel");
    QCOMPARE(rows.first()->property("strZpid").toString(), QStringLiteral("2000005"));
    QCOMPARE(rows.first()->property("strName").toString(), QStringLiteral("周九"));
    QCOMPARE(rows.first()->property("strAddress").toString(), QStringLiteral("上海"));
    QCOMPARE(rows.first()->property("strSex").toString(), QStringLiteral("2"));
    QCOMPARE(rows.first()->property("strPhone").toString(), QStringLiteral("13900000005"));
    // The suggestion's card and picture were asked for.
    QVERIFY(strangeCardRequests().contains(QStringLiteral("2000005")));
    QTest::qWait(50);
    QCOMPARE(strange.size(), 1);
}

void TestCoreContacts::cardsSent_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("iKind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("content");
    // Agreeing sends the own card after the answer; refusing sends the answer alone.
    QTest::addColumn<int>("iPackets");
    QTest::newRow("exchange request: the own short card") << "request" << 1 << "我:1:北京:Zephon"
                                                          << "" << 1;
    QTest::newRow("exchange reply: agreed") << "reply" << 2 << "0"
                                            << "" << 2;
    QTest::newRow("exchange reply: refused") << "reply" << 2 << "1"
                                             << "" << 1;
    QTest::newRow("exchange: the own full card") << "exchange" << 3 << "我的名片" << kMyCard << 1;
}

void TestCoreContacts::cardsSent()
{
    QFETCH(QString, operation);
    QFETCH(int, iKind);
    QFETCH(QString, caption);
    QFETCH(QString, content);
    QFETCH(int, iPackets);
    signInWithContacts();
    const QString strPeer = QStringLiteral("2000001");
    if (operation == QLatin1String("request"))
        m_fx.core()->exchangeCardRequest(strPeer);
    else if (operation == QLatin1String("reply"))
        m_fx.core()->exchangeCardReply(strPeer, caption);
    else
        m_fx.core()->exchangeCard(strPeer);
    QTRY_COMPARE(m_fake.packets(Codes::CmdCardMessage, FakeService::Sub).size(), iPackets);
    QTest::qWait(100);
    QCOMPARE(m_fake.packets(Codes::CmdCardMessage, FakeService::Sub).size(), iPackets);
    if (iPackets > 1)
        QCOMPARE(int(quint8(m_fake.packets(Codes::CmdCardMessage, FakeService::Sub).at(1).at(9))),
                 3);
    // Code, own Zpid, receiver, kind, message id, caption, content.
    const QByteArray ar = m_fake.packets(Codes::CmdCardMessage, FakeService::Sub).first();
    QCOMPARE(FakePacket::u32At(ar, 5), qint64(2000001));
    QCOMPARE(int(quint8(ar.at(9))), iKind);
    int iPos = 14;
    if (iKind == 2) {
        QCOMPARE(QString::number(quint8(ar.at(iPos))), caption);
        ++iPos;
    } else {
        const int n = quint8(ar.at(iPos));
        QCOMPARE(fakeDecryptText(ar.mid(iPos + 1, n)), caption);
        iPos += 1 + n;
    }
    if (content.isEmpty()) {
        QCOMPARE(ar.size(), iPos);
    } else {
        const int n = int(FakePacket::u32At(ar, iPos));
        QCOMPARE(fakeDecryptText(ar.mid(iPos + 4, n)), content);
    }
}

void TestCoreContacts::cardFieldsCannotShiftFields_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("card");
    QTest::newRow("plain") << QStringList{"张三", "1", "经理"} << "张三:1:经理";
    QTest::newRow("colon and semicolon in a field")
        << QStringList{"张:三", "1", "a;b", ""} << "张：三:1:a；b:";
}

void TestCoreContacts::cardFieldsCannotShiftFields()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, card);
    const QString strCard = m_fx.core()->makeCard(fields);
    QCOMPARE(strCard, card);
    for (int i = 0; i < fields.size(); ++i)
        QCOMPARE(m_fx.core()->parseCard(strCard, i).size(), fields.at(i).size());
    QCOMPARE(m_fx.core()->parseCard(strCard, int(fields.size()) + 3), QString());
}

void TestCoreContacts::cloudAddressBookRoundTrip()
{
    m_fake.serveAddressBook([this] {
        FakeService::AddressBook book = m_book;
        book.netContacts = QStringList{"13700000001;赵六;同事", "13700000002^#010-1;钱七;家人"};
        book.iNetChunk = 1;
        return book;
    }());
    signIn();
    QSignalSpy updated(m_fx.core(), &Core::sig_updateNetContact);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getNetContact"));
    QTRY_COMPARE(updated.size(), 1);
    QCOMPARE(updated.first().first().toInt(), 2);
    QCOMPARE(column("netcontactModel", "strName"), (QStringList{"钱七", "赵六"}));
    QCOMPARE(column("netcontactModel", "strPhone"),
             (QStringList{"13700000002 010-1", "13700000001"}));

    // Changed through its row id; separators in the name and group must not reach the
    // server's record as separators.
    QSignalSpy modified(m_fx.core(), &Core::sig_modifyNetContact);
    const QString strId = m_fx.list("netcontactModel").first()->property("strId").toString();
    m_fx.core()->modifyNetContact(2, strId, QStringLiteral("钱:七"), QStringLiteral("137 0000"),
                                  QStringLiteral("家;人"));
    QTRY_COMPARE(modified.size(), 1);
    QCOMPARE(modified.first().first().toInt(), 0);
    const QByteArray arModify =
        m_fake.packets(Codes::CmdModifyNetContact, FakeService::Sub).value(0);
    const int nOld = int(FakePacket::u32At(arModify, 6));
    QCOMPARE(QString::fromUtf8(arModify.mid(10, nOld)), QStringLiteral("13700000002^#010-1"));
    QCOMPARE(fakeDecryptText(arModify.mid(14 + nOld, int(FakePacket::u32At(arModify, 10 + nOld)))),
             QStringLiteral("137^#0000;钱：七;家；人"));
    // Answered: the book comes again.
    QTRY_COMPARE(updated.size(), 2);
    QCOMPARE(column("netcontactModel", "strPhone"), (QStringList{"137 0000", "13700000001"}));

    // An id that names no entry, or a change of no known kind, sends nothing.
    m_fx.core()->modifyNetContact(1, QStringLiteral("9999"));
    m_fx.core()->modifyNetContact(7, strId, QStringLiteral("x"));
    QSignalSpy uploaded(m_fx.core(), &Core::sig_uploadNetContact);
    m_fx.core()->network()->slot_onUploadNetContact(QStringList{"13600000001;孙八;朋友"});
    QTRY_COMPARE(uploaded.size(), 1);
    QCOMPARE(uploaded.first().first().toInt(), 0);
    QTRY_COMPARE(updated.size(), 3);
    QCOMPARE(updated.last().first().toInt(), 3);
    QCOMPARE(m_fake.packets(Codes::CmdModifyNetContact, FakeService::Sub).size(), 1);
}

void TestCoreContacts::emptyCloudBookClearsStoredCopy()
{
    m_fake.serveAddressBook([this] {
        FakeService::AddressBook book = m_book;
        book.netContacts = QStringList{"13700000001;赵六;同事"};
        return book;
    }());
    signIn();
    QSignalSpy updated(m_fx.core(), &Core::sig_updateNetContact);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getNetContact"));
    QTRY_COMPARE(updated.size(), 1);
    QCOMPARE(m_fx.list("netcontactModel").size(), 1);

    m_fake.serveAddressBook(m_book);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getNetContact"));
    QTRY_COMPARE(updated.size(), 2);
    QCOMPARE(updated.last().first().toInt(), 0);
    QVERIFY(m_fx.list("netcontactModel").isEmpty());
}

void TestCoreContacts::stringLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("length");
    QTest::newRow("ASCII and Chinese") << "ab中" << 2.0;
    QTest::newRow("Cyrillic") << "Привет" << 6.0;
    QTest::newRow("accented Latin") << "é" << 1.0;
    QTest::newRow("mixed two-byte") << "Café" << 2.5;
    QTest::newRow("outside the basic plane") << QString::fromUtf8("a\xF0\x9F\x98\x80") << 1.5;
    QTest::newRow("empty") << "" << 0.0;
}

void TestCoreContacts::stringLength()
{
    QFETCH(QString, text);
    QFETCH(double, length);
    QCOMPARE(m_fx.core()->getStringLength(text), length);
}

void TestCoreContacts::picturesCachedAndServed()
{
    QSignalSpy pictures(m_fx.core(), &Core::sig_updateCardPic);
    signInWithContacts();
    // The presence worker asked for the pictures of the registered users; the service has
    // one of 张三's.
    QTRY_VERIFY(pictures.contains(QList<QVariant>{"2000001"}));
    QVERIFY(m_fx.core()->hasUserPic(QStringLiteral("2000001")));
    QVERIFY(!m_fx.core()->hasUserPic(QStringLiteral("2000002")));

    CImageProvider provider;
    QSize size;
    const QPixmap pixmap = provider.requestPixmap(QStringLiteral("2000001"), &size, QSize(48, 48));
    QCOMPARE(pixmap.size(), QSize(48, 48));
    QCOMPARE(pixmap.toImage().pixelColor(24, 24), QColor(Qt::red));
    QCOMPARE(provider.requestPixmap(QStringLiteral("2000001"), &size, QSize(100000, 100000)).size(),
             QSize(CImageProvider::kMaxSide, CImageProvider::kMaxSide));
    QCOMPARE(provider.requestPixmap(QStringLiteral("2000002"), &size, QSize(48, 48))
                 .toImage()
                 .pixelColor(24, 24)
                 .alpha(),
             0);

    // An empty picture changes nothing; a second one replaces the first.
    const qsizetype iBefore = pictures.size();
    m_fx.core()->slot_onParseCardPic(2000001, QByteArray());
    QCOMPARE(pictures.size(), iBefore);
    m_fake.pushSub(
        FakePacket(Codes::CmdCard).u32(2000001).u8(0).u8(1).u32(0).blob32(picture(Qt::blue)));
    QTRY_COMPARE(pictures.size(), iBefore + 1);
    QCOMPARE(provider.requestPixmap(QStringLiteral("2000001"), &size, QSize())
                 .toImage()
                 .pixelColor(80, 80),
             QColor(Qt::blue));
}

void TestCoreContacts::ownPictureSaved()
{
    signIn();
    QQuickView view;
    QQmlComponent component(view.engine());
    component.setData("import QtQuick\nRectangle { width: 300; height: 300; color: 'green' }",
                      QUrl());
    std::unique_ptr<QQuickItem> pItem(qobject_cast<QQuickItem *>(component.create()));
    QVERIFY(pItem);
    pItem->setParentItem(view.contentItem());
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    m_fx.core()->setMainWindow(&view);

    QSignalSpy saved(m_fx.core(), &Core::sig_saveCardPic);
    QSignalSpy pictures(m_fx.core(), &Core::sig_updateCardPic);
    m_fx.core()->grabImage(10, 20);
    if (!m_fx.core()->hasUserPic(QString::number(kMe)))
        QSKIP("this platform cannot grab the window");
    QCOMPARE(pictures.first(), QList<QVariant>{QString::number(kMe)});
    QTRY_COMPARE(saved.size(), 1);
    QCOMPARE(saved.first().first().toInt(), 0);
    // The service holds a 173-pixel square JPEG of the window's colour.
    const QByteArray arSaved = m_fake.packets(Codes::CmdSaveCard, FakeService::Sub).value(0);
    QCOMPARE(quint8(arSaved.at(5)), quint8(1));
    QImage image;
    QVERIFY(image.loadFromData(arSaved.mid(10, int(FakePacket::u32At(arSaved, 6))), "JPG"));
    QCOMPARE(image.size(), QSize(173, 173));
    const QColor color = image.pixelColor(86, 86);
    QVERIFY2(color.green() > 100 && color.red() < 40 && color.blue() < 40,
             qPrintable(color.name()));
    m_fx.core()->setMainWindow(nullptr);
}

void TestCoreContacts::presenceAndPhoneLookups()
{
    FakeService::Account account = m_account;
    account.strOnline = QStringLiteral("13800000001:2000001");
    account.strOffline.clear();
    account.phones.insert(2000001, QStringLiteral("13800000001"));
    m_fake.serveAccount(account);
    signIn();
    QSignalSpy state(m_fx.core(), &Core::sig_updateUserState);
    QSignalSpy phone(m_fx.core(), &Core::sig_updateUserPhone);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getUserState",
                                      Q_ARG(QString, QStringLiteral("13800000001"))));
    QTRY_COMPARE(state.size(), 1);
    QCOMPARE(state.first(), (QList<QVariant>{"2000001", "13800000001"}));
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getUserPhone",
                                      Q_ARG(QString, QStringLiteral("2000001"))));
    QTRY_COMPARE(phone.size(), 1);
    QCOMPARE(phone.first(), (QList<QVariant>{true, "2000001"}));
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getUserPhone",
                                      Q_ARG(QString, QStringLiteral("2000004"))));
    QTRY_COMPARE(phone.size(), 2);
    QCOMPARE(phone.last(), (QList<QVariant>{false, "2000004"}));
}

void TestCoreContacts::logoutLeavesNoContacts()
{
    signInWithContacts();
    // A new book arrives as the user leaves: whatever its worker got to do is not kept.
    QStringList records;
    for (int i = 0; i < 2000; ++i)
        records << QStringLiteral("136%1;旧%2").arg(i, 8, 10, QLatin1Char('0')).arg(i);
    m_fx.core()->slot_onParseContact(records.join(u':'));
    QTRY_COMPARE(m_fx.context()->contextProperty("personalcard").toString(), kMyCard);
    m_fx.core()->logout();
    QCOMPARE(m_fx.context()->contextProperty("personalcard").toString(), QString());
    QCOMPARE(m_fx.core()->getContactNameByZpid(800), QString());
    QCOMPARE(m_fx.core()->getContactNameByPhone(QStringLiteral("13600000000")), QString());
    // Searching waits for the next sign-in.
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "searchContact",
                                      Q_ARG(QString, QStringLiteral("000"))));
    QVERIFY(m_fx.list("searchcontactModel").isEmpty());

    // The next session holds its own book only.
    QSignalSpy updated(m_fx.core(), &Core::sig_updateContact);
    signIn();
    QTRY_COMPARE_WITH_TIMEOUT(updated.size(), 1, 10000);
    QCOMPARE(column("contactModel", "strName"), (QStringList{"我", "李四", "王五", "张三"}));
    QCOMPARE(m_fx.core()->getContactNameByPhone(QStringLiteral("13600000000")), QString());
}

QTEST_MAIN(TestCoreContacts)
#include "tst_corecontacts.moc"
