// Writes the three import workbooks the user fills in: the header row the import expects and
// one example row. Telephone numbers and codes are text cells, so that what the user types
// there stays as typed (leading zeros included).
#include "excelwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QList>
#include <QString>

#include <cstdio>

namespace {

struct Column
{
    const char *pHeader;
    const char *pExample;
    bool bText;
};

struct Template
{
    const char *pFileName;
    QList<Column> columns;
};

bool writeTemplate(const QDir &folder, const Template &tpl)
{
    ExcelWriter writer(folder.filePath(QString::fromUtf8(tpl.pFileName)));
    for (int c = 0; c < tpl.columns.size(); ++c) {
        const Column &column = tpl.columns.at(c);
        writer.setCell(1, c + 1, QString::fromUtf8(column.pHeader));
        if (column.bText)
            writer.setTextCell(2, c + 1, QString::fromUtf8(column.pExample));
        else
            writer.setCell(2, c + 1, QString::fromUtf8(column.pExample));
    }
    if (writer.saveAndClose())
        return true;
    std::fprintf(stderr, "%s: %s\n", tpl.pFileName, qPrintable(writer.errorString()));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QList<Template> templates{
        {"Zephon云通讯录导入模板.xlsx",
         {{"姓名", "张三", false}, {"手机", "13800000000", true}, {"分组", "同事", false}}},
        {"Zephon圈子成员导入模板.xlsx",
         {{"姓名", "张三", false},
          {"性别", "男", false},
          {"公司", "示例公司", false},
          {"职位", "经理", false},
          {"手机", "13800000000", true},
          {"电话", "01012345678", true},
          {"邮箱", "zhangsan@example.com", false}}},
        {"企业组织信息导入模板.xlsx",
         {{"姓名", "张三", false},
          {"手机", "13800000000", true},
          {"电话", "01012345678", true},
          {"部门", "研发部", false},
          {"部门编码", "001", true},
          {"部门排序", "1", true},
          {"职位", "工程师", false},
          {"员工编码", "0001", true},
          {"员工排序", "1", true}}},
    };
    bool bOk = true;
    for (const Template &tpl : templates)
        bOk = writeTemplate(folder, tpl) && bOk;
    return bOk ? 0 : 1;
}
