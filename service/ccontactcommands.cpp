#include "ccontactcommands.h"

#include "caes.h"
#include "cfieldwriter.h"
#include "cservice.h"

using namespace Codes;

namespace {

enum CardKind : quint8
{
    CardText = 0,
    CardPicture = 1
};

bool hasSeparator(const QString &strField)
{
    return strField.contains(QLatin1Char(':')) || strField.contains(QLatin1Char(';'));
}

} // namespace

void CContactCommands::install(CDispatcher &dispatcher)
{
    using D = CDispatcher;
    dispatcher.add(CmdContact, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onContact(request); });
    dispatcher.add(CmdCard, D::OnTcp, D::SessionNoField,
                   [this](CRequest &request) { onCard(request); });
    dispatcher.add(CmdSaveCard, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onSaveCard(request); });
}

QString CContactCommands::addressBookText(const QList<CAddressBookTable::Entry> &entries)
{
    QStringList records;
    for (const CAddressBookTable::Entry &entry : entries)
        records << entry.strPhone + QLatin1Char(';') + entry.strName;
    return records.join(QLatin1Char(':'));
}

bool CContactCommands::addressBookFits(const QList<CAddressBookTable::Entry> &entries)
{
    for (const CAddressBookTable::Entry &entry : entries) {
        if (entry.strPhone.isEmpty() || hasSeparator(entry.strPhone) || hasSeparator(entry.strName))
            return false;
    }
    // The ciphertext is the UTF-8 text padded to the next whole block.
    return addressBookText(entries).toUtf8().size() + 16 <= MAX_BOOK_CIPHER_BYTES;
}

bool CContactCommands::cardFits(const QString &strCard)
{
    return strCard.toUtf8().size() <= MAX_CARD_BYTES;
}

void CContactCommands::onContact(CRequest &request)
{
    // The request repeats the login password; the session already proves who is asking.
    const quint32 iZpid = request.session()->iZpid;
    const QString strBook = addressBookText(m_service.store().addressBooks().entries(iZpid));
    m_service.reply(
        request,
        CFieldWriter(CmdContact).zpid(iZpid).u8(0).u32(0).blob32(encryptText(strBook)).packet());
}

void CContactCommands::onCard(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iOwner = r.u32();
    const quint8 iKind = r.u8();
    const auto account = m_service.store().accounts().byZpid(iOwner);
    QByteArray arData;
    if (account && iKind == CardText && !account->strCard.isEmpty())
        arData = encryptText(account->strCard);
    else if (account && iKind == CardPicture)
        arData = account->arPicture;
    m_service.reply(request, CFieldWriter(CmdCard)
                                 .zpid(iOwner)
                                 .u8(arData.isEmpty() ? 1 : 0)
                                 .u8(iKind)
                                 .u32(0)
                                 .blob32(arData)
                                 .packet());
}

void CContactCommands::onSaveCard(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iZpid = request.session()->iZpid;
    const quint8 iKind = r.u8();
    const QByteArray arData = r.blob32();
    bool bSaved = false;
    if (iKind == CardText) {
        const QString strCard = decryptText(arData);
        bSaved = cardFits(strCard) && m_service.store().accounts().setCard(iZpid, strCard);
    } else if (iKind == CardPicture) {
        bSaved = !arData.isEmpty() && arData.size() <= MAX_PICTURE_BYTES &&
                 m_service.store().accounts().setPicture(iZpid, arData);
    }
    if (!bSaved)
        m_service.counters().drop(CServiceCounters::DropBadField);
    m_service.reply(request,
                    CFieldWriter(CmdSaveCard).zpid(iZpid).u8(iKind).u8(bSaved ? 0 : 1).packet());
}
