#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>

// The desktop portal of one test, made of real parts where they exist: a
// private session bus (dbus-daemon), Debian's portal frontend
// (xdg-desktop-portal) on it, and behind that the stand-in desktop
// (portal_standin) that a test steers. The test process is pointed at the
// bus. Every process dies with the fixture, and with the test process should
// that die first.
class PrivatePortal {
public:
    struct Parts {
        bool frontend = true;
        // Whether the desktop offers global shortcuts to the frontend; the
        // screenshot is offered always.
        bool shortcuts = true;
    };

    static const char* const Frontend;

    PrivatePortal();
    ~PrivatePortal();
    PrivatePortal(const PrivatePortal&) = delete;
    PrivatePortal& operator=(const PrivatePortal&) = delete;

    // Empty when every part runs, else what failed.
    QString start(Parts parts);

    // Whether the frontend offers interface, as a program finds out.
    bool offers(const QString& interface) const;
    // A call to the stand-in's test interface; its reply's arguments.
    QVariantList control(const QString& method, const QVariantList& arguments = {});
    // What the frontend asked of the stand-in desktop so far.
    QStringList log();
    void stopFrontend();
    // The frontend's output, for the report of a failed test.
    QString frontendOutput() const;

private:
    QString startBus();
    QString writeDesktopFiles(bool shortcuts);
    QString startStandIn();
    QString startFrontend();

    QTemporaryDir m_folder;
    QString m_address;
    QProcessEnvironment m_environment;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_standIn;
    std::unique_ptr<QProcess> m_frontend;
    QDBusConnection m_connection{QString()};
};
