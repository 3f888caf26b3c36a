// Build tool: writes the delivered common database from the committed reading rows
// (data/pinyin.tsv: Hanzi, DuYin, DuYin1..DuYin6, tab-separated, '#' starts a comment).
// Usage: zephon_mkcommondb <pinyin.tsv> <common.db>
#include "cschema.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <cstdio>

namespace {

int fail(const QString &strMessage)
{
    std::fprintf(stderr, "zephon_mkcommondb: %s\n", qPrintable(strMessage));
    return 1;
}

int build(const QString &strTsv, const QString &strOut)
{
    QFile input(strTsv);
    if (!input.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(QStringLiteral("cannot read %1").arg(strTsv));

    // Written beside the target and renamed at the end, so an interrupted build never leaves
    // a half-filled common.db behind.
    const QString strTemp = strOut + QStringLiteral(".tmp");
    QFile::remove(strTemp);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("out"));
    db.setDatabaseName(strTemp);
    if (!db.open())
        return fail(db.lastError().text());

    QSqlQuery query(db);
    if (!query.exec(CSchema::createStatement(CSchema::pinyinTable())) ||
        !query.exec(QStringLiteral("BEGIN")))
        return fail(query.lastError().text());
    if (!query.prepare(QStringLiteral("Insert into Pinyin(Hanzi,DuYin,DuYin1,DuYin2,DuYin3,DuYin4,"
                                      "DuYin5,DuYin6)Values(?,?,?,?,?,?,?,?)")))
        return fail(query.lastError().text());

    QTextStream in(&input);
    in.setEncoding(QStringConverter::Utf8);
    int iLine = 0;
    int iRows = 0;
    while (!in.atEnd()) {
        const QString strLine = in.readLine();
        ++iLine;
        if (strLine.isEmpty() || strLine.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = strLine.split(QLatin1Char('\t'));
        if (fields.size() < 2 || fields.size() > 8 || fields[0].isEmpty() || fields[1].isEmpty())
            return fail(QStringLiteral("%1:%2: malformed row").arg(strTsv).arg(iLine));
        for (int i = 0; i < 8; ++i)
            query.addBindValue(i < fields.size() ? fields[i] : QString());
        if (!query.exec())
            return fail(query.lastError().text());
        ++iRows;
    }
    if (!query.exec(QStringLiteral("COMMIT")))
        return fail(query.lastError().text());
    query.finish();
    db.close();

    QFile::remove(strOut);
    if (!QFile::rename(strTemp, strOut))
        return fail(QStringLiteral("cannot write %1").arg(strOut));
    std::printf("zephon_mkcommondb: %d rows\n", iRows);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return fail(QStringLiteral("usage: zephon_mkcommondb <pinyin.tsv> <common.db>"));
    const int iResult = build(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    QSqlDatabase::removeDatabase(QStringLiteral("out"));
    return iResult;
}
