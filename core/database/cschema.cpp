#include "cschema.h"

#include <QStringList>

namespace {

using Columns = QList<QPair<QString, QString>>;

const QString kId = QStringLiteral("INTEGER PRIMARY KEY NOT NULL");

// The business-card columns shared by Contact and CircleMember, after Name.
Columns cardColumns(const QString &strPhoneType)
{
    return {{"Sex", "VARCHAR(4)"}, {"Post", "TEXT"},        {"Company", "TEXT"},
            {"Address", "TEXT"},   {"Phone", strPhoneType}, {"Tel", "VARCHAR(30)"},
            {"Email", "TEXT"},     {"Notes", "TEXT"},       {"Profession", "VARCHAR(4)"},
            {"Homepage", "TEXT"},  {"Fax", "VARCHAR(30)"},  {"Age", "VARCHAR(10)"},
            {"Nickname", "TEXT"},  {"Location", "TEXT"},    {"Pinyin", "TEXT"},
            {"Type", "INTEGER"}};
}

QList<CSchema::Table> buildMainTables()
{
    QList<CSchema::Table> tables;

    Columns contact{{"Id", kId}, {"Zpid", "INTEGER DEFAULT 0"}, {"Name", "VARCHAR(255)"}};
    contact += cardColumns(QStringLiteral("VARCHAR(30) NOT NULL UNIQUE"));
    tables.append({QStringLiteral("Contact"), contact});

    tables.append({QStringLiteral("MsgRecord"),
                   {{"Id", kId},
                    {"LoginZpid", "INTEGER"},
                    {"CircleId", "INTEGER"},
                    {"CircleName", "VARCHAR(255)"},
                    {"Zpid", "INTEGER"},
                    {"Name", "VARCHAR(255)"},
                    {"Phone", "VARCHAR(30)"},
                    {"Read", "BOOL"},
                    {"Send", "BOOL"},
                    {"Caption", "TEXT"},
                    {"Content", "TEXT"},
                    {"Time", "DATETIME"},
                    {"MsgId", "INTEGER"},
                    {"MsgState", "INTEGER"},
                    {"Type", "INTEGER"},
                    {"SubType", "INTEGER"}}});

    tables.append({QStringLiteral("CallRecord"),
                   {{"Id", kId},
                    {"LoginZpid", "INTEGER"},
                    {"Zpid", "INTEGER"},
                    {"Name", "VARCHAR(255)"},
                    {"Phone", "VARCHAR(30)"},
                    {"Read", "BOOL"},
                    {"Time", "DATETIME"},
                    {"callTime", "INTEGER"},
                    {"Type", "INTEGER"}}});

    tables.append({QStringLiteral("Circle"),
                   {{"Id", kId},
                    {"LoginZpid", "INTEGER"},
                    {"CircleId", "INTEGER"},
                    {"CircleName", "VARCHAR(255)"},
                    {"CreateZpid", "INTEGER"},
                    {"Creater", "VARCHAR(255)"},
                    {"CreateTime", "DOUBLE"},
                    {"Type", "INTEGER"},
                    {"Property", "INTEGER"},
                    {"Profile", "TEXT"},
                    {"UserType", "INTEGER"},
                    {"UserCount", "INTEGER"},
                    {"Version", "INTEGER"},
                    {"Flag", "bool DEFAULT 1"}}});

    Columns member{{"Id", kId},
                   {"LoginZpid", "INTEGER"},
                   {"CircleId", "INTEGER"},
                   {"Zpid", "INTEGER"},
                   {"Name", "VARCHAR(255)"}};
    member += cardColumns(QStringLiteral("VARCHAR(30) NOT NULL"));
    tables.append({QStringLiteral("CircleMember"), member});

    tables.append({QStringLiteral("NetContact"),
                   {{"Id", kId},
                    {"Zpid", "INTEGER DEFAULT 0"},
                    {"Name", "VARCHAR(255)"},
                    {"Phone", "VARCHAR(30) NOT NULL"},
                    {"ContactGroup", "VARCHAR(30)"},
                    {"Pinyin", "TEXT"}}});

    tables.append({QStringLiteral("Dept"),
                   {{"Id", kId},
                    {"LoginZpid", "INTEGER"},
                    {"Name", "VARCHAR(255)"},
                    {"ParentNo", "INTEGER"},
                    {"DeptNo", "INTEGER"},
                    {"OrgId", "INTEGER"},
                    {"Ex", "TEXT"}}});

    tables.append({QStringLiteral("Emp"),
                   {{"Id", kId},
                    {"LoginZpid", "INTEGER"},
                    {"Zpid", "INTEGER"},
                    {"Name", "VARCHAR(255)"},
                    {"Phone", "VARCHAR(30)"},
                    {"Tel", "VARCHAR(30)"},
                    {"Post", "VARCHAR(30)"},
                    {"UserType", "INTEGER"},
                    {"UserId", "INTEGER"},
                    {"DeptNo", "INTEGER"},
                    {"OrgId", "INTEGER"},
                    {"Ex", "TEXT"}}});

    tables.append(
        {QStringLiteral("EnAccount"),
         {{"Id", kId}, {"LoginZpid", "INTEGER"}, {"UserId", "Text"}, {"Password", "Text"}}});

    tables.append(
        {QStringLiteral("Account"), {{"Id", kId}, {"UserId", "Text"}, {"Password", "Text"}}});
    return tables;
}

} // namespace

