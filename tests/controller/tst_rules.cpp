// The controller's pure rules, one table each: what the user typed, the kind of a Zpid, the
// character of a placeholder picture and the placeholder picture's name.
#include <QtTest>

#include "rules.h"

class TestRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inputType_data();
    void inputType();
    void zpidKind_data();
    void zpidKind();
    void lastName_data();
    void lastName();
    void userPicPath_data();
    void userPicPath();
};

void TestRules::inputType_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("expected");
    QTest::newRow("assistant 800") << "800" << 0;
    QTest::newRow("8001") << "8001" << 0;
    QTest::newRow("seven digits from 1") << "1234567" << 0;
    QTest::newRow("six digits") << "123456" << -1;
    QTest::newRow("seven digits from 2") << "2345678" << -1;
    QTest::newRow("eight digits from 1") << "12345678" << -1;
    QTest::newRow("mobile") << "13812345678" << 1;
    QTest::newRow("mobile 15x") << "15012345678" << 1;
    QTest::newRow("mobile 18x") << "18912345678" << 1;
    QTest::newRow("mobile 14x") << "14712345678" << -1;
    QTest::newRow("+86 mobile") << "+8613812345678" << 1;
    QTest::newRow("0086 mobile") << "008613812345678" << 1;
    QTest::newRow("86 mobile") << "8613812345678" << 1;
    QTest::newRow("0 before mobile") << "013812345678" << 1;
    QTest::newRow("mobile too short") << "1381234567" << -1;
    QTest::newRow("mobile too long") << "138123456789" << -1;
    QTest::newRow("letters") << "abc" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("spaces around") << " 1234567" << -1;
}

void TestRules::inputType()
{
    QFETCH(QString, input);
    QFETCH(int, expected);
    QCOMPARE(Rules::inputType(input), expected);
}

void TestRules::zpidKind_data()
{
    QTest::addColumn<QString>("zpid");
    QTest::addColumn<QString>("own");
    QTest::addColumn<int>("expected");
    QTest::newRow("own") << "1234567"
                         << "1234567" << int(Codes::ZpidOwn);
    QTest::newRow("assistant") << "800"
                               << "1234567" << int(Codes::ZpidAssistant);
    QTest::newRow("another user") << "7654321"
                                  << "1234567" << int(Codes::ZpidRegistered);
    QTest::newRow("empty") << ""
                           << "1234567" << int(Codes::ZpidNone);
    QTest::newRow("zero") << "0"
                          << "1234567" << int(Codes::ZpidNone);
    QTest::newRow("nobody signed in, empty") << ""
                                             << "" << int(Codes::ZpidNone);
    QTest::newRow("nobody signed in, a user") << "1234567"
                                              << "" << int(Codes::ZpidRegistered);
    QTest::newRow("nobody signed in, assistant") << "800"
                                                 << "" << int(Codes::ZpidAssistant);
}

void TestRules::zpidKind()
{
    QFETCH(QString, zpid);
    QFETCH(QString, own);
    QFETCH(int, expected);
    QCOMPARE(int(Rules::zpidKind(zpid, own)), expected);
}

void TestRules::lastName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two characters") << "张三"
                                    << "三";
    QTest::newRow("one character") << "李"
                                   << "李";
    QTest::newRow("Latin letters only") << "Alice"
                                        << "";
    QTest::newRow("digits only") << "12345"
                                 << "";
    QTest::newRow("letters after the name") << "王五abc"
                                            << "五";
    QTest::newRow("digits after the name") << "赵六 007"
                                           << "六";
    QTest::newRow("ASCII punctuation") << "钱七!"
                                       << "七";
    QTest::newRow("full-width punctuation") << "孙八（九）"
                                            << "九";
    QTest::newRow("middle dot") << "阿·凡提"
                                << "提";
    QTest::newRow("punctuation only") << "?!…"
                                      << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("outside the basic plane")
        << QString::fromUtf8("王\xF0\xA0\x80\x80") << QString::fromUtf8("\xF0\xA0\x80\x80");
}

void TestRules::lastName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(Rules::lastName(name), expected);
}

void TestRules::userPicPath_data()
{
    QTest::addColumn<int>("iType");
    QTest::addColumn<int>("iSubType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("expected");
    const QString base = QStringLiteral("images/userpic/userpic-");
    QTest::newRow("own") << 0 << 0 << "三"
                         << "small" << base + "small-default.png";
    QTest::newRow("assistant") << 1 << 0 << "手"
                               << "middle" << base + "middle-zpservice.png";
    QTest::newRow("pc") << 5 << 0 << ""
                        << "large" << base + "large-pc.png";
    QTest::newRow("circle list") << 6 << 0 << ""
                                 << "small" << base + "small-circle.png";
    QTest::newRow("circle type 1") << 7 << 1 << ""
                                   << "small" << base + "small-circle-1.png";
    QTest::newRow("circle type 0") << 7 << 0 << ""
                                   << "small" << base + "small-circle-0.png";
    QTest::newRow("circle other type") << 7 << 4 << "圈"
                                       << "large" << base + "large-circle-0.png";
    QTest::newRow("user with a name") << 2 << 0 << "四"
                                      << "middle" << base + "middle-bg.png";
    QTest::newRow("user without a name") << 2 << 0 << ""
                                         << "middle" << base + "middle-default.png";
    QTest::newRow("no user, named") << 3 << 0 << "五"
                                    << "small" << base + "small-bg.png";
    QTest::newRow("unknown kind") << 42 << 1 << ""
                                  << "large" << base + "large-default.png";
}

void TestRules::userPicPath()
{
    QFETCH(int, iType);
    QFETCH(int, iSubType);
    QFETCH(QString, name);
    QFETCH(QString, size);
    QFETCH(QString, expected);
    QCOMPARE(Rules::userPicPath(iType, iSubType, name, size), expected);
}

QTEST_GUILESS_MAIN(TestRules)
#include "tst_rules.moc"
