// CRowLoadThread: reads a list of element objects from the store on its own thread, and
// optionally builds the contact search index over them there too, so that a list of
// thousands of rows costs the GUI thread only its publication. The rows are handed to the
// thread that made the loader (they are created without a parent and moved there before the
// run ends); rows and index not taken are freed with the loader.
#pragma once

#include <QList>
#include <QObject>
#include <QThread>

#include <functional>

struct cs_list;

class CRowLoadThread : public QThread
{
    Q_OBJECT

public:
    using Load = std::function<QList<QObject *>()>;

    // bIndex: also build the search index over the rows (createIndex).
    CRowLoadThread(Load load, bool bIndex);
    ~CRowLoadThread() override;

    // After the run: the rows, now living on the loader's making thread, and the index.
    QList<QObject *> takeRows() { return std::exchange(m_rows, {}); }
    cs_list *takeIndex() { return std::exchange(m_pIndex, nullptr); }

protected:
    void run() override;

private:
    Load m_load;
    const bool m_bIndex;
    QThread *const m_pTarget;
    QList<QObject *> m_rows;
    cs_list *m_pIndex = nullptr;
};