const QList<CSchema::Table> &CSchema::directoryTables()
{
    static const QList<Table> tables{{QStringLiteral("Dept"),
                                      {{"Id", kId},
                                       {"LoginZpid", "INTEGER"},
                                       {"Name", "VARCHAR(255)"},
                                       {"ParentNo", "TEXT"},
                                       {"DeptNo", "TEXT"},
                                       {"OrgId", "INTEGER"},
                                       {"Ex", "TEXT"}}},
                                     {QStringLiteral("Emp"),
                                      {{"Id", kId},
                                       {"LoginZpid", "INTEGER"},
                                       {"Zpid", "INTEGER"},
                                       {"Name", "VARCHAR(255)"},
                                       {"Phone", "VARCHAR(30)"},
                                       {"Tel", "VARCHAR(30)"},
                                       {"Post", "VARCHAR(30)"},
                                       {"UserType", "INTEGER"},
                                       {"UserId", "TEXT"},
                                       {"DeptNo", "TEXT"},
                                       {"OrgId", "INTEGER"},
                                       {"Ex", "TEXT"}}}};
    return tables;
}

const QList<CSchema::Table> &CSchema::mainTables()
{
    static const QList<Table> tables = buildMainTables();
    return tables;
}

const CSchema::Table &CSchema::pinyinTable()
{
    static const Table table{QStringLiteral("Pinyin"),
                             {{"Id", kId},
                              {"Hanzi", "VARCHAR(10)"},
                              {"DuYin", "VARCHAR(10)"},
                              {"DuYin1", "VARCHAR(10)"},
                              {"DuYin2", "VARCHAR(10)"},
                              {"DuYin3", "VARCHAR(10)"},
                              {"DuYin4", "VARCHAR(10)"},
                              {"DuYin5", "VARCHAR(10)"},
                              {"DuYin6", "VARCHAR(10)"}}};
    return table;
}

QString CSchema::createStatement(const Table &table)
{
    QStringList columns;
    for (const auto &column : table.columns)
        columns << QStringLiteral("\"%1\" %2").arg(column.first, column.second);
    return QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\"(%2)")
        .arg(table.strName, columns.join(QLatin1Char(',')));
}

const QStringList &CSchema::mainIndexStatements()
{
    // A message picked up again after being offline is found by account, peer and id, among
    // all messages ever stored.
    static const QStringList statements{QStringLiteral(
        "CREATE INDEX IF NOT EXISTS MsgRecordPeerMsgId ON MsgRecord(LoginZpid,Zpid,MsgId)")};
    return statements;
}

const CSchemaSteps &CSchema::mainSteps()
{
    static const CSchemaSteps steps = [] {
        QStringList tables;
        for (const Table &table : mainTables())
            tables.append(createStatement(table));
        // Step 3: a circle's members are replaced by circle whenever a list changes them, among
        // the members of every circle.
        // Step 4: department numbers and employee ids are texts ("01" is not "1"). The directory
        // is a copy the client fetches again at every enterprise sign-in, so its tables are made
        // anew rather than converted.
        QStringList directory{QStringLiteral("DROP TABLE IF EXISTS Dept"),
                              QStringLiteral("DROP TABLE IF EXISTS Emp")};
        for (const Table &table : directoryTables())
            directory.append(createStatement(table));
        return CSchemaSteps(
            {CSchemaSteps::statements(tables), CSchemaSteps::statements(mainIndexStatements()),
             CSchemaSteps::statements({QStringLiteral("CREATE INDEX IF NOT EXISTS "
                                                      "CircleMemberCircle ON "
                                                      "CircleMember(LoginZpid,CircleId)")}),
             CSchemaSteps::statements(directory)});
    }();
    return steps;
}
