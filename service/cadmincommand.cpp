#include "cadmincommand.h"

#include <QFile>
#include <QRegularExpression>

#include "ccontactcommands.h"
#include "cseedfile.h"
#include "cservicestore.h"

namespace {

const QStringList &commands()
{
    static const QStringList names{QStringLiteral("add-account"), QStringLiteral("set-book"),
                                   QStringLiteral("set-card"),    QStringLiteral("list-accounts"),
                                   QStringLiteral("seed"),        QStringLiteral("demo")};
    return names;
}

} // namespace

bool CAdminCommand::isCommand(const QString &strName)
{
    return commands().contains(strName);
}

QString CAdminCommand::usage()
{
    return QStringLiteral(
        "Commands (run against the store, then exit):\n"
        "  add-account ZPID MOBILE NAME [PASSWORD]  the password is read from standard input\n"
        "                                           when not given\n"
        "  set-book ZPID FILE    the address book, one \"phone name\" per line (- reads standard "
        "input)\n"
        "  set-card ZPID CARD    the own card, 14 fields joined by ':'\n"
        "  list-accounts\n"
        "  seed FILE             accounts, address books, cards, circles and the directory from "
        "JSON\n"
        "  demo                  the four demo accounts\n");
}

int CAdminCommand::fail(const QString &strMessage)
{
    m_err << strMessage << Qt::endl;
    return 1;
}

int CAdminCommand::run(const QStringList &arguments)
{
    const QString strCommand = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (strCommand == QLatin1String("add-account"))
        return addAccount(rest);
    if (strCommand == QLatin1String("set-book"))
        return setBook(rest);
    if (strCommand == QLatin1String("set-card"))
        return setCard(rest);
    if (strCommand == QLatin1String("list-accounts"))
        return listAccounts();
    if (strCommand == QLatin1String("seed")) {
        QFile file(rest.value(0));
        if (rest.size() != 1 || !file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("seed: cannot read \"%1\"").arg(rest.value(0)));
        return seed(file.readAll());
    }
    if (strCommand == QLatin1String("demo"))
        return seed(CSeedFile::demo());
    return fail(QStringLiteral("unknown command \"%1\"\n").arg(strCommand) + usage());
}

int CAdminCommand::addAccount(const QStringList &arguments)
{
    if (arguments.size() < 3 || arguments.size() > 4)
        return fail(QStringLiteral("add-account ZPID MOBILE NAME [PASSWORD]"));
    bool bOk = false;
    CAccountTable::Row row;
    row.iZpid = arguments.at(0).toUInt(&bOk);
    row.strMobile = arguments.at(1);
    row.strName = arguments.at(2);
    if (!bOk || row.iZpid == 0)
        return fail(QStringLiteral("the Zpid must be a number from 1 to 4294967295"));
    static const QRegularExpression mobile(QStringLiteral("^\\+?[0-9]{3,20}$"));
    if (!mobile.match(row.strMobile).hasMatch())
        return fail(QStringLiteral("the mobile number must be digits"));
    const QString strPassword = arguments.size() == 4 ? arguments.at(3) : m_in.readLine();
    if (strPassword.isEmpty())
        return fail(QStringLiteral("the password must not be empty"));
    if (m_store.accounts().byZpid(row.iZpid))
        return fail(QStringLiteral("account %1 exists already").arg(row.iZpid));
    if (m_store.accounts().zpidOfMobile(row.strMobile) != 0)
        return fail(QStringLiteral("the mobile number %1 is taken").arg(row.strMobile));
    row.arPasswordHash = CPasswordHash::hash(strPassword, m_cost);
    if (row.arPasswordHash.isEmpty() || !m_store.accounts().insert(row))
        return fail(QStringLiteral("account %1 cannot be stored").arg(row.iZpid));
    m_out << "added account " << row.iZpid << Qt::endl;
    return 0;
}

quint32 CAdminCommand::existingAccount(const QString &strZpid)
{
    const quint32 iZpid = strZpid.toUInt();
    if (iZpid == 0 || !m_store.accounts().byZpid(iZpid)) {
        m_err << "no account " << strZpid << Qt::endl;
        return 0;
    }
    return iZpid;
}

int CAdminCommand::setBook(const QStringList &arguments)
{
    if (arguments.size() != 2)
        return fail(QStringLiteral("set-book ZPID FILE"));
    const quint32 iZpid = existingAccount(arguments.at(0));
    if (iZpid == 0)
        return 1;
    QString strText;
    if (arguments.at(1) == QLatin1String("-")) {
        strText = m_in.readAll();
    } else {
        QFile file(arguments.at(1));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return fail(QStringLiteral("cannot read \"%1\"").arg(arguments.at(1)));
        strText = QString::fromUtf8(file.readAll());
    }
    QList<CAddressBookTable::Entry> entries;
    const QStringList lines = strText.split(QLatin1Char('\n'));
    for (const QString &strLine : lines) {
        const QString strTrimmed = strLine.trimmed();
        if (strTrimmed.isEmpty())
            continue;
        const int iSpace = int(strTrimmed.indexOf(QRegularExpression(QStringLiteral("\\s"))));
        entries << CAddressBookTable::Entry{iSpace < 0 ? strTrimmed : strTrimmed.left(iSpace),
                                            iSpace < 0 ? QString()
                                                       : strTrimmed.mid(iSpace + 1).trimmed()};
    }
    if (!CContactCommands::addressBookFits(entries))
        return fail(QStringLiteral("the address book has a line without a number, a ':' or "
                                   "';', or is too large"));
    if (!m_store.transaction())
        return fail(QStringLiteral("the store cannot start a transaction"));
    if (!m_store.addressBooks().replace(iZpid, entries) || !m_store.commit()) {
        m_store.rollback();
        return fail(QStringLiteral("the address book cannot be stored"));
    }
    m_out << "address book of " << iZpid << ": " << entries.size() << " entries" << Qt::endl;
    return 0;
}

int CAdminCommand::setCard(const QStringList &arguments)
{
    if (arguments.size() != 2)
        return fail(QStringLiteral("set-card ZPID CARD"));
    const quint32 iZpid = existingAccount(arguments.at(0));
    if (iZpid == 0)
        return 1;
    QString strCard;
    QString strError;
    if (!CSeedFile::cardText(arguments.at(1), strCard, strError))
        return fail(strError);
    if (!m_store.accounts().setCard(iZpid, strCard))
        return fail(QStringLiteral("the card cannot be stored"));
    m_out << "card of " << iZpid << " set" << Qt::endl;
    return 0;
}

int CAdminCommand::listAccounts()
{
    const QList<CAccountTable::Row> rows = m_store.accounts().all();
    for (const CAccountTable::Row &row : rows) {
        m_out << row.iZpid << '\t' << row.strMobile << '\t' << row.strName << '\t'
              << m_store.addressBooks().entries(row.iZpid).size() << " contacts\t"
              << (row.strCard.isEmpty() ? "no card" : "card") << Qt::endl;
    }
    m_out << rows.size() << " accounts" << Qt::endl;
    return 0;
}

int CAdminCommand::seed(const QByteArray &arJson)
{
    const CSeedFile::Result result = CSeedFile::apply(arJson, m_store, m_cost);
    if (!result.bOk)
        return fail(QStringLiteral("seed: ") + result.strError);
    m_out << "accounts added " << result.iAccountsAdded << ", kept " << result.iAccountsKept
          << "; circles added " << result.iCirclesAdded << "; organisations added "
          << result.iOrganisationsAdded << Qt::endl;
    return 0;
}
