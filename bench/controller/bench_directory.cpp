// Core's enterprise directory under load, with real SQLite files in a temporary directory:
// 10,000 employees arriving in 40 pages through Core's page slot, collected, stored by the
// directory worker and shown again as the department tree ("orginfoModel"); and the expansion
// of a department of 1,000 employees in that tree.
// Besides the wall time, the first reports gui_max_ms: the longest stretch the GUI thread
// spent without returning to its event loop (a 1 ms timer measures the gaps between its ticks).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

#include "cdatabase.h"
#include "cfieldwriter.h"
#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "cstorebatch.h"
#include "guistepmeter.h"

namespace {

constexpr quint32 kMe = 1234567;
constexpr quint32 kOrg = 77001;
constexpr int kDepartments = 40;
constexpr int kEmployees = 10000;
constexpr int kPageSize = 250;
constexpr int kBigDepartment = 1000;

const QString kSurnames = QStringLiteral("张王李赵钱孙周吴郑冯陈褚卫蒋沈韩杨朱秦尤许何吕施");
const QString kGiven = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂");

QString personName(int i)
{
    return QString(kSurnames.at(i % kSurnames.size())) + kGiven.at((i / 7) % kGiven.size()) +
           kGiven.at((i / 13) % kGiven.size());
}

// Core signed in as kMe and, as an administrator, to the organisation kOrg.
class DirectoryFixture
{
public:
    DirectoryFixture()
    {
        QDir::setCurrent(m_dir.path());
        m_pCore = std::make_unique<Core>();
        m_pCore->setRootContext(m_engine.rootContext());
        m_pCore->initialize();
        CSessionState &s = sessionState();
        s.iZpid = kMe;
        s.strZpid = QString::number(kMe);
        s.strPhone = QStringLiteral("13900000000");
        m_pCore->database()->setLoginZpid(kMe);
        m_pCore->database()->setLoginPhone(s.strPhone);
        m_pCore->slot_onLoginEnterprise(kOrg, QStringLiteral("示例公司"), QStringLiteral("示例"),
                                        true, Codes::RoleAdmin);
    }
    ~DirectoryFixture() { QDir::setCurrent(QDir::tempPath()); }

    QList<QObject *> list(const char *pName) const
    {
        return m_engine.rootContext()
            ->contextProperty(QLatin1String(pName))
            .value<QList<QObject *>>();
    }

    Core &core() { return *m_pCore; }

private:
    QTemporaryDir m_dir;
    QQmlEngine m_engine;
    std::unique_ptr<Core> m_pCore;
};

// Runs the event loop until the condition holds (checked every millisecond) or 60 s pass.
void waitUntil(const std::function<bool()> &condition)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
}

QString deptNo(int d)
{
    return QString::number(100 + d);
}

QByteArray departmentEntries()
{
    CFieldWriter entries;
    for (int d = 0; d < kDepartments; ++d)
        entries.str8(QStringLiteral("0"))
            .str8(deptNo(d))
            .str8(QStringLiteral("部门%1").arg(d))
            .blob32(QByteArray::number(d));
    return entries.packet();
}

QByteArray employeeEntry(int i, const QString &strDept)
{
    const QString strMobile = QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0'));
    CFieldWriter entry;
    entry.u32(2000000 + quint32(i))
        .str8(strDept)
        .str8(strMobile)
        .str8(personName(i))
        .str8(strMobile)
        .str8(QStringLiteral("010-%1").arg(i))
        .str8(i % 10 == 0 ? QString() : QStringLiteral("工程师"))
        .u8(i == 0 ? Codes::RoleAdmin : Codes::RoleEmployee)
        .blob32(QByteArray::number(i));
    return entry.packet();
}

// 40 pages of 250 employees spread over the departments.
QList<QByteArray> employeePages()
{
    QList<QByteArray> pages;
    for (int first = 0; first < kEmployees; first += kPageSize) {
        QByteArray arPage;
        for (int i = first; i < first + kPageSize; ++i)
            arPage += employeeEntry(i, deptNo(i % kDepartments));
        pages << arPage;
    }
    return pages;
}

void storeDepartments(DirectoryFixture &fixture)
{
    fixture.core().slot_onParseDeptInfo(kOrg, departmentEntries(), kDepartments, kDepartments);
    waitUntil([&] { return fixture.core().database()->getDeptName(deptNo(0)).size() > 0; });
}

void BM_EmployeePagesToTree(benchmark::State &state)
{
    DirectoryFixture fixture;
    storeDepartments(fixture);
    const QList<QByteArray> pages = employeePages();
    GuiStepMeter meter;
    double dMaxStep = 0;
    int iStored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QList<QObject *> before = fixture.list("orginfoModel");
        state.ResumeTiming();
        meter.start();
        // One page per turn of the event loop, as the socket delivers them.
        for (int p = 0; p < pages.size(); ++p)
            QTimer::singleShot(0, &fixture.core(), [&fixture, &pages, p] {
                fixture.core().slot_onParseEmpInfo(kOrg, pages.at(p), kPageSize, kEmployees);
            });
        waitUntil([&] {
            const QList<QObject *> rows = fixture.list("orginfoModel");
            return rows.size() == kDepartments && rows != before;
        });
        meter.stop();
        dMaxStep = qMax(dMaxStep, meter.maxMs());
        state.PauseTiming();
        iStored = 0;
        for (QObject *pRow : fixture.list("orginfoModel"))
            iStored += pRow->property("iUserCount").toInt();
        state.ResumeTiming();
    }
    state.counters["gui_max_ms"] = dMaxStep;
    state.counters["employees_stored"] = double(iStored);
}
BENCHMARK(BM_EmployeePagesToTree)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ExpandDepartment(benchmark::State &state)
{
    DirectoryFixture fixture;
    storeDepartments(fixture);
    // 1,000 employees in the last department of the tree, 9,000 in the others.
    CDatabase &db = *fixture.core().database();
    {
        CStoreBatch batch(db);
        for (int i = 0; i < kEmployees; ++i) {
            const QString strDept =
                i < kBigDepartment ? deptNo(kDepartments - 1) : deptNo(i % (kDepartments - 1));
            db.addEmp(2000000 + quint32(i), personName(i), QString::number(13900000000LL + i),
                      QString(), QStringLiteral("工程师"), Codes::RoleEmployee,
                      QString::number(13900000000LL + i), strDept, int(kOrg), QString::number(i));
        }
        batch.commitForAccount(kMe);
    }
    fixture.core().getOrgList();
    const QString strBig = deptNo(kDepartments - 1);
    int iShown = 0;
    for (auto _ : state) {
        fixture.core().expandList(kDepartments - 1, strBig);
        state.PauseTiming();
        iShown = int(fixture.list("orginfoModel").size());
        fixture.core().shrinkList(strBig);
        // The rows the shrink dropped are freed once the event loop runs.
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = double(iShown);
}
BENCHMARK(BM_ExpandDepartment)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
