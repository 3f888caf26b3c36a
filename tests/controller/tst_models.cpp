// Element objects: the constructor takes every field in the published order, and each setter
// notifies through its own signal exactly when the value changes.
#include <QtTest>

#include <functional>
#include <memory>

#include "callrecordmodel.h"
#include "circlemodel.h"
#include "contactmodel.h"
#include "facemodel.h"
#include "masscontactmodel.h"
#include "messagemodel.h"
#include "msgrecordmodel.h"
#include "netcontactmodel.h"
#include "orginfomodel.h"
#include "searchcontactmodel.h"

namespace {

// Constructor argument for field position i: every position gets a value distinct from its
// neighbours, so an argument stored in the wrong member shows up on read-back.
QString s(int i)
{
    return QStringLiteral("v%1").arg(i);
}
int n(int i)
{
    return 100 + i;
}
bool b(int i)
{
    return i % 2 == 0;
}

QVariant expectedAt(QMetaType::Type type, int i)
{
    switch (type) {
    case QMetaType::Int:
        return n(i);
    case QMetaType::Bool:
        return b(i);
    default:
        return s(i);
    }
}

// Field names carry their type: str.. text, i.. integer, b.. flag.
int typeByPrefix(const char *prop)
{
    const QByteArray name(prop);
    if (name.startsWith("str"))
        return QMetaType::QString;
    if (name.startsWith('i'))
        return QMetaType::Int;
    return QMetaType::Bool;
}

using Factory = std::function<QObject *()>;

// Field order and notify names as the screens and stores know them; kept here by hand rather
// than read from the classes so that a renamed or reordered field fails the test.
struct RowClass
{
    const char *name;
    Factory make;
    QList<QPair<const char *, const char *>> fields; // property, notify signal
};

const QList<RowClass> &rowClasses()
{
    static const QList<RowClass> classes = {
        {"ContactModel",
         [] {
             return new ContactModel(s(0), s(1), s(2), s(3), s(4), s(5), s(6), s(7), s(8), s(9),
                                     s(10), s(11), s(12), s(13), s(14), s(15), s(16), n(17), b(18));
         },
         {{"strId", "idChanged"},
          {"strZpid", "zpidChanged"},
          {"strName", "nameChanged"},
          {"strSex", "sexChanged"},
          {"strPost", "postChanged"},
          {"strCompany", "companyChanged"},
          {"strAddress", "addressChanged"},
          {"strPhone", "phoneChanged"},
          {"strTel", "telChanged"},
          {"strEmail", "emailChanged"},
          {"strNotes", "notesChanged"},
          {"strProfession", "professionChanged"},
          {"strHomepage", "homepageChanged"},
          {"strFax", "faxChanged"},
          {"strAge", "ageChanged"},
          {"strNickname", "nicknameChanged"},
          {"strLocation", "locationChanged"},
          {"iType", "typeChanged"},
          {"bChecked", "checkedChanged"}}},
        {"SearchContactModel",
         [] { return new SearchContactModel(s(0), s(1), s(2), s(3), n(4)); },
         {{"strId", "idChanged"},
          {"strZpid", "zpidChanged"},
          {"strName", "nameChanged"},
          {"strPhone", "phoneChanged"},
          {"iType", "typeChanged"}}},
        {"NetContactModel",
         [] { return new NetContactModel(s(0), s(1), s(2), s(3)); },
         {{"strId", "idChanged"},
          {"strName", "nameChanged"},
          {"strPhone", "phoneChanged"},
          {"strGroup", "groupChanged"}}},
        {"MassContactModel",
         [] { return new MassContactModel(s(0), s(1)); },
         {{"strZpid", "zpidChanged"}, {"strName", "nameChanged"}}},
        {"MsgRecordModel",
         [] { return new MsgRecordModel(s(0), s(1), s(2), s(3), s(4), n(5), n(6), n(7)); },
         {{"strZpid", "zpidChanged"},
          {"strName", "nameChanged"},
          {"strPhone", "phoneChanged"},
          {"strMsg", "msgChanged"},
          {"strTime", "timeChanged"},
          {"iUnRead", "unreadChanged"},
          {"iType", "typeChanged"},
          {"iSubType", "subtypeChanged"}}},
        {"MessageModel",
         [] {
             return new MessageModel(s(0), s(1), s(2), s(3), s(4), s(5), b(6), b(7), s(8), s(9),
                                     s(10), n(11), n(12), n(13), n(14), b(15));
         },
         {{"strId", "idChanged"},
          {"strCircleId", "circleIdChanged"},
          {"strCircleName", "circleNameChanged"},
          {"strZpid", "zpidChanged"},
          {"strName", "nameChanged"},
          {"strPhone", "phoneChanged"},
          {"bRead", "readChanged"},
          {"bSend", "sendChanged"},
          {"strCaption", "captionChanged"},
          {"strContent", "contentChanged"},
          {"strTime", "timeChanged"},
          {"iMsgId", "msgIdChanged"},
          {"iMsgState", "msgStateChanged"},
          {"iType", "typeChanged"},
          {"iSubType", "subtypeChanged"},
          {"bSeparator", "separatorChanged"}}},
        {"CallRecordModel",
         [] { return new CallRecordModel(s(0), s(1), s(2), s(3), s(4), n(5), n(6), n(7)); },
         {{"strId", "idChanged"},
          {"strZpid", "zpidChanged"},
          {"strName", "nameChanged"},
          {"strPhone", "phoneChanged"},
          {"strTime", "timeChanged"},
          {"iCallTime", "calltimeChanged"},
          {"iUnRead", "unreadChanged"},
          {"iType", "typeChanged"}}},
        {"CircleModel",
         [] { return new CircleModel(s(0), s(1), n(2), n(3), n(4), s(5), s(6), s(7)); },
         {{"strId", "idChanged"},
          {"strName", "nameChanged"},
          {"iType", "typeChanged"},
          {"iUserType", "usertypeChanged"},
          {"iUserCount", "usercountChanged"},
          {"strProfile", "profileChanged"},
          {"strZpid", "zpidChanged"},
          {"strCreater", "createrChanged"}}},
        {"OrgInfoModel",
         [] {
             return new OrgInfoModel(s(0), s(1), s(2), s(3), s(4), s(5), s(6), s(7), n(8), n(9),
                                     b(10), s(11), s(12));
         },
         {{"strNo", "noChanged"},
          {"strPNo", "pnoChanged"},
          {"strPName", "pnameChanged"},
          {"strZpid", "zpidChanged"},
          {"strName", "nameChanged"},
          {"strPhone", "phoneChanged"},
          {"strTel", "telChanged"},
          {"strPost", "postChanged"},
          {"iUserCount", "usercountChanged"},
          {"iUserType", "usertypeChanged"},
          {"bExpand", "expandChanged"},
          {"strSNo", "snoChanged"},
          {"strPSNo", "psnoChanged"}}},
        {"FaceModel",
         [] { return new FaceModel(s(0), s(1), s(2)); },
         {{"strId", "idChanged"}, {"strName", "nameChanged"}, {"strSign", "signChanged"}}},
    };
    return classes;
}

QVariant differentFrom(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
        return value.toInt() + 1;
    case QMetaType::Bool:
        return !value.toBool();
    default:
        return value.toString() + QStringLiteral("-changed");
    }
}

} // namespace

