// ContactModel: one person: address-book contact, circle member, search hit, may-know suggestion or
// an entry of a selection list. Created without a parent; the list that holds it decides its
// lifetime.
#pragma once

#include "rowproperty.h"

class ContactModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strSex, setStrSex, sexChanged)
    ZEPHON_ROW_PROPERTY(QString, strPost, setStrPost, postChanged)
    ZEPHON_ROW_PROPERTY(QString, strCompany, setStrCompany, companyChanged)
    ZEPHON_ROW_PROPERTY(QString, strAddress, setStrAddress, addressChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(QString, strTel, setStrTel, telChanged)
    ZEPHON_ROW_PROPERTY(QString, strEmail, setStrEmail, emailChanged)
    ZEPHON_ROW_PROPERTY(QString, strNotes, setStrNotes, notesChanged)
    ZEPHON_ROW_PROPERTY(QString, strProfession, setStrProfession, professionChanged)
    ZEPHON_ROW_PROPERTY(QString, strHomepage, setStrHomepage, homepageChanged)
    ZEPHON_ROW_PROPERTY(QString, strFax, setStrFax, faxChanged)
    ZEPHON_ROW_PROPERTY(QString, strAge, setStrAge, ageChanged)
    ZEPHON_ROW_PROPERTY(QString, strNickname, setStrNickname, nicknameChanged)
    ZEPHON_ROW_PROPERTY(QString, strLocation, setStrLocation, locationChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)
    ZEPHON_ROW_PROPERTY(bool, bChecked, setBChecked, checkedChanged)

public:
    ContactModel(const QString &strId, const QString &strZpid, const QString &strName,
                 const QString &strSex, const QString &strPost, const QString &strCompany,
                 const QString &strAddress, const QString &strPhone, const QString &strTel,
                 const QString &strEmail, const QString &strNotes, const QString &strProfession,
                 const QString &strHomepage, const QString &strFax, const QString &strAge,
                 const QString &strNickname, const QString &strLocation, int iType, bool bChecked,
                 QObject *parent = nullptr);
};
