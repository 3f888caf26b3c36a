// StoreFixture: a fresh working directory with the two database files opened by a CDatabase,
// as at a first start. The store resolves its file names against the working directory, so
// the fixture changes into a temporary one and back again.
#pragma once

#include "cdatabase.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

// A temporary working directory for the life of the object; the previous one comes back at
// the end, also when a check fails half-way.
class TempWorkingDir
{
public:
    TempWorkingDir() : m_strOldDir(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~TempWorkingDir() { QDir::setCurrent(m_strOldDir); }
    TempWorkingDir(const TempWorkingDir &) = delete;
    TempWorkingDir &operator=(const TempWorkingDir &) = delete;

    QString path(const QString &strName) const { return m_dir.filePath(strName); }
    // A directory where the main database file belongs: the store cannot open it.
    bool blockMainFile() const { return QDir(m_dir.path()).mkdir(QStringLiteral("Zephon.db")); }

private:
    QString m_strOldDir;
    QTemporaryDir m_dir;
};

class StoreFixture
{
public:
    StoreFixture() { open(); }

    // Closes the files and opens them again, as a second start of the client does.
    void reopen()
    {
        const quint32 iZpid = m_pDb->loginZpid();
        m_pDb.reset();
        open();
        m_pDb->setLoginZpid(iZpid);
    }

    CDatabase &db() { return *m_pDb; }
    std::shared_ptr<CDatabase> shared() { return m_pDb; }
    QString path(const QString &strName) const { return m_dir.path(strName); }

private:
    void open()
    {
        m_pDb =
            std::make_shared<CDatabase>(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
    }

    // Declared first: the store closes its files before the working directory goes.
    TempWorkingDir m_dir;
    std::shared_ptr<CDatabase> m_pDb;
};

// Takes ownership of the element objects a list operation returns.
struct OwnedList
{
    explicit OwnedList(QList<QObject *> list) : items(std::move(list)) {}
    ~OwnedList() { qDeleteAll(items); }
    OwnedList(const OwnedList &) = delete;
    OwnedList &operator=(const OwnedList &) = delete;

    int size() const { return int(items.size()); }
    template <typename T> T *at(int i) const { return qobject_cast<T *>(items.at(i)); }
    // One property of every element, as text, for compact comparisons.
    QStringList column(const char *property) const
    {
        QStringList values;
        for (QObject *item : items)
            values << item->property(property).toString();
        return values;
    }

    QList<QObject *> items;
};
