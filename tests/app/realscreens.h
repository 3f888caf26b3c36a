// RealScreens: the client's own view showing main.qml with a real Core behind it, made in the
// entry's order (context properties, the picture provider, the screens, then Core's
// initialisation), for tests that drive the real screens against the fake service.
#pragma once

#include <QString>

#include <memory>

class Core;
class QmlApplicationViewer;

class RealScreens
{
public:
    RealScreens();
    ~RealScreens();

    // The process made ready for a real Core talking to strServer: strFolder (made) as the
    // working directory, its "xdg" sibling as the settings home, none of the settings that
    // reach outside the test (auto-start, staying on top, the update check), and a fresh
    // session. False when the folder cannot be used.
    static bool enterClientFolder(const QString &strFolder, const QString &strXdg,
                                  const QString &strServer);

    // Shows the screens and waits until they are initialised; a failure fails the running
    // test (check QTest::currentTestFailed()).
    void start();
    // Signs in as the sign-in screen does (the account as typed, the password, the id's kind).
    void signIn(const QString &strLoginId, const QString &strPassword, int iLoginType = 0);
    // Closes the screens before Core, as the entry does on quitting.
    void stop();

    QmlApplicationViewer *view() const { return m_pView.get(); }
    Core *core() const { return m_pCore.get(); }

private:
    std::unique_ptr<QmlApplicationViewer> m_pView;
    std::unique_ptr<Core> m_pCore;
};
