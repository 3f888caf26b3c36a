// The main screen's contact tab with the real Core behind it, signed in against the fake
// service on loopback, which serves the address book and presence: the list shows the own
// card first and then pinyin order, and the search box and the dial pad find people by
// pinyin, initials, characters, keypad digits and number, with the matched part marked.
#include <QInputMethodEvent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cdatabase.h"
#include "core.h"
#include "csessionstate.h"
#include "fakeservice.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "qmlfixture.h"
#include "realscreens.h"
#include "screenfixture.h"

namespace {

constexpr quint32 kMe = 1000001;
const QString kOwnCard = QStringLiteral("我:1:经理:泽丰:北京:13800138000:010-1:me@x:::::30:小我");

QString mark(const QString &strText)
{
    return QStringLiteral("<font color='#0080ff'>") + strText + QStringLiteral("</font>");
}

// Types the text into the focused item: Latin characters as key presses, others as the
// input method commits them.
void typeText(QWindow *pWindow, const QString &strText)
{
    for (const QChar c : strText) {
        if (c.unicode() < 0x80) {
            QmlFixture::type(pWindow, QString(c));
            continue;
        }
        QInputMethodEvent event;
        event.setCommitString(QString(c));
        QCoreApplication::sendEvent(QGuiApplication::focusObject(), &event);
    }
}

QObject *child(QObject *pParent, const QString &strName)
{
    return pParent ? pParent->findChild<QObject *>(strName) : nullptr;
}

} // namespace

class TestContactTab : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void ownCardFirstThenPinyinOrder();
    void searchBoxFindsAndMarks_data();
    void searchBoxFindsAndMarks();
    void dialPadFindsAndMarks_data();
    void dialPadFindsAndMarks();

private:
    QQuickItem *mainScreen() const;
    // The name and phone texts of the list's rows, as the rows show them.
    QStringList shownRows(const char *pList) const;

    FakeService m_fake;
    QTemporaryDir m_dir;
    RealScreens m_screens;
};