class TestModels : public QObject
{
    Q_OBJECT

private slots:
    void constructorFillsFieldsInOrder_data();
    void constructorFillsFieldsInOrder();
    void setterNotifiesOnlyOnChange_data();
    void setterNotifiesOnlyOnChange();
    void rowsAreCreatedWithoutParent();
};

void TestModels::constructorFillsFieldsInOrder_data()
{
    QTest::addColumn<int>("classIndex");
    for (int c = 0; c < rowClasses().size(); ++c)
        QTest::newRow(rowClasses().at(c).name) << c;
}

void TestModels::constructorFillsFieldsInOrder()
{
    QFETCH(int, classIndex);
    const RowClass &rc = rowClasses().at(classIndex);
    std::unique_ptr<QObject> row(rc.make());
    QCOMPARE(row->metaObject()->className(), rc.name);

    const QMetaObject *mo = row->metaObject();
    // Exactly the listed fields, nothing more: QObject's own objectName is the only extra.
    QCOMPARE(mo->propertyCount() - mo->propertyOffset(), rc.fields.size());
    for (int i = 0; i < rc.fields.size(); ++i) {
        const char *prop = rc.fields.at(i).first;
        const QMetaProperty mp = mo->property(mo->indexOfProperty(prop));
        QVERIFY2(mp.isValid(), prop);
        QVERIFY2(mp.typeId() == typeByPrefix(prop), prop);
        const QVariant expected = expectedAt(QMetaType::Type(mp.typeId()), i);
        QCOMPARE(row->property(prop), expected);
    }
}

void TestModels::setterNotifiesOnlyOnChange_data()
{
    QTest::addColumn<int>("classIndex");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QByteArray>("notify");
    for (int c = 0; c < rowClasses().size(); ++c) {
        const RowClass &rc = rowClasses().at(c);
        for (const auto &field : rc.fields)
            QTest::addRow("%s.%s", rc.name, field.first)
                << c << QByteArray(field.first) << QByteArray(field.second);
    }
}

void TestModels::setterNotifiesOnlyOnChange()
{
    QFETCH(int, classIndex);
    QFETCH(QByteArray, property);
    QFETCH(QByteArray, notify);

    std::unique_ptr<QObject> row(rowClasses().at(classIndex).make());
    const QMetaObject *mo = row->metaObject();
    const QMetaProperty mp = mo->property(mo->indexOfProperty(property));
    QVERIFY(mp.isValid());
    QVERIFY(mp.isWritable());
    QVERIFY(mp.hasNotifySignal());
    QCOMPARE(mp.notifySignal().methodSignature(), notify + "()");

    // Watch every notify signal of the row: a setter wired to a neighbour's signal fails here.
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    QSignalSpy *own = nullptr;
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        spies.push_back(std::make_unique<QSignalSpy>(row.get(), mo->property(i).notifySignal()));
        if (i == mp.propertyIndex())
            own = spies.back().get();
    }
    QVERIFY(own);
    auto totalEmitted = [&spies] {
        qsizetype total = 0;
        for (const auto &spy : spies)
            total += spy->count();
        return total;
    };

    const QVariant before = row->property(property);
    QVERIFY(row->setProperty(property, before));
    QCOMPARE(totalEmitted(), 0);

    const QVariant after = differentFrom(before);
    QVERIFY(row->setProperty(property, after));
    QCOMPARE(row->property(property), after);
    QCOMPARE(own->count(), 1);
    QCOMPARE(totalEmitted(), 1);

    // An equal value held in a separate object is still the same value.
    QVariant equalCopy = after;
    if (equalCopy.typeId() == QMetaType::QString)
        equalCopy = QString(after.toString().data(), after.toString().size());
    QVERIFY(row->setProperty(property, equalCopy));
    QCOMPARE(totalEmitted(), 1);

    QVERIFY(row->setProperty(property, before));
    QCOMPARE(own->count(), 2);
    QCOMPARE(row->property(property), before);
}

void TestModels::rowsAreCreatedWithoutParent()
{
    for (const RowClass &rc : rowClasses()) {
        std::unique_ptr<QObject> row(rc.make());
        QVERIFY2(row->parent() == nullptr, rc.name);
    }
    QObject owner;
    auto *row = new FaceModel(s(0), s(1), s(2), &owner);
    QCOMPARE(row->parent(), &owner);
}

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