void TestContactTab::initTestCase()
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
    FakeService::Account account;
    account.iZpid = kMe;
    account.strLoginId = QString::number(kMe);
    account.strPassword = QStringLiteral("demo1234");
    account.strPhone = QStringLiteral("13800138000");
    account.strOnline = QStringLiteral("13800000001:2000001");
    account.strOffline = QStringLiteral("13800000002:2000002:13800000006:2000006");
    m_fake.serveAccount(account);
    FakeService::AddressBook book;
    book.strContact = QStringLiteral("13800000001;张三:13800000002;李四:13800000003;王五:"
                                     "13800000004;赵六:13800000005;周杰:13800000006;长江");
    book.cards.insert(kMe, kOwnCard);
    m_fake.serveAddressBook(book);

    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
    {
        // The sort keys of the names, as the common file the client ships holds them.
        CDatabase schema(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        QVERIFY(schema.isCommonOpen());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "seed");
        db.setDatabaseName(m_dir.filePath(QStringLiteral("common.db")));
        QVERIFY(db.open());
        QSqlQuery query(db);
        const QList<QPair<QString, QString>> readings{
            {"张", "zhang"}, {"三", "san"},   {"李", "li"},   {"四", "si"},   {"王", "wang"},
            {"五", "wu"},    {"赵", "zhao"},  {"六", "liu"},  {"周", "zhou"}, {"杰", "jie"},
            {"我", "wo"},    {"长", "chang"}, {"江", "jiang"}};
        for (const auto &reading : readings) {
            QVERIFY(query.prepare(QStringLiteral("Insert into Pinyin(Hanzi,DuYin)Values(?,?)")));
            query.addBindValue(reading.first);
            query.addBindValue(reading.second);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
    sessionState().reset();

    // The view, the context properties and Core, in the entry's order.
    m_screens.start();
    if (QTest::currentTestFailed())
        return;

    // Signed in as the sign-in screen does it; the main screen follows.
    QSignalSpy updated(m_screens.core(), &Core::sig_updateContact);
    m_screens.signIn(account.strLoginId, account.strPassword);
    QTRY_VERIFY_WITH_TIMEOUT(mainScreen(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(updated.size() >= 1, 10000);
}

void TestContactTab::cleanupTestCase()
{
    m_screens.stop();
    sessionState().reset();
    QDir::setCurrent(QDir::tempPath());
}

QQuickItem *TestContactTab::mainScreen() const
{
    QObject *pLoader = m_screens.view()->rootObject()->property("screen").value<QObject *>();
    if (!pLoader || pLoader->property("source").toUrl().fileName() != "MainInterface.qml")
        return nullptr;
    return pLoader->property("item").value<QQuickItem *>();
}

QStringList TestContactTab::shownRows(const char *pList) const
{
    QStringList rows;
    QObject *pView = child(mainScreen(), QString::fromLatin1(pList));
    if (!pView)
        return {QStringLiteral("<no list>")};
    const int iCount = pView->property("count").toInt();
    for (int i = 0; i < iCount; ++i) {
        // Rows beyond the view's height are made when scrolled to.
        QMetaObject::invokeMethod(pView, "positionViewAtIndex", Q_ARG(int, i), Q_ARG(int, 0));
        QQuickItem *pRow = ScreenFixture::rowItem(pView, i);
        rows << (pRow ? ScreenFixture::textOf(pRow, "name") + u' ' +
                            ScreenFixture::textOf(pRow, "phone")
                      : QStringLiteral("<no row %1>").arg(i));
    }
    return rows;
}

void TestContactTab::ownCardFirstThenPinyinOrder()
{
    QObject *pTabs = child(mainScreen(), QStringLiteral("tabs"));
    QVERIFY(pTabs);
    pTabs->setProperty("current", 1);
    // The tab asks for the personal book; the own card heads it, then pinyin order (长江 is
    // read chang here; its other reading zhang does not decide its place).
    QTRY_COMPARE(child(mainScreen(), QStringLiteral("contactList"))->property("count").toInt(), 7);
    QCOMPARE(
        shownRows("contactList"),
        (QStringList{"我 13800138000", "长江 13800000006", "李四 13800000002", "王五 13800000003",
                     "张三 13800000001", "赵六 13800000004", "周杰 13800000005"}));
    QVERIFY(!child(mainScreen(), QStringLiteral("contactBusy"))->property("on").toBool());

    // The second list holds the registered users only, the assistant first, and the same
    // order; the first button brings the whole book back, without the assistant.
    auto *pSecond = qobject_cast<QQuickItem *>(child(mainScreen(), QStringLiteral("btnSecond")));
    QVERIFY(pSecond);
    QmlFixture::click(pSecond);
    QTRY_COMPARE(shownRows("contactList"), (QStringList{"ZP小秘书 800", "长江 13800000006",
                                                        "李四 13800000002", "张三 13800000001"}));
    QVERIFY(!m_screens.view()->rootObject()->property("bContactChecked").toBool());
    QmlFixture::click(
        qobject_cast<QQuickItem *>(child(mainScreen(), QStringLiteral("btnPersonal"))));
    QTRY_COMPARE(shownRows("contactList").size(), 7);
    QCOMPARE(shownRows("contactList").first(), QStringLiteral("我 13800138000"));
}

void TestContactTab::searchBoxFindsAndMarks_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("initials") << "zs" << QStringList{mark("张") + mark("三") + " 13800000001"};
    QTest::newRow("full pinyin") << "zhangsan"
                                 << QStringList{mark("张") + mark("三") + " 13800000001"};
    QTest::newRow("syllable and initial")
        << "zhangs" << QStringList{mark("张") + mark("三") + " 13800000001"};
    // A polyphone is found by either reading.
    QTest::newRow("first syllable, equal ranks in list order")
        << "zh"
        << QStringList{mark("长") + "江 13800000006", mark("张") + "三 13800000001",
                       mark("赵") + "六 13800000004", mark("周") + "杰 13800000005"};
    QTest::newRow("later syllable") << "wu" << QStringList{"王" + mark("五") + " 13800000003"};
    QTest::newRow("character") << "三" << QStringList{"张" + mark("三") + " 13800000001"};
    QTest::newRow("characters out of order") << "三张" << QStringList{};
    QTest::newRow("number") << "00004" << QStringList{"赵六 138000" + mark("00004")};
    QTest::newRow("nobody") << "qq" << QStringList{};
}

void TestContactTab::searchBoxFindsAndMarks()
{
    QFETCH(QString, key);
    QFETCH(QStringList, rows);
    m_screens.view()->rootObject()->setProperty("bContactChecked", true);
    QObject *pTabs = child(mainScreen(), QStringLiteral("tabs"));
    pTabs->setProperty("current", 1);
    auto *pSearch =
        qobject_cast<QQuickItem *>(child(mainScreen(), QStringLiteral("contactSearch")));
    QVERIFY(pSearch);
    pSearch->setProperty("text", QString());
    QTRY_COMPARE(child(mainScreen(), QStringLiteral("contactList"))->property("count").toInt(), 7);
    auto *pInput = pSearch->property("input").value<QQuickItem *>();
    QVERIFY(pInput);
    pInput->forceActiveFocus();
    QTRY_VERIFY(pInput->hasActiveFocus());
    // Typed key by key: the list is asked for again with every keystroke.
    typeText(m_screens.view(), key);
    QCOMPARE(pSearch->property("text").toString(), key);
    QTRY_COMPARE(shownRows("contactList"), rows);

    // Clearing the box shows the whole book again, unmarked.
    pSearch->setProperty("text", QString());
    QTRY_COMPARE(shownRows("contactList").value(3), QStringLiteral("王五 13800000003"));
    QCOMPARE(shownRows("contactList").size(), 7);
}

void TestContactTab::dialPadFindsAndMarks_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("rows");

    // Keypad digits of the syllables: 726 spells san; 54 spells li and begins jiang, liu
    // and jie, so a match at the first character ranks above those at the second.
    QTest::newRow("keypad digits of a syllable")
        << "726" << QStringList{"张" + mark("三") + " 13800000001"};
    QTest::newRow("keypad digits, ranked by position")
        << "54"
        << QStringList{mark("李") + "四 13800000002", "长" + mark("江") + " 13800000006",
                       "赵" + mark("六") + " 13800000004", "周" + mark("杰") + " 13800000005"};
    QTest::newRow("digits of a number") << "0002" << QStringList{"李四 1380000" + mark("0002")};
    QTest::newRow("own number") << "138001380" << QStringList{"我 " + mark("138001380") + "00"};
}

void TestContactTab::dialPadFindsAndMarks()
{
    QFETCH(QString, key);
    QFETCH(QStringList, rows);
    QObject *pTabs = child(mainScreen(), QStringLiteral("tabs"));
    pTabs->setProperty("current", 0);
    QObject *pDialpad = child(mainScreen(), QStringLiteral("dialpad"));
    QVERIFY(pDialpad);
    pDialpad->setProperty("phoneNum", key);
    QTRY_COMPARE(shownRows("searchContactList"), rows);
    QVERIFY(child(mainScreen(), QStringLiteral("searchContactList"))->property("visible").toBool());
    pDialpad->setProperty("phoneNum", QString());
    QTRY_COMPARE(
        child(mainScreen(), QStringLiteral("searchContactList"))->property("count").toInt(), 0);
}

QTEST_MAIN(TestContactTab)
#include "tst_contacttab.moc"
